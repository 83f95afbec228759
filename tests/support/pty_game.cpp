#include "support/pty_game.h"
#include "support/stdio_redirect.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

PtyGame::PtyGame(int columns, int rows, const char* binary, bool as_job) {
    start({binary}, columns, rows, as_job);
}

PtyGame::PtyGame(const std::vector<std::string>& command, int columns, int rows) {
    start(command, columns, rows, false);
}

void game_environment() {
    setenv("TERM", "xterm", 1);
    unsetenv("NO_COLOR");
}

std::string output_of(const std::string& command, int* status) {
    game_environment();
    std::string out;
    FILE* shell = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, shell)) > 0;)
        out.append(chunk, n);
    int ended = pclose(shell);
    if (status)
        *status = ended;
    return out;
}

void PtyGame::start(const std::vector<std::string>& command, int columns, int rows, bool as_job) {
    game_environment();
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    child_ = std::make_unique<Child>();
    double started;
    int flags = CHILD_KEEP_TERMINAL | (as_job ? CHILD_AS_JOB : 0);
    EXPECT_EQ(child_start_pty(child_.get(), argv.data(), environ, columns, rows, flags, &started),
              0)
        << "cannot start " << command[0];
}

PtyGame::~PtyGame() {
    child_close(child_.get());
}

void PtyGame::send(const std::string& keys) {
    // What the game wrote before this key belongs to the turn before.
    while (read_some(0)) {
    }
    sent_at_ = unread_at_ = all_.size();
    ASSERT_EQ(child_send(child_.get(), keys.data(), keys.size()), 0);
}

// Moves what the driver has read into the transcript.
bool PtyGame::read_some(int timeout_ms) {
    bool came = child_read_more(child_.get(), timeout_ms) > 0;
    all_.append(child_->buf, child_->len);
    child_->len = 0;
    return came;
}

std::string PtyGame::read_until(const std::string& needle, int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (all_.find(needle, unread_at_) == std::string::npos) {
        int left = static_cast<int>(deadline - now_ms());
        if (left <= 0 || (!read_some(left) && now_ms() >= deadline)) {
            ADD_FAILURE() << "no \"" << escaped(needle) << "\" within " << timeout_ms
                          << " ms; got: " << escaped(all_.substr(unread_at_));
            break;
        }
    }
    size_t end = all_.find(needle, unread_at_);
    end = end == std::string::npos ? all_.size() : end + needle.size();
    std::string got = all_.substr(unread_at_, end - unread_at_);
    unread_at_ = end;
    return got;
}

std::string PtyGame::read_for(int quiet_ms) {
    while (read_some(quiet_ms)) {
    }
    std::string got = all_.substr(unread_at_);
    unread_at_ = all_.size();
    return got;
}

std::string PtyGame::read_settled(int timeout_ms) {
    EXPECT_TRUE(settle(timeout_ms)) << "the game did not come to rest";
    return read_for(0);
}

ProcessIo process_io(pid_t pid) {
    ChildIo io;
    if (proc_io(pid, &io) != 0)
        return {};
    return {io.bytes_read, io.bytes_written};
}

bool has_ended(pid_t pid) {
    char state = proc_state(pid);
    return state == 'Z' || state == '?';
}

bool PtyGame::settle(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        int idle = child_idle(child_.get());
        if (idle == -2)
            ADD_FAILURE() << "settle() must first be called before any key is sent";
        if (idle != 0 || now_ms() >= deadline)
            return idle > 0;
        read_some(1);
    }
}

long long PtyGame::keys_read() const {
    return child_->read_before_keys < 0 ? -1 : process_io(pid()).read - child_->read_before_keys;
}

void PtyGame::forget() {
    all_.clear();
    sent_at_ = unread_at_ = 0;
}

void PtyGame::resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master(), TIOCSWINSZ, &size);
}

void PtyGame::signal(int signal_number) {
    kill(pid(), signal_number);
}

pid_t PtyGame::foreground() const {
    return tcgetpgrp(master());
}

int PtyGame::wait_exit(int timeout_ms) {
    double ended;
    int status = child_reap(child_.get(), timeout_ms, &ended);
    while (read_some(0)) {
    }
    return status;
}

termios PtyGame::settings() const {
    termios mode{};
    tcgetattr(child_->slave_fd, &mode);
    return mode;
}

int PtyGame::choose(const std::string& label, int timeout_ms) {
    // Only the listing drawn after the last key counts: it begins with the
    // chooser's two newlines, which occur nowhere else together.
    const std::string start = "\r\n\r\n";
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        size_t listing = all_.find(start, sent_at_);
        int typed = 0;
        int key = listing == std::string::npos
                      ? 0
                      : child_listed_key(all_.data() + listing, all_.size() - listing,
                                         label.c_str(), &typed);
        if (key != 0) {
            send(typed ? std::string{static_cast<char>(key), '\n'}
                       : std::string(1, static_cast<char>(key)));
            return key;
        }
        int left = static_cast<int>(deadline - now_ms());
        if (left <= 0 || !read_some(left)) {
            ADD_FAILURE() << "option \"" << escaped(label)
                          << "\" not offered; got: " << escaped(all_.substr(sent_at_));
            return 0;
        }
    }
}

int PtyGame::waiting_input() const {
    int waiting = -1;
    ioctl(child_->slave_fd, FIONREAD, &waiting);
    return waiting;
}

void expect_clean_end(PtyGame& game) {
    EXPECT_EQ(game.wait_exit(), 0);
    EXPECT_TRUE(same_settings(game.settings(), game.initial_settings()));
}

void expect_quit(PtyGame& game) {
    game.send("q");
    expect_clean_end(game);
}

bool ended_by(int wait_status, int signal_number) {
    if (signal_number == SIGQUIT)
        return WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 128 + SIGQUIT;
    return WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == signal_number;
}

bool ended_in_order(int wait_status) {
    if (wait_status == -1)
        return false;
    if (WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0)
        return true;
    return ended_by(wait_status, SIGINT) || ended_by(wait_status, SIGQUIT) ||
           ended_by(wait_status, SIGTERM);
}

termios game_mode(termios settings) {
    settings.c_lflag &= ~(ICANON | ECHO);
    settings.c_iflag &= ~IXON;
    return settings;
}

bool same_settings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && a.c_line == b.c_line &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 && cfgetispeed(&a) == cfgetispeed(&b) &&
           cfgetospeed(&a) == cfgetospeed(&b);
}

namespace {
const std::string LIT = "\x1b[0;1;37;42m";
const std::string LINE_END = "\x1b[K\x1b[0;37;40m\r\n";
// From the line below a list of one-line options up to the lit one's label.
std::string rest_on(size_t lit, size_t options) {
    return repeated("\x1b[A", options - lit) + "\x1b[4C";
}
} // namespace

std::string repeated(const std::string& bytes, size_t times) {
    std::string all;
    while (times-- > 0)
        all += bytes;
    return all;
}

std::string option_line(size_t index, const std::string& label, bool lit) {
    return " " + std::to_string(index + 1) + ": " + (lit ? LIT : "") + label + LINE_END;
}

std::string listing(const Labels& menu, size_t lit) {
    std::string all;
    for (size_t i = 0; i < menu.size(); i++)
        all += option_line(i, menu[i], i == lit);
    return all + rest_on(lit, menu.size());
}

std::string end_of_list(size_t options) {
    return "\r" + repeated("\x1b[K\r\n", options) + repeated("\x1b[A", options) +
           "\x1b[0m\x1b[J\x1b[?2004l";
}

std::string last_option_line(const Labels& menu) {
    return " " + std::to_string(menu.size()) + ": " + menu.back() + LINE_END +
           rest_on(0, menu.size());
}

Labels label_lines(const std::string& label, int columns) {
    const size_t width = static_cast<size_t>(std::max(1, columns - 5));
    Labels lines;
    std::string rest = label;
    while (!rest.empty()) {
        size_t at = 0;
        for (size_t characters = 0; at < rest.size() && characters < width; characters++)
            do
                at++;
            while (at < rest.size() && (rest[at] & 0xC0) == 0x80);
        size_t space = at < rest.size() ? rest.rfind(' ', at) : std::string::npos;
        size_t end = at >= rest.size() ? rest.size() : space == std::string::npos ? at : space;
        lines.push_back(rest.substr(0, end));
        rest.erase(0, end);
        rest.erase(0, rest.find_first_not_of(' ') == std::string::npos
                          ? rest.size()
                          : rest.find_first_not_of(' '));
    }
    return lines;
}

std::string listing_end(const Labels& menu, int columns) {
    return label_lines(menu.back(), columns).back() + LINE_END;
}

std::string option_lines(size_t index, const std::string& label, int columns, bool lit) {
    const std::string number = " " + std::to_string(index + 1) + ": ";
    std::string all;
    for (const std::string& line : label_lines(label, columns)) {
        std::string one = option_line(index, line, lit);
        if (!all.empty())
            one.replace(0, number.size(), std::string(number.size(), ' '));
        all += one;
    }
    return all;
}

std::string listing_at(const Labels& menu, int columns, size_t lit) {
    std::string all;
    for (size_t i = 0; i < menu.size(); i++)
        all += option_lines(i, menu[i], columns, i == lit);
    return all;
}

std::string drawn_along(const Labels& road, int columns, int rows) {
    PtyGame game(columns, rows);
    EXPECT_TRUE(game.settle());
    // A label that the width breaks is known by its first line.
    for (const std::string& label : road)
        game.choose(label_lines(label, columns).at(0));
    EXPECT_TRUE(game.settle());
    return game.transcript();
}

namespace {
// A list begins below its turn's empty line.
const std::string LIST_START = "\r\n\r\n 1: ";
} // namespace

// Each turn's text follows the last cursor move before it: the move to the
// top of a cleared screen, or up over the list it replaced.
Labels turns_in(const std::string& transcript) {
    Labels turns;
    size_t from = 0;
    for (size_t list; (list = transcript.find(LIST_START, from)) != std::string::npos;
         from = list + LIST_START.size()) {
        size_t start = from;
        for (size_t at = from; (at = transcript.find("\x1b[", at)) < list; at++) {
            size_t final = transcript.find_first_not_of("0123456789;", at + 2);
            if (final < list && (transcript[final] == 'A' || transcript[final] == 'H'))
                start = final + 1;
        }
        turns.push_back(transcript.substr(start, list - start));
    }
    return turns;
}

std::string first_screen(int columns, int rows) {
    std::string drawn = drawn_along({}, columns, rows);
    return drawn.substr(std::min(drawn.find("\x1b[2J"), drawn.size()));
}

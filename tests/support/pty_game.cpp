#include "support/pty_game.h"
#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

// In the pseudo-terminal's session, act as a job-control shell would: run
// the game in a foreground process group of its own and wait for it. A
// process group whose parent lives in the same session can be stopped by
// Ctrl-Z; the session leader's own group could not.
[[noreturn]] static void run_as_job(char* const* argv) {
    pid_t game = fork();
    if (game == 0) {
        setpgid(0, 0);
        signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(STDIN_FILENO, getpid());
        signal(SIGTTOU, SIG_DFL);
        execv(argv[0], argv);
        _exit(127);
    }
    setpgid(game, game);
    int status = 0;
    while (waitpid(game, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

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

void PtyGame::start(const std::vector<std::string>& command, int columns, int rows, bool as_job) {
    game_environment();
    // Built before the fork: the child only execs.
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) {
        ADD_FAILURE() << "openpty failed";
        return;
    }
    tcgetattr(slave, &initial_);
    pid_ = fork();
    if (pid_ == 0) {
        close(master_);
        login_tty(slave);
        if (as_job)
            run_as_job(argv.data());
        execv(argv[0], argv.data());
        _exit(127);
    }
    // Kept open, so the terminal's settings can still be read after the game
    // has ended.
    slave_ = slave;
    EXPECT_GT(pid_, 0) << "fork failed";
}

PtyGame::~PtyGame() {
    pid_t job = master_ >= 0 ? tcgetpgrp(master_) : -1;
    if (job > 0 && job != pid_)
        kill(-job, SIGKILL);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0)
        close(master_);
    if (slave_ >= 0)
        close(slave_);
}

void PtyGame::send(const std::string& keys) {
    // What the game wrote before this key belongs to the turn before.
    while (read_some(0)) {
    }
    pending_.clear();
    sent_at_ = all_.size();
    sent_total_ += static_cast<long long>(keys.size());
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

bool PtyGame::read_some(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0)
        return false;
    char chunk[4096];
    ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0)
        return false;
    pending_.append(chunk, static_cast<size_t>(n));
    all_.append(chunk, static_cast<size_t>(n));
    received_total_ += n;
    received_newlines_ += std::count(chunk, chunk + n, '\n');
    return true;
}

std::string PtyGame::read_until(const std::string& needle, int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (pending_.find(needle) == std::string::npos) {
        int left = static_cast<int>(deadline - now_ms());
        if (left <= 0 || (!read_some(left) && now_ms() >= deadline)) {
            ADD_FAILURE() << "no \"" << needle << "\" within " << timeout_ms
                          << " ms; got: " << pending_;
            break;
        }
    }
    size_t end = pending_.find(needle);
    end = end == std::string::npos ? pending_.size() : end + needle.size();
    std::string got = pending_.substr(0, end);
    pending_.erase(0, end);
    return got;
}

std::string PtyGame::read_for(int quiet_ms) {
    while (read_some(quiet_ms)) {
    }
    std::string got = pending_;
    pending_.clear();
    return got;
}

char process_state(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(file, line);
    size_t name_end = line.rfind(") ");
    return name_end == std::string::npos || name_end + 2 >= line.size() ? '?' : line[name_end + 2];
}

ProcessIo process_io(pid_t pid) {
    ProcessIo io;
    std::ifstream file("/proc/" + std::to_string(pid) + "/io");
    std::string field;
    long long value = 0;
    while (file >> field >> value) {
        if (field == "rchar:")
            io.read = value;
        else if (field == "wchar:")
            io.written = value;
    }
    return io;
}

bool has_ended(pid_t pid) {
    char state = process_state(pid);
    return state == 'Z' || state == '?';
}

// True while the process sits in the key reader's wait for a key: a poll
// with no time limit (the escape decoder's waits have one), which the C
// library makes a ppoll where there is no poll call. Where the system call
// cannot be seen (that takes the right to trace the process), any sleep
// counts.
bool in_key_wait(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
    std::string number, watched, count, limit;
    if (!(file >> number))
        return process_state(pid) == 'S';
    if (!(file >> watched >> count >> limit))
        return false;
#ifdef SYS_poll
    if (number == std::to_string(SYS_poll))
        return limit == "0xffffffff";
#endif
    return number == std::to_string(SYS_ppoll) && limit == "0x0";
}

// The counts are read on both sides of the look at the wait, so a game that
// took its last key and wrote in between is never mistaken for one at rest.
// With the terminal's output processing each line feed it wrote arrives here
// after an added carriage return. Each byte that a signal handler writes to
// the game's wake pipe the game reads back before it waits again, so at rest
// it has read as many bytes beyond the keys as it wrote beyond the screen;
// a key unread or output unarrived makes the two differ.
bool PtyGame::idle_at_key_wait() {
    ProcessIo before = process_io(pid_);
    bool waiting = in_key_wait(pid_);
    ProcessIo after = process_io(pid_);
    if (!waiting || before != after || after.read < 0)
        return false;
    if (read_before_keys_ < 0) {
        if (sent_total_ != 0) {
            ADD_FAILURE() << "settle() must first be called before any key is sent";
            return false;
        }
        read_before_keys_ = after.read;
    }
    return after.read - read_before_keys_ - sent_total_ ==
           after.written - (received_total_ - received_newlines_);
}

bool PtyGame::settle(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (!idle_at_key_wait()) {
        if (pid_ <= 0 || has_ended(pid_) || now_ms() >= deadline)
            return false;
        read_some(1);
    }
    return true;
}

long long PtyGame::keys_read() const {
    return read_before_keys_ < 0 ? -1 : process_io(pid_).read - read_before_keys_;
}

void PtyGame::forget() {
    all_.clear();
    pending_.clear();
    sent_at_ = 0;
}

void PtyGame::resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master_, TIOCSWINSZ, &size);
}

void PtyGame::signal(int signal_number) {
    kill(pid_, signal_number);
}

pid_t PtyGame::foreground() const {
    return tcgetpgrp(master_);
}

int PtyGame::wait_exit(int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return status;
        }
        if (now_ms() >= deadline)
            return -1;
        // Keep draining so the game never blocks on a full terminal.
        read_some(10);
    }
}

termios PtyGame::settings() const {
    termios mode{};
    tcgetattr(slave_, &mode);
    return mode;
}

int PtyGame::choose(const std::string& label, int timeout_ms) {
    // Only the listing drawn after the last key counts: it begins with the
    // chooser's two newlines, which occur nowhere else together. A plain
    // listing is answered with a number and Enter once its prompt stands.
    const std::string start = "\r\n\r\n";
    const std::string option = label + "\x1b[K", plain = ": " + label + "\r\n";
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        size_t listing = all_.find(start, sent_at_);
        size_t at = listing == std::string::npos ? listing : all_.find(option, listing);
        size_t typed = listing == std::string::npos ? listing : all_.find(plain, listing);
        if (typed != std::string::npos && all_.find("sluta: ", typed) == std::string::npos)
            typed = std::string::npos;
        if (at != std::string::npos || typed != std::string::npos) {
            char key = all_[all_.rfind(": ", std::min(at, typed)) - 1];
            send(typed < at ? std::string{key, '\n'} : std::string(1, key));
            return key;
        }
        int left = static_cast<int>(deadline - now_ms());
        if (left <= 0 || !read_some(left)) {
            ADD_FAILURE() << "option \"" << label
                          << "\" not offered; got: " << all_.substr(sent_at_);
            return 0;
        }
    }
}

int PtyGame::waiting_input() const {
    int waiting = -1;
    ioctl(slave_, FIONREAD, &waiting);
    return waiting;
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

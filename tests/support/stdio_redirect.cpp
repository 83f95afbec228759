#include "support/stdio_redirect.h"

#include "support/child.h"
#include "support/output_capture.h"
#include "term/paragraph.h"
#include "term/window_size.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

std::string capture_stdout(const std::function<void()>& body) {
    OutputCapture capture;
    body();
    return capture.take();
}

std::string written(int width, int column, const std::function<void()>& body) {
    term_set_window({width, term_window().rows});
    paragraph_at_column(column);
    return capture_stdout(body);
}

StdinPipe::StdinPipe() : saved_stdin_(dup(0)) {
    int ends[2];
    if (pipe(ends) != 0)
        std::abort();
    dup2(ends[0], 0);
    close(ends[0]);
    writer_ = ends[1];
}

StdinPipe::~StdinPipe() {
    close_writer();
    dup2(saved_stdin_, 0);
    close(saved_stdin_);
}

void StdinPipe::write(const std::string& bytes) {
    ASSERT_EQ(::write(writer_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

void StdinPipe::close_writer() {
    if (writer_ >= 0)
        close(writer_);
    writer_ = -1;
}

PtyOnDescriptor::PtyOnDescriptor(int descriptor)
    : descriptor_(descriptor), saved_(dup(descriptor)) {
    if (child_open_pty(0, 0, &master_, &slave_) != 0)
        std::abort();
    std::fflush(stdout);
    dup2(slave_, descriptor_);
}

PtyOnDescriptor::~PtyOnDescriptor() {
    std::fflush(stdout);
    dup2(saved_, descriptor_);
    close(saved_);
    close(slave_);
    close(master_);
}

termios PtyOnDescriptor::settings() const {
    termios mode{};
    if (tcgetattr(slave_, &mode) != 0)
        mode = termios{};
    return mode;
}

StdinPty::StdinPty() : PtyOnDescriptor(0) {
    // Keys arrive one by one and unechoed, as in the game's keyboard mode.
    termios mode = settings();
    mode.c_lflag &= ~(ICANON | ECHO);
    tcsetattr(slave(), TCSANOW, &mode);
}

void StdinPty::type(const std::string& bytes) {
    ASSERT_EQ(::write(master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

bool StdoutPty::resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    return ioctl(master(), TIOCSWINSZ, &size) == 0;
}

double now_ms() {
    return now_us() / 1000.0;
}

bool eventually(const std::function<bool()>& condition, int timeout_ms,
                const std::function<void()>& between) {
    for (double deadline = now_ms() + timeout_ms; !condition() && now_ms() < deadline;)
        between ? between() : static_cast<void>(usleep(5000));
    return condition();
}

bool read_fd_until(int fd, std::string& text, const std::function<bool(const std::string&)>& done,
                   int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    while (!done(text) && now_ms() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            continue;
        char chunk[4096];
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
    }
    return done(text);
}

#include "support/stdio_redirect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

std::string capture_stdout(const std::function<void()>& body) {
    std::fflush(stdout);
    char path[] = "/tmp/vakna-stdout-XXXXXX";
    int file = mkstemp(path);
    EXPECT_GE(file, 0);
    unlink(path);
    int saved = dup(1);
    dup2(file, 1);
    body();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);

    std::string out;
    lseek(file, 0, SEEK_SET);
    char chunk[4096];
    for (ssize_t n; (n = read(file, chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<size_t>(n));
    close(file);
    return out;
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

StdinPty::StdinPty() : saved_stdin_(dup(0)) {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
        std::abort();
    // Keys arrive one by one and unechoed, as in the game's keyboard mode.
    termios mode;
    tcgetattr(slave_, &mode);
    mode.c_lflag &= ~(ICANON | ECHO);
    tcsetattr(slave_, TCSANOW, &mode);
    dup2(slave_, 0);
}

StdinPty::~StdinPty() {
    dup2(saved_stdin_, 0);
    close(saved_stdin_);
    close(slave_);
    close(master_);
}

void StdinPty::type(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

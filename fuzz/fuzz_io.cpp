#include "fuzz_io.h"

#include "fuzz_check.h"

#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int capture_fd = -1;
std::size_t captured = 0;

} // namespace

void feed_stdin(const std::uint8_t* bytes, std::size_t size) {
    int fds[2];
    FUZZ_CHECK(pipe(fds) == 0);
    std::size_t written = 0;
    while (written < size) {
        ssize_t n = write(fds[1], bytes + written, size - written);
        FUZZ_CHECK(n > 0);
        written += static_cast<std::size_t>(n);
    }
    close(fds[1]);
    FUZZ_CHECK(dup2(fds[0], STDIN_FILENO) == STDIN_FILENO);
    close(fds[0]);
}

void start_capture() {
    std::fflush(stdout);
    if (capture_fd < 0) {
        capture_fd = memfd_create("fuzz_stdout", 0);
        FUZZ_CHECK(capture_fd >= 0 && dup2(capture_fd, STDOUT_FILENO) == STDOUT_FILENO);
    }
    FUZZ_CHECK(ftruncate(capture_fd, 0) == 0);
    FUZZ_CHECK(lseek(STDOUT_FILENO, 0, SEEK_SET) == 0);
    captured = 0;
}

std::string take_output() {
    std::fflush(stdout);
    std::string out;
    char buffer[4096];
    for (;;) {
        ssize_t n = pread(capture_fd, buffer, sizeof buffer, static_cast<off_t>(captured));
        FUZZ_CHECK(n >= 0);
        if (n == 0)
            return out;
        out.append(buffer, static_cast<std::size_t>(n));
        captured += static_cast<std::size_t>(n);
    }
}

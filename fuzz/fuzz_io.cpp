#include "fuzz_io.h"

#include "fuzz_check.h"
#include "support/output_capture.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Kept for the process's life: every input is captured from empty.
OutputCapture* capture = nullptr;

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
    if (!capture)
        capture = new OutputCapture;
    capture->take();
}

std::string take_output() {
    return capture->take();
}

#include "support/output_capture.h"

#include <cstdlib>
#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>
#include <utility>

ssize_t OutputCapture::append(void* capture, const char* bytes, size_t size) {
    static_cast<OutputCapture*>(capture)->into_->append(bytes, size);
    return static_cast<ssize_t>(size);
}

// The C library lets a program point stdout at a stream of its own, one
// whose writes land in memory without a system call.
OutputCapture::OutputCapture(std::string* into)
    : into_(into ? into : &own_), saved_stream_(stdout), saved_descriptor_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_descriptor_ < 0 || nowhere < 0 || dup2(nowhere, STDOUT_FILENO) < 0)
        std::abort();
    close(nowhere);
    cookie_io_functions_t io{};
    io.write = append;
    stdout = fopencookie(this, "w", io);
    if (!stdout)
        std::abort();
    // One thread writes it: taking the stream's lock for every byte would
    // cost the story explorer most of its time.
    __fsetlocking(stdout, FSETLOCKING_BYCALLER);
}

OutputCapture::~OutputCapture() {
    std::fclose(stdout);
    stdout = saved_stream_;
    dup2(saved_descriptor_, STDOUT_FILENO);
    close(saved_descriptor_);
}

std::string OutputCapture::take() {
    std::fflush(stdout);
    return std::exchange(*into_, std::string{});
}

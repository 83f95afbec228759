#include "support/output_capture.h"

#include "term/terminal.h"

#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

OutputCapture::OutputCapture(std::string* into)
    : into_(into ? into : &own_), saved_descriptor_(dup(STDOUT_FILENO)) {
    terminal_flush();
    int memory = memfd_create("captured-output", MFD_CLOEXEC);
    if (saved_descriptor_ < 0 || memory < 0 || dup2(memory, STDOUT_FILENO) < 0)
        std::abort();
    close(memory);
}

OutputCapture::~OutputCapture() {
    collect();
    dup2(saved_descriptor_, STDOUT_FILENO);
    close(saved_descriptor_);
}

// The file is read from its start and emptied, so it never holds more than
// one collection's bytes.
void OutputCapture::collect() {
    terminal_flush();
    off_t size = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    size_t old = into_->size();
    into_->resize(old + static_cast<size_t>(size));
    if (size > 0 && pread(STDOUT_FILENO, into_->data() + old, size, 0) != size)
        std::abort();
    if (ftruncate(STDOUT_FILENO, 0) != 0 || lseek(STDOUT_FILENO, 0, SEEK_SET) != 0)
        std::abort();
}

std::string OutputCapture::take() {
    collect();
    return std::exchange(*into_, std::string{});
}

// Standard output of this very process captured in memory: what the engine
// writes through stdio is kept instead of written, for the tests, the fuzz
// targets and the story's tools alike. Descriptor 1 is meanwhile on
// /dev/null, so the engine finds no terminal there, as in a pipe.
#pragma once

#include <cstdio>
#include <string>

class OutputCapture {
  public:
    // What is written goes to *into when given, else to the capture's own
    // text, which take() hands out.
    explicit OutputCapture(std::string* into = nullptr);
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything written since the start or the last take.
    std::string take();

  private:
    static ssize_t append(void* capture, const char* bytes, size_t size);
    std::string own_;
    std::string* into_;
    FILE* saved_stream_;
    int saved_descriptor_;
};

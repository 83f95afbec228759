// Standard output of this very process captured in memory, for the tests,
// the fuzz targets and the story's tools alike: descriptor 1 is meanwhile a
// file in memory, so the engine writes its frames there through the very
// buffer and write loop that the game uses on a terminal, and finds no
// terminal there, as in a pipe.
#pragma once

#include <string>

class OutputCapture {
  public:
    // What is written goes to *into when given, else to the capture's own
    // text, which take() hands out.
    explicit OutputCapture(std::string* into = nullptr);
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Sends the engine's frame and moves what was written into the text.
    void collect();
    // Everything written since the start or the last take.
    std::string take();

  private:
    std::string own_;
    std::string* into_;
    int saved_descriptor_;
};

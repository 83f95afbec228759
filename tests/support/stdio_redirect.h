// Test helpers that put standard input and output of this very process on
// pipes, so the engine's real reads and writes of descriptors 0 and 1 can be
// fed and checked.
#pragma once

#include <functional>
#include <string>

// Runs body with standard output going to a temporary file and returns every
// byte body wrote through stdio (flushed) or straight to descriptor 1.
std::string capture_stdout(const std::function<void()>& body);

// Puts the read end of a fresh pipe on descriptor 0 for the object's life.
class StdinPipe {
  public:
    StdinPipe();
    ~StdinPipe();
    StdinPipe(const StdinPipe&) = delete;
    StdinPipe& operator=(const StdinPipe&) = delete;

    void write(const std::string& bytes); // arrives on descriptor 0
    void close_writer();                  // end of input from now on

  private:
    int saved_stdin_;
    int writer_;
};

// Puts the slave side of a fresh pseudo-terminal on descriptor 0 for the
// object's life; bytes written to the master arrive there as typed keys.
class StdinPty {
  public:
    StdinPty();
    ~StdinPty();
    StdinPty(const StdinPty&) = delete;
    StdinPty& operator=(const StdinPty&) = delete;

    void type(const std::string& bytes);
    int master() const { return master_; }

  private:
    int saved_stdin_;
    int master_;
    int slave_;
};

// Milliseconds on a monotonic clock.
double now_ms();

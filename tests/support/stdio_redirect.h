// Test helpers that put standard input and output of this very process on
// pipes, so the engine's real reads and writes of descriptors 0 and 1 can be
// fed and checked.
#pragma once

#include <functional>
#include <string>
#include <termios.h>

// Runs body with standard output captured (OutputCapture) and returns every
// byte body wrote through stdio.
std::string capture_stdout(const std::function<void()>& body);
// What body writes so on a terminal of the given width, with the current
// line already holding column plain letters.
std::string written(int width, int column, const std::function<void()>& body);

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

// The slave side of a fresh pseudo-terminal on one of this process's
// descriptors for the object's life; the descriptor's own file comes back
// afterwards. Standard output is flushed before each switch, so that no
// buffered byte lands on the wrong file.
class PtyOnDescriptor {
  public:
    PtyOnDescriptor(const PtyOnDescriptor&) = delete;
    PtyOnDescriptor& operator=(const PtyOnDescriptor&) = delete;

    int master() const { return master_; }
    // The terminal's settings as the process's side of it sees them;
    // zero-filled when they cannot be read.
    termios settings() const;

  protected:
    explicit PtyOnDescriptor(int descriptor);
    ~PtyOnDescriptor();
    int slave() const { return slave_; }

  private:
    int descriptor_;
    int saved_;
    int master_;
    int slave_;
};

// The pseudo-terminal on descriptor 0: bytes written to the master arrive
// there as typed keys.
class StdinPty : public PtyOnDescriptor {
  public:
    StdinPty();
    void type(const std::string& bytes);
};

// The pseudo-terminal on descriptor 1, so that the process has a terminal
// it writes to but does not read from. Nobody reads the master, so what is
// written there must stay within the few kilobytes that the
// pseudo-terminal holds; that includes the test framework's own reports,
// so tests check their results after the object has gone.
class StdoutPty : public PtyOnDescriptor {
  public:
    StdoutPty() : PtyOnDescriptor(1) {}
    // As a terminal emulator sets it: no signal reaches this process, since
    // the terminal is not its controlling terminal. False when refused.
    bool resize(int columns, int rows);
};

double now_ms();

// Looks until condition holds, for at most timeout_ms, calling between (a
// sleep of 5 ms unless given) after each look; whether it holds.
bool eventually(const std::function<bool()>& condition, int timeout_ms = 5000,
                const std::function<void()>& between = {});

// Appends what descriptor fd gives to text until done(text) holds, the
// input ends, or timeout_ms pass; returns done(text).
bool read_fd_until(int fd, std::string& text, const std::function<bool(const std::string&)>& done,
                   int timeout_ms);

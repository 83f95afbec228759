// Runs a command in a real xterm on a private X server, types into it as a
// player would, and reads back what xterm itself shows: xterm prints its
// screen, with each cell's colours, to a file. The X server, xterm and
// everything started inside xterm end with the object, even if a test fails.
#pragma once

#include "support/screen.h"

#include <functional>
#include <string>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>
#include <vector>

// The first of Xvfb, xterm and xdotool that is not on the PATH; empty when
// all are there.
std::string xterm_missing_tool();

struct XtermOptions {
    int columns = 80;
    int rows = 24;
    // Keep the window open after the command has ended.
    bool hold = false;
    // Added to the environment of the command, as NAME=value.
    std::vector<std::string> environment;
};

class XtermSession {
  public:
    explicit XtermSession(const std::vector<std::string>& command,
                          const XtermOptions& options = {});
    ~XtermSession();
    XtermSession(const XtermSession&) = delete;
    XtermSession& operator=(const XtermSession&) = delete;

    // True once the X server runs and xterm's window has been found.
    bool started() const { return window_ != 0; }
    // Presses keys, named as xdotool names them ("F1", "ctrl+Up", "Return").
    void key(const std::string& names);
    // Types text, one key per character.
    void type(const std::string& text);
    // Resizes the window to this many character cells.
    void resize(int columns, int rows);
    // Has xterm print its screen and reads the printout.
    Screen print();
    // Prints the screen until condition holds of it, for at most timeout_ms;
    // returns whether it did, with the last screen in *last.
    bool wait_for(const std::function<bool(const Screen&)>& condition, Screen* last,
                  int timeout_ms = 5000);
    // False once xterm has exited (without hold: once its command ended).
    bool running();
    // The process running this program inside xterm; -1 if none.
    pid_t find_process(const std::string& program) const;

  private:
    bool start_server();
    void start_xterm(const std::vector<std::string>& command, const XtermOptions& options);
    int xdotool_until_done(const std::vector<std::string>& arguments);
    int xdotool(const std::vector<std::string>& arguments, std::string* out = nullptr,
                int timeout_ms = 5000);
    void end_xterm();
    std::string directory_;
    std::string printout_;
    std::string display_;
    std::string title_;
    int rows_ = 0;
    pid_t server_ = -1;
    pid_t xterm_ = -1;
    unsigned long window_ = 0;
};

// The settings and size of the terminal on a process's standard input;
// false if it cannot be read.
bool process_terminal(pid_t pid, termios* mode, winsize* size);

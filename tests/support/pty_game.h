// Drives the real game binary through a pseudo-terminal, as a player would.
// The process is always ended when the object goes, even if a test fails.
#pragma once

#include <string>
#include <sys/types.h>
#include <termios.h>

class PtyGame {
  public:
    // Starts the game on a fresh pseudo-terminal of the given size; as_job
    // runs it under a minimal job-control shell, so that it can be suspended.
    explicit PtyGame(int columns = 80, int rows = 24, const char* binary = VAKNA_BINARY,
                     bool as_job = false);
    ~PtyGame();
    PtyGame(const PtyGame&) = delete;
    PtyGame& operator=(const PtyGame&) = delete;

    void send(const std::string& keys);
    // Waits until the listing that follows the last key press shows the
    // option with this label, then presses its key; returns the key pressed
    // (0, and a test failure, if the option never showed).
    int choose(const std::string& label, int timeout_ms = 5000);
    // Reads output until what arrived since the last call contains needle,
    // and returns it up to and including needle. Fails the test after
    // timeout_ms.
    std::string read_until(const std::string& needle, int timeout_ms = 5000);
    // Reads whatever arrives within quiet_ms of silence.
    std::string read_for(int quiet_ms);
    // Everything the game has written so far.
    const std::string& transcript() const { return all_; }

    void resize(int columns, int rows);
    void signal(int signal_number);
    // Waits for the game to end; returns its wait status, or -1 on timeout.
    int wait_exit(int timeout_ms = 5000);
    // Settings of the terminal as the game's side of it sees them now.
    termios settings() const;
    // Settings of the terminal before the game started.
    const termios& initial_settings() const { return initial_; }
    pid_t pid() const { return pid_; }
    // The terminal's foreground process group: the game's, when run as a job.
    pid_t foreground() const;
    int master() const { return master_; }

  private:
    bool read_some(int timeout_ms);
    pid_t pid_ = -1;
    int master_ = -1;
    int slave_ = -1;
    std::string pending_; // read since the last read_until
    std::string all_;
    size_t sent_at_ = 0; // length of the transcript when the last key went
    termios initial_{};
};

// Byte-for-byte equality of two terminal settings records.
bool same_settings(const termios& a, const termios& b);

// The bytes of a key as a terminal sends them.
namespace keys {
inline const std::string UP = "\x1b[A";
inline const std::string DOWN = "\x1b[B";
inline const std::string RIGHT = "\x1b[C";
inline const std::string LEFT = "\x1b[D";
inline const std::string ENTER = "\n";
inline const std::string ESC = "\x1b";
} // namespace keys

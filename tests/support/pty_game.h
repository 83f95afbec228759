// Drives the real game binary through a pseudo-terminal, as a player would.
// The process is always ended when the object goes, even if a test fails.
#pragma once

#include "support/child.h"
#include "support/roads.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <termios.h>
#include <vector>

class PtyGame {
  public:
    // Starts the game on a fresh pseudo-terminal of the given size; as_job
    // runs it under a minimal job-control shell, so that it can be suspended.
    explicit PtyGame(int columns = 80, int rows = 24, const char* binary = VAKNA_BINARY,
                     bool as_job = false);
    // Starts a command line (the program first) on a fresh pseudo-terminal,
    // e.g. the game under a memory checker.
    explicit PtyGame(const std::vector<std::string>& command, int columns = 80, int rows = 24);
    ~PtyGame();
    PtyGame(const PtyGame&) = delete;
    PtyGame& operator=(const PtyGame&) = delete;

    void send(const std::string& keys);
    // Waits until the listing that follows the last key press shows the
    // option with this label, then presses its key (types its number and
    // Enter in the plain mode); returns the key pressed (0, and a test
    // failure, if the option never showed).
    int choose(const std::string& label, int timeout_ms = 5000);
    // Reads output until what arrived since the last call contains needle,
    // and returns it up to and including needle. Fails the test after
    // timeout_ms.
    std::string read_until(const std::string& needle, int timeout_ms = 5000);
    // Reads whatever arrives within quiet_ms of silence; 0 takes what has
    // come.
    std::string read_for(int quiet_ms);
    // Waits as settle() does and returns what came since the last read: the
    // check that a key drew nothing more, once settle() has seen the first
    // wait for a key.
    std::string read_settled(int timeout_ms = 5000);
    const std::string& transcript() const { return all_; }

    // Waits until the game has read every byte sent, waits for the next key
    // without a time limit, and everything it wrote has been read here. The
    // first call must come before the first key. False after timeout_ms (a
    // hang) and at once when the game has ended.
    bool settle(int timeout_ms = 5000);
    // Bytes of keys the game has read so far; -1 until settle() has seen
    // its first wait for a key.
    long long keys_read() const;
    // Drops the transcript, for long runs; choose() sees only later output.
    void forget();

    void resize(int columns, int rows);
    void signal(int signal_number);
    // The wait status, or -1 on timeout.
    int wait_exit(int timeout_ms = 5000);
    // The terminal's settings as the game's side sees them now, and before
    // the game started.
    termios settings() const;
    const termios& initial_settings() const { return child_->initial; }
    pid_t pid() const { return child_->pid; }
    // Bytes typed on the terminal that nobody has read yet.
    int waiting_input() const;
    // The terminal's foreground process group: the game's, when run as a job.
    pid_t foreground() const;
    int master() const { return child_->out_fd; }
    // The game's side of the terminal, kept open here.
    int slave() const { return child_->slave_fd; }

  private:
    void start(const std::vector<std::string>& command, int columns, int rows, bool as_job);
    bool read_some(int timeout_ms);
    std::unique_ptr<Child> child_;
    std::string all_;      // the transcript, the one copy of the output
    size_t unread_at_ = 0; // where what the reads have not yet returned begins
    size_t sent_at_ = 0;   // length of the transcript when the last key went
};

// The orderly end of a game: exit status 0, and the terminal's settings as
// they were before it started.
void expect_clean_end(PtyGame& game);
void expect_quit(PtyGame& game);

// Puts this process's TERM and NO_COLOR as every test game expects them:
// an xterm, colours wanted. A test of either sets it again for its game.
void game_environment();

// What a shell command line writes to its standard output, to its end; the
// game's environment as game_environment() sets it. *status, when given,
// gets the wait status.
std::string output_of(const std::string& command, int* status = nullptr);

// The wait status of a game that a signal ended in order: ended by SIGINT
// or SIGTERM itself, so that a shell sees it; exit status 131 for SIGQUIT.
bool ended_by(int wait_status, int signal_number);
// A wait status of a game that ended in order: exit status 0, or ended by
// one of the interrupt signals as above.
bool ended_in_order(int wait_status);

bool has_ended(pid_t pid);

// What a process has read and written so far, from /proc.
struct ProcessIo {
    long long read = -1;
    long long written = -1;
    bool operator==(const ProcessIo&) const = default;
};
ProcessIo process_io(pid_t pid);

// What the game's keyboard mode makes of a terminal's settings: canonical
// input, echo and output flow control off.
termios game_mode(termios settings);

bool same_settings(const termios& a, const termios& b);

std::string repeated(const std::string& bytes, size_t times);
// The bytes the chooser writes for one option's line, highlighted or not.
std::string option_line(size_t index, const std::string& label, bool lit = false);
// A whole list from the cursor at its first line, one option highlighted,
// and the cursor's rest on that option's label while the game waits.
std::string listing(const Labels& menu, size_t lit = 0);
// What an orderly end writes at a list of this many one-line options with
// the cursor resting on the first: a return, the list blanked, the cursor back on its first
// line, then the terminal's own attributes and the rest of the screen
// erased in them, and bracketed paste off.
std::string end_of_list(size_t options);
// The line that ends the first listing of this menu, and the cursor's rest
// on the first option.
std::string last_option_line(const Labels& menu);
// An option's label as the chooser lays it out on a terminal this wide: at
// most 5 columns fewer a line, broken at the last space that fits, a word
// longer than a line cut.
Labels label_lines(const std::string& label, int columns);
// An option's lines as the chooser lays them out on a terminal this wide,
// its number before the first and the others indented under it; wider than
// five columns, where no line of a label reaches the last cell.
std::string option_lines(size_t index, const std::string& label, int columns, bool lit = false);
std::string listing_at(const Labels& menu, int columns, size_t lit = 0);
// Everything a fresh game on a terminal of this size writes along a road,
// once it waits for the next key: the layout that any drawing of the same
// turns at that size must repeat.
std::string drawn_along(const Labels& road, int columns, int rows = 30);
// The texts of the turns in such a transcript, oldest first, each as it
// was written, without the empty line below it.
Labels turns_in(const std::string& transcript);
// The first screen a fresh game of this size draws: the screen cleared,
// the bed's turn and its list.
std::string first_screen(int columns, int rows = 30);
// How the listing of this menu on a terminal this wide ends, whatever is
// highlighted: the last line of its last option, from its label on.
std::string listing_end(const Labels& menu, int columns);

// The bytes of a key as a terminal sends them.
namespace keys {
inline const std::string DOWN = "\x1b[B";
inline const std::string ENTER = "\n";
} // namespace keys

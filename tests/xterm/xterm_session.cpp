#include "xterm/xterm_session.h"

#include "support/child.h"
#include "support/pty_game.h"
#include "support/screen.h"
#include "support/stdio_redirect.h"
#include "support/text_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// ---- The printed screen -------------------------------------------------

namespace {

// xterm starts each printed line with the line's size (ESC "#5" for a
// single-width line), ends it with CR LF and writes each cell's whole
// rendition before it: a terminal wide enough shows the printout as it is.
Screen screen_parse(std::string printed) {
    for (size_t at; (at = printed.find("\x1b#5")) != std::string::npos;)
        printed.erase(at, 3);
    Screen screen =
        screen_play(printed, 10000, static_cast<int>(std::ranges::count(printed, '\n')) + 1);
    screen.rows.pop_back(); // where the last line feed left the cursor
    return screen;
}

} // namespace

// ---- Processes ----------------------------------------------------------

namespace {

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// This process's environment with the given NAME=value entries put in.
std::vector<std::string> environment_with(const std::vector<std::string>& entries) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; entry++) {
        std::string name = std::string(*entry).substr(0, std::strcspn(*entry, "="));
        bool replaced = std::any_of(entries.begin(), entries.end(), [&](const std::string& e) {
            return e.compare(0, name.size() + 1, name + "=") == 0;
        });
        // xterm sets TERM for the game itself; colours are wanted.
        if (!replaced && name != "NO_COLOR")
            result.push_back(*entry);
    }
    result.insert(result.end(), entries.begin(), entries.end());
    return result;
}

std::vector<char*> pointers(const std::vector<std::string>& words) {
    std::vector<char*> list;
    for (const std::string& word : words)
        list.push_back(const_cast<char*>(word.c_str()));
    list.push_back(nullptr);
    return list;
}

// Starts a program with its output on out (or nowhere) and, if given, the
// descriptor extra as its descriptor 3. It dies with this process, so a
// test killed on a time limit leaves no X server behind.
pid_t spawn(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            int out = -1, int extra = -1) {
    std::vector<char*> argv = pointers(command);
    std::vector<char*> envp = pointers(environment);
    int nowhere = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(nowhere, STDIN_FILENO);
        dup2(out >= 0 ? out : nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        if (extra >= 0)
            dup2(extra, 3);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(nowhere);
    return pid;
}

void end_child(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (proc_wait(pid, 2000) == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::vector<pid_t> descendants(pid_t root) {
    std::map<pid_t, std::vector<pid_t>> children;
    if (DIR* proc = opendir("/proc")) {
        while (dirent* entry = readdir(proc)) {
            pid_t pid = std::atoi(entry->d_name);
            if (pid > 0)
                children[proc_parent(pid)].push_back(pid);
        }
        closedir(proc);
    }
    std::vector<pid_t> found = children[root];
    for (size_t i = 0; i < found.size(); i++)
        for (pid_t child : children[found[i]])
            found.push_back(child);
    return found;
}

} // namespace

std::string xterm_missing_tool() {
    for (const char* tool : {"Xvfb", "xterm", "xdotool"})
        if (!on_path(tool))
            return tool;
    return "";
}

bool process_terminal(pid_t pid, termios* mode, winsize* size) {
    std::string path = "/proc/" + std::to_string(pid) + "/fd/0";
    int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool read = tcgetattr(fd, mode) == 0 && ioctl(fd, TIOCGWINSZ, size) == 0;
    close(fd);
    return read;
}

// ---- The session --------------------------------------------------------

XtermSession::XtermSession(const std::vector<std::string>& command, const XtermOptions& options)
    : rows_(options.rows) {
    char folder[] = "/tmp/vakna-xterm-XXXXXX";
    if (!mkdtemp(folder)) {
        ADD_FAILURE() << "no temporary folder";
        return;
    }
    directory_ = folder;
    printout_ = directory_ + "/screen";
    static int sessions = 0;
    title_ = "vakna-xterm-" + std::to_string(getpid()) + "-" + std::to_string(++sessions);
    if (start_server())
        start_xterm(command, options);
}

XtermSession::~XtermSession() {
    end_xterm();
    end_child(server_);
    if (!directory_.empty()) {
        unlink(printout_.c_str());
        rmdir(directory_.c_str());
    }
}

// The server picks a free display itself and writes its number to the
// descriptor given, once it accepts clients.
bool XtermSession::start_server() {
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0)
        return false;
    server_ = spawn({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"},
                    environment_with({}), -1, pipe_ends[1]);
    close(pipe_ends[1]);
    std::string number;
    read_fd_until(
        pipe_ends[0], number,
        [](const std::string& s) { return s.find('\n') != std::string::npos; }, 10000);
    close(pipe_ends[0]);
    if (number.find('\n') == std::string::npos) {
        ADD_FAILURE() << "Xvfb did not start";
        return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

void XtermSession::start_xterm(const std::vector<std::string>& command,
                               const XtermOptions& options) {
    std::vector<std::string> argv = {
        "xterm",
        "-u8",
        "-geometry",
        std::to_string(options.columns) + "x" + std::to_string(options.rows),
        "-title",
        title_,
        // print() writes the screen to the file, each cell's colours as SGR.
        "-xrm",
        "XTerm*printerCommand: cat > " + printout_,
        "-xrm",
        "XTerm*printAttributes: 2",
        "-xrm",
        "XTerm*VT100.translations: #override Ctrl Shift <Key>P: print()",
        // Alt then sends ESC before the key, as most terminals do.
        "-xrm",
        "XTerm*metaSendsEscape: true",
    };
    if (options.hold)
        argv.push_back("-hold");
    argv.push_back("-e");
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<std::string> environment = options.environment;
    environment.push_back("DISPLAY=" + display_);
    environment.push_back("LC_ALL=C.UTF-8");
    xterm_ = spawn(argv, environment_with(environment));
    std::string found;
    // Only a window that is on the screen can take the focus.
    if (xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title_ + "$"}, &found,
                10000) != 0 ||
        (window_ = std::strtoul(found.c_str(), nullptr, 10)) == 0)
        ADD_FAILURE() << "xterm's window did not show";
}

// xterm answers only keys that reach it through the focus: it ignores the
// synthetic events sent straight to a window.
void XtermSession::key(const std::string& names) {
    std::vector<std::string> arguments = {"windowfocus", std::to_string(window_), "key"};
    std::istringstream in(names);
    for (std::string name; in >> name;)
        arguments.push_back(name);
    EXPECT_EQ(xdotool_until_done(arguments), 0) << "xdotool key " << names;
}

void XtermSession::type(const std::string& text) {
    EXPECT_EQ(
        xdotool_until_done({"windowfocus", std::to_string(window_), "type", "--delay", "5", text}),
        0)
        << "xdotool type " << text;
}

// Taking the focus can fail while the server is busy mapping or resizing
// the window (a loaded machine makes that window wide); a refused focus sent
// no key, so the call is tried again.
int XtermSession::xdotool_until_done(const std::vector<std::string>& arguments) {
    int status = -1;
    for (int tries = 0; tries < 20 && status != 0; ++tries) {
        if (tries > 0)
            usleep(50000);
        status = xdotool(arguments);
    }
    return status;
}

void XtermSession::resize(int columns, int rows) {
    EXPECT_EQ(xdotool({"windowsize", "--usehints", std::to_string(window_), std::to_string(columns),
                       std::to_string(rows)}),
              0);
    rows_ = rows;
}

// The printout is complete when it holds every row of the screen.
Screen XtermSession::print() {
    unlink(printout_.c_str());
    if (!running()) {
        ADD_FAILURE() << "xterm has ended";
        return {};
    }
    key("ctrl+shift+p");
    double deadline = now_ms() + 5000;
    while (std::ranges::count(read_file(printout_), '\n') < rows_) {
        if (now_ms() >= deadline || !running()) {
            ADD_FAILURE() << "xterm printed no whole screen";
            break;
        }
        usleep(2000);
    }
    return screen_parse(read_file(printout_));
}

bool XtermSession::wait_for(const std::function<bool(const Screen&)>& condition, Screen* last,
                            int timeout_ms) {
    double deadline = now_ms() + timeout_ms;
    for (;;) {
        *last = running() ? print() : Screen{};
        if (condition(*last))
            return true;
        if (now_ms() >= deadline || !running())
            return false;
        usleep(20000);
    }
}

bool XtermSession::running() {
    if (xterm_ > 0 && waitpid(xterm_, nullptr, WNOHANG) == xterm_)
        xterm_ = -1;
    return xterm_ > 0;
}

pid_t XtermSession::find_process(const std::string& program) const {
    std::error_code error;
    std::filesystem::path wanted = std::filesystem::weakly_canonical(program, error);
    for (pid_t pid : descendants(xterm_))
        if (std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) == wanted)
            return pid;
    return -1;
}

// What runs inside xterm would only get a hangup when xterm goes, and a
// stopped job would not even see that: each is killed.
void XtermSession::end_xterm() {
    if (xterm_ <= 0)
        return;
    std::vector<pid_t> inside = descendants(xterm_);
    end_child(xterm_);
    xterm_ = -1;
    for (pid_t pid : inside)
        kill(pid, SIGKILL);
}

int XtermSession::xdotool(const std::vector<std::string>& arguments, std::string* out,
                          int timeout_ms) {
    std::vector<std::string> command = {"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    int pipe_ends[2] = {-1, -1};
    if (out && pipe2(pipe_ends, O_CLOEXEC) != 0)
        return -1;
    pid_t pid = spawn(command, environment_with({"DISPLAY=" + display_}), pipe_ends[1]);
    double deadline = now_ms() + timeout_ms;
    if (out) {
        close(pipe_ends[1]);
        read_fd_until(
            pipe_ends[0], *out, [](const std::string&) { return false; }, timeout_ms);
        close(pipe_ends[0]);
    }
    int status = proc_wait(pid, std::max(0, static_cast<int>(deadline - now_ms())));
    if (status == -1)
        end_child(pid);
    return status;
}

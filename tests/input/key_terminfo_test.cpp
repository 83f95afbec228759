// Every key sequence that the terminal database lists for common terminals,
// through the decoder: none may read as a key that ends the game, or a
// press of F1, Home, Ctrl+Up or an Alt form (ESC before a plain key or
// before another ESC) in some terminal would quit it.
//
// Needs infocmp and the entries (Debian: ncurses-bin, ncurses-base and
// ncurses-term).
#include "input/key_test_support.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <sys/wait.h>

namespace {

// clang-format off
const char* const TERMINALS[] = {
    "xterm", "xterm-256color", "xterm-new", "xterm-xfree86", "rxvt", "rxvt-256color",
    "rxvt-unicode", "rxvt-unicode-256color", "mrxvt", "aterm", "screen", "screen-256color", "tmux",
    "tmux-256color", "linux", "vt100", "vt102", "vt220", "vt320", "konsole", "konsole-256color",
    "gnome", "gnome-256color", "vte", "vte-256color", "putty", "putty-256color", "st",
    "st-256color", "alacritty", "kitty", "foot+base", "Eterm", "Eterm-color", "mlterm",
    "terminology", "iTerm2.app", "nsterm", "Apple_Terminal", "xfce", "cygwin",
};
// clang-format on

// The output of a command, or nothing when it failed.
bool command_output(const std::string& command, std::string& output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool is_octal(char c) {
    return c >= '0' && c <= '7';
}

// The bytes of a string capability as the database writes it: \E for ESC,
// ^X for a control byte, backslash escapes and octal numbers.
std::string unescape(const std::string& text) {
    static const std::map<char, char> ESCAPES = {
        {'E', 27}, {'e', 27},  {'n', '\n'}, {'l', '\n'},  {'r', '\r'}, {'t', '\t'}, {'b', '\b'},
        {'f', 12}, {'s', ' '}, {'^', '^'},  {'\\', '\\'}, {',', ','},  {':', ':'}};
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size()) {
            char c = text[++i];
            bytes += c == '?' ? '\x7f' : static_cast<char>(c & 0x1f);
        } else if (text[i] == '\\' && i + 3 < text.size() && is_octal(text[i + 1]) &&
                   is_octal(text[i + 2]) && is_octal(text[i + 3])) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else if (text[i] == '\\' && i + 1 < text.size() && ESCAPES.count(text[i + 1])) {
            bytes += ESCAPES.at(text[++i]);
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

struct KeyEntry {
    std::string terminal;
    std::string capability;
    std::string bytes;
};

// kmous is the start of a mouse report, which the game never asks for; in
// the SGR form, \E[<, the terminal sends the button and the cell after it.
std::string report_rest(const std::string& capability, const std::string& value) {
    return capability == "kmous" && value == "\\E[<" ? "0;10;20M" : "";
}

// The key capabilities of one terminal whose value begins with an escape.
bool escape_keys_of(const std::string& terminal, std::vector<KeyEntry>& keys) {
    std::string listing;
    if (!command_output("infocmp -1 -x '" + terminal + "' 2>/dev/null", listing))
        return false;
    size_t start = 0;
    for (size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = listing.substr(start, end - start);
        size_t equals = line.find('=');
        if (line.rfind("\tk", 0) != 0 || equals == std::string::npos || line.back() != ',')
            continue;
        std::string value = line.substr(equals + 1, line.size() - equals - 2);
        std::string name = line.substr(1, equals - 1);
        if (value.rfind("\\E", 0) == 0)
            keys.push_back({terminal, name, unescape(value) + report_rest(name, value)});
    }
    return true;
}

bool ends_the_game(int code) {
    return code == KEY_ESCAPE || code == KEY_INTERRUPT || code == 'q' || code == 'Q';
}

std::string printable(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
        out += c == 27 ? std::string("ESC ") : std::string(1, c);
    return out;
}

TEST(KeyTerminfo, NoKeyOfACommonTerminalEndsTheGame) {
    std::string version;
    if (!command_output("infocmp -V 2>&1", version))
        GTEST_SKIP() << "infocmp is missing (Debian: ncurses-bin)";
    std::vector<KeyEntry> keys;
    std::vector<std::string> missing;
    for (const char* terminal : TERMINALS) {
        size_t before = keys.size();
        if (!escape_keys_of(terminal, keys))
            missing.push_back(terminal);
        else
            EXPECT_GT(keys.size(), before) << "no escape key read for " << terminal;
    }
    if (keys.empty())
        GTEST_SKIP() << "no terminfo entries found (Debian: ncurses-base, ncurses-term)";
    for (const std::string& terminal : missing)
        std::printf("no terminfo entry for %s\n", terminal.c_str());

    std::map<std::string, std::vector<int>> decoded;
    int quitting = 0;
    for (const KeyEntry& key : keys) {
        if (!decoded.count(key.bytes))
            decoded[key.bytes] = decode_all(key.bytes);
        const std::vector<int>& codes = decoded[key.bytes];
        bool quits = std::any_of(codes.begin(), codes.end(), ends_the_game);
        quitting += quits;
        EXPECT_FALSE(quits) << key.terminal << " " << key.capability << " = "
                            << printable(key.bytes) << " ends the game";
    }
    std::printf("%zu terminals, %zu key sequences (%zu distinct), %d end the game\n",
                std::size(TERMINALS) - missing.size(), keys.size(), decoded.size(), quitting);
}

} // namespace

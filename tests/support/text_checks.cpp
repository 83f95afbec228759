#include "support/text_checks.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr size_t CONTEXT_LINES = 3;
// At most this many lines of each side from the first that differs, up to
// where the two agree again.
constexpr size_t DIFFERING_LINES = 4;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

void show_lines(std::string& message, const std::vector<std::string>& lines, size_t from, size_t to,
                const char* mark) {
    for (size_t i = from; i < std::min(to, lines.size()); i++)
        message += std::string(mark) + std::to_string(i + 1) + "|" + escaped(lines[i]) + "\n";
}

} // namespace

std::string read_file(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

testing::AssertionResult same_text(const char* expected_expression, const char* actual_expression,
                                   const std::string& expected, const std::string& actual) {
    if (expected == actual)
        return testing::AssertionSuccess();
    std::vector<std::string> want = lines_of(expected), got = lines_of(actual);
    auto agree = [&](size_t i) { return i < want.size() && i < got.size() && want[i] == got[i]; };
    size_t first = 0;
    while (agree(first))
        first++;
    size_t agreeing = first;
    while (agreeing - first < DIFFERING_LINES && agreeing < std::max(want.size(), got.size()) &&
           !agree(agreeing))
        agreeing++;
    std::string message = std::string(actual_expression) + " differs from " + expected_expression +
                          " from line " + std::to_string(first + 1) + " on (of " +
                          std::to_string(want.size()) + " expected, " + std::to_string(got.size()) +
                          " found):\n";
    show_lines(message, want, first - std::min(first, CONTEXT_LINES), first, "  ");
    show_lines(message, want, first, agreeing, "- ");
    show_lines(message, got, first, agreeing, "+ ");
    if (agree(agreeing))
        show_lines(message, got, agreeing, agreeing + CONTEXT_LINES, "  ");
    return testing::AssertionFailure() << message;
}

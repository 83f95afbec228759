// Plays every situation of the story and prints what it found.
// Usage: story_explorer [--dot FILE]   (--dot also writes the story map)
#include "explore/story_figures.h"
#include "explore/story_map.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool write_file(const char* path, const std::string& text) {
    FILE* file = std::fopen(path, "w");
    if (!file)
        return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    const char* dot_path = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--dot") == 0) {
        dot_path = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: story_explorer [--dot FILE]\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    StoryMap map;
    Exploration exploration =
        story_explore([&map](const Exploration& e, const Transition& t, const Trace& trace) {
            map_note(map, e, t, trace);
        });
    std::fputs(figures_text(story_figures(exploration)).c_str(), stdout);
    std::printf("seconds: %.2f\n", seconds_since(start));
    if (dot_path && !write_file(dot_path, map_dot(map))) {
        std::perror(dot_path);
        return 1;
    }
    return 0;
}

// Plays every situation of the story and prints what it found.
// Usage: story_explorer [--dot FILE] [--script FILE] [--figures FILE]
// (--dot also writes the story map, --script the story's script, --figures
// what it printed but the time)
#include "explore/story_figures.h"
#include "explore/story_map.h"
#include "explore/story_script.h"

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

// Writes text to path, or says why it could not.
bool write_or_tell(const char* path, const std::string& text) {
    if (!path || write_file(path, text))
        return true;
    std::perror(path);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const char* dot_path = nullptr;
    const char* script_path = nullptr;
    const char* figures_path = nullptr;
    for (int i = 1; i < argc; i += 2) {
        const char** path = std::strcmp(argv[i], "--dot") == 0       ? &dot_path
                            : std::strcmp(argv[i], "--script") == 0  ? &script_path
                            : std::strcmp(argv[i], "--figures") == 0 ? &figures_path
                                                                     : nullptr;
        if (!path || i + 1 == argc) {
            std::fprintf(stderr,
                         "usage: story_explorer [--dot FILE] [--script FILE] [--figures FILE]\n");
            return 2;
        }
        *path = argv[i + 1];
    }
    auto start = std::chrono::steady_clock::now();
    StoryMap map;
    StoryScript script;
    Exploration exploration = story_explore(
        [&map, &script](const Exploration& e, const Transition& t, const Trace& trace) {
            map_note(map, e, t, trace);
            script_note(script, trace);
        });
    std::string figures = figures_text(story_figures(exploration));
    std::fputs(figures.c_str(), stdout);
    std::printf("seconds: %.2f\n", seconds_since(start));
    bool written = write_or_tell(dot_path, map_dot(map));
    written = write_or_tell(figures_path, figures) && written;
    written = write_or_tell(script_path, script_text(script)) && written;
    return written ? 0 : 1;
}

#include "scripted_player.h"

#include "explore/story_driver.h"
#include "term/ansi.h"
#include "term/paragraph.h"

#include <gtest/gtest.h>

namespace {

const Labels* script;
size_t next_choice;
std::vector<Labels>* menus_seen;

// Like the real chooser, leaves the cursor at the start of a line.
void write_menu_line(const Labels& menu, const std::string& choice) {
    term_put_text(menu_line(menu, choice).c_str());
    paragraph_at_column(0);
}

StateId scripted_choice() {
    Listing listing = driver_list();
    Labels labels(listing.labels.begin(), listing.labels.end());
    menus_seen->push_back(labels);
    if (next_choice == script->size()) {
        write_menu_line(labels, "(quit)");
        return STATE_QUIT;
    }
    const std::string& wanted = (*script)[next_choice++];
    for (size_t i = 0; i < labels.size(); i++) {
        if (labels[i] == wanted) {
            write_menu_line(labels, wanted);
            return driver_select(listing, i);
        }
    }
    ADD_FAILURE() << "no option \"" << wanted << "\" in " << menu_line(labels, "");
    write_menu_line(labels, "(missing) " + wanted);
    return STATE_QUIT;
}

std::string without_erase_sequences(std::string text) {
    const std::string erase = "\x1b[K";
    for (size_t at; (at = text.find(erase)) != std::string::npos;)
        text.erase(at, erase.size());
    return text;
}

} // namespace

Playthrough play(StateId start, const Labels& choices) {
    Playthrough result{};
    script = &choices;
    next_choice = 0;
    menus_seen = &result.menus;
    {
        // One paragraph, one line, on a fresh screen line, the story as the
        // test left it.
        StoryFlags flags = story_flags;
        auto holes = holes_text;
        auto laps = laps_text;
        DriverSession session(scripted_choice);
        story_flags = flags;
        holes_text = holes;
        laps_text = laps;
        run_story(start);
        driver_flush();
        result.transcript = without_erase_sequences(driver_trace.text);
    }
    result.unused_choices = choices.size() - next_choice;
    return result;
}

std::string menu_line(const Labels& menu, const std::string& choice) {
    std::string line = "\n[";
    for (size_t i = 0; i < menu.size(); i++)
        line += (i ? " | " : "") + menu[i];
    return line + "] > " + choice + "\n";
}

std::string turn(const std::string& texts, const Labels& menu, const std::string& choice) {
    return texts + menu_line(menu, choice);
}

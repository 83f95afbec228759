#include "scripted_player.h"

#include "menu/menu_tree.h"
#include "story/story.h"
#include "support/stdio_redirect.h"
#include "term/paragraph.h"
#include "term/term_width.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Listing {
    Labels labels;
    std::vector<MenuNode*> nodes;
};

const Labels* script;
size_t next_choice;
std::vector<Labels>* menus_seen;

void note_option(void* listing, const char* label, MenuNode* node) {
    static_cast<Listing*>(listing)->labels.push_back(label);
    static_cast<Listing*>(listing)->nodes.push_back(node);
}

// Like the real chooser, leaves the cursor at the start of a line.
void write_menu_line(const Labels& menu, const std::string& choice) {
    std::fputs(menu_line(menu, choice).c_str(), stdout);
    out_column = 0;
}

StateId scripted_choice() {
    Listing listing;
    menu_list(&menu_tree, note_option, &listing);
    menus_seen->push_back(listing.labels);
    if (next_choice == script->size()) {
        write_menu_line(listing.labels, "(quit)");
        return STATE_QUIT;
    }
    const std::string& wanted = (*script)[next_choice++];
    for (size_t i = 0; i < listing.labels.size(); i++) {
        if (listing.labels[i] == wanted) {
            write_menu_line(listing.labels, wanted);
            return menu_select(&menu_tree, listing.nodes[i]);
        }
    }
    ADD_FAILURE() << "no option \"" << wanted << "\" in " << menu_line(listing.labels, "");
    write_menu_line(listing.labels, "(missing) " + wanted);
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
    story_chooser = scripted_choice;
    TERM_WIDTH = 100000; // one paragraph, one line
    out_column = 0;      // on a fresh screen line
    result.transcript = without_erase_sequences(capture_stdout([&] { run_story(start); }));
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

// The road to the finale as the end-to-end tests play it, for the
// benchmark's C code: the labels in order, then the option that declines a
// new game, so that the game ends; and the bed's menu, where it begins.
#include "support/roads.h"

#include <cstddef>

extern "C" {
#include "menu_screen.h"
}

extern "C" void road_bed_menu() {
    static std::vector<const char*> labels;
    labels.clear();
    for (const std::string& label : BED_MENU)
        labels.push_back(label.c_str());
    menu_screen_set(BED_TEXT.c_str(), labels.data(), static_cast<int>(labels.size()));
}

extern "C" std::size_t road_length() {
    return ROAD_TO_THE_FINALE.size() + 1;
}

extern "C" const char* road_label(std::size_t i) {
    return i < ROAD_TO_THE_FINALE.size() ? ROAD_TO_THE_FINALE[i].c_str()
                                         : DECLINE_TO_PLAY_AGAIN.c_str();
}

// A stand-in for the player that tools and tests put in the chooser's place:
// it lists the menu exactly as the chooser does, answers with whatever its
// owner decides, keeps the story's output in memory and notes every state
// the story performs.
#pragma once

#include "menu/menu_tree.h"
#include "story/catalogue.h"
#include "story/story.h"
#include "support/output_capture.h"

#include <array>
#include <string>
#include <vector>

// The options of the current menu, as the chooser would show them.
struct Listing {
    std::vector<const char*> labels;
    std::vector<MenuNode*> nodes;
};

// Lists menu_tree as the choosers do (menu_listing).
Listing driver_list();

// Chooses the option at index as the chooser does; returns the state the
// option yields.
StateId driver_select(const Listing& listing, size_t index);

// One state as the story began to perform it, with what it could read.
struct Moment {
    StateId state;
    bool scene_begins; // the display state of a scene just begun
    StoryFlags flags;
    int holes;
    int laps;
    size_t text_at; // where the state's output starts in Trace::text
};

// An action the story added to the menu: a new option, or one more action
// for an option already listed under the label.
struct Offer {
    size_t moment; // the state that added it, as an index into Trace::moments
    const char* label;
    StateId state;
};

// What the story did since the trace was last cleared.
struct Trace {
    std::vector<Moment> moments;
    std::vector<Offer> offers;
    std::string text; // the story's output, escape sequences included
};

using StateCounts = std::array<long, HIGHEST_STATE + 1>; // by state number

// Filled while a DriverSession is open. driver_scene is the display state
// of the scene begun last: the scene where the story waits at a menu.
extern Trace driver_trace;
extern StateCounts driver_performed;
extern StateId driver_scene;

// Brings driver_trace up to date: moves the story's pending output into its
// text and notes the actions added to the menu since the last moment.
void driver_flush();
void driver_trace_clear();

// For its lifetime: the story's choices come from choose, its output goes
// to driver_trace.text instead of the terminal, and every state performed
// is noted. The game's own settings come back when it ends.
class DriverSession {
  public:
    explicit DriverSession(ChooseFn choose);
    ~DriverSession();
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

  private:
    OutputCapture capture_; // into driver_trace.text
    StoryHooks saved_hooks_;
    int saved_width_;
};

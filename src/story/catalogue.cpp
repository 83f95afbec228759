// The game's script, scene by scene: each scene's display state (shown when
// its entry state begins the scene) followed by the states its options lead
// to. Every state is named in the table in catalogue.h, which also says
// which function performs it; options and jumps name the state they lead to.
#include "story/catalogue.h"

#include "menu/chooser.h"
#include "menu/menu_tree.h"
#include "menu/turn_store.h"
#include "story/story.h"

#include <initializer_list>

namespace {

#define STATE_CONSTANT(number, name, function) name = number,
enum StoryState : StateId { STORY_STATES(STATE_CONSTANT) };
#undef STATE_CONSTANT

static_assert(START == STATE_START && QUIT == STATE_QUIT, "the game starts and quits by the table");

constexpr Step choose() {
    return {Step::CHOOSE, 0};
}
constexpr Step go_to(StoryState next) {
    return {Step::GO_TO, next};
}
constexpr Step end_run() {
    return {Step::RETURN, 0};
}

// An option names the state it leads to: within the catalogue this hides the
// menu's add_option, so that a bare number does not compile.
MenuAction* add_option(StoryState state, const char* label) {
    return ::add_option(state, label);
}

// The script names the flags as the game's rules do.
bool& boat_built = story_flags.boat_built;
bool& rope_dropped = story_flags.rope_dropped;
bool& rope_pulled_up = story_flags.rope_pulled_up;
bool& at_floor_4 = story_flags.at_floor_4;
bool& at_floor_3 = story_flags.at_floor_3;
bool& at_floor_2 = story_flags.at_floor_2;
bool& at_floor_1 = story_flags.at_floor_1;
bool& has_handle = story_flags.has_handle;
bool& mussel_fitted = story_flags.mussel_fitted;
bool& has_key = story_flags.has_key;
bool& has_hammer = story_flags.has_hammer;
bool& has_mussel = story_flags.has_mussel;
bool& has_ice_drill = story_flags.has_ice_drill;
bool& drowned = story_flags.drowned;

// A reply the player may ask for again and again: the option stays listed.
Step repeatable_reply(const char* text) {
    keep_option();
    story_say(text);
    return choose();
}

// ---- New game (START and NEW_GAME) --------------------------------------

Step reset_game() {
    story_flags = StoryFlags{};
    at_floor_3 = true;
    laps_text = "0";
    return go_to(BED);
}

// ---- The bed (BED) ------------------------------------------------------

Step show_bed() {
    holes_text = "0";
    story_say("Plötsligt vaknar du och märker att du ligger i en säng.");
    add_option(GET_UP, "Kliva upp");
    add_option(FALL_ASLEEP, "Sova");
    return choose();
}

Step fall_asleep() {
    return repeatable_reply("Du somnar... När du vaknar märker du att du ligger i samma säng.");
}

// ---- The room with the window (ROOM) ------------------------------------

Step show_room() {
    story_say("Du står i ett litet rum med varken väggar eller tak men det finns");
    story_say("ett fönster.");
    add_option(LIE_DOWN, "Lägga dig");
    add_option(CLIMB_OUT, "Klättra ut genom fönstret (eftersom det inte finns någon dörr)");
    if (!has_ice_drill) {
        story_say("Det står en isborr lutad mot fönsterkarmen.");
        add_option(TAKE_ICE_DRILL, "Ta isborren");
    }
    add_option(EAT, "Äta");
    return choose();
}

Step get_up() {
    return go_to(ROOM);
}

Step lie_down() {
    story_say("Du går och lägger dig igen.");
    return go_to(BED);
}

Step climb_out() {
    return go_to(WINDOW);
}

Step take_ice_drill() {
    story_say("Du tar isborren och stoppar den i kragen.");
    has_ice_drill = true;
    return choose();
}

Step eat() {
    return repeatable_reply("Du tar en tugga av mackan (så liten du kan).");
}

// ---- At the window, over the frozen lake (WINDOW) -----------------------

Step show_window() {
    story_say("Du står lutad mot fönstret och tittar ut över den");
    story_say("frusna sjön och det fina sommarlandskapet.");
    add_option(WALK_ONE_LAP, "Gå ett varv runt sjön");
    add_option(WALK_TWO_LAPS, "Gå två varv runt sjön");
    add_option(WALK_THREE_LAPS, "Gå tre varv runt sjön");
    add_option(CLIMB_BACK_IN, "Gå in genom fönstret");
    if (has_ice_drill) {
        add_option(DRILL_TWO_HOLES, "Borra två hål");
        add_option(DRILL_THREE_HOLES, "Borra tre hål");
    }
    return choose();
}

// The walks: the lap options stay, and the count grows until a new game.
Step walk(const char* text, int laps) {
    keep_option();
    story_say(text);
    laps_text = counter_add(laps_text, laps_buffer, laps);
    run_story(LAPS_TOLD);
    return choose();
}

Step walk_one_lap() {
    return walk("Du går ett varv runt sjön.", 1);
}

Step walk_two_laps() {
    return walk("Du går två varv runt sjön.", 2);
}

Step walk_three_laps() {
    return walk("Du går tre varv runt sjön.", 3);
}

Step laps_told() {
    story_say("Du har nu gått");
    story_say(laps_text);
    story_say("varv runt sjön.");
    return end_run();
}

// The drillings: the options stay; eight holes or more break the ice.
Step drill(const char* text, int holes) {
    keep_option();
    story_say(text);
    holes_text = counter_add(holes_text, holes_buffer, holes);
    run_story(HOLES_COUNTED);
    if (drowned)
        return go_to(DEATH);
    return choose();
}

Step drill_two_holes() {
    return drill("Du borrar två hål (ett roligt, ett tråkigt).", 2);
}

Step drill_three_holes() {
    return drill("Du borrar tre hål (ett roligt, ett tråkigt och ett roligt).", 3);
}

Step holes_counted() {
    if (counter_value(holes_text) <= 7) {
        // Added again after every drilling: the same three options, each
        // with one more action.
        add_option(COUNT_HOLES, "Räkna hålen");
        add_option(FUN_HOLE, "Kliva ner i det roligaste hålet");
        add_option(BORING_HOLE, "Kliva ner i det tråkigaste hålet");
    } else {
        story_say("Isen brister och du sjunker till botten.");
        story_say("Du ligger där tills att du märker att du har drunknat.");
        drowned = true;
    }
    return end_run();
}

Step count_holes() {
    keep_option();
    story_say("Du räknar hålen: det är");
    story_say(holes_text);
    story_say("stycken.");
    return choose();
}

Step climb_back_in() {
    return go_to(ROOM);
}

Step fun_hole() {
    return go_to(DOWN_BELOW);
}

Step boring_hole() {
    story_say("Du blir helt uttråkad direkt.");
    return go_to(DEATH);
}

// ---- Down below, lift floor 3 (DOWN_BELOW) ------------------------------

Step show_down_below() {
    story_say("Här nere är det väldigt roligt, vad vill du göra?");
    add_option(TAKE_LIFT_FROM_BELOW, "Ta hissen");
    if (!has_mussel) {
        story_say("Det finns en mussla här.");
        add_option(TAKE_MUSSEL, "Ta musslan");
    }
    add_option(ENTER_SUBMARINE, "Gå in i undervattensbåten");
    add_option(GLAMMA, "Glamma till");
    return choose();
}

Step take_lift_from_below() {
    return go_to(LIFT);
}

Step take_mussel() {
    story_say("Du har nu musslan i bak-fickan.");
    has_mussel = true;
    return choose();
}

Step enter_submarine() {
    if (has_key)
        return go_to(FINALE);
    story_say("Dörren är mer låst än du anar.");
    return choose();
}

Step glamma() {
    return repeatable_reply("Du glammar till lite grann.");
}

// ---- Inside the lift (LIFT) ---------------------------------------------

Step show_lift() {
    story_say("Du står inne i hissen och ser fyra knappar märkta 1, 2, 3 och 4.");
    add_option(BUTTON_1, "Trycka på knapp 1");
    add_option(BUTTON_2, "Trycka på knapp 2");
    add_option(BUTTON_3, "Trycka på knapp 3");
    add_option(BUTTON_4, "Trycka på knapp 4");
    add_option(LEAVE_LIFT, "Kliva ur hissen");
    if (has_mussel && !mussel_fitted)
        add_option(FIT_MUSSEL, "Forma in musslan i fördjupningen");
    return choose();
}

// The buttons stay; they move the lift only once the mussel is fitted.
Step press_button(int floor, const char* arrival, const char* refusal) {
    keep_option();
    if (!mussel_fitted) {
        story_say(refusal);
        return choose();
    }
    story_say(arrival);
    at_floor_1 = floor == 1;
    at_floor_2 = floor == 2;
    at_floor_3 = floor == 3;
    at_floor_4 = floor == 4;
    return choose();
}

Step button_1() {
    return press_button(1, "Du är nu på våning 1.", "Hissen rör sig inte ur smulan.");
}

Step button_2() {
    return press_button(2, "Du är nu på våning 2.", "Hissen rör sig inte ur smultronet.");
}

Step button_3() {
    return press_button(3, "Du är nu på våning 3.", "Hissen rör sig inte ur smulan.");
}

Step button_4() {
    return press_button(4, "Du är nu på våning 4.", "Hissen rör sig inte ur semlan.");
}

Step leave_lift() {
    if (at_floor_1)
        return go_to(DOOR_ROOM);
    if (at_floor_2)
        return go_to(TINY_ROOM);
    if (at_floor_3)
        return go_to(DOWN_BELOW);
    if (at_floor_4)
        return go_to(ICE_GIANT);
    return choose();
}

Step fit_mussel() {
    story_say("Du formar försiktigt in musslan.");
    mussel_fitted = true;
    return choose();
}

// ---- The room with the door, lift floor 1 (DOOR_ROOM) -------------------

Step show_door_room() {
    story_say("Du kommer in i ett rum. Du ser en dörr.");
    add_option(HURRY_TO_LIFT, "Ta hissen");
    add_option(OPEN_DOOR, "Gå in genom dörren");
    if (rope_dropped)
        return choose();
    story_say("Ett rep hänger ner genom ett hål i taket.");
    if (!rope_pulled_up) {
        story_say("Andra ändan av repet går ner genom ett hål i golvet.");
        add_option(PULL_ROPE, "Dra i repet");
    } else if (!has_hammer) {
        story_say("I andra ändan hänger en hammare.");
        add_option(TAKE_HAMMER, "Ta hammaren");
    }
    return choose();
}

Step hurry_to_lift() {
    story_say("Du ilar för att hinna med hissen.");
    return go_to(LIFT);
}

Step open_door() {
    story_say("Plötsligt öppnar du dörren.");
    return go_to(BEHIND_DOOR);
}

Step pull_rope() {
    story_say("Du rycker till och repet åker ner genom hålet i golvet.");
    rope_dropped = true;
    return choose();
}

Step take_hammer() {
    if (has_handle)
        story_say("Du tar hammaren och sätter den på skaftet.");
    else
        story_say("Du fattar tag om hammaren.");
    has_hammer = true;
    return choose();
}

// ---- The tiny room, lift floor 2 (TINY_ROOM) ----------------------------

Step show_tiny_room() {
    story_say("Oj, oj, oj, vad här är litet.");
    if (!rope_dropped) {
        story_say("Du ser en rep-stump sticka upp ur golvet (eller är det taket).");
        add_option(PULL_ROPE_END, "Dra i rep-stjärten");
    } else {
        story_say("Det ligger ett rep ihoprullat någonstans, men du kan inte minnas var.");
        if (!has_hammer)
            story_say("Det sitter en hammare på repet.");
    }
    add_option(SQUEEZE_INTO_LIFT, "Tränga in i hissen");
    return choose();
}

Step pull_rope_end() {
    story_say("Du drar upp repet, det följer med en hammare.");
    rope_pulled_up = true;
    return choose();
}

Step squeeze_into_lift() {
    story_say("Du glider in i hissen.");
    return go_to(LIFT);
}

// ---- Behind the door: the eyes are lost (BEHIND_DOOR) -------------------

Step show_behind_door() {
    story_say("Du ser ingenting för du har tappat dina ögon.");
    add_option(TURN_BACK, "Återvända");
    add_option(PUT_EYES_BACK, "Ta upp ögonen och stoppa tillbaka dem");
    add_option(THINK, "Tänka efter");
    // One option with ten actions in turn: the ninth builds the boat.
    // "_T32" is the label exactly as the player sees it, not a placeholder.
    for (StoryState thought :
         {FIRST_THOUGHT, SECOND_THOUGHT, THIRD_THOUGHT, FOURTH_THOUGHT, FIFTH_THOUGHT,
          SIXTH_THOUGHT, SEVENTH_THOUGHT, EIGHTH_THOUGHT, BUILD_BOAT, THINK_NO_MORE})
        add_option(thought, "_T32");
    return choose();
}

Step turn_back() {
    story_say("Du går in i en nål och dör ögon-blickligen.");
    return go_to(DEATH);
}

Step put_eyes_back() {
    story_say("Du greppar tag om ögonen och placerar dem på det rätta stället.");
    story_say("Du ser nu mycket bättre.");
    return go_to(SEA_ROOM);
}

Step think_in_vain() { // "Tänka efter", and "_T32" the first to eighth time
    story_say("Du tänker efter men kommer inte på något.");
    return choose();
}

Step build_boat() {
    story_say("Du får en idé och bygger en stabil båt.");
    boat_built = true;
    return choose();
}

Step think_no_more() {
    return repeatable_reply("Du tänker efter men kan inte komma på någonting mer.");
}

// ---- The room that holds a sea (SEA_ROOM) -------------------------------

Step show_sea_room() {
    story_say("Du står i ett litet rum.");
    story_say("Det enda som finns här inne är ett hav.");
    add_option(DRAW_BACK, "Dra dig tillbaka");
    add_option(DRINK_SEA, "Dricka upp havet");
    // "_T34" is the label exactly as the player sees it, not a placeholder.
    add_option(DRINK_NO_MORE, "_T34");
    add_option(HIDE_SEA, "Gömma undan havet");
    if (boat_built)
        add_option(SAIL_ACROSS, "Segla över havet");
    return choose();
}

Step draw_back() {
    return go_to(DOOR_ROOM);
}

Step drink_sea() {
    story_say("Du kan bara dricka upp halva havet.");
    return choose();
}

Step drink_no_more() {
    return repeatable_reply("Du vill inte dricka mer.");
}

Step hide_sea() {
    return repeatable_reply("Du tittar dig omkring men kan inte se något bra gömställe.");
}

Step sail_across() {
    story_say("Du biter i det sura seglet och ger dig ut på havet.");
    return go_to(ISLAND);
}

// ---- The island (ISLAND) ------------------------------------------------

Step show_island() {
    story_say("Du kommer av misstag iland på en ö.");
    add_option(SAIL_BACK, "Segla åter");
    if (!has_handle) {
        story_say("Du ser ett skaft.");
        add_option(TAKE_HANDLE, "Ta skaftet");
    }
    return choose();
}

Step sail_back() {
    story_say("Du seglar en lång stund tills...");
    return go_to(SEA_ROOM);
}

Step take_handle() {
    if (has_hammer)
        story_say("Du sätter hammaren på skaftet.");
    else
        story_say("Du fattar tag om skaftet.");
    has_handle = true;
    return choose();
}

// ---- The ice giant, lift floor 4 (ICE_GIANT): decides, shows nothing ----

Step meet_ice_giant() {
    if (has_hammer && has_handle)
        return go_to(ON_THE_ICE);
    story_say("Isjätten klubbar ner dig.");
    return go_to(DEATH);
}

// ---- Up on the ice, after the ice giant (ON_THE_ICE) --------------------

Step show_on_the_ice() {
    story_say("Du klubbar helt automatiskt ner isjätten och tittar dig omkring.");
    story_say("Här uppe på isen är det ganska snyggt. Du ser någonting långt borta.");
    add_option(USE_LIFT, "Använda hissen");
    if (!has_key) {
        story_say("Det ligger en nyckel vid dina händer.");
        add_option(TAKE_KEY, "Ta nyckeln");
    }
    return choose();
}

Step use_lift() {
    return go_to(LIFT);
}

Step take_key() {
    story_say("Det här är den största nyckel du sett");
    story_say("(förutom den din morfar hade för att låsa fast bilen).");
    has_key = true;
    return choose();
}

// ---- The finale in the submarine (FINALE) -------------------------------

Step show_finale() {
    story_say("Du bemannar undervattensbåten och seglar av misstag så långt du kan.");
    story_paragraph();
    story_say("Du har härmed klarat del:1 av spel:1.");
    add_option(DO_NOT_PLAY_AGAIN, "Vill du inte spela en gång till");
    add_option(PLAY_AGAIN, "Eller vill du spela en gång till");
    return choose();
}

Step play_again() {
    return go_to(NEW_GAME);
}

// ---- Death (DEATH) ------------------------------------------------------

Step show_death() {
    story_say("Du är DÖD nu.");
    add_option(DO_NOT_GO_ON, "Vill du inte fortsätta");
    add_option(GO_ON, "Eller vill du fortsätta");
    return choose();
}

Step go_on() {
    return go_to(NEW_GAME);
}

// ---- Every state by number ---------------------------------------------

Step perform_shown(StoryState shown);

// An entry state: a fresh menu, then its scene's display state.
template <StoryState shown>
Step enter() {
    scene_begin(shown);
    story_watch(shown, true);
    return perform_shown(shown);
}

using StateFn = Step (*)();

#define STATE_FUNCTION(number, name, function) function,
constexpr StateFn STATE_FUNCTIONS[] = {nullptr, STORY_STATES(STATE_FUNCTION)};
#undef STATE_FUNCTION

#define STATE_NAME(number, name, function) #name,
constexpr const char* STATE_NAMES[] = {nullptr, STORY_STATES(STATE_NAME)};
#undef STATE_NAME

Step perform_shown(StoryState shown) {
    return STATE_FUNCTIONS[shown]();
}

} // namespace

const char* catalogue_state_name(StateId state) {
    return catalogue_has_state(state) ? STATE_NAMES[state] : nullptr;
}

Step catalogue_perform(StateId state) {
    story_watch(state, false);
    if (!catalogue_has_state(state))
        return end_run(); // no state: ends the run like the quit
    return STATE_FUNCTIONS[state]();
}

// ---- The story's hooks

// Kept beside the catalogue, which tells the watcher of every state it
// begins; the story's run asks the chooser through them.
static void unwatched(StateId, bool) {}

static StoryHooks hooks = {story_choose, unwatched};

void story_set_hooks(StoryHooks set) {
    hooks = {set.choose, set.watch != nullptr ? set.watch : unwatched};
}

const StoryHooks& story_hooks() {
    return hooks;
}

void story_watch(StateId state, bool scene_begins) {
    hooks.watch(state, scene_begins);
}

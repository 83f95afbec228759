// The game's script, scene by scene: each scene's display state (shown when
// its entry state begins the scene) followed by the states its options lead
// to. The state numbers are the ones the options carry; the switch at the
// end maps every number to its behaviour.
#include "story/catalogue.h"

#include "menu/menu_tree.h"
#include "story/story.h"
#include "term/paragraph.h"

#include <initializer_list>

// Entry states: each begins its scene on a fresh menu.
constexpr StateId NEW_GAME = 61;
constexpr StateId BED = 25;
constexpr StateId ROOM = 32;
constexpr StateId WINDOW = 41;
constexpr StateId DOWN_BELOW = 43;
constexpr StateId LIFT = 91;
constexpr StateId DOOR_ROOM = 45; // lift floor 1
constexpr StateId TINY_ROOM = 44; // lift floor 2
constexpr StateId ICE_GIANT = 42; // lift floor 4
constexpr StateId BEHIND_DOOR = 37;
constexpr StateId SEA_ROOM = 65;
constexpr StateId ISLAND = 40;
constexpr StateId ON_THE_ICE = 24;
constexpr StateId FINALE = 38;
constexpr StateId DEATH = 48;

// States that only ever run nested, inside a counting state.
constexpr StateId HOLES_COUNTED = 23;
constexpr StateId LAPS_TOLD = 82;

// The script names the flags as the game's rules do.
static bool& boat_built = story_flags.boat_built;
static bool& rope_dropped = story_flags.rope_dropped;
static bool& rope_pulled_up = story_flags.rope_pulled_up;
static bool& at_floor_4 = story_flags.at_floor_4;
static bool& at_floor_3 = story_flags.at_floor_3;
static bool& at_floor_2 = story_flags.at_floor_2;
static bool& at_floor_1 = story_flags.at_floor_1;
static bool& has_handle = story_flags.has_handle;
static bool& mussel_fitted = story_flags.mussel_fitted;
static bool& has_key = story_flags.has_key;
static bool& has_hammer = story_flags.has_hammer;
static bool& has_mussel = story_flags.has_mussel;
static bool& has_ice_drill = story_flags.has_ice_drill;
static bool& drowned = story_flags.drowned;

// A reply the player may ask for again and again: the option stays listed.
static Step repeatable_reply(const char* text) {
    keep_option();
    story_say(text);
    return choose();
}

// ---- New game (entry 1 and 61) ------------------------------------------

static Step new_game() { // 69
    story_flags = StoryFlags{};
    at_floor_3 = true;
    laps_text = "0";
    return go_to(BED);
}

// ---- The bed (entry 25) -------------------------------------------------

static Step bed() { // 68
    holes_text = "0";
    story_say("Plötsligt vaknar du och märker att du ligger i en säng.");
    add_option(67, "Kliva upp");
    add_option(66, "Sova");
    return choose();
}

static Step fall_asleep() { // 66
    return repeatable_reply("Du somnar... När du vaknar märker du att du ligger i samma säng.");
}

// ---- The room with the window (entry 32) --------------------------------

static Step room() { // 64
    story_say("Du står i ett litet rum med varken väggar eller tak men det finns");
    story_say("ett fönster.");
    add_option(63, "Lägga dig");
    add_option(62, "Klättra ut genom fönstret (eftersom det inte finns någon dörr)");
    if (!has_ice_drill) {
        story_say("Det står en isborr lutad mot fönsterkarmen.");
        add_option(59, "Ta isborren");
    }
    add_option(60, "Äta");
    return choose();
}

static Step get_up() { // 67
    return go_to(ROOM);
}

static Step lie_down() { // 63
    story_say("Du går och lägger dig igen.");
    return go_to(BED);
}

static Step climb_out() { // 62
    return go_to(WINDOW);
}

static Step take_ice_drill() { // 59
    story_say("Du tar isborren och stoppar den i kragen.");
    has_ice_drill = true;
    return choose();
}

static Step eat() { // 60
    return repeatable_reply("Du tar en tugga av mackan (så liten du kan).");
}

// ---- At the window, over the frozen lake (entry 41) ---------------------

static Step window() { // 58
    story_say("Du står lutad mot fönstret och tittar ut över den");
    story_say("frusna sjön och det fina sommarlandskapet.");
    add_option(22, "Gå ett varv runt sjön");
    add_option(21, "Gå två varv runt sjön");
    add_option(20, "Gå tre varv runt sjön");
    add_option(19, "Gå in genom fönstret");
    if (has_ice_drill) {
        add_option(15, "Borra två hål");
        add_option(14, "Borra tre hål");
    }
    return choose();
}

// 22, 21 and 20: the lap options stay, and the count grows until a new game.
static Step walk(const char* text, int laps) {
    keep_option();
    story_say(text);
    laps_text = counter_add(laps_text, laps_buffer, laps);
    run_story(LAPS_TOLD);
    return choose();
}

static Step walk_one_lap() { // 22
    return walk("Du går ett varv runt sjön.", 1);
}

static Step walk_two_laps() { // 21
    return walk("Du går två varv runt sjön.", 2);
}

static Step walk_three_laps() { // 20
    return walk("Du går tre varv runt sjön.", 3);
}

static Step laps_told() { // 82
    story_say("Du har nu gått");
    story_say(laps_text);
    story_say("varv runt sjön.");
    return end_run();
}

// 15 and 14: the drilling options stay; eight holes or more break the ice.
static Step drill(const char* text, int holes) {
    keep_option();
    story_say(text);
    holes_text = counter_add(holes_text, holes_buffer, holes);
    run_story(HOLES_COUNTED);
    if (drowned)
        return go_to(DEATH);
    return choose();
}

static Step drill_two_holes() { // 15
    return drill("Du borrar två hål (ett roligt, ett tråkigt).", 2);
}

static Step drill_three_holes() { // 14
    return drill("Du borrar tre hål (ett roligt, ett tråkigt och ett roligt).", 3);
}

static Step holes_counted() { // 23
    if (counter_value(holes_text) <= 7) {
        // Added again after every drilling: the same three options, each
        // with one more action.
        add_option(18, "Räkna hålen");
        add_option(17, "Kliva ner i det roligaste hålet");
        add_option(16, "Kliva ner i det tråkigaste hålet");
    } else {
        story_say("Isen brister och du sjunker till botten.");
        story_say("Du ligger där tills att du märker att du har drunknat.");
        drowned = true;
    }
    return end_run();
}

static Step count_holes() { // 18
    keep_option();
    story_say("Du räknar hålen: det är");
    story_say(holes_text);
    story_say("stycken.");
    return choose();
}

static Step climb_back_in() { // 19
    return go_to(ROOM);
}

static Step fun_hole() { // 17
    return go_to(DOWN_BELOW);
}

static Step boring_hole() { // 16
    story_say("Du blir helt uttråkad direkt.");
    return go_to(DEATH);
}

// ---- Down below, lift floor 3 (entry 43) --------------------------------

static Step down_below() { // 13
    story_say("Här nere är det väldigt roligt, vad vill du göra?");
    add_option(90, "Ta hissen");
    if (!has_mussel) {
        story_say("Det finns en mussla här.");
        add_option(89, "Ta musslan");
    }
    add_option(88, "Gå in i undervattensbåten");
    add_option(87, "Glamma till");
    return choose();
}

static Step take_lift_from_below() { // 90
    return go_to(LIFT);
}

static Step take_mussel() { // 89
    story_say("Du har nu musslan i bak-fickan.");
    has_mussel = true;
    return choose();
}

static Step enter_submarine() { // 88
    if (has_key)
        return go_to(FINALE);
    story_say("Dörren är mer låst än du anar.");
    return choose();
}

static Step glamma() { // 87
    return repeatable_reply("Du glammar till lite grann.");
}

// ---- Inside the lift (entry 91) -----------------------------------------

static Step lift() { // 86
    story_say("Du står inne i hissen och ser fyra knappar märkta 1, 2, 3 och 4.");
    add_option(85, "Trycka på knapp 1");
    add_option(84, "Trycka på knapp 2");
    add_option(83, "Trycka på knapp 3");
    add_option(81, "Trycka på knapp 4");
    add_option(80, "Kliva ur hissen");
    if (has_mussel && !mussel_fitted)
        add_option(57, "Forma in musslan i fördjupningen");
    return choose();
}

// 85, 84, 83 and 81: the buttons stay; they move the lift only once the
// mussel is fitted.
static Step press_button(int floor, const char* arrival, const char* refusal) {
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

static Step button_1() { // 85
    return press_button(1, "Du är nu på våning 1.", "Hissen rör sig inte ur smulan.");
}

static Step button_2() { // 84
    return press_button(2, "Du är nu på våning 2.", "Hissen rör sig inte ur smultronet.");
}

static Step button_3() { // 83
    return press_button(3, "Du är nu på våning 3.", "Hissen rör sig inte ur smulan.");
}

static Step button_4() { // 81
    return press_button(4, "Du är nu på våning 4.", "Hissen rör sig inte ur semlan.");
}

static Step leave_lift() { // 80
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

static Step fit_mussel() { // 57
    story_say("Du formar försiktigt in musslan.");
    mussel_fitted = true;
    return choose();
}

// ---- The room with the door, lift floor 1 (entry 45) --------------------

static Step door_room() { // 56
    story_say("Du kommer in i ett rum. Du ser en dörr.");
    add_option(46, "Ta hissen");
    add_option(55, "Gå in genom dörren");
    if (rope_dropped)
        return choose();
    story_say("Ett rep hänger ner genom ett hål i taket.");
    if (!rope_pulled_up) {
        story_say("Andra ändan av repet går ner genom ett hål i golvet.");
        add_option(54, "Dra i repet");
    } else if (!has_hammer) {
        story_say("I andra ändan hänger en hammare.");
        add_option(53, "Ta hammaren");
    }
    return choose();
}

static Step hurry_to_lift() { // 46
    story_say("Du ilar för att hinna med hissen.");
    return go_to(LIFT);
}

static Step open_door() { // 55
    story_say("Plötsligt öppnar du dörren.");
    return go_to(BEHIND_DOOR);
}

static Step pull_rope() { // 54
    story_say("Du rycker till och repet åker ner genom hålet i golvet.");
    rope_dropped = true;
    return choose();
}

static Step take_hammer() { // 53
    if (has_handle)
        story_say("Du tar hammaren och sätter den på skaftet.");
    else
        story_say("Du fattar tag om hammaren.");
    has_hammer = true;
    return choose();
}

// ---- The tiny room, lift floor 2 (entry 44) -----------------------------

static Step tiny_room() { // 52
    story_say("Oj, oj, oj, vad här är litet.");
    if (!rope_dropped) {
        story_say("Du ser en rep-stump sticka upp ur golvet (eller är det taket).");
        add_option(51, "Dra i rep-stjärten");
    } else {
        story_say("Det ligger ett rep ihoprullat någonstans, men du kan inte minnas var.");
        if (!has_hammer)
            story_say("Det sitter en hammare på repet.");
    }
    add_option(50, "Tränga in i hissen");
    return choose();
}

static Step pull_rope_end() { // 51
    story_say("Du drar upp repet, det följer med en hammare.");
    rope_pulled_up = true;
    return choose();
}

static Step squeeze_into_lift() { // 50
    story_say("Du glider in i hissen.");
    return go_to(LIFT);
}

// ---- Behind the door: the eyes are lost (entry 37) ----------------------

static Step behind_door() { // 49
    story_say("Du ser ingenting för du har tappat dina ögon.");
    add_option(36, "Återvända");
    add_option(35, "Ta upp ögonen och stoppa tillbaka dem");
    add_option(34, "Tänka efter");
    // One option with ten actions in turn: the ninth builds the boat.
    for (StateId thought : {33, 29, 31, 30, 28, 27, 26, 11, 10, 12})
        add_option(thought, "_T32");
    return choose();
}

static Step turn_back() { // 36
    story_say("Du går in i en nål och dör ögon-blickligen.");
    return go_to(DEATH);
}

static Step put_eyes_back() { // 35
    story_say("Du greppar tag om ögonen och placerar dem på det rätta stället.");
    story_say("Du ser nu mycket bättre.");
    return go_to(SEA_ROOM);
}

static Step think_in_vain() { // 34, and "_T32" the first to eighth time
    story_say("Du tänker efter men kommer inte på något.");
    return choose();
}

static Step build_boat() { // 10
    story_say("Du får en idé och bygger en stabil båt.");
    boat_built = true;
    return choose();
}

static Step think_no_more() { // 12
    return repeatable_reply("Du tänker efter men kan inte komma på någonting mer.");
}

// ---- The room that holds a sea (entry 65) -------------------------------

static Step sea_room() { // 8
    story_say("Du står i ett litet rum.");
    story_say("Det enda som finns här inne är ett hav.");
    add_option(7, "Dra dig tillbaka");
    add_option(9, "Dricka upp havet");
    add_option(5, "_T34");
    add_option(4, "Gömma undan havet");
    if (boat_built)
        add_option(6, "Segla över havet");
    return choose();
}

static Step draw_back() { // 7
    return go_to(DOOR_ROOM);
}

static Step drink_sea() { // 9
    story_say("Du kan bara dricka upp halva havet.");
    return choose();
}

static Step drink_no_more() { // 5
    return repeatable_reply("Du vill inte dricka mer.");
}

static Step hide_sea() { // 4
    return repeatable_reply("Du tittar dig omkring men kan inte se något bra gömställe.");
}

static Step sail_across() { // 6
    story_say("Du biter i det sura seglet och ger dig ut på havet.");
    return go_to(ISLAND);
}

// ---- The island (entry 40) ----------------------------------------------

static Step island() { // 76
    story_say("Du kommer av misstag iland på en ö.");
    add_option(75, "Segla åter");
    if (!has_handle) {
        story_say("Du ser ett skaft.");
        add_option(74, "Ta skaftet");
    }
    return choose();
}

static Step sail_back() { // 75
    story_say("Du seglar en lång stund tills...");
    return go_to(SEA_ROOM);
}

static Step take_handle() { // 74
    if (has_hammer)
        story_say("Du sätter hammaren på skaftet.");
    else
        story_say("Du fattar tag om skaftet.");
    has_handle = true;
    return choose();
}

// ---- The ice giant, lift floor 4 (entry 42): decides, shows nothing -----

static Step ice_giant() { // 3
    if (has_hammer && has_handle)
        return go_to(ON_THE_ICE);
    story_say("Isjätten klubbar ner dig.");
    return go_to(DEATH);
}

// ---- Up on the ice, after the ice giant (entry 24) ----------------------

static Step on_the_ice() { // 79
    story_say("Du klubbar helt automatiskt ner isjätten och tittar dig omkring.");
    story_say("Här uppe på isen är det ganska snyggt. Du ser någonting långt borta.");
    add_option(78, "Använda hissen");
    if (!has_key) {
        story_say("Det ligger en nyckel vid dina händer.");
        add_option(77, "Ta nyckeln");
    }
    return choose();
}

static Step use_lift() { // 78
    return go_to(LIFT);
}

static Step take_key() { // 77
    story_say("Det här är den största nyckel du sett");
    story_say("(förutom den din morfar hade för att låsa fast bilen).");
    has_key = true;
    return choose();
}

// ---- The finale in the submarine (entry 38) -----------------------------

static Step finale() { // 73
    story_say("Du bemannar undervattensbåten och seglar av misstag så långt du kan.");
    story_paragraph();
    story_say("Du har härmed klarat del:1 av spel:1.");
    add_option(72, "Vill du inte spela en gång till");
    add_option(71, "Eller vill du spela en gång till");
    return choose();
}

static Step do_not_play_again() { // 72
    return end_run();
}

static Step play_again() { // 71
    return go_to(NEW_GAME);
}

// ---- Death (entry 48) ---------------------------------------------------

static Step death() { // 70
    story_say("Du är DÖD nu.");
    add_option(47, "Vill du inte fortsätta");
    add_option(39, "Eller vill du fortsätta");
    return choose();
}

static Step do_not_go_on() { // 47
    return end_run();
}

static Step go_on() { // 39
    return go_to(NEW_GAME);
}

// ---- Every state by number ----------------------------------------------

static void unwatched(StateId, bool) {}

StateWatchFn catalogue_watcher = unwatched;

// An entry state: a fresh menu, then its scene's display state.
static Step enter(StateId display_state, Step (*display)()) {
    scene_begin(display_state);
    catalogue_watcher(display_state, true);
    return display();
}

// clang-format off
Step catalogue_perform(StateId state) {
    catalogue_watcher(state, false);
    switch (state) {
    case 1: return enter(69, new_game);
    case 2: return end_run(); // the quit
    case 3: return ice_giant();
    case 4: return hide_sea();
    case 5: return drink_no_more();
    case 6: return sail_across();
    case 7: return draw_back();
    case 8: return sea_room();
    case 9: return drink_sea();
    case 10: return build_boat();
    case 11: return think_in_vain();
    case 12: return think_no_more();
    case 13: return down_below();
    case 14: return drill_three_holes();
    case 15: return drill_two_holes();
    case 16: return boring_hole();
    case 17: return fun_hole();
    case 18: return count_holes();
    case 19: return climb_back_in();
    case 20: return walk_three_laps();
    case 21: return walk_two_laps();
    case 22: return walk_one_lap();
    case 23: return holes_counted();
    case 24: return enter(79, on_the_ice);
    case 25: return enter(68, bed);
    case 26: return think_in_vain();
    case 27: return think_in_vain();
    case 28: return think_in_vain();
    case 29: return think_in_vain();
    case 30: return think_in_vain();
    case 31: return think_in_vain();
    case 32: return enter(64, room);
    case 33: return think_in_vain();
    case 34: return think_in_vain();
    case 35: return put_eyes_back();
    case 36: return turn_back();
    case 37: return enter(49, behind_door);
    case 38: return enter(73, finale);
    case 39: return go_on();
    case 40: return enter(76, island);
    case 41: return enter(58, window);
    case 42: return enter(3, ice_giant);
    case 43: return enter(13, down_below);
    case 44: return enter(52, tiny_room);
    case 45: return enter(56, door_room);
    case 46: return hurry_to_lift();
    case 47: return do_not_go_on();
    case 48: return enter(70, death);
    case 49: return behind_door();
    case 50: return squeeze_into_lift();
    case 51: return pull_rope_end();
    case 52: return tiny_room();
    case 53: return take_hammer();
    case 54: return pull_rope();
    case 55: return open_door();
    case 56: return door_room();
    case 57: return fit_mussel();
    case 58: return window();
    case 59: return take_ice_drill();
    case 60: return eat();
    case 61: return enter(69, new_game);
    case 62: return climb_out();
    case 63: return lie_down();
    case 64: return room();
    case 65: return enter(8, sea_room);
    case 66: return fall_asleep();
    case 67: return get_up();
    case 68: return bed();
    case 69: return new_game();
    case 70: return death();
    case 71: return play_again();
    case 72: return do_not_play_again();
    case 73: return finale();
    case 74: return take_handle();
    case 75: return sail_back();
    case 76: return island();
    case 77: return take_key();
    case 78: return use_lift();
    case 79: return on_the_ice();
    case 80: return leave_lift();
    case 81: return button_4();
    case 82: return laps_told();
    case 83: return button_3();
    case 84: return button_2();
    case 85: return button_1();
    case 86: return lift();
    case 87: return glamma();
    case 88: return enter_submarine();
    case 89: return take_mussel();
    case 90: return take_lift_from_below();
    case 91: return enter(86, lift);
    default: return end_run(); // no state: ends the run like the quit
    }
}
// clang-format on

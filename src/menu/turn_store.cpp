#include "menu/turn_store.h"

#include "term/ansi.h"
#include "term/paragraph.h"

#include <cstring>

// What the story said, turn by turn from the oldest kept: each text as the
// byte SAID, the text and its NUL; each paragraph break as the byte
// PARAGRAPH; the end of a turn as the byte TURN_END. The texts are copied: a
// count's text lives in a buffer that a later turn changes. The store has a
// fixed size, so memory stays flat however long the game runs: the oldest
// turns make room, and they go whole. Only the part in use is ever touched.
constexpr char SAID = 's';
constexpr char PARAGRAPH = 'p';
constexpr char TURN_END = 't';
// Room for the texts themselves and as many bytes again for the marks
// around them, which a turn of many short texts needs.
constexpr size_t TURN_STORE_SIZE = 2 * SAID_BUDGET;

struct TurnStore {
    char records[TURN_STORE_SIZE];
    size_t kept_from;    // the oldest kept turn's first record
    size_t current_from; // the current turn's first record
    size_t kept_to;      // just behind the newest record
    size_t said_kept;    // bytes of the kept texts, the current turn's included
};
static TurnStore store;

static size_t record_size(const char* record) {
    return *record == SAID ? std::strlen(record + 1) + 2 : 1;
}

// Forgets the oldest turn before the current one; false when there is none.
static bool forget_oldest_turn() {
    if (store.kept_from == store.current_from)
        return false;
    char kind;
    do {
        kind = store.records[store.kept_from];
        if (kind == SAID)
            store.said_kept -= std::strlen(store.records + store.kept_from + 1);
        store.kept_from += record_size(store.records + store.kept_from);
    } while (kind != TURN_END);
    return true;
}

// A turn's last byte always finds room: the current turn's texts and breaks
// leave it free.
static bool fits(size_t said, size_t bytes, char kind) {
    size_t room = TURN_STORE_SIZE - (kind == TURN_END ? 0 : 1);
    return store.said_kept + said <= SAID_BUDGET && store.kept_to - store.kept_from + bytes <= room;
}

static void remember(char kind, const char* text) {
    size_t said = kind == SAID ? std::strlen(text) : 0;
    size_t bytes = kind == SAID ? said + 2 : 1;
    while (!fits(said, bytes, kind) && forget_oldest_turn()) {
    }
    // A text that the current turn alone cannot hold within the budget is
    // left out of the redrawing.
    if (!fits(said, bytes, kind))
        return;
    if (store.kept_to + bytes > TURN_STORE_SIZE) {
        std::memmove(store.records, store.records + store.kept_from,
                     store.kept_to - store.kept_from);
        store.current_from -= store.kept_from;
        store.kept_to -= store.kept_from;
        store.kept_from = 0;
    }
    store.records[store.kept_to] = kind;
    if (kind == SAID)
        std::memcpy(store.records + store.kept_to + 1, text, said + 1);
    store.kept_to += bytes;
    store.said_kept += said;
}

void story_say(const char* text) {
    remember(SAID, text);
    say(text);
}

void story_paragraph() {
    remember(PARAGRAPH, nullptr);
    new_paragraph();
}

void replay_turns() {
    paragraph_at_column(0);
    for (size_t at = store.kept_from; at < store.kept_to; at += record_size(store.records + at)) {
        if (store.records[at] == SAID) {
            say(store.records + at + 1);
        } else if (store.records[at] == PARAGRAPH) {
            new_paragraph();
        } else {
            term_put_text(BEFORE_LIST);
            paragraph_at_column(0);
        }
    }
}

void end_turn() {
    remember(TURN_END, nullptr);
    store.current_from = store.kept_to;
}

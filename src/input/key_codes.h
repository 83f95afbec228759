// The key codes that the key reader hands the game: one int for a typed
// byte, a decoded key or something that happened while the game waited.
#pragma once

// A plain byte comes back as a signed 8-bit value; everything else has a
// code above the byte range, so that no decoded key reads as a control byte
// (Page Down is no backspace) and no typed byte as a key.
enum : int {
    // What happened to the terminal or the input while the game waited.
    KEY_RESIZE = 256,       // the window changed size
    KEY_SUSPEND = 257,      // Ctrl-Z or SIGTSTP: the screen's owner is to stop
    KEY_INTERRUPT = 258,    // SIGINT, SIGQUIT, SIGTERM or SIGHUP
    KEY_INPUT_CLOSED = 259, // the end of input, or a read error (input_error)
    KEY_CONTINUE = 260,     // SIGCONT: the game goes on after a stop

    // Keys decoded from escape sequences, far from any byte.
    KEY_UP = 1000,
    KEY_DOWN,
    KEY_LEFT,
    KEY_RIGHT,
    KEY_HOME,
    KEY_END,
    KEY_PAGE_UP,
    KEY_PAGE_DOWN,
    KEY_INSERT,
    KEY_DELETE,
    KEY_ESCAPE, // a lone Esc
    KEY_F1,
    KEY_F2,
    KEY_F3,
    KEY_F4,
    KEY_F5,
    KEY_F6,
    KEY_F7,
    KEY_F8,
    KEY_F9,
    KEY_F10,
    KEY_F11,
    KEY_F12,
};

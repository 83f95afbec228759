// The game's keyboard mode: canonical input and echo off, nothing else.
#pragma once

#include <termios.h>

// Settings of standard input as found when the session opened; zero-filled
// when standard input is no terminal.
extern termios saved_termios;

// Saves the settings of standard input, clears ICANON and ECHO, and installs
// the interrupt handlers and the suspend and resume handlers.
void raw_mode_on();
// Applies saved_termios again.
void raw_mode_off();

// The terminal session around the game: raw keyboard mode, signal handlers,
// the width, and a cleared screen; restored exactly at the end.
#pragma once

// Opens the session; returns nonzero when it is open (always).
int session_start();
// Puts the settings of standard input back as they were found.
void session_end();

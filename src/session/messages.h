// The messages outside the story (the help, the usage errors, what goes to
// standard error) in the player's language; the story speaks Swedish in
// every locale.
#pragma once

// A message in the player's language, as its catalogue has it, else as
// written here. xgettext finds the messages by these names; N_ marks one
// that is translated later, where it is written.
#define _(text) messages_translate(text)
#define N_(text) text

// The first message looks up the player's language: from the locale's
// messages category alone (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), so the
// game itself, which writes none until it ends, never loads a locale. The
// catalogues are found beside the game in the build folder (locale/), else
// in ../share/locale from the game's folder, where the install puts them.
const char* messages_translate(const char* text);

// What the C library says of an error number, in the player's language
// where it has that language's messages.
const char* messages_error(int error);

// Checks on texts that tests share.
#pragma once

#include "support/utf8_text.h"

#include <gtest/gtest.h>

#include <string>

// The whole of a file; empty when it cannot be read.
std::string read_file(const std::string& path);

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Failure messages a person can read for texts of many lines (transcripts,
// screens, the pinned story files), where GoogleTest's own prints both texts
// whole, each on one line with every non-ASCII byte as an escape.
//
// Passes when the texts are equal; otherwise the message shows the first
// lines that differ, with a few lines before them, letters as they are and
// control bytes as escapes (ESC as \e, a carriage return as \r).
testing::AssertionResult same_text(const char* expected_expression, const char* actual_expression,
                                   const std::string& expected, const std::string& actual);

#define EXPECT_SAME_TEXT(expected, actual) EXPECT_PRED_FORMAT2(same_text, expected, actual)

// Checks on texts that tests share.
#pragma once

#include <string>

// Whether part stands anywhere in text.
inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

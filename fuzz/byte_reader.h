// Takes a fuzz input apart from its front, one small value at a time, so
// that seed inputs can be written by hand. Past the end every value is 0.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

inline bool reader_done(const ByteReader& reader) {
    return reader.pos >= reader.size;
}

inline std::uint8_t reader_byte(ByteReader& reader) {
    return reader_done(reader) ? 0 : reader.data[reader.pos++];
}

// A value from 0 to count - 1.
inline int reader_pick(ByteReader& reader, int count) {
    return reader_byte(reader) % count;
}

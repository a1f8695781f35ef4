// How the numbering switch writes a number into step code. An output
// number, a digital input number or a step index takes one byte under
// narrow numbering (model code 0) and two, low byte first, under wide. An
// output or an input carries a mark in the top bit of its last byte: an
// output turned on, an input of type A.
#pragma once

#include <cstdint>

namespace px {

constexpr uint16_t NARROW_MARK = 0x80;
constexpr uint16_t WIDE_MARK = 0x8000;

constexpr uint16_t number_mark(bool wide) { return wide ? WIDE_MARK : NARROW_MARK; }
constexpr int number_bytes(bool wide) { return wide ? 2 : 1; }

// The word of an index (number - 1) with its mark: its low byte goes out,
// then its high byte under wide numbering.
constexpr uint16_t marked_index(uint32_t index, bool mark, bool wide) {
    return static_cast<uint16_t>(index | (mark ? number_mark(wide) : 0));
}

}  // namespace px

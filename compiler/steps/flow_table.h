// Flow and timing: "goto", "stop goto", "do", "done", "cancel other tasks"
// and the three forms of "delay", as the families write them and the
// decoders read them back.
//
// "do": the opcode carries the task count - 1 in bits 0-2, the byte after
// it 80 + the repeat count; the task indexes follow the destination.
//
// "delay": bits 0-2 of the opcode name the form, bits 3-4 the unit (or the
// thumbwheel's format), bit 5 the step form. One unit field value means the
// same pair of units in all three forms: hours and minutes, minutes and
// seconds, seconds and hundredths.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/xref.h"
#include "steps/opcodes.h"
#include "steps/operand_table.h"

namespace px {

// --- do ----------------------------------------------------------------------

constexpr uint8_t DO_COUNT_BITS = 0x07;  // task count - 1
constexpr int MAX_TASKS = DO_COUNT_BITS + 1;
constexpr int32_t DO_ONCE = 1;  // the repeat count when none is written
constexpr int32_t MAX_REPEAT = 99;
constexpr const char* DO_REPEAT_WORD = "times";

static_assert((opcode::DO & DO_COUNT_BITS) == 0 && (opcode::DO & opcode::STEP_FORM) == 0, "the count field is free");
static_assert(opcode::DO_REPEAT + MAX_REPEAT <= UINT8_MAX, "the repeat byte holds every count");

// --- cancel ------------------------------------------------------------------

constexpr const char* CANCEL_WORDS = "other tasks";  // after the keyword

// --- delay -------------------------------------------------------------------

constexpr uint8_t DELAY_FORM_BITS = 0x07;
constexpr uint8_t DELAY_UNIT_BITS = 0x18;
constexpr int DELAY_UNIT_SHIFT = 3;

// A sum of one unit of the literal form, and each value of the pair, is a
// byte.
constexpr int32_t DELAY_VALUE_MAX = UINT8_MAX;

// The unit field, one row per pair of units, in field value order: how each
// form reads its bytes.
struct delay_unit {
    uint8_t field;
    const char* format;       // of a thumbwheel's four digits
    const char* source_unit;  // of a data source's value
};

enum delay_pair { PAIR_HOURS_MINUTES, PAIR_MINUTES_SECONDS, PAIR_SECONDS_HUNDREDTHS };
constexpr delay_unit DELAY_UNITS[] = {
    {opcode::DELAY_HOURS_MINUTES, "hhmm", "min"},
    {opcode::DELAY_MINUTES_SECONDS, "mmss", "sec"},
    {opcode::DELAY_SECONDS_HUNDREDTHS, "ssff", "sec/100"},
};
constexpr int DELAY_UNIT_COUNT = static_cast<int>(sizeof DELAY_UNITS / sizeof DELAY_UNITS[0]);

constexpr int delay_unit_index(uint8_t opcode) { return (opcode & DELAY_UNIT_BITS) >> DELAY_UNIT_SHIFT; }

// A data source's unit is told by its first letter; the hundredths' word is
// the seconds' with a suffix, read right after the seconds' word.
constexpr std::string_view DELAY_MINUTES_WORD = DELAY_UNITS[PAIR_HOURS_MINUTES].source_unit;
constexpr std::string_view DELAY_SECONDS_WORD = DELAY_UNITS[PAIR_MINUTES_SECONDS].source_unit;
constexpr std::string_view DELAY_HUNDREDTHS_WORD = DELAY_UNITS[PAIR_SECONDS_HUNDREDTHS].source_unit;
constexpr const char* DELAY_HUNDREDTHS_SUFFIX =
    DELAY_UNITS[PAIR_SECONDS_HUNDREDTHS].source_unit + DELAY_SECONDS_WORD.size();
static_assert(DELAY_HUNDREDTHS_WORD.starts_with(DELAY_SECONDS_WORD) && DELAY_MINUTES_WORD[0] != DELAY_SECONDS_WORD[0],
              "a first letter for each of minutes and seconds, and the suffix after the seconds");

// The units a literal delay is written in, coarsest first. The pair of unit
// field value u holds a value of unit u, then one of unit u + 1.
struct delay_literal_unit {
    const char* word;      // as read back
    int selecting;         // the characters of the word that select it
    int written_per_unit;  // "ms" counts hundredths in tens
};

constexpr delay_literal_unit DELAY_LITERAL_UNITS[] = {
    {"hr", 1, 1},
    {"min", 1, 1},
    {"sec", 1, 1},
    {"ms", 2, 10},
};
constexpr int DELAY_LITERAL_UNIT_COUNT = DELAY_UNIT_COUNT + 1;
// Minutes in an hour, seconds in a minute: A holds the coarser units
// folded into its own.
constexpr int64_t DELAY_PER_COARSER = 60;

// A data source's value as one code byte: a register or counter, an analog
// input 1-64 or a column. Thumbwheels and literals have forms of their own,
// everything from here on is longer.
constexpr uint8_t DELAY_SOURCE_END = opcode::THUMBWHEEL;

constexpr bool delay_fields_agree() {
    for (int u = 0; u < DELAY_UNIT_COUNT; ++u)
        if (delay_unit_index(DELAY_UNITS[u].field) != u || (DELAY_UNITS[u].field & ~DELAY_UNIT_BITS) != 0) return false;
    for (uint8_t form : {opcode::DELAY_TWHL, opcode::DELAY_LITERAL, opcode::DELAY_SOURCE})
        if ((form & ~DELAY_FORM_BITS) != 0) return false;
    return sizeof DELAY_LITERAL_UNITS / sizeof DELAY_LITERAL_UNITS[0] == DELAY_LITERAL_UNIT_COUNT &&
           (DELAY_FORM_BITS & DELAY_UNIT_BITS) == 0 && ((DELAY_FORM_BITS | DELAY_UNIT_BITS) & opcode::STEP_FORM) == 0;
}
static_assert(delay_fields_agree(), "each unit in its own field value, the three fields apart");
static_assert(source_form_of_kind(KIND_THUMBWHEEL).kind == KIND_THUMBWHEEL, "a thumbwheel is a source");

}  // namespace px

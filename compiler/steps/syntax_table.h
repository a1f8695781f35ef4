// Each instruction's syntax as the compiler states it when an instruction
// does not read: "Syntax:  " and the accepted form. The families report
// these texts; an editor shows those of a keyword as the keyword's help. A
// text that belongs to a table of its family (the flags', the counters',
// the monitor's, the servo modes') stays there and is named here.
#pragma once

#include <cstddef>
#include <string_view>

#include "steps/condition_table.h"
#include "steps/counter_table.h"
#include "steps/motion_table.h"

namespace px {

namespace syntax {

// Flow and timing
constexpr const char* CANCEL = "Syntax:  cancel other tasks";
constexpr const char* DO = "Syntax:  do (labels [step-numbers] ...) [ <2-99> times ] goto ...";
constexpr const char* DELAY_THUMBWHEEL = "Syntax:  delay twhl#<1-16> < hhmm | mmss | ssff > goto ...";
constexpr const char* DELAY_LITERAL = "Syntax:  delay # hr # min # sec # ms goto ...";
constexpr const char* DELAY_SOURCE = "Syntax:  delay <data source> <min | sec | sec/100> goto ...";
// %d: the model's step count.
constexpr const char* GOTO = "Syntax:  ... goto < next | [1-%d] | label >";

// Conditions and monitoring
constexpr const char* IF = "Syntax:  if <data source> <,<=,=,>=,> <data source> goto ...";
constexpr const char* MONITOR = "Syntax:  monitor <flag | input | motor | servo | (expr)>";
constexpr const char* MONITOR_LIST = "Syntax:  monitor ([n]<and|or|xor> ...)";
constexpr const char* MONITOR_ELEMENT = "Syntax:  monitor ([n]<and|or|xor> <input|flag|motor|servo>*) goto ...";
constexpr const char* TESTANDSET = "Syntax:  testandset flag#<1-32> goto ...";

// Flags; %s: "shift" or "rotate".
constexpr const char* FLAG_SHIFT = "Syntax:  %s flag#<1-31> \"<<\"|\">>\" flag#<2-32> <<1-32> times>";

// Motion
constexpr const char* TURN = "Syntax:  turn <servo#<1-16> | motor#<1-16>> ...";
constexpr const char* TURN_MOTOR = "Syntax:  turn motor#<1-16> <to|cw|ccw> <source> ...";
constexpr const char* TURN_SERVO = "Syntax:  turn servo#<1-16> <to|cw|ccw> <source> <steps> <on start>";
constexpr const char* TURN_SERVO_TO = "Syntax:  turn servo to <source> <on start>";
constexpr const char* PROFILE = "Syntax:  profile <servo#<1-16> | <and zero> motor#<1-16>> ...";
constexpr const char* PROFILE_MOTOR = "Syntax:  profile <and zero> motor#<1-16> (half|<1-2> coils) ";
constexpr const char* PROFILE_MOTOR_VALUES =
    "Syntax:  ... basespeed=<source> maxspeed=<source> accel=<source> decel=<source>";
constexpr const char* PROFILE_SERVO_VALUES =
    "Syntax:  ... maxspeed=<source> accel=<source> gain=<source> zero=<source> pole=<source>";
constexpr const char* ZERO = "Syntax:  zero <servo#<1-16> | motor#<1-16>>";
constexpr const char* SEARCH = "Syntax:  search <and zero servo|<cw|ccw> and zero motor> ...";
constexpr const char* SEARCH_MOTOR = "Syntax:  search <cw|ccw> and zero motor#<1-16>";
constexpr const char* STOP = "Syntax:  stop <goto|motor#<1-16>|(<hard|soft>) servo#<1-16>>";
constexpr const char* STOP_SERVO = "Syntax:  stop (hard|soft) servo#<1-16>";

// Store
constexpr const char* STORE = "Syntax:  store <source> [<+-/%[n]<and|or|xor>ror|rol> <source>] to <dest>";

}  // namespace syntax

// The syntax texts of each keyword, the whole instruction first, then the
// forms of its parts; in the keyword table's order. "done" has none: it
// takes nothing.
constexpr std::size_t MAX_SYNTAX_FORMS = 6;
struct keyword_syntax {
    const char* keyword;
    const char* forms[MAX_SYNTAX_FORMS];  // unused ones null
};

constexpr keyword_syntax INSTRUCTION_SYNTAX[] = {
    {"cancel", {syntax::CANCEL}},
    {"clear", {CLEAR_FLAG.syntax}},
    {"count", {COUNT_SYNTAX}},
    {"delay", {syntax::DELAY_LITERAL, syntax::DELAY_SOURCE, syntax::DELAY_THUMBWHEEL, syntax::GOTO}},
    {"disable", {COUNTER_OPERATIONS[CTR_DISABLE - 1].syntax}},
    {"do", {syntax::DO, syntax::GOTO}},
    {"done", {}},
    {"enable", {COUNTER_OPERATIONS[CTR_ENABLE - 1].syntax}},
    {"goto", {syntax::GOTO}},
    {"if", {syntax::IF, syntax::GOTO}},
    {"monitor",
     {syntax::MONITOR, WATCH_FORMS[0].state_message, WATCH_FORMS[2].state_message, WATCH_FORMS[3].state_message,
      syntax::MONITOR_ELEMENT, syntax::GOTO}},
    {"profile",
     {syntax::PROFILE, syntax::PROFILE_MOTOR, syntax::PROFILE_MOTOR_VALUES, SERVO_MODE_SYNTAX,
      SERVO_MODES[2].syntax, syntax::PROFILE_SERVO_VALUES}},
    {"reset", {COUNTER_OPERATIONS[CTR_RESET - 1].syntax}},
    {"rotate", {syntax::FLAG_SHIFT}},
    {"search", {syntax::SEARCH, syntax::SEARCH_MOTOR}},
    {"set", {SET_FLAG.syntax}},
    {"shift", {syntax::FLAG_SHIFT}},
    {"start", {START_SYNTAX}},
    {"stop", {syntax::STOP, syntax::STOP_SERVO, syntax::GOTO}},
    {"store", {syntax::STORE}},
    {"testandset", {syntax::TESTANDSET, syntax::GOTO}},
    {"turn", {syntax::TURN, syntax::TURN_MOTOR, syntax::TURN_SERVO, syntax::TURN_SERVO_TO}},
    {"zero", {syntax::ZERO}},
};

constexpr bool states_syntax(const keyword_syntax& row) {
    for (const char* form : row.forms)
        if (form && std::string_view(form).substr(0, 9) != "Syntax:  ") return false;
    return true;
}
constexpr bool all_state_syntax() {
    for (const keyword_syntax& row : INSTRUCTION_SYNTAX)
        if (!states_syntax(row)) return false;
    return true;
}
static_assert(all_state_syntax(), "every form is a syntax message");

// The row of a keyword as the working text spells it (lowercase), or null.
constexpr const keyword_syntax* syntax_of(std::string_view keyword) {
    for (const keyword_syntax& row : INSTRUCTION_SYNTAX)
        if (keyword == row.keyword) return &row;
    return nullptr;
}

}  // namespace px

// The clock: the waits that give a person time to read the log, and the
// date that stamps the map.
#pragma once

#include <string>

namespace px {

// Waits until the clock's whole seconds have advanced by n. Sleeps.
void pause_seconds(int n);

// Callers with no one to read the log (pxc, a suite of builds) turn the waits
// off; the library itself always waits.
void set_pauses_enabled(bool enabled);
// What a wait does instead of watching the clock, or null for the clock: a
// seam through which a test sees that a wait was asked for.
using pause_function = void (*)(int seconds);
void set_pause_function(pause_function f);

// The date a build stamps its outputs with, in the classic 24-character form
// "Wed Jun 30 21:49:08 1993", in English whatever the locale: the moment
// SOURCE_DATE_EPOCH names, in UTC, when it holds one, so that two builds of
// the same sources are byte-identical; otherwise now, in local time. 24
// blanks when the local time is unknown.
std::string build_date();

// What SOURCE_DATE_EPOCH holds: nothing (unset or empty), a moment (decimal
// seconds since 1970-01-01 00:00:00 UTC, up to the end of the year 9999), or
// something else, which the library passes over as if unset and a command
// line tool refuses.
enum class epoch_setting { unset, valid, invalid };
epoch_setting source_date_epoch(long long& seconds);

}  // namespace px

// The clock: the waits that give a person time to read the log, and the
// local date that stamps the map.
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

// Now, in the classic 24-character form "Wed Jun 30 21:49:08 1993", in
// English whatever the locale; 24 blanks when the local time is unknown.
std::string local_date();

}  // namespace px

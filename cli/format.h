// The formatter: a step file in, the same program out in the layout the
// saver writes, as text in memory. It is the step reader and the saver's
// own step writer and nothing else, so it cannot lay a step out otherwise
// than the desktop builder's save, and the compiler reads the result into
// the same program it read from the input. pxc fmt calls it on files; an
// editor's formatting request can call it on an unsaved text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/source_places.h"

namespace pxc {

struct formatted {
    // The reader refused the text (an error, such as a step [0] or steps out
    // of order): `text` is empty and the input must stay as it is.
    bool refused = false;
    std::string text;
    // What the reader said, at its places in the input: errors when refused,
    // warnings about what it passed over otherwise.
    std::vector<px::diagnostic> diagnostics;
};

// Formats the step file `text`, named `name` in messages. A data table at
// its head stays as written, up to its closing brace; every step after it
// is laid out as the saver lays it out, empty steps included (a goto may
// name one). A text in which the reader finds no step at all comes back
// as it is, with a warning. Reads and writes no file; uses the library's
// build state for the length of the call, so it runs between builds, never
// during one.
formatted format_steps(std::string_view text, const std::string& name);

}  // namespace pxc

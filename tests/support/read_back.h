// A step's code read back and compiled again, as "pxc dump --source" and a
// build of its output would: what the step decoders read of one step is
// compiled in a program made for it, and must give the same code. The fuzz
// target for object files uses it as well as the case runners, so it needs
// nothing but the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "steps/decode.h"

namespace pxtest {

struct recompiled {
    std::vector<uint8_t> code;  // after the image's length byte; empty for no image
    int errors = 0;             // compile errors reported
};

// Compiles the output changes and instructions of a decoded step as step
// `number` of a program of its own: that step, every step its code names
// (and the next one when a clause names it), and a data table as wide as
// the highest column it uses, under K410 (narrow) or K530 (wide). The build
// is made and ended here, in a pool of its own; its listing, if any error is
// reported, lands in the working directory.
recompiled compile_decoded(const px::decoded_step& step, uint32_t number, bool wide);

}  // namespace pxtest

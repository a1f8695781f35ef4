// An object file as text: the full dump (header, every step with its bytes,
// the data table) or only the step file that compiles back to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/object_reader.h"

namespace px {

enum class dump_view { full, source };

struct dump_output {
    std::string text;
    // Everything that keeps the text from being a faithful reading of the
    // file, by offset. Empty when the file read back whole.
    std::vector<object_problem> problems;
};

dump_output dump_object(const uint8_t* bytes, std::size_t size, dump_view view);

}  // namespace px

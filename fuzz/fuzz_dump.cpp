// libFuzzer target: any bytes as an object file, read back in both views.
// The reader and the step decoders must refuse what they cannot read, by
// offset, and never read outside the bytes they are given. Whatever the
// full view reads back whole, the source view must read back whole too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "driver/object_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that the sanitizer sees any read past them.
    std::vector<uint8_t> bytes(data, data + size);
    px::dump_output full = px::dump_object(bytes.data(), bytes.size(), px::dump_view::full);
    px::dump_output source = px::dump_object(bytes.data(), bytes.size(), px::dump_view::source);
    if (full.problems.size() != source.problems.size()) std::abort();
    for (const px::object_problem& p : full.problems)
        if (p.offset > size) std::abort();
    return 0;
}

// libFuzzer target: any bytes as an object file, read back in both views.
// The reader and the step decoders must refuse what they cannot read, by
// offset, and never read outside the bytes they are given. Whatever the
// full view reads back whole, the source view must read back whole too.
// Every step whose code the decoders read whole must compile back, from
// what they read, to the same code: the decoders accept nothing the
// compiler would not write, and read nothing as other than it is.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/object_dump.h"
#include "driver/object_reader.h"
#include "fuzz_support.h"
#include "read_back.h"
#include "steps/decode.h"

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[4];
    for (uint8_t byte : bytes) {
        std::snprintf(two, sizeof two, "%02X", byte);
        text += (text.empty() ? "" : " ") + std::string(two);
    }
    return text;
}

// The step's code and what the decoders read of it; the code it compiled
// back to and the errors reported.
void compiles_back(const px::object_step& s, bool wide) {
    px::decoded_step step = px::decode_step(s.code.data(), s.code.size(), wide);
    if (step.failed) return;
    pxtest::recompiled again = pxtest::compile_decoded(step, s.number ? s.number : 1, wide);
    if (again.errors == 0 && again.code == s.code) return;
    std::string read = std::string(wide ? "wide " : "narrow ") + hex(s.code) + "\n";
    for (int32_t change : step.output_changes) read += "  output " + std::to_string(change) + "\n";
    for (const px::decoded_instruction& in : step.instructions) read += "  " + in.text + "\n";
    pxfuzz::differ("a step's code", read,
                   hex(again.code) + "\n  " + std::to_string(again.errors) + " errors (readback.lst)");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("dump");  // where the listing of a step that does not compile back lands
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that the sanitizer sees any read past them.
    std::vector<uint8_t> bytes(data, data + size);
    px::dump_output full = px::dump_object(bytes.data(), bytes.size(), px::dump_view::full);
    px::dump_output source = px::dump_object(bytes.data(), bytes.size(), px::dump_view::source);
    if (full.problems.size() != source.problems.size()) std::abort();
    for (const px::object_problem& p : full.problems)
        if (p.offset > size) std::abort();
    px::object_contents object = px::read_object(bytes.data(), bytes.size());
    for (const px::object_step& s : object.steps) compiles_back(s, object.wide);
    return 0;
}

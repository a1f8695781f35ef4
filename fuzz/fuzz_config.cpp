// libFuzzer target: any bytes as a configuration file. Whatever reads must
// save, and what the saver writes must read back into the same twenty
// parameters and the same controller model.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/build_context.h"
#include "files/config.h"
#include "fuzz_support.h"
#include "test_hooks.h"

namespace {

std::string describe() {
    std::string out;
    for (const px::config_param& p : px::config_params) {
        out += p.keyword;
        switch (p.type) {
        case px::VALUE_UNSIGNED: out += " " + std::to_string(p.uvalue); break;
        case px::VALUE_MODEL: out += p.has_model ? " " + std::string(p.model, strnlen(p.model, sizeof p.model)) : " <none>"; break;
        default: out += " " + std::to_string(p.value); break;
        }
        out += "\n";
    }
    return out + "code " + std::to_string(px::model_code) + (px::reduced_memory ? " reduced\n" : "\n");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("config");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    px::reset_configuration();
    px::build_context build;
    pxfuzz::write_file("fuzz.fig", std::string_view(reinterpret_cast<const char*>(data), size));
    pxfuzz::remove_file("saved.fig");
    if (px::read_configuration(build, "fuzz.fig") != 0) return 0;
    std::string first = describe();
    if (px::save_configuration(build, "saved.fig") != 0) pxfuzz::differ("saving", first, "<not saved>");
    px::reset_configuration();
    if (px::read_configuration(build, "saved.fig") != 0) pxfuzz::differ("reading", first, "<not read>");
    std::string again = describe();
    if (again != first) pxfuzz::differ("the configuration", first, again);
    return 0;
}

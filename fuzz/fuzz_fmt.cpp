// libFuzzer target: any bytes as one step file, formatted as pxc fmt formats
// it. Unless the formatter refuses the file, the formatted text must format
// to itself again, and it must build to the same object file, listing,
// error file and map as the bytes it came from, and to the same result.
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include "driver/driver.h"
#include "files/config.h"
#include "format.h"
#include "fuzz_support.h"
#include "test_hooks.h"

namespace fs = std::filesystem;

namespace {

const px::model_row* largest_model = nullptr;

// The outputs that formatting must not change, by name, and the result.
std::map<std::string, std::string> build(std::string_view text) {
    std::map<std::string, std::string> outputs;
    for (const auto& entry : fs::directory_iterator("."))
        if (entry.path().filename() != "fuzz.vep") fs::remove_all(entry.path());
    pxfuzz::write_file("fuzz.vep", text);
    // Every build from the same configuration: the largest model, so that
    // every step number up to 4096 is in range.
    px::reset_configuration();
    px::select_model(*largest_model);
    char path[] = "fuzz.vep";
    outputs["result"] = std::to_string(px::run_export(path));
    for (const auto& entry : fs::directory_iterator(".")) {
        std::string extension = entry.path().extension().string();
        bool compared = false;
        for (const char* e : {".dso", ".lst", ".err", ".xrf"}) compared = compared || strcasecmp(extension.c_str(), e) == 0;
        if (!compared) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        outputs[entry.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
    return outputs;
}

std::string described(const std::map<std::string, std::string>& outputs) {
    std::string out;
    for (const auto& [name, bytes] : outputs) out += name + ": " + std::to_string(bytes.size()) + " bytes\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("fmt");
    // Maps carry the date: a fixed one lets them be compared.
    ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);
    for (const px::model_row& row : px::model_table)
        if (!largest_model || row.steps > largest_model->steps) largest_model = &row;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    pxc::formatted once = pxc::format_steps(text, "fuzz.vep");
    if (once.refused) return 0;
    pxc::formatted twice = pxc::format_steps(once.text, "fuzz.vep");
    if (twice.refused || twice.text != once.text) pxfuzz::differ("the formatted text", once.text, twice.text);
    if (once.text == text) return 0;
    std::map<std::string, std::string> before = build(text);
    std::map<std::string, std::string> after = build(once.text);
    if (after != before)
        pxfuzz::differ("what the build writes", described(before) + "--- formatted:\n" + once.text,
                       described(after));
    return 0;
}

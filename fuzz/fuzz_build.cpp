// libFuzzer target: a whole program built end to end through the export.
//
// The first byte picks the controller model and whether every file comes
// with old-platform line ends. The rest is split at lines "%%" into, in
// order: the master step file, its configuration, its data table, the link
// file and up to four further step files ("s1.vep".."s4.vep"). An empty link
// file part is replaced by one that lists the master and every further step
// file; a missing configuration part by one naming the model. With no "%%"
// at all the bytes are the master step file alone, built without a link file.
// A build may fail or report errors; it must never crash, overrun or leak.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "files/config.h"
#include "fuzz_support.h"
#include "test_hooks.h"

namespace {

constexpr std::string_view SEPARATOR = "\n%%\n";
constexpr std::size_t MAX_PARTS = 8;
const char* const PART_NAMES[MAX_PARTS] = {"fuzz.vep", "fuzz.fig", "fuzz.tab", "fuzz.mak",
                                           "s1.vep",   "s2.vep",   "s3.vep",   "s4.vep"};
const char* const OUTPUTS[] = {"fuzz.dso", "fuzz.lst", "fuzz.err", "fuzz.xrf", "omna.vep", "pxlinker.log"};

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        std::size_t at = parts.size() + 1 < MAX_PARTS ? text.find(SEPARATOR) : std::string_view::npos;
        if (at == std::string_view::npos) break;
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + SEPARATOR.size());
    }
    parts.push_back(text);
    return parts;
}

std::string with_line_ends(std::string_view text, bool crlf) {
    std::string out;
    for (char c : text) {
        if (crlf && c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("build");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const px::model_row& model = px::model_table[data[0] % px::MODEL_COUNT];
    bool crlf = data[0] & 0x80;
    std::vector<std::string_view> parts = split(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    // Names with a folder in them would reach outside the scratch folder.
    if (parts.size() > 3 && parts[3].find_first_of("/\\") != std::string_view::npos) return -1;

    // Every run starts from the same disk and the same library state.
    px::reset_configuration();
    for (const char* name : PART_NAMES) pxfuzz::remove_file(name);
    for (const char* name : OUTPUTS) pxfuzz::remove_file(name);
    std::string link;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        pxfuzz::write_file(PART_NAMES[i], with_line_ends(parts[i], crlf));
        if (i >= 4 || i == 0) link += std::string(PART_NAMES[i]) + "\n";
    }
    if (parts.size() < 2) pxfuzz::write_file("fuzz.fig", std::string("controller_model ") + model.name + "\n");
    bool linked = parts.size() > 3;
    if (linked && parts[3].empty()) pxfuzz::write_file("fuzz.mak", with_line_ends(link, crlf));

    char master[] = "fuzz.vep";
    char linkfile[] = "fuzz.mak";
    px::run_export(linked ? linkfile : master);
    return 0;
}

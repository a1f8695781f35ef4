// libFuzzer target: any bytes as a link file (".mak"), built end to end. The
// scratch folder holds the example programs, so that names the link file
// lists can be found, in any letter case; names with a folder in them are
// not tried, so that a run stays inside its own folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "driver/driver.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("makefile");
    namespace fs = std::filesystem;
    for (const char* example : {"examples/conveyor", "examples/tiny"})
        fs::copy(fs::path(PXFUZZ_SOURCE_DIR) / example, fs::current_path(),
                 fs::copy_options::overwrite_existing);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find_first_of("/\\") != std::string_view::npos) return -1;
    pxfuzz::write_file("fuzz.mak", text);
    char path[] = "fuzz.mak";
    px::run_export(path);
    return 0;
}

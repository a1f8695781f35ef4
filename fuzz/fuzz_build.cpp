// libFuzzer target: any bytes as a step file, built end to end through the
// export for one of the controller models. The first byte picks the model and
// whether the bytes come with old-platform line ends; the rest is the file.
// A build may fail or report errors; it must never crash, overrun or leak.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "driver/driver.h"
#include "driver/helpers.h"
#include "files/config.h"

namespace {

void write(const char* name, const std::string& text) {
    if (std::FILE* f = std::fopen(name, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    auto dir = std::filesystem::temp_directory_path() / "pxfuzz";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    px::set_pauses_enabled(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const px::model_row& model = px::model_table[data[0] % px::MODEL_COUNT];
    write("fuzz.fig", std::string("controller_model ") + model.name + "\n");
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 0x80) {
        std::string crlf;
        for (char c : text) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        text = crlf;
    }
    write("fuzz.vep", text);
    char path[] = "fuzz.vep";
    px::run_export(path);
    return 0;
}

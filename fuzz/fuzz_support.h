// What every fuzz target needs around the library: a scratch folder of its
// own (several targets run side by side), whole files written from bytes,
// and a way to stop with both sides shown when a round trip loses something.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace pxfuzz {

// Each process works in its own folder, so targets and jobs never share files.
inline void enter_scratch(const char* target) {
    auto dir = std::filesystem::temp_directory_path() /
               ("pxfuzz-" + std::string(target) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    px::set_pauses_enabled(false);
}

inline void write_file(const char* name, std::string_view bytes) {
    if (std::FILE* f = std::fopen(name, "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

inline void remove_file(const char* name) { std::remove(name); }

// The round trip lost or changed something: show both sides and crash, so
// that libFuzzer keeps the input.
[[noreturn]] inline void differ(const char* what, const std::string& first, const std::string& again) {
    std::fprintf(stderr, "%s differs after the round trip\n--- read:\n%s\n--- read back:\n%s\n", what,
                 first.c_str(), again.c_str());
    std::abort();
}

}  // namespace pxfuzz

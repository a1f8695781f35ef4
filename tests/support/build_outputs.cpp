#include "build_outputs.h"

#include <strings.h>

#include <filesystem>
#include <vector>

#include "driver/driver.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace pxtest {

namespace {

bool is_compared(const fs::path& file) {
    for (const char* extension : {".dso", ".lst", ".err", ".xrf"})
        if (strcasecmp(file.extension().c_str(), extension) == 0) return true;
    return false;
}

}  // namespace

std::map<std::string, std::string> build_outputs(const std::string& entry) {
    std::vector<fs::path> old;
    for (const auto& f : fs::directory_iterator(fs::current_path()))
        if (f.is_regular_file() && is_compared(f.path())) old.push_back(f.path());
    for (const fs::path& f : old) fs::remove(f);
    reset_library();
    std::string path = entry;
    std::map<std::string, std::string> outputs;
    outputs["result"] = std::to_string(px::run_export(path.data()));
    for (const auto& f : fs::directory_iterator(fs::current_path()))
        if (f.is_regular_file() && is_compared(f.path()))
            outputs[f.path().filename().string()] = read_file(f.path().string());
    return outputs;
}

std::string outputs_differ(const std::map<std::string, std::string>& before,
                           const std::map<std::string, std::string>& after) {
    for (const auto& [name, bytes] : before) {
        auto other = after.find(name);
        if (other == after.end()) return name + " is no longer written";
        if (other->second != bytes) return name + " differs";
    }
    for (const auto& [name, bytes] : after)
        if (!before.count(name)) return name + " is written only after formatting";
    return "";
}

}  // namespace pxtest

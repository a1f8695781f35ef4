#include "program_sets.h"

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace pxtest {

program_sets read_program_sets(int argc, char** argv) {
    program_sets p;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--generated")
            p.generated = std::atol(argv[i + 1]);
        else if (option == "--seed")
            p.seed = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        else
            p.sets.emplace_back(option, fs::absolute(argv[i + 1]));
    }
    return p;
}

std::vector<fs::path> set_sources(const std::string& kind, const fs::path& folder) {
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (kind == "projects" && entry.is_directory()) sources.push_back(entry.path());
        if (kind == "cases" && fs::is_directory(entry.path() / "in")) sources.push_back(entry.path() / "in");
        if (kind == "files" && entry.is_regular_file()) sources.push_back(entry.path());
    }
    std::sort(sources.begin(), sources.end());
    return sources;
}

}  // namespace pxtest

// The command line of the property checks that run over every program at
// hand: sets of programs by folder, then N generated from a seed.
//
//   [--generated N] [--seed S] [projects DIR | cases DIR | files DIR]...
//
// "projects DIR": each folder in DIR is a project (the examples); "cases
// DIR": the in/ folder of each case in DIR is one; "files DIR": each file in
// DIR is a step file alone (a fuzz corpus).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pxtest {

struct program_sets {
    long generated = 0;
    uint32_t seed = 1;
    std::vector<std::pair<std::string, std::filesystem::path>> sets;  // kind, folder
};

program_sets read_program_sets(int argc, char** argv);

// The programs of one set, sorted: project folders, case in/ folders or files.
std::vector<std::filesystem::path> set_sources(const std::string& kind, const std::filesystem::path& folder);

}  // namespace pxtest

// What the case runners share in reading their files: the files of a case
// folder, a line without the blanks at either end, its words, and "{N*TEXT}"
// written out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pxtest {

std::string trim(const std::string& s);
bool starts(const std::string& s, const char* prefix);
// The words of s, one blank between them.
std::string words(const std::string& s);
// "{N*TEXT}" is TEXT written N times, so long steps and long words stay short.
std::string expand(const std::string& s);

// The "*.txt" files of a folder, sorted, and the test name of one: its stem
// with every character that is no letter or digit made "_".
std::vector<std::filesystem::path> case_files(const std::filesystem::path& folder);
std::string case_name(const std::filesystem::path& file);

}  // namespace pxtest

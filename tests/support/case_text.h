// What the case runners share in reading their files: a line without the
// blanks at either end, its words, and "{N*TEXT}" written out.
#pragma once

#include <string>

namespace pxtest {

std::string trim(const std::string& s);
bool starts(const std::string& s, const char* prefix);
// The words of s, one blank between them.
std::string words(const std::string& s);
// "{N*TEXT}" is TEXT written N times, so long steps and long words stay short.
std::string expand(const std::string& s);

}  // namespace pxtest

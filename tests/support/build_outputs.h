// What a build leaves that the formatter must not change: the object file,
// the listing, the error file and the map, each byte for byte, and the
// export's result. The formatter's tests build a program before and after
// formatting it and compare the two.
#pragma once

#include <map>
#include <string>

namespace pxtest {

// Builds `entry` (a makefile or step file in the working folder) from the
// library's initial configuration, after removing the outputs of earlier
// builds, and returns those outputs by file name, with "result" for the
// export's result. Set SOURCE_DATE_EPOCH first to compare maps.
std::map<std::string, std::string> build_outputs(const std::string& entry);

// The first difference between two such sets, or "" when they are equal.
std::string outputs_differ(const std::map<std::string, std::string>& before,
                           const std::map<std::string, std::string>& after);

}  // namespace pxtest

// Two texts compared line by line, as "diff -u" prints it, so that patch(1)
// and every review tool read it.
#pragma once

#include <string>

namespace pxc {

// The unified diff from `before` (named name_before) to `after`, with three
// lines of context around each change; empty when the texts are equal. The
// shortest edit is found for all but texts that differ almost everywhere,
// where one long change stands for the middle.
std::string unified_diff(const std::string& before, const std::string& after, const std::string& name_before,
                         const std::string& name_after);

}  // namespace pxc

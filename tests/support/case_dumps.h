// Build outputs as text a reader can check by eye: the object file and the
// error file as hex dumps with one comment per record, the local date of a
// map masked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pxtest {

// ".dso": magic and status byte, then one line group per record.
std::string dso_dump(const std::vector<uint8_t>& bytes);
// ".err": one group per 92-byte record: step, position, text.
std::string err_dump(const std::vector<uint8_t>& bytes);
// Every date in the first 512 bytes (a map's header) as "Www Mmm dd hh:mm:ss yyyy".
std::string mask_dates(const std::string& text);

}  // namespace pxtest

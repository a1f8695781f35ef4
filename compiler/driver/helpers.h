// Small helpers shared by every part of the library.
#pragma once

#include <string>
#include <string_view>

namespace px {

// Position of the extension (its '.') in name, or npos. A '.' directly
// followed by '/' or '\' does not start an extension.
std::size_t find_extension(std::string_view name);
// name with its extension replaced by ext (which carries its '.'), or with
// ext appended when name has none.
std::string replace_extension(std::string_view name, std::string_view ext);
// "" for 1, "s" for every other count.
const char* plural_suffix(long count);
// True for the terminator and for every character that is not a letter, a
// digit or one of "_.:\/".
bool is_name_delimiter(char c);

}  // namespace px

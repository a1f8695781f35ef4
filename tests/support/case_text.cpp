#include "case_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace pxtest {

std::string trim(const std::string& s) {
    std::size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
    return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

bool starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string words(const std::string& s) {
    std::istringstream in(s);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

std::string expand(const std::string& s) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t open; (open = s.find('{', at)) != std::string::npos;) {
        std::size_t star = s.find('*', open), close = s.find('}', open);
        if (close == std::string::npos || star > close) break;
        out += s.substr(at, open - at);
        for (int n = std::atoi(s.c_str() + open + 1); n > 0; --n) out += s.substr(star + 1, close - star - 1);
        at = close + 1;
    }
    return out + s.substr(at);
}

std::vector<std::filesystem::path> case_files(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string case_name(const std::filesystem::path& file) {
    std::string name = file.stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

}  // namespace pxtest

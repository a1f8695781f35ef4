#include "test_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "driver/helpers.h"
#include "driver/model.h"
#include "files/config.h"

namespace fs = std::filesystem;

namespace pxtest {

scratch_dir::scratch_dir() {
    std::random_device rd;
    previous_ = fs::current_path();
    for (;;) {
        path_ = fs::temp_directory_path() / ("pxtest-" + std::to_string(rd()));
        if (fs::create_directory(path_)) break;
    }
    fs::current_path(path_);
    reset_library();
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
}

void write_file(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + name);
    out << content;
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<uint8_t> read_bytes(const std::string& name) {
    std::string s = read_file(name);
    return {s.begin(), s.end()};
}

bool file_exists(const std::string& name) { return fs::exists(name); }

std::string hex(const uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string hex(const std::vector<uint8_t>& bytes) { return hex(bytes.data(), bytes.size()); }

std::vector<uint8_t> parse_hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        while (words >> word) out.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return out;
}

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string golden(const std::string& relative) { return std::string(PX_GOLDEN_DIR) + "/" + relative; }

void reset_library() {
    px::reset_configuration();
    px::set_pauses_enabled(false);
    px::set_pool_limit(0);
}

}  // namespace pxtest

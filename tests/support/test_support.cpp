#include "test_support.h"

#include <signal.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/save_file.h"
#include "platform/clock.h"
#include "test_hooks.h"

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

log_capture::log_capture()
    : buffer_(1 << 16), path_(fs::absolute("pxlinker.log")), file_(std::fopen(path_.c_str(), "w+b")) {
    if (!file_) throw std::runtime_error("cannot open " + path_.string());
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    px::build_log = file_;
}

log_capture::~log_capture() {
    if (px::build_log == file_) px::build_log = nullptr;
    std::fclose(file_);
}

std::string log_capture::text() {
    std::fflush(file_);
    return read_file(path_.string());
}

std::vector<std::string> log_capture::lines() {
    std::string all = text();
    std::vector<std::string> out;
    for (std::size_t at = 0; at < all.size();) {
        std::size_t end = all.find("\r\n", at);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(at, end - at);
        if (line.empty() || line.back() != '\n') out.push_back(line);
        at = end + 2;
    }
    return out;
}

file_size_limit::file_size_limit(rlim_t bytes) : old_handler_(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
}

file_size_limit::~file_size_limit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, old_handler_);
}

memory_build::memory_build(const char* name) {
    if (!px::pool_create(build_, px::save_file_try)) throw std::runtime_error("cannot create the build pool");
    px::reset_program();
    if (name) px::the_program.name = px::pool_strdup(name);
    px::error_count = 0;
    px::build_ok = true;
    px::program_bytes = 0;
    px::total_bytes = 0;
    px::current_step = px::END;
    px::current_instruction = px::END;
}

memory_build::~memory_build() {
    // Nothing may point into the pool once it is gone.
    px::current_step = px::END;
    px::current_instruction = px::END;
    px::pool_destroy();
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

std::string without_cr(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

std::string golden(const std::string& relative) { return std::string(PX_GOLDEN_DIR) + "/" + relative; }

void reset_library() {
    px::reset_configuration();
    px::set_pauses_enabled(false);
    px::set_pool_limit(0);
}

}  // namespace pxtest

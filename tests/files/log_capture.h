// Helpers of the saver and data table tests: the build log captured in a
// file of the scratch folder, and a full disk made by a file size limit.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "support/test_support.h"

namespace pxtest {

// Routes the build log into "pxlinker.log" of the scratch folder while it
// lives. The big buffer keeps log writes clear of a file_size_limit.
struct log_capture {
    std::vector<char> buffer = std::vector<char>(1 << 16);
    log_capture() {
        px::build_log = std::fopen("pxlinker.log", "w+b");
        std::setvbuf(px::build_log, buffer.data(), _IOFBF, buffer.size());
    }
    ~log_capture() {
        std::fclose(px::build_log);
        px::build_log = nullptr;
    }
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;

    std::string text() {
        std::fflush(px::build_log);
        return read_file("pxlinker.log");
    }
    // One entry per log line, without its CR LF. Lines of the configuration
    // writer (its messages all end in a line feed of their own) are left out.
    std::vector<std::string> lines() {
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
};

// Lets the process write files only up to `bytes` while it lives: a full
// disk, in small. Writes past the limit fail instead of raising SIGXFSZ.
struct file_size_limit {
    rlimit saved{};
    void (*old_handler)(int);
    explicit file_size_limit(rlim_t bytes) {
        old_handler = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~file_size_limit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, old_handler);
    }
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;
};

}  // namespace pxtest

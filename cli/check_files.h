// The file system of a build that leaves the disk alone (pxc --check, the
// formatter, the language server): files are read as they are, the log goes
// into memory, every other file written goes nowhere, the object file into a
// file in memory (so that seeking back to its status byte works as on
// disk), and nothing is deleted.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/file_names.h"

namespace pxc {

class check_files : public px::file_system {
public:
    check_files() = default;
    ~check_files() override;
    check_files(const check_files&) = delete;
    check_files& operator=(const check_files&) = delete;

    std::FILE* open(const std::string& path, const char* mode) override;
    int create(const std::string& path) override;
    int remove(const std::string& path) override;

    // What the build logged.
    std::string log() const;

private:
    char* log_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace pxc

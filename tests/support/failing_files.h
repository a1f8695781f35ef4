// A file system for the failure sweeps: it counts every write, flush and
// close of a file the build writes (each piece of a write of many pieces
// counting as one write, as each record of the object file is one), and
// makes the chosen one fail as a full disk does.
#pragma once

#include <map>
#include <string>

#include "platform/file_names.h"

namespace pxtest {

class failing_files : public px::file_system {
public:
    // The k-th operation fails; 0 counts without failing.
    explicit failing_files(long k = 0) : to_fail_(k) {}

    long counted() const { return counted_; }
    // The file whose operation failed, or "".
    const std::string& failed() const { return failed_; }

    std::FILE* open(const std::string& path, const char* mode) override;
    int create(const std::string& path) override;
    ssize_t write(int fd, const void* bytes, std::size_t count) override;
    ssize_t write_pieces(int fd, const struct iovec* pieces, int count) override;
    int close(int fd) override;

    // One counted operation on the named file: true when it is the one to fail.
    bool turn_fails(const std::string& name);

private:
    long to_fail_;
    long counted_ = 0;
    std::string failed_;
    std::map<int, std::string> descriptors_;
};

}  // namespace pxtest

// The language server's transport: JSON-RPC messages framed as the Language
// Server Protocol frames them on standard input and output, a header block
// ("Content-Length: N", other headers passed over, an empty line) and N
// bytes of JSON.
//
// The reader never trusts the header: a length above MAX_CONTENT_LENGTH is
// refused before a byte of the body is kept (the body is read and dropped,
// so that the next message is found again), and a header line that never
// ends is cut off at MAX_HEADER_LINE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pxc::lsp {

using json = nlohmann::json;

constexpr std::size_t MAX_CONTENT_LENGTH = std::size_t{64} << 20;
constexpr std::size_t MAX_HEADER_LINE = 8192;

// What the reader found next.
struct incoming {
    enum kind_t {
        message,     // `body` holds one message's bytes
        too_large,   // the header asked for more than MAX_CONTENT_LENGTH; the body was dropped
        bad_header,  // no usable Content-Length; `why` says what was wrong
        end,         // the input ended (or failed)
    };
    kind_t kind = end;
    std::string body;
    std::string why;
};

class message_reader {
public:
    // Reads like read(2): bytes into buffer, 0 at the end, below 0 on failure.
    using source = std::function<long(char* buffer, std::size_t size)>;
    explicit message_reader(source from) : from_(std::move(from)) {}

    incoming next();

private:
    // The next byte, or -1 at the end.
    int get();
    // Up to `count` bytes appended to out (fewer only at the end).
    std::size_t take(std::size_t count, std::string* out);
    // Passes over `count` bytes (fewer only at the end).
    void skip(uint64_t count);

    source from_;
    char buffer_[65536];
    std::size_t at_ = 0;
    std::size_t size_ = 0;
    bool ended_ = false;
};

// Everything a string of bytes holds, as the reader finds it.
std::vector<incoming> read_messages(const std::string& bytes);

// One message framed for the wire. Text that is not UTF-8 is sent with
// U+FFFD in its place.
std::string frame(const json& message);

}  // namespace pxc::lsp

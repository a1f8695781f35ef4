// Framing of the language server's messages.
#include "lsp_transport.h"

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pxc::lsp {

namespace {

constexpr char CONTENT_LENGTH[] = "content-length:";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The value of a Content-Length header: digits, blanks around them. False
// for anything else. A value beyond what 64 bits hold stays at the most
// they hold.
bool content_length(const std::string& value, uint64_t& length) {
    std::size_t i = 0;
    while (i < value.size() && is_blank(value[i])) ++i;
    std::size_t digits = i;
    length = 0;
    constexpr uint64_t most = ~uint64_t{0};
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        uint64_t digit = static_cast<uint64_t>(value[i] - '0');
        length = length > (most - digit) / 10 ? most : length * 10 + digit;
    }
    if (i == digits) return false;
    while (i < value.size() && is_blank(value[i])) ++i;
    return i == value.size();
}

}  // namespace

int message_reader::get() {
    if (at_ == size_) {
        if (ended_) return -1;
        long got = from_(buffer_, sizeof buffer_);
        if (got <= 0) {
            ended_ = true;
            return -1;
        }
        at_ = 0;
        size_ = static_cast<std::size_t>(got);
    }
    return static_cast<unsigned char>(buffer_[at_++]);
}

std::size_t message_reader::take(std::size_t count, std::string* out) {
    std::size_t taken = 0;
    while (taken < count) {
        if (at_ == size_) {
            int c = get();  // fills the buffer again
            if (c < 0) break;
            if (out) out->push_back(static_cast<char>(c));
            ++taken;
            continue;
        }
        std::size_t piece = std::min(count - taken, size_ - at_);
        if (out) out->append(buffer_ + at_, piece);
        at_ += piece;
        taken += piece;
    }
    return taken;
}

void message_reader::skip(uint64_t count) {
    constexpr uint64_t piece = uint64_t{1} << 30;
    while (count > 0) {
        std::size_t now = static_cast<std::size_t>(std::min(count, piece));
        if (take(now, nullptr) < now) return;
        count -= now;
    }
}

incoming message_reader::next() {
    incoming result;
    bool have_length = false;
    bool malformed = false;
    uint64_t length = 0;
    bool any_header = false;
    for (;;) {
        // One header line, to its LF; a CR before the LF is dropped.
        std::string line;
        int c;
        bool cut = false;
        while ((c = get()) >= 0 && c != '\n') {
            if (line.size() < MAX_HEADER_LINE)
                line.push_back(static_cast<char>(c));
            else
                cut = true;
        }
        if (c < 0 && line.empty() && !any_header) return result;  // the end, between messages
        if (c < 0) {
            result.kind = incoming::bad_header;
            result.why = "the input ended inside a header";
            return result;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            if (!any_header) continue;  // blank lines between messages
            break;
        }
        any_header = true;
        if (cut) {
            malformed = true;
            result.why = "a header line longer than " + std::to_string(MAX_HEADER_LINE) + " bytes";
            continue;
        }
        if (line.size() >= sizeof CONTENT_LENGTH - 1 &&
            strncasecmp(line.c_str(), CONTENT_LENGTH, sizeof CONTENT_LENGTH - 1) == 0) {
            if (!content_length(line.substr(sizeof CONTENT_LENGTH - 1), length)) {
                malformed = true;
                result.why = "a Content-Length that is not a number";
                continue;
            }
            have_length = true;
        } else if (line.find(':') == std::string::npos) {
            malformed = true;
            result.why = "a header line without a colon";
        }
    }
    const bool huge = length > MAX_CONTENT_LENGTH;
    if (malformed || !have_length) {
        result.kind = incoming::bad_header;
        if (result.why.empty()) result.why = "no Content-Length header";
        // With a length the body can still be passed over; without, what
        // follows is read as the next header.
        if (have_length) skip(length);
        return result;
    }
    if (huge) {
        // Passed over in the reader's own buffer, never held.
        result.kind = incoming::too_large;
        result.why = "a message of " + std::to_string(length) + " bytes; at most " +
                     std::to_string(MAX_CONTENT_LENGTH) + " are read";
        skip(length);
        return result;
    }
    const std::size_t size = static_cast<std::size_t>(length);
    if (take(size, &result.body) < size) {
        result.kind = incoming::bad_header;
        result.why = "the input ended inside a message";
        result.body.clear();
        return result;
    }
    result.kind = incoming::message;
    return result;
}

std::vector<incoming> read_messages(const std::string& bytes) {
    std::size_t at = 0;
    message_reader reader([&](char* buffer, std::size_t size) -> long {
        std::size_t n = std::min(size, bytes.size() - at);
        bytes.copy(buffer, n, at);
        at += n;
        return static_cast<long>(n);
    });
    std::vector<incoming> all;
    for (incoming next = reader.next(); next.kind != incoming::end; next = reader.next()) all.push_back(std::move(next));
    return all;
}

std::string frame(const json& message) {
    std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace pxc::lsp

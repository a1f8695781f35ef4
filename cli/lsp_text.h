// Texts as an editor counts them: lines and positions in UTF-16 code units
// (the protocol's default) or in bytes (UTF-8, when the editor offers it),
// and file URIs. The compiler counts lines from 1 and columns in bytes from
// 1, a CR LF pair being one line end; a position here is a line from 0 and
// a column in the negotiated units from 0, on the same lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pxc::lsp {

enum class encoding { utf16, utf8 };

struct position {
    uint32_t line = 0;
    uint32_t character = 0;
    bool operator==(const position&) const = default;
    auto operator<=>(const position&) const = default;
};

struct range {
    position start;
    position end;
    bool operator==(const range&) const = default;
    bool contains(const position& p) const { return start <= p && p <= end; }
};

// The lines of a text: each line's first byte, and the line without its end.
class text_lines {
public:
    explicit text_lines(std::string_view text);
    std::size_t count() const { return starts_.size(); }
    std::string_view line(std::size_t number) const;  // from 0; "" beyond the last
    std::size_t start(std::size_t number) const { return starts_[number]; }

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

// Code units of `bytes` in the encoding (an invalid byte counts as one).
uint32_t units_in(std::string_view bytes, encoding e);
// The byte of `line` that `units` code units reach, or none when the line
// is shorter.
std::optional<std::size_t> byte_at(std::string_view line, uint32_t units, encoding e);

// A compiler's place (line from 1, column in bytes from 1; line 0: the file
// as a whole) and a length in bytes, as a range in a text's lines. A length
// of 0 marks the word there, as far as a blank.
range range_of(const text_lines& lines, uint32_t line, uint32_t column, uint32_t length, encoding e);

// The byte offset of a position in a text, or none when it lies outside.
std::optional<std::size_t> offset_of(const text_lines& lines, const position& p, encoding e);
// The position of a byte offset.
position position_of(const text_lines& lines, std::size_t offset, encoding e);

// "file:///a%20b/c.pre" and "/a b/c.pre". Only file URIs name files.
std::optional<std::string> path_of_uri(std::string_view uri);
std::string uri_of_path(std::string_view path);

}  // namespace pxc::lsp

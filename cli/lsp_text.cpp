// Lines, positions and URIs of the language server.
#include "lsp_text.h"

#include "report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace pxc::lsp {

namespace {

// The length of the UTF-8 sequence that starts text[at], and the UTF-16
// units of its code point: a whole, shortest-form sequence, or one byte that
// stands for itself (one unit, as U+FFFD would be).
struct code_point {
    std::size_t bytes;
    uint32_t units;
};

code_point code_point_at(std::string_view text, std::size_t at) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    if (c < 0x80) return {1, 1};
    std::size_t length = 0;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4;
    if (length == 0 || at + length > text.size()) return {1, 1};
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return {1, 1};
    unsigned char d = static_cast<unsigned char>(text[at + 1]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90))
        return {1, 1};
    return {length, length == 4 ? 2u : 1u};
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

text_lines::text_lines(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') starts_.push_back(i + 1);
}

std::string_view text_lines::line(std::size_t number) const {
    if (number >= starts_.size()) return {};
    std::size_t from = starts_[number];
    std::size_t to = number + 1 < starts_.size() ? starts_[number + 1] - 1 : text_.size();
    if (to > from && text_[to - 1] == '\r') --to;
    return text_.substr(from, to - from);
}

uint32_t units_in(std::string_view bytes, encoding e) {
    if (e == encoding::utf8) return static_cast<uint32_t>(bytes.size());
    uint32_t units = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        code_point cp = code_point_at(bytes, at);
        at += cp.bytes;
        units += cp.units;
    }
    return units;
}

std::optional<std::size_t> byte_at(std::string_view line, uint32_t units, encoding e) {
    if (e == encoding::utf8) {
        if (units > line.size()) return std::nullopt;
        return units;
    }
    uint32_t counted = 0;
    std::size_t at = 0;
    while (counted < units) {
        if (at >= line.size()) return std::nullopt;
        code_point cp = code_point_at(line, at);
        at += cp.bytes;
        counted += cp.units;
    }
    return at;
}

range range_of(const text_lines& lines, uint32_t line, uint32_t column, uint32_t length, encoding e) {
    range r;
    if (line == 0 || line > lines.count()) return r;
    std::string_view text = lines.line(line - 1);
    std::size_t from = std::min<std::size_t>(column > 0 ? column - 1 : 0, text.size());
    std::size_t to = from;
    if (length > 0) {
        to = std::min<std::size_t>(from + length, text.size());
    } else {
        while (to < text.size() && text[to] != ' ' && text[to] != '\t') ++to;
    }
    r.start = {line - 1, units_in(text.substr(0, from), e)};
    r.end = {line - 1, units_in(text.substr(0, to), e)};
    return r;
}

std::optional<std::size_t> offset_of(const text_lines& lines, const position& p, encoding e) {
    if (p.line >= lines.count()) return std::nullopt;
    auto at = byte_at(lines.line(p.line), p.character, e);
    if (!at) return std::nullopt;
    return lines.start(p.line) + *at;
}

position position_of(const text_lines& lines, std::size_t offset, encoding e) {
    std::size_t line = 0;
    while (line + 1 < lines.count() && lines.start(line + 1) <= offset) ++line;
    std::string_view text = lines.line(line);
    std::size_t within = std::min(offset - lines.start(line), text.size());
    return {static_cast<uint32_t>(line), units_in(text.substr(0, within), e)};
}

std::optional<std::string> path_of_uri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.size() < scheme.size()) return std::nullopt;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(uri[i])) != scheme[i]) return std::nullopt;
    std::string_view rest = uri.substr(scheme.size());
    // An authority other than "localhost" names another machine.
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest = rest.substr(slash);
    std::size_t query = rest.find_first_of("?#");
    if (query != std::string_view::npos) rest = rest.substr(0, query);
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hex_value(rest[i + 1]) >= 0 && hex_value(rest[i + 2]) >= 0) {
            path += static_cast<char>(hex_value(rest[i + 1]) * 16 + hex_value(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    if (path.find('\0') != std::string::npos) return std::nullopt;
    return std::filesystem::path(path).lexically_normal().string();
}

std::string uri_of_path(std::string_view path) { return "file://" + percent_encoded(path); }

}  // namespace pxc::lsp

#include "case_dumps.h"

#include <algorithm>
#include <map>
#include <regex>

#include "test_support.h"

namespace pxtest {

namespace {

uint32_t le(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

// Bytes in rows of `per_row`, the first row after `line` (a record header).
// A run of rows equal to the one before shows as one line that counts them.
std::string rows(std::string line, const uint8_t* bytes, std::size_t count, std::size_t per_row) {
    std::string out, previous;
    std::size_t repeats = 0;
    for (std::size_t at = 0; at < count; at += per_row) {
        std::string row = hex(bytes + at, std::min(per_row, count - at));
        if (at > 0 && row == previous) {
            ++repeats;
            continue;
        }
        if (repeats) out += "# the row above " + std::to_string(repeats) + " more times\n";
        repeats = 0;
        out += (line.empty() ? "" : line + "  ") + row + "\n";
        line.clear();
        previous = row;
    }
    if (repeats) out += "# the row above " + std::to_string(repeats) + " more times\n";
    return line.empty() ? out : out + line + "\n";
}

struct record {
    std::size_t at;
    uint32_t length, type, address;
};

}  // namespace

std::string dso_dump(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 3) return "# short file\n" + rows("", bytes.data(), bytes.size(), 16);
    std::vector<record> records;
    std::size_t at = 3;
    while (at + 4 <= bytes.size() && at + 4 + bytes[at] <= bytes.size()) {
        records.push_back({at, bytes[at], bytes[at + 1], le(&bytes[at + 2], 2)});
        at += 4 + bytes[at];
    }
    // Which step a code record belongs to: steps are written in ascending
    // order, so step n starts where the lengths of the steps before it end.
    std::vector<uint32_t> lengths;
    for (const record& r : records)
        if (r.type == 0) {
            lengths.resize(std::max<std::size_t>(lengths.size(), r.address + r.length));
            for (uint32_t i = 0; i < r.length; ++i) lengths[r.address + i] = bytes[r.at + 4 + i];
        }
    std::multimap<std::pair<uint32_t, uint32_t>, uint32_t> step_at;  // (offset, length) -> step
    uint32_t offset = 0;
    for (uint32_t n = 0; n < lengths.size(); offset += lengths[n], ++n)
        if (lengths[n]) step_at.insert({{offset & 0xFFFF, lengths[n]}, n + 1});

    std::string out = "# magic, status byte\n" + hex(bytes.data(), 3) + "\n";
    for (const record& r : records) {
        std::string what;
        switch (r.type) {
        case 0: what = "step lengths of steps [" + std::to_string(r.address + 1) + "] to [" +
                       std::to_string(r.address + r.length) + "]"; break;
        case 1:
            what = "step code at " + std::to_string(r.address);
            // The lowest such step first: equal keys keep their order.
            if (auto found = step_at.lower_bound({r.address, r.length});
                found != step_at.end() && found->first == std::pair{r.address, r.length}) {
                what = "step [" + std::to_string(found->second) + "] code at " + std::to_string(r.address);
                step_at.erase(found);
            }
            break;
        case 2: what = "data table bytes from " + std::to_string(r.address); break;
        case 3: what = r.length != 4 ? "data table size" : "data table size: " + std::to_string(le(&bytes[r.at + 4], 2)) + " rows, " +
                       std::to_string(le(&bytes[r.at + 6], 2)) + " columns"; break;
        case 4: what = "options"; break;
        case 5: what = "checksum"; break;
        case 6: what = "system configuration"; break;
        default: what = "record of unknown type " + std::to_string(r.type);
        }
        out += "# " + what + "\n" + rows(hex(&bytes[r.at], 4), &bytes[r.at + 4], r.length, 16);
    }
    if (at < bytes.size()) out += "# incomplete record\n" + rows("", &bytes[at], bytes.size() - at, 16);
    return out;
}

std::string err_dump(const std::vector<uint8_t>& bytes) {
    constexpr std::size_t RECORD = 92;
    std::string out;
    std::size_t at = 0;
    for (; at + RECORD <= bytes.size(); at += RECORD) {
        const uint8_t* r = &bytes[at];
        std::string text(reinterpret_cast<const char*>(r + 8), 84);
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        out += "# step [" + std::to_string(le(r, 4)) + "], instruction " + std::to_string(le(r + 4, 4)) + ": " +
               text + "\n" + hex(r, 4) + "  " + hex(r + 4, 4) + "\n" + rows("", r + 8, 84, 28);
    }
    if (at < bytes.size()) out += "# incomplete record\n" + rows("", &bytes[at], bytes.size() - at, 28);
    return out;
}

std::string mask_dates(const std::string& text) {
    static const std::regex date("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                 "[ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}");
    // Dates stand in headers: the head is enough, and a long map stays quick.
    const std::size_t head = std::min<std::size_t>(text.size(), 512);
    return std::regex_replace(text.substr(0, head), date, "Www Mmm dd hh:mm:ss yyyy") + text.substr(head);
}

}  // namespace pxtest

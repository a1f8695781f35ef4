// Myers' difference algorithm (the greedy one, in O((N + M) D) time), over
// lines that keep their line end, so that a last line without one differs
// from the same line with one, as diff -u sees it. Lines equal at both ends
// are taken off first; a middle whose edit would cost too much is one
// change instead, which is still a correct diff.
#include "unified_diff.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace pxc {

namespace {

constexpr int CONTEXT = 3;
// Work (diagonal steps) spent on the shortest edit before one change stands
// for the middle.
constexpr long long WORK_LIMIT = 50'000'000;

enum class edit : char { same = ' ', gone = '-', added = '+' };

std::vector<std::string_view> lines_of(const std::string& text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.emplace_back(text.data() + start, end - start);
        start = end;
    }
    return lines;
}

// The edits that turn a[0..n) into b[0..m), in order; false when the work
// limit was reached first.
bool shortest_edit(const std::string_view* a, long n, const std::string_view* b, long m, std::vector<edit>& out) {
    const long max = n + m;
    std::vector<long> v(static_cast<std::size_t>(2 * max + 3), 0);
    auto at = [&](long k) -> long& { return v[static_cast<std::size_t>(k + max + 1)]; };
    std::vector<std::vector<long>> trace;  // v over k = -d-1 .. d+1 before round d
    long long work = 0;
    long found = -1;
    for (long d = 0; d <= max && found < 0; ++d) {
        trace.emplace_back(v.begin() + (max + 1 - d - 1), v.begin() + (max + 1 + d + 2));
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            long y = x - k;
            while (x < n && y < m && a[x] == b[y]) ++x, ++y, ++work;
            at(k) = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        work += d + 1;
        if (work > WORK_LIMIT) return false;
    }
    // Back from the end, round by round.
    std::vector<edit> reversed;
    long x = n, y = m;
    for (long d = found; d > 0; --d) {
        const std::vector<long>& before = trace[static_cast<std::size_t>(d)];
        auto was = [&](long k) { return before[static_cast<std::size_t>(k + d + 1)]; };
        long k = x - y;
        long from_k = (k == -d || (k != d && was(k - 1) < was(k + 1))) ? k + 1 : k - 1;
        long from_x = was(from_k), from_y = from_x - from_k;
        while (x > from_x && y > from_y) {
            reversed.push_back(edit::same);
            --x, --y;
        }
        reversed.push_back(x == from_x ? edit::added : edit::gone);
        x = from_x;
        y = from_y;
    }
    for (; x > 0 && y > 0; --x, --y) reversed.push_back(edit::same);
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
    return true;
}

std::string range(long first, long count) {
    // diff -u names an empty range by the line before it, and leaves out a count of 1.
    if (count == 0) return std::to_string(first - 1) + ",0";
    if (count == 1) return std::to_string(first);
    return std::to_string(first) + "," + std::to_string(count);
}

void put_line(std::string& out, char mark, std::string_view line) {
    out += mark;
    if (!line.empty() && line.back() == '\n') {
        out.append(line);
    } else {
        out.append(line);
        out += "\n\\ No newline at end of file\n";
    }
}

}  // namespace

std::string unified_diff(const std::string& before, const std::string& after, const std::string& name_before,
                         const std::string& name_after) {
    if (before == after) return {};
    std::vector<std::string_view> a = lines_of(before), b = lines_of(after);
    long n = static_cast<long>(a.size()), m = static_cast<long>(b.size());
    long head = 0;
    while (head < n && head < m && a[head] == b[head]) ++head;
    long tail = 0;
    while (tail < n - head && tail < m - head && a[n - 1 - tail] == b[m - 1 - tail]) ++tail;

    std::vector<edit> edits(static_cast<std::size_t>(head), edit::same);
    if (!shortest_edit(a.data() + head, n - head - tail, b.data() + head, m - head - tail, edits)) {
        edits.insert(edits.end(), static_cast<std::size_t>(n - head - tail), edit::gone);
        edits.insert(edits.end(), static_cast<std::size_t>(m - head - tail), edit::added);
    }
    edits.insert(edits.end(), static_cast<std::size_t>(tail), edit::same);

    std::string out = "--- " + name_before + "\n+++ " + name_after + "\n";
    const std::size_t count = edits.size();
    // Where each edit stands in a and in b.
    std::vector<long> in_a(count + 1), in_b(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        in_a[i + 1] = in_a[i] + (edits[i] != edit::added);
        in_b[i + 1] = in_b[i] + (edits[i] != edit::gone);
    }
    std::size_t i = 0;
    while (i < count) {
        while (i < count && edits[i] == edit::same) ++i;
        if (i == count) break;
        // A hunk: from CONTEXT lines before this change to CONTEXT lines
        // after the last change that lies within 2 * CONTEXT of the next.
        std::size_t start = i >= CONTEXT ? i - CONTEXT : 0;
        std::size_t end = i;
        for (std::size_t same_run = 0; end < count; ++end) {
            same_run = edits[end] == edit::same ? same_run + 1 : 0;
            if (same_run > 2 * CONTEXT) break;
        }
        // Back to CONTEXT lines after the last change.
        std::size_t last_change = end;
        while (last_change > start && edits[last_change - 1] == edit::same) --last_change;
        end = std::min(count, last_change + CONTEXT);
        out += "@@ -" + range(in_a[start] + 1, in_a[end] - in_a[start]) + " +" +
               range(in_b[start] + 1, in_b[end] - in_b[start]) + " @@\n";
        for (std::size_t j = start; j < end; ++j) {
            if (edits[j] == edit::added)
                put_line(out, '+', b[static_cast<std::size_t>(in_b[j])]);
            else
                put_line(out, static_cast<char>(edits[j]), a[static_cast<std::size_t>(in_a[j])]);
        }
        i = end;
    }
    return out;
}

}  // namespace pxc

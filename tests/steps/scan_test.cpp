// The scanning helper behind every operand pattern.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "steps/scan.h"
#include "test_hooks.h"

namespace {

using px::scan;
using px::scan_ex;

TEST(Scan, ABlankInThePatternMatchesAnyRunOfBlanksOrNone) {
    int32_t n = 0;
    EXPECT_EQ(scan("flag#3 ", " flag#%d", &n), 1);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(scan(" \t flag#4 ", " flag#%d", &n), 1);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(scan("up  ctr#2", "up ctr#%d", &n), 1);
    EXPECT_EQ(scan("upctr#2", "up ctr#%d", &n), 1);
}

TEST(Scan, NumbersTakeBlanksAndASignBeforeTheirDigits) {
    int32_t n = 0;
    EXPECT_EQ(scan("reg#  -17x", "reg#%d", &n), 1);
    EXPECT_EQ(n, -17);
    EXPECT_EQ(scan("reg#+8", "reg#%d", &n), 1);
    EXPECT_EQ(n, 8);
    EXPECT_EQ(scan("reg#- 8", "reg#%d", &n), 0);
    EXPECT_EQ(scan("reg#x", "reg#%d", &n), 0);
}

TEST(Scan, NumbersTooLargeFor32BitsSaturate) {
    int32_t n = 0;
    EXPECT_EQ(scan("reg#4294967297", "reg#%d", &n), 1);
    EXPECT_EQ(n, INT32_MAX);
    EXPECT_EQ(scan("reg#99999999999999999999999", "reg#%d", &n), 1);
    EXPECT_EQ(n, INT32_MAX);
    EXPECT_EQ(scan("-2147483649", "%d", &n), 1);
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_EQ(scan("-2147483648", "%d", &n), 1);
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_EQ(scan("2147483647", "%d", &n), 1);
    EXPECT_EQ(n, INT32_MAX);
}

TEST(Scan, ACharacterConversionTakesTheNextCharacterEvenABlank) {
    int32_t n = 0;
    char c = 0;
    EXPECT_EQ(scan("in#5b ", " in#%d%c", &n, &c), 2);
    EXPECT_EQ(c, 'b');
    EXPECT_EQ(scan("in#5 ", " in#%d%c", &n, &c), 2);
    EXPECT_EQ(c, ' ');
    EXPECT_EQ(scan("in#5", " in#%d%c", &n, &c), 1);
}

TEST(Scan, AStringConversionTakesOneWord) {
    int32_t n = 0;
    std::string word;
    EXPECT_EQ(scan("byte#2:  bcd) x", "byte#%d:%s", &n, &word), 2);
    EXPECT_EQ(word, "bcd)");
    EXPECT_EQ(scan("byte#2: ", "byte#%d:%s", &n, &word), 1);
    EXPECT_EQ(scan("abcdef", "%3s", &word), 1);
    EXPECT_EQ(word, "abc");
}

TEST(Scan, CountsConversionsUpToTheFirstMismatch) {
    int32_t n = 0;
    char c = 0;
    EXPECT_EQ(scan("servo#2 :p", "servo#%d:%c", &n, &c), 1);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(scan("motor#2:r", "servo#%d:%c", &n, &c), 0);
    // sscanf would answer EOF here; no caller needs to tell the two apart.
    EXPECT_EQ(scan("", "%d", &n), 0);
    EXPECT_EQ(scan("   ", " %d", &n), 0);
}

TEST(Scan, MatchesPercentSignsAndSkipsSuppressedFields) {
    int32_t a = 0, b = 0;
    EXPECT_EQ(scan("50% of 7", "%d%% of %d", &a, &b), 2);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(scan("1 2", "%*d %d", &a), 1);
    EXPECT_EQ(a, 2);
}

TEST(ScanEx, TellsWhereScanningStopped) {
    int32_t n = 0;
    const char* text = "[12] rest";
    px::scan_result r = scan_ex(text, "[%d]", &n);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.end, text + 4);
    r = scan_ex(text, "[%d)", &n);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.end, text + 3);
}

}  // namespace

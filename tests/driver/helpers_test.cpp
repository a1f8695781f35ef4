// The small helpers every part of the library shares.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "driver/helpers.h"
#include "platform/clock.h"

namespace {

using namespace px;

TEST(FileNameExtension, LastDotStartsTheExtensionUnlessASeparatorFollows) {
    EXPECT_EQ(replace_extension("prog.vep", ".dso"), "prog.dso");
    EXPECT_EQ(replace_extension("prog", ".vep"), "prog.vep");
    EXPECT_EQ(replace_extension("..\\dir\\prog", ".vep"), "..\\dir\\prog.vep");
    EXPECT_EQ(replace_extension("../dir/prog", ".vep"), "../dir/prog.vep");
    EXPECT_EQ(replace_extension("dir.old\\prog", ".dso"), "dir.dso");
    EXPECT_EQ(replace_extension("a.b.c", ".x"), "a.b.x");
    EXPECT_EQ(find_extension("prog"), std::string::npos);
    EXPECT_EQ(find_extension("..\\dir\\prog"), std::string::npos);
    EXPECT_EQ(find_extension("prog."), 4u);
}

TEST(PluralSuffix, OnlyOneIsSingular) {
    EXPECT_STREQ(plural_suffix(1), "");
    EXPECT_STREQ(plural_suffix(0), "s");
    EXPECT_STREQ(plural_suffix(2), "s");
}

TEST(NameDelimiter, LettersDigitsAndPathCharactersContinueAName) {
    for (char c : std::string("azAZ09_.:\\/")) EXPECT_FALSE(is_name_delimiter(c)) << c;
    for (char c : std::string(" )([]-+#,;\t")) EXPECT_TRUE(is_name_delimiter(c)) << c;
    EXPECT_TRUE(is_name_delimiter('\0'));
}

TEST(PauseSeconds, SleepsUntilTheSecondsHaveAdvancedWithoutBurningTheProcessor) {
    set_pauses_enabled(true);
    std::clock_t cpu_before = std::clock();
    std::time_t wall_before = std::time(nullptr);
    pause_seconds(1);
    std::time_t wall_after = std::time(nullptr);
    double cpu_seconds = double(std::clock() - cpu_before) / CLOCKS_PER_SEC;
    EXPECT_GE(wall_after - wall_before, 1);
    EXPECT_LT(cpu_seconds, 0.2);
}

}  // namespace

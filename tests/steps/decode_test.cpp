// The step decoders' opcode table: no opcode belongs to two families. What
// each encoding reads back as, and every refusal, are the decode cases
// (cases/decode/*.txt); whole programs are round-tripped by
// bench/roundtrip.cpp.
#include <gtest/gtest.h>

#include "steps/decode.h"

namespace {

TEST(Decode, NoOpcodeBelongsToTwoFamilies) { EXPECT_EQ(px::decoder_clashes(), 0); }

}  // namespace

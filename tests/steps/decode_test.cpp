// Step code read back: the encodings the language defines, each beside the
// one spelling the decoders give it, and the refusals with their offsets.
// Whole programs are round-tripped by bench/roundtrip.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "steps/decode.h"

namespace {

std::vector<uint8_t> bytes_of(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::istringstream in(hex);
    for (unsigned byte; in >> std::hex >> byte;) bytes.push_back(static_cast<uint8_t>(byte));
    return bytes;
}

// Output changes and instructions, joined by " | ", or "offset N: why".
std::string decoded(const std::string& hex, bool wide) {
    std::vector<uint8_t> code = bytes_of(hex);
    px::decoded_step step = px::decode_step(code.data(), code.size(), wide);
    if (step.failed) return "offset " + std::to_string(step.fail_offset) + ": " + step.fail_reason;
    std::string text = std::to_string(step.output_changes.size()) + " changes";
    for (const px::decoded_instruction& in : step.instructions) text += " | " + in.text;
    return text;
}

struct example {
    const char* code;
    bool wide;
    const char* text;
};

const example examples[] = {
    {"02 82 04 C9", false, "2 changes | goto next"},
    {"81 CA", false, "1 changes | done"},
    {"00 0C 02 1E", false, "0 changes | delay 2 min 30 sec goto next"},
    {"00 34 03 01 05", false, "0 changes | delay 1 sec 50 ms goto [4]"},
    {"00 0C 3C 01", false, "0 changes | delay 60 min 1 sec goto next"},
    {"00 15 02", false, "0 changes | delay reg#3 sec/100 goto next"},
    {"00 0B E1", false, "0 changes | delay twhl#2 mmss goto next"},
    {"00 C2 83 04 06 08", false, "0 changes | do ([5] [7] [9]) 3 times goto next"},
    {"00 EB 2B 01", true, "0 changes | stop goto [300]"},
    {"00 80 03 00 01", false, "0 changes | if reg#1 >= reg#2 goto next"},
    {"00 A1 04 04 80 F0 E8 03", false, "0 changes | if ain#1 < 1000 goto [5]"},
    {"00 CC 82 CC 42 CC 22", false,
     "0 changes | monitor flag#3:set goto next | monitor flag#3:clear goto next | testandset flag#3 goto next"},
    {"00 D0 81 80", true, "0 changes | monitor in#130a goto next"},
    {"00 6F 01 02", false, "0 changes | monitor motor#2:running goto [3]"},
    {"00 00 06 01 80 61 82", false, "0 changes | monitor (and in#1a flag#2:set) goto next"},
    {"00 00 09 01 00 60 21 C2 12 93", false,
     "0 changes | monitor (or in#1b (nand flag#1:set motor#2:running) servo#3:stopped) goto next"},
    {"00 7F 9F 7F 00 ED 80 07 03 ED 23 0B 01", false,
     "0 changes | set flag#32 | clear flag#1 | shift flag#1 << flag#8 3 times | rotate flag#4 >> flag#12"},
    {"00 53 7C 45 4E", false, "0 changes | count down ctr#3 | reset ctr#8 | enable ctr#1 | disable ctr#2"},
    {"00 49 14 84 FF 00 00 05", false, "0 changes | start ctr#2 up(in#5a:20) reset(in#6b)"},
    {"00 41 FF 00 00 FF 00 00 FF 00 00", true, "0 changes | start ctr#1"},
    {"00 5F 22 E8 21 EF 83 57 0F", false,
     "0 changes | search ccw and zero motor#3 | search and zero servo#2 | stop (soft) servo#4 | stop motor#16"},
    {"00 A6 31 F0 90 01 CD C2 80 88 18 09", false,
     "0 changes | turn motor#2 cw 400 | turn servo#3 to ain#1 on start | turn servo#10 cw"},
    {"00 93 30 F0 64 00 F0 D0 07 F0 32 00 02", false,
     "0 changes | profile motor#1 (half coils) basespeed=100 maxspeed=2000 accel=50 decel=reg#3"},
    {"00 77 27 2D 00 F0 05 00", false, "0 changes | profile servo#2 servo at position maxspeed=reg#1 gain=5"},
    {"00 38 00 04 39 F0 E8 03 04 19 00 00 F0 01 00 00", false,
     "0 changes | store reg#1 to reg#5 | store 1000 to reg#5 | store reg#1 + 1 to reg#1"},
    {"00 18 0A 00 01 02 3A F9 FE FF FF FF 04", false,
     "0 changes | store reg#1 andnot reg#2 to reg#3 | store -2 to reg#5"},
    {"00 39 FB 81 00 04 39 F8 82 41 04", false, "0 changes | store reg#129 to reg#5 | store proto#3:byte#2:bcd to reg#5"},
    // Refused: what no family writes, by the offset of the byte at fault.
    {"00 06", false, "offset 1: unknown opcode 0x06"},
    {"00 7F", false, "offset 2: the instruction runs past the end of the step"},
    {"00 CA C9", false, "offset 0: \"do\" and \"done\" stand in a step of their own"},
    {"02 82 04", false, "offset 3: a step with code has at least one instruction"},
    {"02 84 82 C9", false, "offset 2: output changes out of order (output 3)"},
    {"00 3A F9 05 00 00 00 04", false, "offset 2: a 16-bit literal is written in 3 bytes"},
    {"00 38 F0 05 00 04", false, "offset 5: store length class 0 disagrees with its operands"},
    {"00 38 00 F0", false, "offset 3: operand kind 0xF0 is no destination"},
    {"00 A7 30 F9 00 00 01 00", false, "offset 3: \"turn motor\" takes 16-bit literals only"},
    {"00 04 00 00", false, "offset 3: delay of 0 and 0"},
};

TEST(Decode, EachEncodingReadsBackInOneSpelling) {
    for (const example& e : examples) EXPECT_EQ(decoded(e.code, e.wide), e.text) << e.code;
}

TEST(Decode, NoOpcodeBelongsToTwoFamilies) { EXPECT_EQ(px::decoder_clashes(), 0); }

}  // namespace

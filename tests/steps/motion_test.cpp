// Motion instructions for stepper motors and servos, compiled through the
// whole step frame.
#include <string>
#include <vector>

#include "step_harness.h"

namespace {

using pxtest::instruction_row;

class MotionTest : public pxtest::step_program_test {};

const char* const MOTORS = "IXO K400 VEP supports only motors 1-16.";
const char* const SERVOS = "IXO K400 VEP supports only servos 1-16.";
const char* const TURN_MOTOR = "Syntax:  turn motor#<1-16> <to|cw|ccw> <source> ...";
const char* const TURN_SERVO = "Syntax:  turn servo#<1-16> <to|cw|ccw> <source> <steps> <on start>";
const char* const PROFILE_MOTOR = "Syntax:  profile <and zero> motor#<1-16> (half|<1-2> coils) ";
const char* const REQUIRED = "Required parameters:  basespeed, maxspeed, accel, decel values.";
const char* const RESOURCES = "Profile parameters must be data obtained from controller resources.";
const char* const SERVO_MODE = "Syntax:  ... <motor off|servo|deadband of <source>> at position ...";
const char* const DEADBAND = "Syntax:  profile servo#<1-16> deadband of <source> at position ...";

TEST_F(MotionTest, ZeroAndSearchNameMotorOrServo) {
    program.expect_rows({
        {"zero motor#3", "5F 02", {}},
        {"zero servo#16", "E8 0F", {}},
        {"zero motor#17", "", {MOTORS}},
        {"zero servo#0", "", {SERVOS}},
        {"zero axis#1", "", {"Syntax:  zero <servo#<1-16> | motor#<1-16>>"}},
        {"search ccw and zero motor#3", "5F 22", {}},
        {"search and zero servo#2", "E8 21", {}},
        {"search up and zero motor#1", "", {"Syntax:  search <cw|ccw> and zero motor#<1-16>"}},
        {"search cw and zero motor#17", "", {MOTORS}},
        {"search and zero servo#17", "", {SERVOS}},
        {"search and zero motor#1", "", {"Syntax:  search <and zero servo|<cw|ccw> and zero motor> ..."}},
    });
}

TEST_F(MotionTest, StopNamesMotorOrServoWithItsMode) {
    const char* const servo_syntax = "Syntax:  stop (hard|soft) servo#<1-16>";
    program.expect_rows({
        {"stop (soft) servo#4", "EF 83", {}},
        {"stop motor#16", "57 0F", {}},
        {"stop motor#0", "", {MOTORS}},
        {"stop (soft) servo#17", "", {SERVOS}},
        {"stop (firm) servo#1", "", {servo_syntax}},
        {"stop servo#1", "", {"Syntax:  stop <goto|motor#<1-16>|(<hard|soft>) servo#<1-16>>"}},
    });
}

TEST_F(MotionTest, TurnMotorTakesDirectionAndA16BitSource) {
    program.expect_rows({
        {"turn motor#2 cw 400", "A6 31 F0 90 01", {}},
        {"turn motor#16 ccw reg#200 steps", "A6 2F FB C8 00", {}},
        {"turn motor#2 cw 70000", "", {"The turn motor instruction allows only 16-bit literals."}},
        {"turn motor#2 left 5", "", {TURN_MOTOR}},
        {"turn motor#2 cw aout#1", "", {TURN_MOTOR}},
        {"turn motor#2 cw reg#0", "", {"IXO K400 VEP supports only registers 1-60000.", TURN_MOTOR}},
        {"turn motor#17 cw 5", "", {MOTORS}},
        {"turn axis#1 cw 5", "", {"Syntax:  turn <servo#<1-16> | motor#<1-16>> ..."}},
    });
}

TEST_F(MotionTest, TurnServoEncodesMoveKindSourceAndStart) {
    program.expect_rows({
        {"turn servo#3 to ain#1 on start", "CD C2 80", {}},
        {"turn servo#10 cw", "88 18 09", {}},
        {"turn servo#1 cw on start", "C8 98", {}},
        {"turn servo#9 ccw on", "88 90 08", {}},
        {"turn servo#1 ccw 100 steps on start", "CE A0 F0 64 00", {}},
        {"turn servo#8 cw reg#2 steps", "CD 2F 01", {}},
        {"turn servo#12 cw -1", "8F 28 0B F9 FF FF FF FF", {}},
        {"turn servo#2 to", "", {"Syntax:  turn servo to <source> <on start>"}},
        {"turn servo#1 to 5 steps", "", {TURN_SERVO}},
        {"turn servo#4 up", "", {TURN_SERVO}},
        {"turn servo#17 cw", "", {SERVOS}},
    });
}

TEST_F(MotionTest, ProfileMotorAppendsFourParametersInFixedOrder) {
    program.expect_rows({
        {"profile motor#1 (half coils) basespeed=100 maxspeed=2000 accel=50 decel=reg#3",
         "93 30 F0 64 00 F0 D0 07 F0 32 00 02", {}},
        {"profile and zero motor#16 (1 coil) decel=reg#4 accel=reg#3 maxspeed=reg#2 basespeed=reg#1",
         "90 9F 00 01 02 03", {}},
        {"profile motor#2(2 coils) b=reg#1 b=reg#9 m=20000 a=0 d=500", "93 01 08 F0 20 4E F0 00 00 F0 F4 01", {}},
        // The max speed is limited from 50, not from the base speed.
        {"profile motor#1 (2) basespeed=1000 maxspeed=100 accel=1 decel=1",
         "94 00 F0 E8 03 F0 64 00 F0 01 00 F0 01 00", {}},
    });
}

TEST_F(MotionTest, ProfileMotorRefusesMissingMalformedAndOutOfRangeParameters) {
    const char* const head = "profile motor#1 (2 coils) ";
    struct refusal {
        const char* parameters;
        std::string message;
    };
    const refusal refusals[] = {
        {"basespeed=20 maxspeed=100 accel=10 decel=10", "IXO K400 VEP motor base speed limits are 50-19,999."},
        {"basespeed=50 maxspeed=20001 accel=10 decel=10", "IXO K400 VEP motor max speed limits are basespeed-20,000."},
        {"basespeed=50 maxspeed=50 accel=501 decel=10", "IXO K400 VEP motor acceleration limits are 0-500."},
        {"basespeed=50 maxspeed=50 accel=0 decel=501", "IXO K400 VEP motor deceleration limits are 0-500."},
        {"basespeed=100 maxspeed=2000 accel=50", REQUIRED},
        {"basespeed=100 speed=2000 accel=50 decel=1", REQUIRED},
        {"basespeed 100", "Syntax:  ... basespeed=<source> maxspeed=<source> accel=<source> decel=<source>"},
        {"basespeed=aout#1", RESOURCES},
        {"basespeed=70000", "Profile parameters cannot be 32-bit numbers."},
    };
    std::vector<instruction_row> cases;
    for (const refusal& r : refusals) cases.push_back({head + std::string(r.parameters), "", {r.message}});
    cases.push_back({"profile motor#1 half coils basespeed=100", "", {PROFILE_MOTOR}});
    cases.push_back({"profile motor#1 (3 coils) basespeed=100", "", {PROFILE_MOTOR}});
    cases.push_back({"profile motor#17 (2 coils) basespeed=100", "", {MOTORS}});
    cases.push_back({"profile axis#1 (2 coils)", "", {"Syntax:  profile <servo#<1-16> | <and zero> motor#<1-16>> ..."}});
    program.expect_rows(cases);
}

TEST_F(MotionTest, ProfileServoAppendsModeThenGivenParametersInFixedOrder) {
    program.expect_rows({
        {"profile servo#2 servo at position maxspeed=ctr#1 gain=5", "77 27 2D 00 F0 05 00", {}},
        {"profile servo#10 motor off at position", "37 04 09 04", {}},
        {"profile servo#1 deadband of reg#2 at pos zero=reg#3 pole=reg#4", "77 06 C6 01 02 03", {}},
        {"profile servo#3 pole=1 accel=2", "77 49 90 F0 02 00 F0 01 00", {}},
        {"profile servo#16 gain=reg#1 gain=reg#2", "37 05 0F 20 01", {}},
        // 31 bytes is the most the length field of servos 1-8 holds.
        {"profile servo#8 deadband of -1 at position m=-2 a=-3 g=-4 z=-5 p=6",
         "77 FF FE F9 FF FF FF FF F9 FE FF FF FF F9 FD FF FF FF F9 FC FF FF FF F9 FB FF FF FF F0 06 00", {}},
        {"profile servo#9 deadband of -1 at position m=-2 a=-3 g=-4 z=-5 p=-6",
         "37 22 08 FE F9 FF FF FF FF F9 FE FF FF FF F9 FD FF FF FF F9 FC FF FF FF F9 FB FF FF FF F9 FA FF FF FF", {}},
    });
}

TEST_F(MotionTest, ProfileServoRefusals) {
    program.expect_rows({
        {"profile servo#1 deadband of -1 at position m=-2 a=-3 g=-4 z=-5 p=-6", "",
         {"The profile of servos 1-8 is limited to 31 bytes; use fewer 32-bit literals."}},
        {"profile servo#1", "", {"The profile servo instruction requires parameters."}},
        {"profile servo#1 speed=5", "", {"Legal parameters:  maxspeed, accel, gain, zero, pole."}},
        {"profile servo#1 gain 5", "",
         {"Syntax:  ... maxspeed=<source> accel=<source> gain=<source> zero=<source> pole=<source>"}},
        {"profile servo#1 gain=aout#1", "", {RESOURCES}},
        {"profile servo#1 gain=reg#0", "", {"IXO K400 VEP supports only registers 1-60000.", RESOURCES}},
        {"profile servo#1 servo gain=1", "", {SERVO_MODE}},
        {"profile servo#1 motor on at position", "", {SERVO_MODE}},
        {"profile servo#1 deadband of aout#1 at position", "", {DEADBAND}},
        {"profile servo#17 gain=1", "", {SERVOS}},
    });
}

TEST_F(MotionTest, MotorAndServoNumbersAreRecordedEvenWhenOutOfRange) {
    program.expect_rows({
        {"search up and zero motor#40", "", {"Syntax:  search <cw|ccw> and zero motor#<1-16>"}},
        {"turn servo#30 cw", "", {SERVOS}},
    });
    std::string xrf = program.xref();
    EXPECT_NE(std::string::npos, xrf.find("\nStepper Motor #40\n       [1]  search up and zero motor#40"));
    EXPECT_NE(std::string::npos, xrf.find("\nServo #30\n       [2]  turn servo#30 cw"));
}

}  // namespace

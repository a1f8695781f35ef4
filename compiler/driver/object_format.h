// The layout of the object file (".dso"), for the writer and the reader
// alike: a two-byte magic number that tells the numbering, a status byte,
// then records of the form L, type, 16-bit address (low byte first), L data
// bytes, in a fixed order of types.
#pragma once

#include <cstddef>
#include <cstdint>

namespace px {

// Record types, in the order they are written: the step code records, the
// step length table, the data table size and its data, the options (wide
// numbering only), the system configuration byte and the checksum.
enum record_type : uint8_t {
    RECORD_STEP_LENGTHS = 0,
    RECORD_STEP_CODE = 1,
    RECORD_TABLE_DATA = 2,
    RECORD_TABLE_SIZE = 3,
    RECORD_OPTIONS = 4,
    RECORD_CHECKSUM = 5,
    RECORD_SYSTEM_CONFIG = 6,
};

// By type, as the reader names them.
constexpr const char* RECORD_NAMES[] = {"step length table", "step code", "data table data", "data table size",
                                        "options", "checksum", "system configuration"};
constexpr int RECORD_TYPES = sizeof RECORD_NAMES / sizeof RECORD_NAMES[0];

// The magic number as its two bytes stand in the file.
constexpr uint8_t NARROW_MAGIC[2] = {0xEF, 0xBE};
constexpr uint8_t WIDE_MAGIC[2] = {0xED, 0xFE};
constexpr std::size_t STATUS_OFFSET = 2;  // the status byte, patched at the end of a build with errors
constexpr std::size_t OBJECT_HEADER_BYTES = 3;

constexpr std::size_t RECORD_HEADER = 4;
constexpr std::size_t RECORD_MAX_DATA = 255;  // L has one byte
// The step length table and the data table go out 16 bytes to a record.
constexpr std::size_t TABLE_RECORD_BYTES = 16;
constexpr std::size_t TABLE_SIZE_BYTES = 4;  // rows, columns: 16 bits each
constexpr std::size_t OPTIONS_BYTES = 4;
constexpr uint8_t CONFIG_BITS = 0x0F;  // start, stop, reset and step on inputs 1-4

}  // namespace px

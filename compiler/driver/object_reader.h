// The object file read back: header, records and checksum, checked against
// the order and the sizes the writer uses. Every read is bounds-checked, so
// any bytes at all can be handed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace px {

struct object_problem {
    std::size_t offset;  // in the file
    std::string message;
};

struct object_step {
    uint32_t number = 0;        // from the step length table; 0 when it does not say
    std::size_t offset = 0;     // of the record's first data byte
    uint16_t address = 0;
    std::vector<uint8_t> code;  // the image after its length byte
};

struct object_contents {
    std::size_t size = 0;
    bool wide = false;
    bool has_magic = false, has_status = false;
    uint8_t status = 0;
    std::vector<object_step> steps;
    std::vector<uint8_t> step_lengths;  // one byte per step the model has
    bool lengths_complete = false;
    bool has_table_size = false;
    uint16_t rows = 0, columns = 0;
    std::vector<uint8_t> table_bytes;   // elements, high byte first
    bool has_options = false;
    uint8_t options[4] = {};
    bool has_config = false;
    uint8_t config = 0;
    bool has_checksum = false;
    uint8_t checksum = 0;               // as stored
    uint8_t computed_checksum = 0;      // over the data bytes read before it
    // A fatal problem ends the reading: the bytes from here on are not read.
    bool stopped = false;
    std::size_t stop_offset = 0;
    std::vector<object_problem> problems;

    uint32_t max_steps() const { return static_cast<uint32_t>(step_lengths.size()); }
    uint32_t program_bytes() const;
};

object_contents read_object(const uint8_t* bytes, std::size_t size);

// The model codes a file's numbering and step count fit, and their names.
std::string object_models(const object_contents& object);

}  // namespace px

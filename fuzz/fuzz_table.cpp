// libFuzzer target: any bytes as a data table file. A table that reads must
// save, and what the saver writes must read back as the same table: the same
// rows, columns and elements.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/build_context.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/data_table_file.h"
#include "files/save_file.h"
#include "fuzz_support.h"
#include "test_hooks.h"

namespace {

std::string describe(const px::data_table* t) {
    std::string out = "[" + std::to_string(t->rows) + "][" + std::to_string(t->columns) + "]";
    int64_t count = static_cast<int64_t>(t->rows) * t->columns;
    for (int64_t i = 0; i < count; ++i) out += " " + std::to_string(t->elements ? t->elements[i] : 0);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("table");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the model: the small ones hold fewer elements.
    px::reset_configuration();
    px::select_model(px::model_table[data[0] % px::MODEL_COUNT]);
    pxfuzz::write_file("fuzz.tab", std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    pxfuzz::remove_file("saved.tab");
    pxfuzz::remove_file("saved.#ab");
    px::build_context build;
    if (!px::pool_create(build, px::save_file_try)) return 0;
    bool header = px::has_data_table_header(build, "fuzz.tab");
    if (px::data_table* table = px::read_data_table(build, "fuzz.tab")) {
        if (!header) pxfuzz::differ("the header", "a table", "no header");
        std::string first = describe(table);
        if (px::save_data_table(build, "saved.tab", table) != 1) pxfuzz::differ("saving", first, "<not saved>");
        px::data_table* again = px::read_data_table(build, "saved.tab");
        if (!again) pxfuzz::differ("reading", first, "<not read>");
        if (describe(again) != first) pxfuzz::differ("the table", first, describe(again));
    }
    px::pool_destroy();
    return 0;
}

#include "read_back.h"

#include <algorithm>

#include "driver/build_context.h"
#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/save_file.h"
#include "steps/frame.h"

namespace pxtest {

recompiled compile_decoded(const px::decoded_step& step, uint32_t number, bool wide) {
    recompiled out;
    px::apply_model(*px::find_model(wide ? "K530" : "K410"));
    px::build_context build;
    if (!px::pool_create(build, px::save_file_try)) {
        out.errors = -1;
        return out;
    }
    px::reset_program();
    px::the_program.name = px::pool_strdup("readback.vep");
    px::error_count = 0;
    px::build_ok = true;
    px::current_step = px::END;
    px::current_instruction = px::END;

    std::vector<uint32_t> numbers = step.destinations;
    numbers.push_back(number);
    if (step.names_next) numbers.push_back(number + 1);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    px::list_node* after = px::END;
    px::list_node* own = px::END;
    for (uint32_t n : numbers) {
        after = px::new_step_after(after, n);
        if (n == number) own = after;
    }
    for (int32_t change : step.output_changes) px::add_output_change(own, change);
    px::list_node* last = px::END;
    for (const px::decoded_instruction& in : step.instructions) {
        last = px::append_inst(own, last);
        px::instruction_of(last)->text = px::pool_strdup(in.text);
    }
    if (step.highest_column) px::the_program.table = px::new_data_table(1, static_cast<int32_t>(step.highest_column));

    const uint8_t* image = px::compile_step(build, own);
    if (image) out.code.assign(image + 1, image + 1 + image[0]);
    out.errors = px::error_count;
    px::current_step = px::END;
    px::current_instruction = px::END;
    px::pool_destroy();
    return out;
}

}  // namespace pxtest

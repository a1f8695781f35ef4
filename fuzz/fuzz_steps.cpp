// libFuzzer target: any bytes as one step file, read by the step reader alone
// (no configuration, no table, no compile). Whatever reads must save, and what
// the saver writes must read back into the same program: the same steps with
// the same numbers, labels, comments, output changes and instructions.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/build_context.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/save_file.h"
#include "files/step_reader.h"
#include "fuzz_support.h"
#include "platform/file_names.h"

namespace {

void field(std::string& out, const char* text) {
    if (!text) {
        out += "<none>\n";
        return;
    }
    out += std::to_string(std::strlen(text)) + ":" + text + "\n";
}

// The program as the saver keeps it: empty steps are not saved, and a step
// that turns every output off says nothing of its other changes.
std::string describe() {
    std::string out;
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) {
        if (px::is_empty_step(n)) continue;
        const px::step* s = px::step_of(n);
        out += "[" + std::to_string(s->number) + "] ";
        field(out, s->label);
        for (px::list_node* c = s->comments; !px::is_end(c); c = c->next) {
            out += "  ;";
            field(out, px::comment_of(c)->text ? px::comment_of(c)->text : "");
        }
        for (px::list_node* o = s->output_changes; !px::is_end(o); o = o->next) {
            int32_t value = px::output_change_of(o)->value;
            out += "  out " + std::to_string(value) + "\n";
            if (value == 0) break;
        }
        for (px::list_node* i = s->instructions; !px::is_end(i); i = i->next) {
            if (!px::instruction_of(i)->text) continue;
            out += "  ";
            field(out, px::instruction_of(i)->text);
        }
    }
    return out;
}

// 0 when the file read, as read_step_file says otherwise.
int read_steps(px::build_context& build, const char* name) {
    px::reset_program();
    px::the_program.name = px::pool_strdup(name);
    std::FILE* file = px::open_file(*build.files, name, "r");
    if (!file) return 1;
    px::text_input in(file);
    px::link_state state{0, px::END, {0, 0, 0}};
    return px::read_step_file(build, in, name, state);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("steps");
    // The largest models, so that every step number up to 4096 is in range.
    for (const px::model_row& row : px::model_table)
        if (row.steps == 4096) {
            px::select_model(row);
            break;
        }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    pxfuzz::write_file("fuzz.vep", std::string_view(reinterpret_cast<const char*>(data), size));
    pxfuzz::remove_file("saved.vep");
    pxfuzz::remove_file("saved.#ep");
    px::build_context build;
    if (!px::pool_create(build, px::save_file_try)) return 0;
    if (read_steps(build, "fuzz.vep") == 0) {
        std::string first = describe();
        // Saved from no editing position, so that no empty step is kept for it.
        px::the_program.editing = px::END;
        if (px::save_file(build, "saved.vep") != 0) pxfuzz::differ("saving", first, "<not saved>");
        px::pool_destroy();
        px::pool_create(build, px::save_file_try);
        if (read_steps(build, "saved.vep") != 0) pxfuzz::differ("reading", first, "<not read>");
        std::string again = describe();
        if (again != first) pxfuzz::differ("the program", first, again);
    }
    px::pool_destroy();
    return 0;
}

#include "program_builder.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "driver/build_state.h"
#include "driver/xref.h"
#include "files/config.h"
#include "steps/frame.h"

namespace pxtest {

program_builder::program_builder(const char* model, const char* name)
    : memory_(name), listing_name_(std::filesystem::path(name).replace_extension(".lst").string()) {
    use_model(model);
}

void program_builder::use_model(const char* model) {
    const px::model_row* row = px::find_model(model);
    if (!row) throw std::invalid_argument(std::string("no model ") + model);
    px::apply_model(*row);
}

px::list_node* program_builder::add_step(uint32_t number, const std::vector<std::string>& instructions,
                                         const char* label, const std::vector<int32_t>& outputs) {
    px::list_node* s = find_step(number);
    if (px::is_end(s)) {
        px::list_node* after = px::END;
        for (px::list_node* n = px::the_program.steps; !px::is_end(n) && px::step_of(n)->number < number; n = n->next)
            after = n;
        s = px::new_step_after(after, number);
    }
    if (label) px::step_of(s)->label = px::pool_strdup(label);
    for (int32_t value : outputs) px::add_output_change(s, value);
    px::list_node* last = px::step_of(s)->instructions;
    while (!px::is_end(last) && !px::is_end(last->next)) last = last->next;
    for (const std::string& text : instructions) {
        last = px::append_inst(s, last);
        px::instruction_of(last)->text = px::pool_strdup(text);
    }
    return s;
}

void program_builder::add_comment(px::list_node* step_node, const char* text) {
    px::list_node* last = px::step_of(step_node)->comments;
    while (!px::is_end(last) && !px::is_end(last->next)) last = last->next;
    px::comment_of(px::append_comm(step_node, last))->text = text ? px::pool_strdup(text) : nullptr;
}

void program_builder::add_table(int32_t rows, int32_t columns) { px::the_program.table = px::new_data_table(rows, columns); }

px::list_node* program_builder::find_step(uint32_t number) {
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next)
        if (px::step_of(n)->number == number) return n;
    return px::END;
}

std::string program_builder::compile(px::list_node* step_node) {
    px::current_instruction = px::END;
    const uint8_t* image = px::compile_step(memory_.build(), step_node);
    return image ? hex(image, std::size_t(image[0]) + 1) : "none";
}

std::string program_builder::compile_all() {
    std::string last = "none";
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) {
        std::string image = compile(n);
        if (image != "none") last = image;
    }
    return last;
}

compiled program_builder::compile_in(uint32_t number, const std::vector<std::string>& instructions,
                                     const std::vector<int32_t>& outputs) {
    std::size_t earlier = listing().size();
    px::list_node* s = add_step(number);
    px::step* st = px::step_of(s);
    px::list_node* own_instructions = st->instructions;
    px::list_node* own_outputs = st->output_changes;
    st->instructions = px::END;
    st->output_changes = px::END;
    add_step(number, instructions, nullptr, outputs);
    std::string image = compile(s);
    st->instructions = own_instructions;
    st->output_changes = own_outputs;
    compiled out{image, image.size() > 6 ? image.substr(6) : "", {}};  // past "LL CC "
    std::vector<std::string> all = messages();
    out.messages.assign(all.begin() + static_cast<std::ptrdiff_t>(earlier), all.end());
    return out;
}

std::string program_builder::listing_text() const {
    return file_exists(listing_name_) ? read_file(listing_name_) : "";
}

std::vector<listing_entry> program_builder::listing() const {
    std::vector<listing_entry> entries;
    std::istringstream in(listing_text());
    std::string head, instruction, message, blank;
    while (std::getline(in, head) && std::getline(in, instruction) && std::getline(in, message)) {
        std::getline(in, blank);
        listing_entry e;
        e.step = std::atoi(head.c_str() + head.find('[') + 1);
        e.instruction = instruction.substr(std::string("   Instruction:  ").size());
        e.message = message.substr(3);
        entries.push_back(e);
    }
    return entries;
}

std::vector<std::string> program_builder::messages() const {
    std::vector<std::string> out;
    for (const listing_entry& e : listing()) out.push_back(e.message);
    return out;
}

std::string program_builder::xref() const {
    px::write_cross_reference_map(memory_.build(), "prog.xrf");
    return read_file("prog.xrf");
}

}  // namespace pxtest

#include "program_dump.h"

#include "driver/model.h"

namespace pxtest {

std::string quoted(const char* text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string dump_program(dump_options options) {
    using namespace px;
    std::string out;
    if (const data_table* t = the_program.table) {
        out += "table " + std::to_string(t->rows) + "x" + std::to_string(t->columns) + ":";
        for (int32_t i = 0; i < t->rows * t->columns; ++i) out += " " + std::to_string(t->elements[i]);
        out += "\n";
    }
    for (list_node* n = the_program.steps; !is_end(n); n = n->next) {
        if (options.skip_empty_steps && is_empty_step(n)) continue;
        const step* s = step_of(n);
        out += "step " + std::to_string(s->number);
        if (s->label) out += " label " + quoted(s->label);
        out += "\n";
        for (list_node* c = s->comments; !is_end(c); c = c->next) out += "  comment " + quoted(comment_of(c)->text) + "\n";
        if (!is_end(s->output_changes)) {
            out += "  outputs";
            for (list_node* o = s->output_changes; !is_end(o); o = o->next) {
                int32_t v = output_change_of(o)->value;
                out += v > 0 ? " +" + std::to_string(v) : " " + std::to_string(v);
                if (v == 0 && options.outputs_end_at_all_off) break;
            }
            out += "\n";
        }
        for (list_node* i = s->instructions; !is_end(i); i = i->next)
            out += "  instruction " + quoted(instruction_of(i)->text) + "\n";
    }
    return out;
}

}  // namespace pxtest

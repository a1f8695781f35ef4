// The formatter: the step reader, then the saver's step writer.
//
// The text is read exactly as a build reads its master step file: a data
// table at its head is passed over up to its closing brace, then every step
// is read by the library's reader. That table is kept as written (only its
// CR LF line ends become LF), since the table reader reads every byte of it;
// the steps are written back by the saver's own step writer. What the reader
// passes over (blank lines, stray characters around the sections, text on a
// separator's line) is gone; everything it keeps, comments included, stays.
#include "format.h"

#include <cstdio>
#include <new>

#include "check_files.h"
#include "driver/build_context.h"
#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/model.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "files/data_table_file.h"
#include "files/save_file.h"
#include "files/step_reader.h"
#include "platform/file_names.h"

namespace pxc {

namespace {

// Formatting saves nothing, not even when memory runs out.
int never_saved(px::build_context&, const char*, int) { return 1; }

// The model with the most steps: the formatter knows no model, and refuses
// only a step number that no model has.
int most_steps_model_code() {
    const px::model_row* most = &px::model_table[0];
    for (const px::model_row& row : px::model_table)
        if (px::max_steps_for_code(row.code) > px::max_steps_for_code(most->code)) most = &row;
    return most->code;
}

// A build of its own for one reading, with the library's state put back as
// it was afterwards: its own pool and program, a recording of the reader's
// messages, the model with the most steps, and writes that go nowhere (the
// one file a reading can try to write is the listing of a "too many steps"
// report).
class reading {
public:
    explicit reading(const std::string& name)
        : saved_model_code_(px::model_code), saved_error_count_(px::error_count) {
        recording.path = name;
        build.recording = &recording;
        build.files = &nowhere_;
        px::model_code = most_steps_model_code();
        pool_ = px::pool_create(build, never_saved);
        if (!pool_) return;
        px::reset_program();
        px::the_program.name = px::pool_strdup(name);
    }
    ~reading() {
        if (pool_) {
            px::reset_program();
            px::pool_destroy();
        }
        px::model_code = saved_model_code_;
        px::error_count = saved_error_count_;
    }
    reading(const reading&) = delete;
    reading& operator=(const reading&) = delete;

    bool ready() const { return pool_; }
    px::build_recording recording;
    px::build_context build;

private:
    check_files nowhere_;
    int saved_model_code_;
    int32_t saved_error_count_;
    bool pool_ = false;
};

bool begins_with_table(std::string_view text) {
    if (text.empty()) return false;
    std::FILE* in = ::fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!in) return false;
    bool table = px::has_data_table_header(in);
    std::fclose(in);
    return table;
}

std::string with_lf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

bool all_blank(std::string_view text) {
    for (char c : text)
        if (!px::is_blank(static_cast<unsigned char>(c)) && c != '\0') return false;
    return true;
}

px::diagnostic whole_file(const std::string& name, int level, std::string message) {
    px::diagnostic d;
    d.level = level;
    d.message = std::move(message);
    d.where.file = name;
    return d;
}

int steps_in_program() {
    int steps = 0;
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) ++steps;
    return steps;
}

}  // namespace

formatted format_steps(std::string_view text, const std::string& name) {
    formatted result;
    // Where the steps begin: after the closing brace of a table at the head.
    bool table = begins_with_table(text);
    std::size_t brace = table ? text.find('}') : std::string_view::npos;
    std::size_t steps_at = !table ? 0 : brace == std::string_view::npos ? text.size() : brace + 1;

    const px::diagnostic no_memory = whole_file(name, px::LOG_ERROR, "Out of memory.");
    reading r(name);
    if (!r.ready()) {
        result.refused = true;
        result.diagnostics.push_back(no_memory);
        return result;
    }
    px::link_state state{0, px::END, {0, 0, 0}};
    int read = px::READ_FAILED;
    try {
        px::text_input in(nullptr);
        in.text.assign(text);
        in.open = true;
        if (table) px::skip_past(in, '}');
        read = px::read_step_file(r.build, in, name.c_str(), state);
        // Memory that ran short makes the pool collect empty steps: a
        // program that lost one is no longer the program of the text.
        if (read == px::READ_OK && steps_in_program() != state.counts.steps) throw std::bad_alloc();
    } catch (const px::build_abort&) {
        read = px::READ_FAILED;
        r.recording.diagnostics.push_back(no_memory);
    } catch (const std::bad_alloc&) {
        read = px::READ_FAILED;
        r.recording.diagnostics.push_back(no_memory);
    }
    result.diagnostics = std::move(r.recording.diagnostics);
    result.refused = read != px::READ_OK;
    for (const px::diagnostic& d : result.diagnostics) result.refused = result.refused || d.level >= px::LOG_ERROR;
    if (result.refused) return result;

    if (state.counts.steps == 0 && !all_blank(text.substr(steps_at))) {
        // Text with no step in it is no program: it stays as it is.
        result.diagnostics.push_back(
            whole_file(name, px::LOG_WARNING, "No step found in the file; it is left as it is."));
        result.text.assign(text);
        return result;
    }
    if (table) {
        result.text = with_lf(text.substr(0, steps_at));
        if (brace != std::string_view::npos) result.text += '\n';
    }
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next)
        px::append_step_text(result.text, px::step_of(n));
    return result;
}

}  // namespace pxc

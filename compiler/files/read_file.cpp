// read_file: brings a whole program into memory, from a link file (".mak")
// that lists its step files master first, or from one step file.
//
// The master file names the program: its configuration (".fig"), its data
// table (".tab", or one at the head of the master file itself) and every
// output of the build are named after it, never after the link file. The step
// files are joined in link order; a file whose first step is [1] follows on
// from the files before it, any other keeps its own numbers.
#include "files/read_file.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/helpers.h"
#include "driver/model.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "files/data_table_file.h"
#include "files/step_reader.h"
#include "platform/clock.h"
#include "platform/file_names.h"

namespace px {

namespace {

// More step files than this in one link file fail the build rather than
// being dropped unread.
constexpr std::size_t MAX_LINKED_FILES = 80;

bool is_link_file(const std::string& upper_path) {
    std::size_t dot = find_extension(upper_path);
    return dot != std::string::npos && upper_path.compare(dot, std::string::npos, ".MAK") == 0;
}

// The names of a link file, one a line, each exactly as written (blanks
// included) and of any length. Empty lines take no place in the list. The
// messages name the link file upper-cased, as the old platform saw it.
// lines[i] is the line of the link file that names names[i].
int read_link_file(build_context& build, const char* path, const char* shown, std::vector<std::string>& names,
                   std::vector<uint32_t>& lines) {
    std::FILE* file = open_file(*build.files, path, "r");
    if (!file) {
        log_message(build, LOG_ERROR, "Unable to open link file \"%s\" for reading.", shown);
        return 1;
    }
    text_input in(file);
    std::string line;
    for (int c = in.get(); c != EOF; c = in.get()) {
        if (c == '\n' || c == '\r') {
            if (c == '\r') skip_past(in, '\n');
            continue;
        }
        line.clear();
        uint32_t line_number = in.got_line;
        for (; c != EOF && c != '\n'; c = in.get()) line.push_back(static_cast<char>(c));
        // A last line of a CR LF file may lack its LF but not its CR.
        if (c == EOF && line.back() == '\r') line.pop_back();
        if (names.size() == MAX_LINKED_FILES) {
            log_message_at(build, file_place{note_file(build, path), line_number, 1}, LOG_ERROR,
                           "Link file \"%s\" lists more than %zu step files.", shown, MAX_LINKED_FILES);
            return 1;
        }
        names.push_back(line);
        lines.push_back(line_number);
    }
    if (names.empty()) {
        log_message(build, LOG_ERROR, "Contents of link file \"%s\" empty?", shown);
        return 1;
    }
    return 0;
}

bool can_open(build_context& build, const std::string& name) {
    std::FILE* file = open_file(*build.files, name.c_str(), "r");
    if (!file) return false;
    std::fclose(file);
    return true;
}

void empty_program() {
    delete_steps(the_program.steps);
    the_program.steps = END;
    the_program.editing = END;
    free_data_table(the_program.table);
    the_program.table = nullptr;
}

}  // namespace

int read_file(build_context& build, const char* path) {
    if (!path) {
        log_message(build, LOG_ERROR, "No file name specified to read_file().");
        return 1;
    }
    log_message(build, LOG_INFO, "Reading VEP/MAK program from file \"%s\"...", path);

    std::vector<std::string> names;
    std::vector<uint32_t> lines;  // of the link file, for messages about its names
    std::string upper_path = upper_cased(path);
    bool linked = is_link_file(upper_path);
    // A listed file that does not open is reported at the line of the link
    // file that names it.
    auto cannot_open = [&](std::size_t i, const char* name) {
        static constexpr char message[] = "Unable to open file \"%s\" for reading.";
        if (linked && i < lines.size())
            log_message_at(build, file_place{note_file(build, path), lines[i], 1}, LOG_ERROR, message, name);
        else
            log_message(build, LOG_ERROR, message, name);
    };
    if (linked) {
        if (int failed = read_link_file(build, path, upper_path.c_str(), names, lines)) return failed;
    } else {
        names.push_back(upper_path);
    }

    const std::string& master = names.front();
    if (!can_open(build, master)) {
        cannot_open(0, master.c_str());
        return 1;
    }
    if (!the_program.name || master != the_program.name) the_program.name = pool_strdup(master);

    empty_program();

    if (read_configuration(build, replace_extension(master, ".fig").c_str()) != 0) {
        pause_seconds(2);
        log_message(build, LOG_WARNING, "Using current configuration parameters.");
        pause_seconds(2);
    }

    the_program.table = read_data_table(build, replace_extension(master, ".tab").c_str());
    bool embedded_table = false;
    if (data_table* embedded = read_data_table(build, master.c_str())) {
        if (the_program.table) log_message(build, LOG_WARNING, "Internal data table overriding external one.");
        free_data_table(the_program.table);
        the_program.table = embedded;
        embedded_table = true;
    }

    link_state state{0, END, {0, 0, 0}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* name = names[i].c_str();
        log_message(build, LOG_INFO, "Reading VEP/PRE program steps from file \"%s\"...", name);
        std::FILE* file = open_file(*build.files, name, "r");
        if (!file) {
            cannot_open(i, name);
            return 1;
        }
        text_input in(file);
        // The master's steps begin after the closing brace of its table. A
        // table that was refused (too large for the model, no rows) is still
        // no part of the steps: read as steps, its text would move the first
        // step's code under the table's dimensions.
        if (i == 0 && (embedded_table || has_data_table_header(build, name))) skip_past(in, '}');
        if (int result = read_step_file(build, in, name, state)) return result;
    }

    the_program.modified = false;
    error_count = 0;
    the_program.editing = the_program.steps;
    log_message(build, LOG_INFO, "Read file \"%s\" [%d steps, %d output changes, %d instructions].", master.c_str(),
                state.counts.steps, state.counts.output_changes, state.counts.instructions);
    return 0;
}

}  // namespace px

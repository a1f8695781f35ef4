// The program saver: writes the program back as a step file in the layout
// the reader expects, with its ".fig" and ".tab" beside it, and the backup
// rule that keeps the previous version of every file it overwrites.
//
// The saver is also the last thing a build does when its memory pool runs
// dry (the panic save to "omna.vep"), so it takes nothing from the pool:
// texts are written straight from the program, numbers are formatted into
// small stack buffers, and collecting empty steps only frees.
#include "files/save_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "driver/diagnostics.h"
#include "driver/helpers.h"
#include "driver/model.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "files/data_table_file.h"
#include "platform/clock.h"
#include "platform/file_names.h"

namespace px {

namespace {

struct fd_closer {
    file_system& files;
    int fd = -1;
    ~fd_closer() {
        if (fd >= 0) files.close(fd);
    }
};

constexpr std::size_t BACKUP_BLOCK = 512;
constexpr int SEPARATOR_LENGTH = 75;
constexpr int STEP_INDENT = 4;
constexpr int OUTPUT_INDENT = 8;
constexpr int HEADER_WIDTH = 8;
constexpr int OUTPUT_COLUMN = 17;
constexpr int OUTPUTS_PER_LINE = 4;

// Writes the step file, or appends the same bytes to a text in memory, and
// remembers whether every byte went out.
struct step_writer {
    std::FILE* file;
    std::string* text = nullptr;
    bool ok = true;

    void put(const char* bytes, std::size_t length) {
        if (text)
            text->append(bytes, length);
        else if (ok && length > 0 && std::fwrite(bytes, 1, length, file) != length)
            ok = false;
    }
    void put(const char* bytes) { put(bytes, std::strlen(bytes)); }
    void blanks(int count) {
        static const char spaces[] = "                                ";
        while (count > 0) {
            int n = count < static_cast<int>(sizeof spaces - 1) ? count : static_cast<int>(sizeof spaces - 1);
            put(spaces, static_cast<std::size_t>(n));
            count -= n;
        }
    }
    void separator() {
        static const char dashes[] = "---------------------------------------------------------------------------";
        static_assert(sizeof dashes - 1 == SEPARATOR_LENGTH);
        blanks(STEP_INDENT);
        put(dashes, SEPARATOR_LENGTH);
    }
};

struct save_counts {
    int steps = 0;
    int output_changes = 0;
    int instructions = 0;
};

void write_output_changes(step_writer& out, const step* s, save_counts& counts) {
    list_node* first = s->output_changes;
    if (is_end(first)) {
        out.put("\n");
        out.blanks(OUTPUT_INDENT);
        out.put("<NO CHANGE IN DIGITAL OUTPUTS>");
        return;
    }
    if (output_change_of(first)->value == 0) {
        // All outputs off says everything: later entries are not written.
        out.put("\n");
        out.blanks(OUTPUT_INDENT);
        out.put("<TURN ALL DIGITAL OUTPUTS OFF>");
        ++counts.output_changes;
        return;
    }
    int index = 0;
    for (list_node* n = first; !is_end(n); n = n->next, ++index) {
        int32_t value = output_change_of(n)->value;
        if (index % OUTPUTS_PER_LINE == 0) {
            out.put("\n");
            out.blanks(OUTPUT_INDENT);
        }
        // Negate in unsigned arithmetic: the most negative value has no
        // positive counterpart.
        unsigned number = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        char entry[24];
        int length = std::snprintf(entry, sizeof entry, "%5u%c", number, value < 0 ? '-' : '+');
        out.put(entry, static_cast<std::size_t>(length));
        if (index % OUTPUTS_PER_LINE != OUTPUTS_PER_LINE - 1) out.blanks(OUTPUT_COLUMN - length);
        ++counts.output_changes;
    }
}

void write_step(step_writer& out, const step* s, save_counts& counts) {
    out.put("\n");
    char header[24];
    int length = std::snprintf(header, sizeof header, "[%u]", s->number);
    out.put(header, static_cast<std::size_t>(length));
    out.blanks(HEADER_WIDTH - length);
    if (s->label) out.put(s->label);
    out.put("\n");

    for (list_node* c = s->comments; !is_end(c); c = c->next) {
        out.blanks(STEP_INDENT);
        out.put(";;;");
        if (const char* text = comment_of(c)->text) out.put(text);
        out.put("\n");
    }

    out.separator();
    write_output_changes(out, s, counts);
    out.put("\n");
    out.separator();
    out.put("\n");

    for (list_node* i = s->instructions; !is_end(i); i = i->next) {
        const char* text = instruction_of(i)->text;
        if (!text) continue;
        out.blanks(STEP_INDENT);
        out.put(text);
        out.put("\n");
        ++counts.instructions;
    }
    ++counts.steps;
}

// Moves an editing position that sits on an empty step back to the nearest
// earlier step that is not empty. False when there is none.
bool reposition_editing(build_context& build) {
    list_node* at = the_program.editing;
    if (is_end(at) || !is_empty_step(at)) return true;
    while (!is_end(at) && is_empty_step(at)) at = at->prev;
    if (is_end(at)) {
        log_message(build, LOG_ERROR, "No non-empty first step found.");
        return false;
    }
    log_message(build, LOG_INFO, "Repositioning you from empty step to step [%u].", step_of(at)->number);
    the_program.editing = at;
    return true;
}

// The files that the save under way has passed on its way to writing them:
// backed up, or found absent. One save backs each file up once, the tries of
// a panic save being one save, so that neither a retry nor the table that
// falls back into the step file copies what the save itself wrote over the
// backup of a good older file.
bool saving = false;
bool in_tries = false;
std::set<std::string> passed_files;

// Saving for the length of one save_file, however it ends: out of memory,
// the saver leaves by an exception.
struct save_scope {
    bool& flag;
    explicit save_scope(bool& f) : flag(f) { flag = true; }
    ~save_scope() { flag = false; }
};

int make_backup(build_context& build, const char* name, const char* backup_extension);

}  // namespace

void append_step_text(std::string& text, const step* s) {
    step_writer out{nullptr, &text};
    save_counts counts;
    write_step(out, s, counts);
}

int save_file_try(build_context& build, const char* name, int attempt) {
    if (attempt == 0) passed_files.clear();
    save_scope trying(in_tries);
    return save_file(build, name);
}

int backup_file(build_context& build, const char* name, const char* backup_extension) {
    if (!saving) return make_backup(build, name, backup_extension);
    if (passed_files.count(name)) return 1;
    int made = make_backup(build, name, backup_extension);
    if (made) passed_files.insert(name);
    return made;
}

namespace {

int make_backup(build_context& build, const char* name, const char* backup_extension) {
    std::string backup_name = replace_extension(name, backup_extension);
    unique_file source(open_file(*build.files, name, "rb"));
    if (!source) return 1;

    fd_closer backup{*build.files, open_binary_for_write(*build.files, backup_name.c_str())};
    if (backup.fd < 0) {
        log_message(build, LOG_ERROR, "Unable to open file \"%s\" for writing.", backup_name.c_str());
        pause_seconds(2);
        return 0;
    }
    log_message(build, LOG_INFO, "Backing up file \"%s\"...", name);

    char block[BACKUP_BLOCK];
    bool written = true;
    for (;;) {
        std::size_t got = std::fread(block, 1, sizeof block, source.get());
        if (got == 0) break;
        std::size_t done = 0;
        while (done < got) {
            ssize_t n = build.files->write(backup.fd, block + done, got - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        if (done != got) {
            written = false;
            break;
        }
    }
    // A backup that misses the end of the old file is no backup.
    bool read_failed = written && std::ferror(source.get());
    int close_result = build.files->close(backup.fd);
    backup.fd = -1;
    if (written && !read_failed && close_result != 0) written = false;
    if (!written || read_failed) {
        if (read_failed)
            log_message(build, LOG_ERROR, "Unable to read file \"%s\" (backup aborted).", name);
        else
            log_message(build, LOG_ERROR, "Unable to write to file \"%s\" (backup aborted).", backup_name.c_str());
        pause_seconds(2);
        source.reset();
        delete_file(*build.files, backup_name.c_str());
        return 0;
    }
    source.reset();
    log_message(build, LOG_INFO, "Made backup file \"%s\".", backup_name.c_str());
    return 1;
}

}  // namespace

int save_file(build_context& build, const char* name) {
    if (!name || !*name) {
        log_message(build, LOG_ERROR, "No file name specified to save_file().");
        return 1;
    }
    if (!in_tries) passed_files.clear();
    save_scope one_save(saving);
    if (!backup_file(build, name, ".#ep")) {
        log_message(build, LOG_ERROR, "File \"%s\" not saved due to backup failure.", name);
        return 1;
    }
    log_message(build, LOG_INFO, "Saving VEP program to file \"%s\"...", name);

    if (!reposition_editing(build)) return 1;
    collect_empty_steps(build);

    save_configuration(build, replace_extension(name, ".fig").c_str());

    bool table_inside = false;
    if (the_program.table) {
        if (!save_data_table(build, replace_extension(name, ".tab").c_str(), the_program.table)) {
            pause_seconds(2);
            // The table then heads the step file, and the steps follow it.
            if (!save_data_table(build, name, the_program.table)) return 1;
            table_inside = true;
        }
    }

    unique_file file(open_file(*build.files, name, table_inside ? "a" : "w"));
    if (!file) {
        log_message(build, LOG_ERROR, "Unable to open file \"%s\" to save program.", name);
        return 1;
    }
    log_message(build, LOG_INFO, "Saving VEP program steps to file \"%s\"...", name);

    step_writer out{file.get()};
    save_counts counts;
    for (list_node* n = the_program.steps; !is_end(n) && out.ok; n = n->next)
        if (!is_empty_step(n)) write_step(out, step_of(n), counts);
    // Buffered text reaches the disk here; a full disk shows up now.
    bool ok = out.ok && std::fflush(file.get()) == 0;
    ok = (std::fclose(file.release()) == 0) && ok;
    if (!ok) {
        log_message(build, LOG_ERROR, "Unable to write to file \"%s\" (program truncated).", name);
        return 1;
    }

    log_message(build, LOG_INFO, "Saved file \"%s\" [%d steps, %d output changes, %d instructions]",
                the_program.name ? the_program.name : name, counts.steps, counts.output_changes,
                counts.instructions);
    the_program.modified = false;
    return 0;
}

}  // namespace px

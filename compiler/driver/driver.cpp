// The export's fixed sequence and the build driver compile_program.
#include "driver/driver.h"

#include <unistd.h>

#include <algorithm>
#include <memory_resource>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/graph_record.h"
#include "driver/helpers.h"
#include "driver/model.h"
#include "driver/object_file.h"
#include "driver/source_places.h"
#include "driver/symbol_record.h"
#include "driver/utilities.h"
#include "driver/xref.h"
#include "files/config.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "platform/file_names.h"
#include "steps/frame.h"

namespace px {

int32_t error_count = 0;
bool build_ok = false;
uint32_t total_bytes = 0;
uint32_t program_bytes = 0;
list_node* current_step = &end_marker;
list_node* current_instruction = &end_marker;
uint32_t MAX_STEPS = 256;
std::string summary_line;
std::FILE* build_log = nullptr;

namespace {

constexpr int VERSION_MAJOR = 2;
constexpr int VERSION_MINOR = 1;

// Closes the object file however the build ends.
struct object_guard {
    build_context& build;
    int fd;
    ~object_guard() {
        if (fd >= 0) close_object_file(build, fd);
    }
};

void check_duplicate_labels(build_context& build) {
    log_message(build, LOG_INFO, "Checking labels...");
    std::pmr::vector<list_node*> labelled(pool_resource());
    for (list_node* n = the_program.steps; !is_end(n); n = n->next)
        if (step_of(n)->label) labelled.push_back(n);
    // Stable, so the first of an equal pair is the earlier step.
    std::stable_sort(labelled.begin(), labelled.end(), [](list_node* a, list_node* b) {
        return compare_folded(step_of(a)->label, step_of(b)->label) < 0;
    });
    for (std::size_t i = 1; i < labelled.size(); ++i) {
        step* first = step_of(labelled[i - 1]);
        step* second = step_of(labelled[i]);
        if (compare_folded(first->label, second->label) != 0) continue;
        // The listing names the first step, the message points at the second label.
        message_place where = at_label(labelled[i]);
        where.step = labelled[i - 1];
        report_step_error(build, where, nullptr, "Duplicate label \"%s\" found in steps [%d] and [%d].", first->label,
                          static_cast<int>(first->number), static_cast<int>(second->number));
    }
}

}  // namespace

int compile_program(build_context& build, const char* path) {
    total_bytes = 0;
    program_bytes = 0;
    build_ok = true;
    error_count = 0;
    current_step = &end_marker;
    current_instruction = &end_marker;
    summary_line.clear();
    reset_object_file();

    int read = read_file(build, path);
    if (read == 2) {
        error_count = 1;
        build_ok = false;
        return 0;
    }
    if (read != 0) return 1;

    log_message(build, LOG_INFO, "Compiling source file \"%s\"...", the_program.name);

    std::string object_name = replace_extension(the_program.name, ".dso");
    object_guard object{build, open_object_file(build, object_name.c_str())};
    if (object.fd < 0) {
        log_message(build, LOG_ERROR, "Unable to open file \"%s\" for writing.", object_name.c_str());
        return 1;
    }
    if (build.recording) build.recording->object_file = resolve_path(object_name);

    clear_usage();

    int32_t model_steps = max_steps_for_code(model_code);
    int64_t configured = param_value(PARAM_STEPS);
    if (configured != model_steps) {
        report_step_error(build, {}, nullptr, "Parameter:  Correcting K400 VEP MAX_STEPS to be %d not %d.", model_steps,
                          static_cast<int>(configured));
        set_param_value(PARAM_STEPS, model_steps);
    }
    MAX_STEPS = static_cast<uint32_t>(model_steps);

    std::pmr::vector<uint8_t> step_lengths(MAX_STEPS, 0, pool_resource());

    write_object_header(build, object.fd);
    check_duplicate_labels(build);

    try {
        for (list_node* n = the_program.steps; !is_end(n) && build_ok; n = n->next) {
            current_instruction = &end_marker;
            const uint8_t* image = compile_step(build, n);
            if (!image) continue;
            uint32_t number = step_of(n)->number;
            if (number >= 1 && number <= MAX_STEPS) step_lengths[number - 1] = image[0];
            program_bytes += image[0];
            write_step_code(build, object.fd, image);
        }
    } catch (const object_writes_stopped&) {
        // An earlier step's record failed, and its report ended the build.
    }
    current_step = &end_marker;

    write_object_trailer(build, object.fd, step_lengths.data());
    const capacity_figures figures = check_capacity(build);

    if (error_count >= 1) update_status_byte(build, object.fd);
    // A full disk may show only at the close: the file is then no good, and
    // the build must not say otherwise.
    int fd = object.fd;
    object.fd = -1;
    if (!close_object_file(build, fd)) report_step_error(build, {}, nullptr, "Closing object file on disk.");
    if (error_count == 0) {
        // An error file of an earlier build would tell of errors this one
        // does not have.
        delete_file(*build.files, replace_extension(object_name, ".err").c_str());
    }

    if (build_ok) {
        write_cross_reference_map(build, replace_extension(object_name, ".xrf").c_str());
        if (error_count == 0) summary_line = format_summary_line(figures);
    } else {
        log_message(build, LOG_ERROR, "Compilation aborted (interrupt or disk write failure).");
    }
    return 0;
}

int32_t run_export(const char* path) {
    build_context build;
    return run_build(build, path);
}

int32_t run_build(build_context& build, const char* path) {
    // The banner goes nowhere yet: the log is not open.
    version_banner(build, VERSION_MAJOR, VERSION_MINOR);
    reset_program();

    std::string full_path;
    if (path) {
        full_path = path;
        if (find_extension(full_path) == std::string::npos) full_path += ".vep";
    }

    if (build.recording) {
        build.recording->path = full_path;
        build.recording->places.clear();
        build.recording->written_numbers.clear();
    }
    if (build.graph) build.graph->clear();
    if (!pool_create(build, save_file_try)) return 0;

    build_log = open_file(*build.files, "pxlinker.log", "w+");
    static const char banner[] = "PXBuilder V1.0, April 14, 2003 \r\n\n";
    if (build_log) std::fwrite(banner, 1, sizeof banner - 1, build_log);

    int result;
    try {
        result = compile_program(build, path ? full_path.c_str() : nullptr);
    } catch (const build_abort&) {
        // Memory ran out: the panic save has been made and logged.
        result = 1;
    } catch (...) {
        // Nothing may leave the library as an exception.
        log_message(build, LOG_PANIC, "Unexpected failure inside the compiler.");
        result = 1;
    }

    if (build.symbols) {
        // Copied out while the program and its places are there.
        try {
            collect_symbols(build);
        } catch (...) {
        }
    }
    if (build.recording) {
        build.recording->aborted = !build_ok;
        // The nodes go with the pool.
        build.recording->places.clear();
        build.recording->written_numbers.clear();
    }
    pool_destroy();
    current_step = &end_marker;
    current_instruction = &end_marker;

    static const char complete[] = "\r\n************* COMPILE/LINK COMPLETE ***************\r\n\n";
    static const char failed[] = "Compile/Link failed.\r\n";
    if (build_log) std::fwrite(complete, 1, sizeof complete - 1, build_log);
    int32_t outcome;
    if (result != 0) {
        if (build_log) std::fwrite(failed, 1, sizeof failed - 1, build_log);
        outcome = 0;
    } else {
        if (build_log) std::fwrite(summary_line.data(), 1, summary_line.size(), build_log);
        outcome = static_cast<int32_t>(total_bytes);
    }
    if (build_log) std::fclose(build_log);
    build_log = nullptr;
    return outcome;
}

}  // namespace px

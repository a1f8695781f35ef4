// Writes the two projects that bench/compare.sh times against GNU as and cat:
//
//   px_bench_writeprogram [--seed S] [--model NAME] [--steps N] DIR
//
// DIR/large: N steps (the model's maximum by default) in files of 64 steps,
// four instruction lines each, labels, comments, a data table at the head of
// the master file and every instruction family. It is the largest program the
// model holds: the share of lines in their full forms, the rest short forms,
// is the highest that still builds clean within the model's capacity, found
// by building it here. DIR/small: a sixteenth of the steps, the same share,
// so that the two differ only in length.
//
// One line per project goes to standard output, "key=value" words the script
// reads. Only the input files stay in the folders.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "driver/driver.h"
#include "files/config.h"
#include "platform/clock.h"
#include "program_generator.h"

namespace fs = std::filesystem;

namespace {

struct built {
    bool clean = false;
    long total_bytes = 0;
    long output_bytes = 0;  // everything the build wrote: object file, map, log
};

// Writes the project with this share of full forms into a fresh `folder` and
// builds it there as pxc would.
built write_and_build(uint32_t seed, const px::model_row& model, const fs::path& folder,
                      const pxbench::project_shape& shape, pxbench::project_files& files) {
    fs::remove_all(folder);
    pxbench::generator g(seed, model);
    files = g.write_project(folder, "prog", shape);
    fs::path before = fs::current_path();
    fs::current_path(folder);
    built b;
    b.total_bytes = px::run_export(files.makefile.filename().string().c_str());
    fs::current_path(before);
    std::ifstream object(folder / "prog.dso", std::ios::binary);
    char head[3] = {};
    b.clean = b.total_bytes != 0 && object.read(head, 3) && head[2] == 0 && !fs::exists(folder / "prog.lst");
    for (const auto& entry : fs::directory_iterator(folder)) b.output_bytes += static_cast<long>(entry.file_size());
    b.output_bytes -= files.source_bytes;
    return b;
}

// Leaves only the inputs, so that the script's first build writes every output afresh.
void keep_inputs(const fs::path& folder, const pxbench::project_files& files) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        bool input = false;
        for (const fs::path& p : files.inputs) input = input || p == entry.path();
        if (!input) fs::remove(entry.path());
    }
}

void report(const char* what, const pxbench::project_shape& shape, const pxbench::project_files& files,
            const built& b) {
    std::cout << what << " makefile=" << files.makefile.string() << " steps=" << shape.steps
              << " files=" << files.inputs.size() - 2 << " lines=" << files.instruction_lines
              << " source_bytes=" << files.source_bytes << " output_bytes=" << b.output_bytes
              << " total_bytes=" << b.total_bytes << " full_percent=" << shape.full_percent << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t seed = 1;
    const char* model_name = "K6A";
    int steps = 0;
    fs::path dir;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc)
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--model" && i + 1 < argc)
            model_name = argv[++i];
        else if (arg == "--steps" && i + 1 < argc)
            steps = std::atoi(argv[++i]);
        else if (dir.empty() && !arg.empty() && arg[0] != '-')
            dir = fs::absolute(arg);
        else
            usage = true;
    }
    const px::model_row* model = px::find_model(model_name);
    if (usage || dir.empty() || !model) {
        std::cerr << "usage: px_bench_writeprogram [--seed S] [--model NAME] [--steps N] DIR\n";
        return 2;
    }
    px::set_pauses_enabled(false);

    pxbench::project_shape large;
    large.steps = steps > 0 ? steps : model->steps;
    pxbench::project_files files;
    // Short forms only must fit; then the share of full forms rises as far as it can.
    large.full_percent = 0;
    built b = write_and_build(seed, *model, dir / "large", large, files);
    if (!b.clean) {
        std::cerr << "px_bench_writeprogram: " << large.steps << " steps of short forms do not build clean for "
                  << model->name << " (see " << (dir / "large").string() << ")\n";
        return 1;
    }
    int low = 0, high = 101;
    while (high - low > 1) {
        large.full_percent = (low + high) / 2;
        (write_and_build(seed, *model, dir / "large", large, files).clean ? low : high) = large.full_percent;
    }
    large.full_percent = low;
    b = write_and_build(seed, *model, dir / "large", large, files);
    keep_inputs(dir / "large", files);
    report("large", large, files, b);

    pxbench::project_shape small = large;
    small.steps = std::max(1, large.steps / 16);
    b = write_and_build(seed, *model, dir / "small", small, files);
    if (!b.clean) {
        std::cerr << "px_bench_writeprogram: the small project does not build clean (see "
                  << (dir / "small").string() << ")\n";
        return 1;
    }
    keep_inputs(dir / "small", files);
    report("small", small, files, b);
    return 0;
}

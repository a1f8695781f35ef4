// Round trip of the object file: build a program, read its .dso back with the
// step decoders as a step file, build that again and compare the two object
// files byte for byte, status byte and checksum included.
//
//   roundtrip [--count N] [--seed S] [--keep DIR] [--objects DIR] [PROJECT...]
//
// --keep copies the folder of every program that fails; --objects copies every
// clean object file (a seed corpus for the decoder's fuzz target).
// Each PROJECT (a makefile or step file) is built from a copy of its folder;
// then N programs are generated from seed S, program i from S + i, so a
// failure names the one program to rerun. The generator writes every
// instruction family in every operand form, for every controller model in
// turn, and only programs that build clean: a generated program with compile
// errors is a failure of the generator and is reported as one.
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/object_dump.h"
#include "files/config.h"
#include "platform/clock.h"
#include "program_generator.h"

namespace fs = std::filesystem;

namespace {

bool read_bytes(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The object file a build wrote: the only one in the folder, named after the
// master step file in the library's own letter case.
fs::path object_in(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (strcasecmp(entry.path().extension().string().c_str(), ".dso") == 0) return entry.path();
    return folder / "missing.dso";
}

// Builds from the folder that holds `path`, as pxc does.
bool build(const fs::path& path, std::vector<uint8_t>& object) {
    fs::path folder = path.parent_path();
    for (const auto& entry : fs::directory_iterator(folder))
        if (strcasecmp(entry.path().extension().string().c_str(), ".dso") == 0) fs::remove(entry.path());
    fs::path before = fs::current_path();
    fs::current_path(folder);
    std::string name = path.filename().string();
    px::run_export(name.data());
    fs::current_path(before);
    return read_bytes(object_in(folder), object);
}

struct tally {
    long programs = 0, clean = 0, identical = 0, failed = 0, bytes = 0;
};

fs::path objects_dir;

void keep(const fs::path& from, const fs::path& keep_dir, const std::string& name) {
    if (keep_dir.empty()) return;
    fs::create_directories(keep_dir / name);
    fs::copy(from, keep_dir / name, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// Builds `master`, dumps it as a step file beside it, builds that and
// compares. `fig` is the configuration the second build reads.
void round_trip(const fs::path& master, const fs::path& fig, const std::string& what, tally& t,
                const fs::path& keep_dir, bool must_be_clean) {
    ++t.programs;
    std::vector<uint8_t> first, second;
    if (!build(master, first) || first.size() < 3) {
        std::cout << what << ": no object file\n";
        ++t.failed;
        keep(master.parent_path(), keep_dir, what);
        return;
    }
    if (first[2] != 0) {
        if (must_be_clean) {
            std::cout << what << ": the program does not build clean (status " << int(first[2]) << ")\n";
            ++t.failed;
            keep(master.parent_path(), keep_dir, what);
        }
        return;
    }
    ++t.clean;
    t.bytes += static_cast<long>(first.size());
    if (!objects_dir.empty()) {
        std::string name = what;
        for (char& c : name)
            if (c == ' ') c = '_';
        std::ofstream(objects_dir / (name + ".dso"), std::ios::binary)
            .write(reinterpret_cast<const char*>(first.data()), static_cast<std::streamsize>(first.size()));
    }
    px::dump_output source = px::dump_object(first.data(), first.size(), px::dump_view::source);
    fs::path again = master.parent_path() / "again";
    fs::create_directories(again);
    std::ofstream(again / "AGAIN.VEP") << source.text;
    fs::copy_file(fig, again / "AGAIN.FIG", fs::copy_options::overwrite_existing);
    bool same = source.problems.empty() && build(again / "AGAIN.VEP", second) && first == second;
    if (same) {
        ++t.identical;
        return;
    }
    ++t.failed;
    std::cout << what << ": " << (source.problems.empty() ? "the rebuilt object file differs" : source.problems[0].message)
              << "\n";
    keep(master.parent_path(), keep_dir, what);
}

}  // namespace

int main(int argc, char** argv) {
    long count = 1000;
    uint32_t seed = 1;
    fs::path keep_dir;
    std::vector<fs::path> projects;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--count" && i + 1 < argc)
            count = std::atol(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc)
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--keep" && i + 1 < argc)
            keep_dir = fs::absolute(argv[++i]);
        else if (arg == "--objects" && i + 1 < argc)
            objects_dir = fs::absolute(argv[++i]);
        else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "usage: roundtrip [--count N] [--seed S] [--keep DIR] [--objects DIR] [PROJECT...]\n";
            return 2;
        } else
            projects.push_back(fs::absolute(arg));
    }
    px::set_pauses_enabled(false);
    if (!objects_dir.empty()) fs::create_directories(objects_dir);
    fs::path work = fs::temp_directory_path() / ("pxroundtrip-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    auto started = std::chrono::steady_clock::now();

    tally projects_tally;
    for (const fs::path& project : projects) {
        fs::path copy = work / ("project-" + project.parent_path().filename().string());
        fs::copy(project.parent_path(), copy, fs::copy_options::recursive);
        fs::path master = copy / project.filename();
        // The configuration is the master step file's: the first file a makefile lists.
        fs::path first = master;
        if (strcasecmp(master.extension().string().c_str(), ".mak") == 0) {
            std::ifstream mak(master);
            std::string line;
            std::getline(mak, line);
            first = copy / line;
        }
        fs::path fig = first;
        fig.replace_extension(".fig");
        round_trip(master, fig, project.filename().string(), projects_tally, keep_dir, true);
    }

    tally programs;
    std::map<std::string, long> forms;
    std::map<std::string, long> models;
    for (long i = 0; i < count; ++i) {
        uint32_t program_seed = seed + static_cast<uint32_t>(i);
        const px::model_row& model = px::model_table[program_seed % px::MODEL_COUNT];
        ++models[model.name];
        pxbench::generator g(program_seed, model);
        fs::path folder = work / "program";
        fs::remove_all(folder);
        fs::create_directories(folder);
        g.write(folder / "P.FIG", folder / "P.VEP");
        for (const auto& [name, n] : g.forms()) forms[name] += n;
        round_trip(folder / "P.VEP", folder / "P.FIG", "seed " + std::to_string(program_seed), programs, keep_dir, true);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    fs::remove_all(work);

    std::cout << "operand and instruction forms written:";
    for (const auto& [name, n] : forms) std::cout << " " << name << "=" << n;
    std::cout << "\nmodels:";
    for (const auto& [name, n] : models) std::cout << " " << name << "=" << n;
    std::cout << "\nprojects: " << projects_tally.programs << ", identical after the round trip: "
              << projects_tally.identical << "\n";
    std::cout << "generated programs: " << programs.programs << " (seeds " << seed << " to "
              << seed + static_cast<uint32_t>(count) - 1 << "), built clean: " << programs.clean
              << ", identical after the round trip: " << programs.identical << ", object bytes compared: "
              << programs.bytes << "\n";
    std::printf("time: %.1f s\n", seconds);
    return projects_tally.failed + programs.failed == 0 ? 0 : 1;
}

// The formatter's two promises over every program at hand: formatting a
// formatted file changes no byte, and a formatted project builds to the same
// object file, listing, error file and map as before, byte for byte.
//
//   px_fmt_properties [--generated N] [--seed S] [projects DIR | cases DIR | files DIR]...
//
// "projects DIR": each folder in DIR is a project (the examples); "cases
// DIR": the in/ folder of each build case in DIR is one; "files DIR": each
// file in DIR is a step file alone (a fuzz corpus). Then N programs are
// generated from seed S, program i from S + i. In each project every
// makefile and step file is built, every step file is formatted in place,
// and everything is built again and compared. Prints what it checked and
// ends with "N passed, N failed"; exits 1 when anything failed.
#include <strings.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "build_outputs.h"
#include "format.h"
#include "program_walk.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct tally {
    long projects = 0, files = 0, changed = 0, refused = 0, builds = 0;
    long passed = 0, failed = 0;
};

bool has_extension(const fs::path& file, std::initializer_list<const char*> extensions) {
    for (const char* e : extensions)
        if (strcasecmp(file.extension().c_str(), e) == 0) return true;
    return false;
}

std::vector<fs::path> files_under(const fs::path& folder, std::initializer_list<const char*> extensions) {
    std::vector<fs::path> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && has_extension(entry.path(), extensions)) out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

void fail(tally& t, const std::string& what) {
    ++t.failed;
    std::cout << "FAILED: " << what << "\n";
}

// Formats one file in place; checks that formatting it again changes nothing.
void format_file(const fs::path& file, const std::string& what, tally& t) {
    ++t.files;
    std::string before = pxtest::read_file(file.string());
    pxc::formatted once = pxc::format_steps(before, file.filename().string());
    if (once.refused) {
        ++t.refused;
        return;
    }
    pxc::formatted twice = pxc::format_steps(once.text, file.filename().string());
    if (twice.refused || twice.text != once.text)
        fail(t, what + ": " + file.filename().string() + " changes when formatted again");
    else
        ++t.passed;
    if (once.text != before) {
        ++t.changed;
        pxtest::write_file(file.string(), once.text);
    }
}

// Builds every entry of the project in `folder`, formats its step files,
// builds again and compares.
void check_project(const fs::path& folder, const std::string& what, tally& t) {
    ++t.projects;
    std::vector<fs::path> entries = files_under(folder, {".mak", ".vep", ".pre"});
    std::map<fs::path, std::map<std::string, std::string>> before;
    for (const fs::path& entry : entries) {
        fs::current_path(entry.parent_path());
        before[entry] = pxtest::build_outputs(entry.filename().string());
    }
    for (const fs::path& file : files_under(folder, {".vep", ".pre"})) format_file(file, what, t);
    for (const fs::path& entry : entries) {
        ++t.builds;
        fs::current_path(entry.parent_path());
        std::string differ = pxtest::outputs_differ(before[entry], pxtest::build_outputs(entry.filename().string()));
        if (differ.empty())
            ++t.passed;
        else
            fail(t, what + ": " + entry.lexically_relative(folder).string() + ": " + differ + " after formatting");
    }
}

// An empty folder in work for the next project.
fs::path fresh_folder(const fs::path& work) {
    fs::path folder = work / "project";
    fs::current_path(work);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// A fresh copy of `source` (a folder, or one file as prog.vep) to check.
fs::path fresh_copy(const fs::path& work, const fs::path& source) {
    fs::path copy = fresh_folder(work);
    if (fs::is_directory(source))
        fs::copy(source, copy, fs::copy_options::recursive);
    else
        fs::copy_file(source, copy / "prog.vep");
    return copy;
}

void report(const std::string& set, const tally& t) {
    std::cout << set << ": " << t.projects << " projects, " << t.files << " step files (" << t.changed
              << " changed by formatting, " << t.refused << " refused), " << t.builds << " builds compared\n";
}

}  // namespace

int main(int argc, char** argv) {
    const pxtest::program_sets programs = pxtest::read_program_sets(argc, argv);
    // Maps carry the date: a fixed one lets them be compared too.
    ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);
    pxtest::scratch_dir scratch;
    const fs::path work = scratch.path();
    return pxtest::walk_programs<tally>(
        programs, work,
        [&](const fs::path& source, const std::string& what, tally& t) {
            check_project(fresh_copy(work, source), what, t);
        },
        check_project, report);
}

// The walk of the property checks: every program of the sets, then the
// generated ones, each group tallied and reported on its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>

#include "files/config.h"
#include "program_generator.h"
#include "program_sets.h"

namespace pxtest {

// `source(path, name, tally)` for each program of each set (a project
// folder, a case's in/ folder or a step file), `generated(folder, name,
// tally)` for each generated program (P.FIG and P.VEP in an emptied folder
// of `work`); `report(title, tally)` after each group. The exit status: 0
// when no group failed. A Tally counts `passed` and `failed`.
template <typename Tally, typename Source, typename Generated, typename Report>
int walk_programs(const program_sets& programs, const std::filesystem::path& work, Source source,
                  Generated generated, Report report) {
    namespace fs = std::filesystem;
    long passed = 0, failed = 0;
    auto add = [&](const Tally& t) {
        passed += t.passed;
        failed += t.failed;
    };
    for (const auto& [kind, dir] : programs.sets) {
        Tally t;
        for (const fs::path& s : set_sources(kind, dir)) source(s, s.lexically_relative(dir).string(), t);
        report(kind + " " + dir.string(), t);
        add(t);
    }
    if (programs.generated > 0) {
        Tally t;
        const uint32_t first = programs.seed;
        for (long i = 0; i < programs.generated; ++i) {
            const uint32_t seed = first + static_cast<uint32_t>(i);
            const fs::path folder = work / "generated";
            fs::current_path(work);
            fs::remove_all(folder);
            fs::create_directories(folder);
            pxbench::generator g(seed, px::model_table[seed % px::MODEL_COUNT]);
            g.write(folder / "P.FIG", folder / "P.VEP");
            generated(folder, "seed " + std::to_string(seed), t);
        }
        const uint32_t last = first + static_cast<uint32_t>(programs.generated) - 1;
        report("generated programs (seeds " + std::to_string(first) + " to " + std::to_string(last) + ")", t);
        add(t);
    }
    fs::current_path(work);
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}

}  // namespace pxtest

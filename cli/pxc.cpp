// pxc: the Plexa compiler for terminals, scripts and CI pipelines.
//
// The first argument chooses the command: a word of the table below, or,
// for anything else, building each PATH. A command is chosen by the first
// argument only, so that a step file called "dump.vep" or a path given after
// other paths is never taken for one. Each command declares its options on
// a parser of its own (CLI11); help, the version and unknown options are
// handled here, the same way for every command.
#include "pxc.h"

#include <CLI/CLI.hpp>
#include <sys/stat.h>

#include <cstring>
#include <iostream>
#include <string>

#include "command.h"
#include "platform/file_names.h"

#ifndef PXC_VERSION
#define PXC_VERSION "unknown"
#endif

namespace pxc {

namespace {

// The commands after the word "pxc". To add one, write its declare function
// and its help text, add a row, and add its word and options to the bash
// completion (cli/pxc.bash; its test completes every command listed here).
// pxc --help and the message for a word that is no command list it from
// here.
const command commands[] = {
    {"dump", "[--source | --diff] FILE.dso...", "read object files back as Plexa", DUMP_USAGE, declare_dump},
    {"fmt", "[--check] [--diff] PATH...",
     "rewrite step files in the layout the saver writes; exit status 0 tidy,\n"
     "1 a file would change (--check, --diff), 2 a file not formatted",
     FMT_USAGE, declare_fmt},
    {"graph", "[--format=dot|svg|json] [-o FILE] PATH",
     "draw a program's steps and every way out of each; exit status 0 drawn,\n"
     "1 drawn but the program has compile errors, 2 not drawn",
     GRAPH_USAGE, declare_graph},
    {"lsp", "", "run the language server on standard input and output, for editors", LSP_USAGE, declare_lsp},
};

const command building{"", "[OPTION]... PATH...", "build each makefile or step file", BUILD_USAGE, declare_build};

const command* find_command(const char* word) {
    for (const command& c : commands)
        if (std::strcmp(word, c.name) == 0) return &c;
    return nullptr;
}

std::string build_usage() {
    std::string text = BUILD_USAGE;
    text += "Commands ('pxc COMMAND --help' tells more):\n";
    for (const command& c : commands) {
        text += "  pxc " + std::string(c.name) + (*c.synopsis ? " " : "") + c.synopsis + "\n      ";
        for (const char* s = c.summary; *s; ++s) text += *s == '\n' ? std::string("\n      ") : std::string(1, *s);
        text += "\n";
    }
    return text + "\n" + BUILD_USAGE_END;
}

// A word the way a build takes it: the file as named, or with ".vep" when
// the name has no extension, in any letter case.
bool names_a_file(const std::string& word) {
    struct stat info;
    return ::stat(px::resolve_path(word).c_str(), &info) == 0 ||
           ::stat(px::resolve_path(word + ".vep").c_str(), &info) == 0;
}

// A first argument that reads as a command: a word with no extension and
// no folder in it.
bool looks_like_a_command(const std::string& word) {
    return !word.empty() && word[0] != '-' && word.find_first_of("./") == std::string::npos;
}

int not_a_command(const std::string& word) {
    std::cerr << "pxc: '" << word << "' is not a command or a file\n" << "The commands are:";
    const char* between = " ";
    for (const command& c : commands) {
        std::cerr << between << c.name;
        between = ", ";
    }
    std::cerr << ". Without a command, pxc builds each PATH.\nTry 'pxc --help'.\n";
    return 2;
}

// The option whose name starts CLI11's message ("--color: ...").
const CLI::Option* option_in(const CLI::App& app, const std::string& message) {
    std::string name = message.substr(0, message.find(':'));
    for (const CLI::Option* o : app.get_options())
        if (!name.empty() && (o->check_name(name) || o->get_name() == name)) return o;
    return nullptr;
}

std::string parse_message(const CLI::App& app, const CLI::ParseError& e) {
    const CLI::Option* o = option_in(app, e.what());
    // CLI11 appends the accepted values after a ':' to the type name.
    std::string takes = o ? o->get_type_name() : "";
    takes = takes.substr(0, takes.find(':'));
    if (!takes.empty()) return "option '" + o->get_name() + "' takes " + takes;
    return e.what();
}

}  // namespace

int run(int argc, char** argv) {
    const command* chosen = argc > 1 ? find_command(argv[1]) : nullptr;
    if (!chosen && argc > 1 && looks_like_a_command(argv[1]) && !names_a_file(argv[1])) return not_a_command(argv[1]);
    const command& c = chosen ? *chosen : building;
    std::string name = chosen ? std::string("pxc ") + c.name : "pxc";

    CLI::App app{"", name};
    app.set_help_flag();
    app.allow_extras();
    bool help = false, version = false;
    const CLI::Option* help_option = app.add_flag("-h,--help", help);
    const CLI::Option* version_option = chosen ? nullptr : app.add_flag("-V,--version", version);
    command_body body = c.declare(app);
    try {
        // A command's own arguments start after its word.
        app.parse(chosen ? argc - 1 : argc, chosen ? argv + 1 : argv);
    } catch (const CLI::ParseError& e) {
        return usage_error(name, parse_message(app, e));
    }
    // The first of --help and --version decides.
    for (const CLI::Option* o : app.parse_order()) {
        if (o == help_option) {
            std::cout << (chosen ? std::string(c.usage) : build_usage());
            return 0;
        }
        if (o == version_option) {
            std::cout << "pxc " PXC_VERSION " (Plexa compiler library pxcompiler " PXC_VERSION ")\n";
            return 0;
        }
    }
    for (const std::string& extra : app.remaining())
        if (extra != "--") return usage_error(name, "unknown option '" + extra + "'");
    return body();
}

}  // namespace pxc

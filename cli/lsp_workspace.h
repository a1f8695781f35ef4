// The language server's documents and projects.
//
// The editor's open documents are kept as texts (a draft store, as clangd
// keeps one) and every build reads them through an overlay in the file
// layer, the disk elsewhere; a build writes nothing, as pxc --check.
//
// A project is what one build builds: a makefile, or a step file that no
// makefile lists. A step file belongs to every makefile in its folder that
// lists it (the names resolved as the library resolves them, from that
// folder); one that none lists is built alone; a makefile is its own
// project. A project lives while an open document belongs to it. Each
// build starts from the library's initial configuration, so that what a
// build says never depends on what was built before it.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "check_files.h"
#include "driver/graph_record.h"
#include "driver/source_places.h"
#include "driver/symbol_record.h"
#include "lsp_text.h"

namespace pxc::lsp {

struct document {
    std::string uri;  // as the editor names it
    std::string text;
    int64_t version = 0;
};

using document_map = std::map<std::string, document>;  // by absolute path

// The files of a build: an open document's text in place of the file on
// disk, everything else as check_files has it.
class overlay_files : public check_files {
public:
    explicit overlay_files(const document_map& documents) : documents_(documents) {}
    std::FILE* open(const std::string& path, const char* mode) override;

private:
    const document_map& documents_;
};

// A message of a build, at its file.
struct file_diagnostic {
    std::string file;  // absolute
    px::diagnostic what;
    // In a makefile project, the header of the linked step the message is
    // in; file empty otherwise.
    std::string step_file;
    px::symbol_record::where step_header;
    const char* code = nullptr;  // a flow warning's rule, as pxc names it
};

struct project {
    std::string root;    // the makefile or step file, absolute
    std::string folder;  // the folder a build runs from
    bool dirty = true;
    bool built = false;
    std::vector<std::string> files;  // absolute, as the recording numbers them
    std::set<std::string> members;   // every file of the project
    std::vector<file_diagnostic> diagnostics;
    px::symbol_record symbols;

    // The file of a place of the symbol record.
    const std::string& file_of(const px::symbol_record::where& w) const;
    // The step with this number in the linked program, or null.
    const px::symbol_record::step_entry* step(uint32_t number) const;
};

class workspace {
public:
    document_map documents;
    std::map<std::string, project> projects;  // by root

    const document* find(const std::string& path) const;
    // An open document's path for a name as a build found it (a single
    // step file is opened upper-cased), or the name itself.
    std::string canonical(const std::string& path) const;
    // The text of a file: the open document's, or the disk's ("" when none).
    std::string text_of(const std::string& path) const;

    // The roots of the projects a file belongs to.
    std::vector<std::string> roots_of(const std::string& path) const;
    // Brings the projects in line with the open documents: new ones made,
    // unused ones dropped (their roots returned). The projects of `touched`
    // files are marked to be built again.
    std::vector<std::string> follow(const std::vector<std::string>& touched);
    // Every project to be built again (a file changed on disk).
    void mark_all();
    // Builds a project from its folder.
    void build(project& p);
    // The projects a file belongs to, built when they must be (returned).
    std::vector<project*> projects_of(const std::string& path, std::vector<project*>* rebuilt = nullptr);

private:
    px::build_recording recording_;
    px::graph_record graph_;
};

// The names a makefile lists, one a line, as the library reads them, each
// resolved from the makefile's folder as a build resolves it.
std::vector<std::string> listed_files(const std::string& makefile_path, const std::string& text);
bool is_makefile(const std::string& path);

}  // namespace pxc::lsp

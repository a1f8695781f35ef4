// Documents, projects and builds of the language server.
#include "lsp_workspace.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "driver/build_context.h"
#include "driver/diagnostics.h"
#include "driver/driver.h"
#include "driver/utilities.h"
#include "graph_rules.h"
#include "platform/clock.h"
#include "platform/file_names.h"
#include "step_graph.h"
#include "test_hooks.h"

namespace pxc::lsp {

namespace fs = std::filesystem;

namespace {

std::string absolute(const std::string& folder, const std::string& name) {
    fs::path p(name);
    if (p.is_absolute()) return p.lexically_normal().string();
    return (fs::path(folder) / p).lexically_normal().string();
}

std::string folder_of(const std::string& path) { return fs::path(path).parent_path().string(); }

bool is_regular(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string read_disk(const std::string& path) {
    if (!is_regular(path)) return {};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The makefiles of a folder, in name order.
std::vector<std::string> makefiles_in(const std::string& folder, const document_map& documents) {
    std::set<std::string> found;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string path = absolute(folder, entry->d_name);
            if (is_makefile(path) && is_regular(path)) found.insert(path);
        }
        ::closedir(dir);
    }
    // A makefile the editor has made and not yet saved.
    for (const auto& [path, doc] : documents)
        if (is_makefile(path) && folder_of(path) == folder) found.insert(path);
    return {found.begin(), found.end()};
}

// The folder a build runs from, for as long as the build runs.
class in_folder {
public:
    explicit in_folder(const std::string& folder) {
        char* here = ::getcwd(nullptr, 0);
        if (here) {
            start_ = here;
            std::free(here);
        }
        entered_ = ::chdir(folder.c_str()) == 0;
    }
    ~in_folder() {
        if (!start_.empty() && ::chdir(start_.c_str()) != 0) start_.clear();
    }
    in_folder(const in_folder&) = delete;
    in_folder& operator=(const in_folder&) = delete;
    bool entered() const { return entered_; }

private:
    std::string start_;
    bool entered_ = false;
};

}  // namespace

bool is_makefile(const std::string& path) {
    std::string name = fs::path(path).filename().string();
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".mak") == 0;
}

std::vector<std::string> listed_files(const std::string& makefile_path, const std::string& text) {
    std::vector<std::string> names;
    const std::string folder = folder_of(makefile_path);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '\r') continue;
        if (line.back() == '\r') line.pop_back();
        // As a build resolves it: from the makefile's folder, letter case
        // and either separator as the old platform had them.
        bool rooted = line[0] == '/' || line[0] == '\\';
        names.push_back(absolute(folder, px::resolve_path(rooted ? line : folder + "/" + line)));
    }
    return names;
}

std::FILE* overlay_files::open(const std::string& path, const char* mode) {
    bool reads = mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
    if (reads) {
        char* here = ::getcwd(nullptr, 0);
        std::string folder = here ? here : "";
        std::free(here);
        std::string full = absolute(folder, path);
        auto found = documents_.find(full);
        if (found == documents_.end()) {
            for (auto it = documents_.begin(); it != documents_.end(); ++it)
                if (px::equal_folded(it->first, full)) {
                    found = it;
                    break;
                }
        }
        if (found != documents_.end()) {
            const std::string& text = found->second.text;
            if (text.empty()) return std::fopen("/dev/null", "r");
            return ::fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        }
    }
    return check_files::open(path, mode);
}

const std::string& project::file_of(const px::symbol_record::where& w) const {
    static const std::string none;
    return w.file < files.size() ? files[w.file] : none;
}

const px::symbol_record::step_entry* project::step(uint32_t number) const {
    auto at = std::lower_bound(symbols.steps.begin(), symbols.steps.end(), number,
                               [](const px::symbol_record::step_entry& s, uint32_t n) { return s.number < n; });
    return at != symbols.steps.end() && at->number == number ? &*at : nullptr;
}

const document* workspace::find(const std::string& path) const {
    auto at = documents.find(path);
    return at == documents.end() ? nullptr : &at->second;
}

std::string workspace::canonical(const std::string& path) const {
    if (documents.count(path) || is_regular(path)) return path;
    for (const auto& [open, doc] : documents)
        if (px::equal_folded(open, path)) return open;
    return path;
}

std::string workspace::text_of(const std::string& path) const {
    if (const document* d = find(path)) return d->text;
    return read_disk(path);
}

std::vector<std::string> workspace::roots_of(const std::string& path) const {
    if (is_makefile(path)) return {path};
    std::vector<std::string> roots;
    for (const std::string& makefile : makefiles_in(folder_of(path), documents)) {
        for (const std::string& listed : listed_files(makefile, text_of(makefile)))
            if (listed == path || canonical(listed) == path) {
                roots.push_back(makefile);
                break;
            }
    }
    if (roots.empty()) roots.push_back(path);
    return roots;
}

std::vector<std::string> workspace::follow(const std::vector<std::string>& touched) {
    std::set<std::string> live;
    for (const auto& [path, doc] : documents)
        for (const std::string& root : roots_of(path)) live.insert(root);
    std::vector<std::string> dropped;
    for (auto it = projects.begin(); it != projects.end();) {
        if (live.count(it->first)) {
            ++it;
        } else {
            dropped.push_back(it->first);
            it = projects.erase(it);
        }
    }
    for (const std::string& root : live) {
        auto [at, made] = projects.try_emplace(root);
        if (made) {
            at->second.root = root;
            at->second.folder = folder_of(root);
        }
    }
    for (const std::string& path : touched) {
        for (auto& [root, p] : projects)
            if (root == path || p.members.count(path)) p.dirty = true;
        for (const std::string& root : roots_of(path))
            if (auto at = projects.find(root); at != projects.end()) at->second.dirty = true;
    }
    return dropped;
}

void workspace::mark_all() {
    for (auto& [root, p] : projects) p.dirty = true;
}

void workspace::build(project& p) {
    p.dirty = false;
    p.built = true;
    p.files.clear();
    p.diagnostics.clear();
    p.symbols.clear();
    p.members = {p.root};
    if (is_makefile(p.root))
        for (const std::string& listed : listed_files(p.root, text_of(p.root))) p.members.insert(listed);

    in_folder here(p.folder);
    if (!here.entered()) {
        file_diagnostic d;
        d.file = p.root;
        d.what.level = px::LOG_ERROR;
        d.what.message = "Unable to read the folder \"" + p.folder + "\": " + std::strerror(errno) + ".";
        p.diagnostics.push_back(std::move(d));
        return;
    }
    // The library's initial configuration, and no waits: nobody reads a log.
    px::reset_configuration();
    px::set_pauses_enabled(false);
    // One recording for every build, cleared: its tables keep their room.
    px::build_recording& recording = recording_;
    recording.diagnostics.clear();
    recording.files.clear();
    recording.object_file.clear();
    recording.aborted = false;
    overlay_files files(documents);
    graph_.keep_texts = false;
    px::build_context build;
    build.recording = &recording;
    build.symbols = &p.symbols;
    build.graph = &graph_;
    build.files = &files;
    const std::string name = fs::path(p.root).filename().string();
    const bool whole = px::run_build(build, name.c_str()) != 0 && !recording.aborted;

    for (const std::string& f : recording.files) p.files.push_back(canonical(absolute(p.folder, f)));
    for (const std::string& f : p.files) p.members.insert(f);
    for (px::diagnostic& d : recording.diagnostics) {
        file_diagnostic fd;
        fd.file = canonical(absolute(p.folder, d.where.file.empty() ? recording.path : d.where.file));
        if (d.compile_error && d.step != 0 && d.step != d.step_as_written)
            if (const px::symbol_record::step_entry* s = p.step(d.step); s && s->header.line != 0) {
                fd.step_file = p.file_of(s->header);
                fd.step_header = s->header;
            }
        fd.what = std::move(d);
        p.members.insert(fd.file);
        p.diagnostics.push_back(std::move(fd));
    }
    // The flow warnings pxc gives after a build, where it gives them.
    if (!whole) return;
    const step_graph graph = graph_of_build(graph_, recording.files);
    // A step's file is one of the recording's, already resolved in p.files:
    // a program may earn thousands of warnings in a few files.
    std::unordered_map<std::string_view, const std::string*> resolved;
    for (std::size_t i = 0; i < recording.files.size(); ++i) resolved.emplace(recording.files[i], &p.files[i]);
    for (const graph_finding& f : check_graph(graph)) {
        const graph_step* s = graph.find(f.step);
        if (!s) continue;
        file_diagnostic fd;
        auto known = resolved.find(s->file);
        fd.file = known != resolved.end() ? *known->second : canonical(absolute(p.folder, s->file));
        fd.code = f.code;
        fd.what.level = px::LOG_WARNING;
        fd.what.message = f.message;
        fd.what.where.line = f.at_label ? s->label_line : s->line;
        fd.what.where.column = f.at_label ? s->label_column : s->column;
        fd.what.step = s->step;
        fd.what.step_as_written = s->step_as_written;
        p.members.insert(fd.file);
        p.diagnostics.push_back(std::move(fd));
    }
}

std::vector<project*> workspace::projects_of(const std::string& path, std::vector<project*>* rebuilt) {
    std::vector<project*> found;
    for (const std::string& root : roots_of(path)) {
        auto at = projects.find(root);
        if (at == projects.end()) continue;
        if (at->second.dirty || !at->second.built) {
            build(at->second);
            if (rebuilt) rebuilt->push_back(&at->second);
        }
        found.push_back(&at->second);
    }
    return found;
}

}  // namespace pxc::lsp

// How quickly does pxc lsp answer an edit? On the largest program the
// biggest model holds (the one bench/compare.sh builds, written by
// px_bench_writeprogram: 4096 steps in 64 step files), it opens one step
// file in `pxc lsp` over a pipe and replays edits to it, one at a time,
// timing each from the moment the change is written to the moment the
// diagnostics of that version arrive; in the same run it times
// `pxc --check` on the same makefile as a fresh process. Then it replays
// many more edits and reads how much the server's resident memory grew.
//
//   lsp_bench [--edits N] [--memory-edits M] [--process-runs R]
//
// Prints the median and 95th percentile from edit to diagnostics, the fresh
// process's median, their ratios, and the memory figures. Each edit turns a
// "goto next" of the file into "goto nowhere" or back, so that the
// diagnostics alternate between one error and none.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lsp_text.h"
#include "lsp_transport.h"

namespace fs = std::filesystem;
using pxc::lsp::json;
using clock_type = std::chrono::steady_clock;

namespace {

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

[[noreturn]] void die(const std::string& why) {
    std::cerr << "lsp_bench: " << why << "\n";
    std::exit(2);
}

// The program compare.sh builds; its makefile.
fs::path write_program(const fs::path& work) {
    std::string command = std::string(PX_WRITEPROGRAM) + " " + work.string();
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) die("cannot run " + command);
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, out)) text.append(buffer, n);
    if (::pclose(out) != 0) die(command + " failed");
    std::size_t at = text.find("large makefile=");
    if (at == std::string::npos) die("no large project in: " + text);
    at += std::strlen("large makefile=");
    return text.substr(at, text.find(' ', at) - at);
}

// Seconds that `pxc --check MAKEFILE` takes, run from the makefile's folder.
double time_fresh_process(const fs::path& makefile) {
    auto start = clock_type::now();
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(makefile.parent_path().c_str()) != 0) ::_exit(127);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::string name = makefile.filename().string();
        ::execl(PX_PXC, PX_PXC, "--check", name.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) die("pxc --check failed");
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

class server {
public:
    explicit server(const fs::path& folder) {
        int to[2], from[2];
        if (::pipe(to) != 0 || ::pipe(from) != 0) die("no pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to[0], 0);
            ::dup2(from[1], 1);
            ::close(to[1]);
            ::close(from[0]);
            if (::chdir(folder.c_str()) != 0) ::_exit(127);
            ::execl(PX_PXC, PX_PXC, "lsp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(to[0]);
        ::close(from[1]);
        in_ = to[1];
        out_ = from[0];
        reader_ = std::make_unique<pxc::lsp::message_reader>(
            [fd = out_](char* buffer, std::size_t size) -> long { return static_cast<long>(::read(fd, buffer, size)); });
    }
    void send(const json& message) {
        std::string bytes = pxc::lsp::frame(message);
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) die("the server stopped reading");
            done += static_cast<std::size_t>(n);
        }
    }
    json next() {
        pxc::lsp::incoming m = reader_->next();
        if (m.kind != pxc::lsp::incoming::message) die("the server stopped writing");
        return json::parse(m.body);
    }
    // Waits for the diagnostics of `uri` at `version`; returns how many errors.
    // The errors among the diagnostics of that version (the program's flow
    // warnings come with every one).
    std::size_t diagnostics(const std::string& uri, int64_t version) {
        for (;;) {
            json m = next();
            if (m.value("method", "") != "textDocument/publishDiagnostics") continue;
            const json& p = m["params"];
            if (p["uri"] != uri || p.value("version", int64_t{-1}) != version) continue;
            std::size_t errors = 0;
            for (const json& d : p["diagnostics"]) errors += d.value("severity", 1) == 1;
            return errors;
        }
    }
    // Kilobytes resident.
    long resident() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
        return -1;
    }
    int finish() {
        send({{"jsonrpc", "2.0"}, {"id", 9999}, {"method", "shutdown"}});
        for (json m = next(); m.value("id", json()) != 9999; m = next()) {
        }
        send({{"jsonrpc", "2.0"}, {"method", "exit"}});
        ::close(in_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::unique_ptr<pxc::lsp::message_reader> reader_;
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    int edits = 100, memory_edits = 1000, process_runs = 10;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--edits" && i + 1 < argc)
            edits = std::atoi(argv[++i]);
        else if (arg == "--memory-edits" && i + 1 < argc)
            memory_edits = std::atoi(argv[++i]);
        else if (arg == "--process-runs" && i + 1 < argc)
            process_runs = std::atoi(argv[++i]);
        else
            die("usage: lsp_bench [--edits N] [--memory-edits M] [--process-runs R]");
    }
    if (edits < 2 || process_runs < 1 || memory_edits < 0) die("the counts must be positive");

    char name[] = "/tmp/lsp_bench.XXXXXX";
    if (!::mkdtemp(name)) die("no scratch folder");
    const fs::path work = name;
    const fs::path makefile = write_program(work);
    const fs::path folder = makefile.parent_path();

    // The second step file: not the master, which holds the data table.
    std::vector<std::string> listed;
    {
        std::istringstream lines(read_all(makefile));
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) listed.push_back(line);
        }
    }
    if (listed.size() < 2) die("the makefile lists fewer than two files");
    const fs::path edited = folder / listed[1];
    std::string text = read_all(edited);
    const std::string uri = pxc::lsp::uri_of_path(edited.string());
    pxc::lsp::text_lines lines(text);
    uint32_t line = 0;
    std::size_t column = 0;
    for (; line < lines.count(); ++line) {
        std::string_view l = lines.line(line);
        std::size_t at = l.find("goto next");
        if (at != std::string_view::npos) {
            column = at + 5;
            break;
        }
    }
    if (line == lines.count()) die("no \"goto next\" in " + edited.string());

    server s(folder);
    s.send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    while (!s.next().contains("result")) {
    }
    s.send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    s.send({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params", {{"textDocument", {{"uri", uri}, {"languageId", "plexa"}, {"version", 1}, {"text", text}}}}}});
    if (s.diagnostics(uri, 1) != 0) die("the program has compile errors");

    int64_t version = 1;
    bool broken = false;
    auto edit = [&] {
        // "next" becomes "nowhere", or back.
        const char* from = broken ? "nowhere" : "next";
        const char* to = broken ? "next" : "nowhere";
        json range = {{"start", {{"line", line}, {"character", column}}},
                      {"end", {{"line", line}, {"character", column + std::strlen(from)}}}};
        ++version;
        broken = !broken;
        auto start = clock_type::now();
        s.send({{"jsonrpc", "2.0"},
                {"method", "textDocument/didChange"},
                {"params",
                 {{"textDocument", {{"uri", uri}, {"version", version}}},
                  {"contentChanges", json::array({{{"range", range}, {"text", to}}})}}}});
        std::size_t errors = s.diagnostics(uri, version);
        if ((errors != 0) != broken) die("diagnostics of version " + std::to_string(version) + " are wrong");
        return std::chrono::duration<double>(clock_type::now() - start).count();
    };

    std::vector<double> edit_times, process_times;
    time_fresh_process(makefile);  // caches warm
    for (int i = 0; i < edits; ++i) {
        edit_times.push_back(edit());
        if (i % std::max(1, edits / process_runs) == 0) process_times.push_back(time_fresh_process(makefile));
    }
    while (static_cast<int>(process_times.size()) < process_runs) process_times.push_back(time_fresh_process(makefile));

    long before = s.resident();
    for (int i = 0; i < memory_edits; ++i) edit();
    long after = s.resident();
    int status = s.finish();
    fs::remove_all(work);

    double median = percentile(edit_times, 0.5), p95 = percentile(edit_times, 0.95);
    double fresh = percentile(process_times, 0.5);
    std::printf("program: %zu step files, 4096 steps; edited %s\n", listed.size(), edited.filename().c_str());
    std::printf("edit to diagnostics, %d edits: median %.1f ms, 95th percentile %.1f ms\n", edits, median * 1e3,
                p95 * 1e3);
    std::printf("pxc --check as a fresh process, %zu runs: median %.1f ms\n", process_times.size(), fresh * 1e3);
    std::printf("median / fresh process = %.2f (target at most 1), 95th percentile / fresh process = %.2f "
                "(target at most 2)\n",
                median / fresh, p95 / fresh);
    std::printf("resident memory: %ld kB after %d edits, %ld kB after %d more: grew %ld kB (target at most 5120)\n",
                before, edits, after, memory_edits, after - before);
    std::printf("server exit status after shutdown and exit: %d\n", status);
    return status == 0 ? 0 : 1;
}

// pxc lsp: the language server on standard input and output.
//
// One thread reads the messages as they come and queues them; this thread
// takes whatever has arrived, hands it to the server as one batch, and,
// when nothing more is waiting, lets the server build what the edits
// touched. Edits that arrive while a build runs are all taken at once
// afterwards and built once: no fixed delay, and no build of a text that
// is already out of date when it starts.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "command.h"
#include "lsp_server.h"
#include "lsp_transport.h"

#ifndef PXC_VERSION
#define PXC_VERSION "unknown"
#endif

namespace pxc {

const char* const LSP_USAGE =
    "Usage: pxc lsp\n"
    "Run the Plexa language server (Language Server Protocol 3.17) on standard\n"
    "input and output, for an editor to start: diagnostics as you type, go to a\n"
    "label's step, references of labels and resources, hover, completion, symbols,\n"
    "rename of a label, formatting and a quick fix for a label that does not exist.\n"
    "A step file is built with every makefile of its folder that lists it (alone\n"
    "when none does), from the editor's unsaved texts; nothing is written.\n"
    "\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "Exit status: 0 after the editor's \"shutdown\" and \"exit\"; 1 when the input\n"
    "ends or \"exit\" comes without \"shutdown\".\n";

namespace {

// What the reading thread has queued.
struct inbox {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<lsp::incoming> messages;
    bool ended = false;
};

int serve() {
    // An editor that goes away closes the pipe: the next write fails
    // instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    auto box = std::make_shared<inbox>();
    std::thread reader([box] {
        lsp::message_reader in([](char* buffer, std::size_t size) -> long {
            for (;;) {
                ssize_t n = ::read(0, buffer, size);
                if (n < 0 && errno == EINTR) continue;
                return static_cast<long>(n);
            }
        });
        for (;;) {
            lsp::incoming next = in.next();
            std::lock_guard<std::mutex> hold(box->lock);
            if (next.kind == lsp::incoming::end) {
                box->ended = true;
                box->arrived.notify_one();
                return;
            }
            box->messages.push_back(std::move(next));
            box->arrived.notify_one();
        }
    });
    // The reader may be waiting on its input when the server is done.
    reader.detach();

    bool writable = true;
    lsp::server server(
        [&writable](const lsp::json& message) {
            if (writable) writable = write_all(1, lsp::frame(message));
        },
        PXC_VERSION);
    for (;;) {
        std::vector<lsp::incoming> batch;
        bool ended;
        {
            std::unique_lock<std::mutex> hold(box->lock);
            box->arrived.wait(hold, [&] { return !box->messages.empty() || box->ended; });
            batch.assign(std::make_move_iterator(box->messages.begin()), std::make_move_iterator(box->messages.end()));
            box->messages.clear();
            ended = box->ended;
        }
        server.receive(batch);
        if (server.exited()) return server.exit_status();
        if (ended || !writable) return server.shut_down() ? 0 : 1;
        bool waiting;
        {
            std::lock_guard<std::mutex> hold(box->lock);
            waiting = !box->messages.empty();
        }
        if (!waiting) server.settle();
    }
}

}  // namespace

command_body declare_lsp(CLI::App&) {
    return [] { return serve(); };
}

}  // namespace pxc

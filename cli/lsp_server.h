// pxc lsp's server: JSON-RPC dispatch, the protocol's lifecycle, the
// documents' changes and the diagnostics of the projects they touch.
//
// The server is driven from outside, so that the same server runs on a
// pipe, in a test and under a fuzzer: `receive` takes what has arrived
// (a batch, so that a cancellation reaches a request that came with it,
// and edits that came together are built once), `settle` builds what the
// edits touched once nothing more is waiting and publishes the
// diagnostics. A request that needs a project built builds it first.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lsp_features.h"
#include "lsp_text.h"
#include "lsp_transport.h"
#include "lsp_workspace.h"

namespace pxc::lsp {

class server {
public:
    using sink = std::function<void(const json& message)>;
    server(sink out, std::string version);

    void receive(const std::vector<incoming>& batch);
    // Builds every project that an edit touched and publishes.
    void settle();

    bool exited() const { return exited_; }
    // 0 after "shutdown" then "exit", 1 for an "exit" alone.
    int exit_status() const { return shut_down_ ? 0 : 1; }
    bool shut_down() const { return shut_down_; }

private:
    using notification_handler = void (server::*)(const json& params);

    void handle(const json& message, bool cancelled);
    void answer(const json& id, json result);
    void refuse(const json& id, int code, const std::string& message);
    void request(const json& id, const std::string& method, const json& params);
    void notify(const std::string& method, const json& params);

    json initialize(const json& params);

    void opened(const json& params);
    void changed(const json& params);
    void closed(const json& params);
    void saved(const json& params);
    void watched_files_changed(const json& params);

    // Follows the documents to their projects after an edit.
    void follow(const std::vector<std::string>& touched);
    // Publishes what changed since the last publication, and every open
    // document of the projects just built.
    void publish(const std::vector<project*>& rebuilt);
    json diagnostics_for(request_context& c, const std::string& file);

    sink out_;
    std::string version_;
    workspace ws_;
    encoding units_ = encoding::utf16;
    bool initialized_ = false;
    bool shut_down_ = false;
    bool exited_ = false;
    std::map<std::string, json> published_;  // by file: the last diagnostics sent
    std::vector<std::string> dropped_;       // roots of projects gone since the last publication
};

}  // namespace pxc::lsp

// What the language server answers, each from what the compiler resolved in
// the last build of the projects a document belongs to: the places of
// steps, labels and instructions, the destinations of goto clauses and do
// lists, the uses of resources, the code of each instruction, and each
// instruction's syntax as the compiler states it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lsp_text.h"
#include "lsp_transport.h"
#include "lsp_workspace.h"

namespace pxc::lsp {

// JSON-RPC and protocol error codes.
enum error_code {
    PARSE_ERROR = -32700,
    INVALID_REQUEST = -32600,
    METHOD_NOT_FOUND = -32601,
    INVALID_PARAMS = -32602,
    INTERNAL_ERROR = -32603,
    SERVER_NOT_INITIALIZED = -32002,
    REQUEST_FAILED = -32803,
    REQUEST_CANCELLED = -32800,
};

// A request that cannot be answered: sent back as the response's error.
struct request_error {
    int code;
    std::string message;
};

// What one request works with: the workspace, the positions' encoding, the
// texts of the files it has looked at, and the projects it had to build
// (whose diagnostics are published after the answer).
class request_context {
public:
    request_context(workspace& w, encoding e) : ws(w), units(e) {}
    workspace& ws;
    encoding units;
    std::vector<project*> rebuilt;

    const text_lines& lines_of(const std::string& path);
    // A place of the compiler as a range in its file.
    range range_at(const std::string& path, uint32_t line, uint32_t column, uint32_t length);
    json location(const std::string& path, uint32_t line, uint32_t column, uint32_t length);
    std::string uri_of(const std::string& path) const;

private:
    struct text {
        std::string bytes;
        std::unique_ptr<text_lines> lines;
    };
    std::map<std::string, text> texts_;
};

json to_json(const range& r);

// The requests, by their methods' names. Each takes the request's params.
json definition(request_context& c, const json& params);
json references(request_context& c, const json& params);
json hover(request_context& c, const json& params);
json completion(request_context& c, const json& params);
json document_symbols(request_context& c, const json& params);
json workspace_symbols(request_context& c, const json& params);
json prepare_rename(request_context& c, const json& params);
json rename(request_context& c, const json& params);
json formatting(request_context& c, const json& params);
json code_actions(request_context& c, const json& params);

// The open document a request names: its path. Throws request_error for a
// URI that is not a file or a document the editor has not opened.
std::string document_path(request_context& c, const json& params);

}  // namespace pxc::lsp

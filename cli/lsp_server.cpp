// The language server's dispatch and lifecycle.
#include "lsp_server.h"

#include <set>
#include <utility>

#include "driver/diagnostics.h"

namespace pxc::lsp {

namespace {

constexpr int MESSAGE_ERROR = 1;

// The requests, by method. A method not here is answered MethodNotFound.
struct request_row {
    const char* method;
    json (*answer)(request_context& c, const json& params);
};
constexpr request_row REQUESTS[] = {
    {"textDocument/definition", definition},
    {"textDocument/references", references},
    {"textDocument/hover", hover},
    {"textDocument/completion", completion},
    {"textDocument/documentSymbol", document_symbols},
    {"workspace/symbol", workspace_symbols},
    {"textDocument/prepareRename", prepare_rename},
    {"textDocument/rename", rename},
    {"textDocument/formatting", formatting},
    {"textDocument/codeAction", code_actions},
};

bool valid_id(const json& id) { return id.is_string() || id.is_number_integer() || id.is_null(); }

const json& member(const json& object, const char* name) {
    static const json none;
    return object.is_object() && object.contains(name) ? object.at(name) : none;
}

std::string string_member(const json& object, const char* name) {
    const json& value = member(object, name);
    if (!value.is_string()) throw request_error{INVALID_PARAMS, std::string("no \"") + name + "\" string"};
    return value.get<std::string>();
}

std::string path_member(const json& params) {
    std::string uri = string_member(member(params, "textDocument"), "uri");
    auto path = path_of_uri(uri);
    if (!path) throw request_error{INVALID_PARAMS, "not a file URI: " + uri};
    return *path;
}

}  // namespace

server::server(sink out, std::string version) : out_(std::move(out)), version_(std::move(version)) {}

void server::receive(const std::vector<incoming>& batch) {
    std::vector<json> messages;
    std::set<std::string> cancelled;
    for (const incoming& in : batch) {
        switch (in.kind) {
        case incoming::message: {
            json message = json::parse(in.body, nullptr, false);
            if (message.is_discarded()) {
                refuse(nullptr, PARSE_ERROR, "The message is not JSON.");
                continue;
            }
            if (member(message, "method") == "$/cancelRequest") {
                const json& id = member(member(message, "params"), "id");
                if (id.is_string() || id.is_number_integer()) cancelled.insert(id.dump());
            }
            messages.push_back(std::move(message));
            break;
        }
        case incoming::too_large:
            refuse(nullptr, INVALID_REQUEST, "Refused " + in.why + ".");
            break;
        case incoming::bad_header:
            refuse(nullptr, PARSE_ERROR, "A message with " + in.why + ".");
            break;
        case incoming::end:
            break;
        }
    }
    for (const json& message : messages) {
        if (exited_) return;
        const json& id = member(message, "id");
        handle(message, !id.is_null() && cancelled.count(id.dump()) > 0);
    }
}

void server::handle(const json& message, bool cancelled) {
    if (!message.is_object()) {
        refuse(nullptr, INVALID_REQUEST, "A message is a JSON object.");
        return;
    }
    const bool has_id = message.contains("id");
    const json id = has_id && valid_id(message["id"]) ? message["id"] : json(nullptr);
    if (member(message, "jsonrpc") != "2.0") {
        refuse(id, INVALID_REQUEST, "A message says \"jsonrpc\": \"2.0\".");
        return;
    }
    if (has_id && !valid_id(message["id"])) {
        refuse(nullptr, INVALID_REQUEST, "An id is a number or a string.");
        return;
    }
    if (!message.contains("method")) {
        // A response: the server asks nothing, so it waits for none.
        if (!message.contains("result") && !message.contains("error"))
            refuse(id, INVALID_REQUEST, "A message has a method, or a result or an error.");
        return;
    }
    const json& method = message["method"];
    const json params = message.contains("params") ? message["params"] : json::object();
    if (!method.is_string() || !(params.is_object() || params.is_array())) {
        refuse(id, INVALID_REQUEST, "A method is a string and its params an object or an array.");
        return;
    }
    if (has_id) {
        if (cancelled)
            refuse(id, REQUEST_CANCELLED, "Cancelled.");
        else
            request(id, method.get<std::string>(), params);
    } else {
        notify(method.get<std::string>(), params);
    }
}

void server::answer(const json& id, json result) {
    out_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void server::refuse(const json& id, int code, const std::string& message) {
    out_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void server::request(const json& id, const std::string& method, const json& params) {
    if (method == "initialize") {
        if (initialized_) {
            refuse(id, INVALID_REQUEST, "The server is initialized already.");
            return;
        }
        answer(id, initialize(params));
        initialized_ = true;
        return;
    }
    if (!initialized_) {
        refuse(id, SERVER_NOT_INITIALIZED, "The server is not initialized.");
        return;
    }
    if (shut_down_) {
        refuse(id, INVALID_REQUEST, "The server has shut down.");
        return;
    }
    if (method == "shutdown") {
        shut_down_ = true;
        answer(id, nullptr);
        return;
    }
    const request_row* row = nullptr;
    for (const request_row& r : REQUESTS)
        if (method == r.method) row = &r;
    if (!row) {
        refuse(id, METHOD_NOT_FOUND, "Unknown method \"" + method + "\".");
        return;
    }
    request_context c(ws_, units_);
    try {
        json result = row->answer(c, params);
        answer(id, std::move(result));
    } catch (const request_error& e) {
        refuse(id, e.code, e.message);
    } catch (const json::exception& e) {
        refuse(id, INVALID_PARAMS, e.what());
    } catch (const std::exception& e) {
        refuse(id, INTERNAL_ERROR, e.what());
    }
    if (!c.rebuilt.empty()) publish(c.rebuilt);
}

void server::notify(const std::string& method, const json& params) {
    if (method == "exit") {
        exited_ = true;
        return;
    }
    if (!initialized_ || shut_down_) return;
    struct notification_row {
        const char* method;
        notification_handler handle;
    };
    static const notification_row rows[] = {
        {"textDocument/didOpen", &server::opened},
        {"textDocument/didChange", &server::changed},
        {"textDocument/didClose", &server::closed},
        {"textDocument/didSave", &server::saved},
        {"workspace/didChangeWatchedFiles", &server::watched_files_changed},
    };
    for (const notification_row& row : rows) {
        if (method != row.method) continue;
        try {
            (this->*row.handle)(params);
        } catch (const request_error& e) {
            out_({{"jsonrpc", "2.0"},
                  {"method", "window/logMessage"},
                  {"params", {{"type", MESSAGE_ERROR}, {"message", method + ": " + e.message}}}});
        } catch (const std::exception& e) {
            out_({{"jsonrpc", "2.0"},
                  {"method", "window/logMessage"},
                  {"params", {{"type", MESSAGE_ERROR}, {"message", method + ": " + e.what()}}}});
        }
        return;
    }
    // Other notifications ("initialized", "$/setTrace", ...) ask nothing.
}

json server::initialize(const json& params) {
    const json& offered = member(member(member(params, "capabilities"), "general"), "positionEncodings");
    units_ = encoding::utf16;
    if (offered.is_array())
        for (const json& e : offered)
            if (e == "utf-8") units_ = encoding::utf8;
    json capabilities = {
        {"positionEncoding", units_ == encoding::utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", json::array({"(", " "})}}},
        {"documentSymbolProvider", true},
        {"workspaceSymbolProvider", true},
        {"renameProvider", {{"prepareProvider", true}}},
        {"documentFormattingProvider", true},
        {"codeActionProvider", {{"codeActionKinds", json::array({"quickfix"})}}},
    };
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "pxc"}, {"version", version_}}}};
}

void server::opened(const json& params) {
    const json& item = member(params, "textDocument");
    std::string path = path_member(params);
    document d;
    d.uri = string_member(item, "uri");
    d.text = string_member(item, "text");
    if (member(item, "version").is_number_integer()) d.version = member(item, "version").get<int64_t>();
    ws_.documents[path] = std::move(d);
    follow({path});
}

void server::changed(const json& params) {
    std::string path = path_member(params);
    auto found = ws_.documents.find(path);
    if (found == ws_.documents.end()) throw request_error{INVALID_PARAMS, "unknown document: " + path};
    document& d = found->second;
    const json& changes = member(params, "contentChanges");
    if (!changes.is_array()) throw request_error{INVALID_PARAMS, "no \"contentChanges\""};
    const json& version = member(member(params, "textDocument"), "version");
    // Each change applies to the text the one before it left.
    for (const json& change : changes) {
        std::string text = string_member(change, "text");
        if (!change.contains("range")) {
            d.text = std::move(text);
            continue;
        }
        const json& r = change["range"];
        const json& start = member(r, "start");
        const json& end = member(r, "end");
        auto number = [](const json& p, const char* name) {
            const json& v = member(p, name);
            if (!v.is_number_integer() || v.get<int64_t>() < 0 || v.get<int64_t>() > UINT32_MAX)
                throw request_error{INVALID_PARAMS, "a change's range is not a range"};
            return static_cast<uint32_t>(v.get<int64_t>());
        };
        text_lines lines(d.text);
        auto from = offset_of(lines, {number(start, "line"), number(start, "character")}, units_);
        auto to = offset_of(lines, {number(end, "line"), number(end, "character")}, units_);
        if (!from || !to || *to < *from) {
            follow({path});
            throw request_error{INVALID_PARAMS,
                                "a change's range lies outside the document; the rest of the change is "
                                "not applied"};
        }
        d.text.replace(*from, *to - *from, text);
    }
    if (version.is_number_integer()) d.version = version.get<int64_t>();
    follow({path});
}

void server::closed(const json& params) {
    std::string path = path_member(params);
    if (!ws_.documents.erase(path)) throw request_error{INVALID_PARAMS, "unknown document: " + path};
    follow({path});
}

void server::saved(const json&) {}

void server::watched_files_changed(const json&) {
    ws_.mark_all();
    follow({});
}

void server::follow(const std::vector<std::string>& touched) {
    for (std::string& root : ws_.follow(touched)) dropped_.push_back(std::move(root));
}

void server::settle() {
    std::vector<project*> rebuilt;
    for (auto& [root, p] : ws_.projects)
        if (p.dirty || !p.built) {
            ws_.build(p);
            rebuilt.push_back(&p);
        }
    if (!rebuilt.empty() || !dropped_.empty()) publish(rebuilt);
}

json server::diagnostics_for(request_context& c, const std::string& file) {
    json all = json::array();
    std::set<std::string> seen;
    for (const auto& [root, p] : ws_.projects) {
        if (!p.built || !p.members.count(file)) continue;
        // The flow warnings of the step graph come after the build's own
        // messages, with their rule as the code.
        for (const file_diagnostic& d : p.diagnostics) {
            if (d.file != file) continue;
            range r = d.what.where.line == 0 ? range{}
                                             : c.range_at(file, d.what.where.line, d.what.where.column, d.what.length);
            json shown = {{"range", to_json(r)},
                          {"severity", d.what.level == px::LOG_WARNING ? 2 : 1},
                          {"source", "pxc"},
                          {"message", d.what.message}};
            if (d.code) shown["code"] = d.code;
            if (!d.step_file.empty())
                shown["relatedInformation"] = json::array(
                    {{{"location", c.location(d.step_file, d.step_header.line, d.step_header.column, 0)},
                      {"message", "step [" + std::to_string(d.what.step_as_written) + "] of this file is step [" +
                                      std::to_string(d.what.step) + "] of the linked program"}}});
            // A message may quote bytes of a file that are not UTF-8.
            if (seen.insert(shown.dump(-1, ' ', false, json::error_handler_t::replace)).second)
                all.push_back(std::move(shown));
        }
    }
    return all;
}

void server::publish(const std::vector<project*>& rebuilt) {
    dropped_.clear();
    request_context c(ws_, units_);
    std::set<std::string> files;
    for (const auto& [root, p] : ws_.projects)
        if (p.built) files.insert(p.members.begin(), p.members.end());
    for (const auto& [file, sent] : published_) files.insert(file);
    for (const std::string& file : files) {
        json current = diagnostics_for(c, file);
        const document* open = ws_.find(file);
        bool fresh = false;
        for (const project* p : rebuilt) fresh = fresh || p->members.count(file) > 0;
        auto old = published_.find(file);
        bool changed = old == published_.end() ? !current.empty() : old->second != current;
        if (changed || (open && fresh)) {
            json params = {{"uri", c.uri_of(file)}, {"diagnostics", current}};
            if (open) params["version"] = open->version;
            out_({{"jsonrpc", "2.0"}, {"method", "textDocument/publishDiagnostics"}, {"params", params}});
        }
        if (current.empty())
            published_.erase(file);
        else
            published_[file] = std::move(current);
    }
}

}  // namespace pxc::lsp

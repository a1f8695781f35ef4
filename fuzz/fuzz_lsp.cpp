// libFuzzer target: pxc lsp's message reader and dispatcher, over a copy of
// the conveyor example. An input that begins "Content-Length" is the byte
// stream an editor writes, frames and all; any other is one message body a
// line, each framed as the protocol frames it. "file:///fuzz/" in an input
// names the copy's folder.
//
// Whatever comes, the server must not fail, and every request it takes
// (a JSON object with "jsonrpc": "2.0", a method and an id, before "exit")
// must be answered exactly once, with a result or an error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "lsp_server.h"
#include "lsp_transport.h"

namespace fs = std::filesystem;
using pxc::lsp::json;

namespace {

std::string folder_uri;

std::string with_folder(std::string_view input) {
    std::string text(input);
    static const std::string placeholder = "file:///fuzz/";
    for (std::size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos; at += folder_uri.size())
        text.replace(at, placeholder.size(), folder_uri);
    return text;
}

// The id of a request the server must answer, or null.
json request_id(const std::string& body) {
    json m = json::parse(body, nullptr, false);
    if (!m.is_object() || !m.contains("id") || !m.contains("method") || m["jsonrpc"] != "2.0") return nullptr;
    const json& id = m["id"];
    if (!m["method"].is_string() || !(id.is_string() || id.is_number_integer())) return nullptr;
    if (m.contains("params") && !m["params"].is_object() && !m["params"].is_array()) return nullptr;
    return id;
}

[[noreturn]] void fail(const std::string& what, const std::string& body) {
    std::fprintf(stderr, "%s\n--- message:\n%s\n", what.c_str(), body.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pxfuzz::enter_scratch("lsp");
    const fs::path here = fs::current_path();
    fs::copy(fs::path(PXFUZZ_SOURCE_DIR) / "examples" / "conveyor", here,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    folder_uri = "file://" + here.string() + "/";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input = with_folder(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<json> sent;
    pxc::lsp::server server(
        [&sent](const json& m) {
            // Whatever the server sends must go on the wire.
            pxc::lsp::frame(m);
            sent.push_back(m);
        },
        "fuzz");

    std::vector<pxc::lsp::incoming> messages;
    if (input.rfind("Content-Length", 0) == 0) {
        messages = pxc::lsp::read_messages(input);
    } else {
        for (std::size_t from = 0; from < input.size();) {
            std::size_t end = input.find('\n', from);
            if (end == std::string::npos) end = input.size();
            messages.push_back({pxc::lsp::incoming::message, input.substr(from, end - from), ""});
            from = end + 1;
        }
    }

    for (const pxc::lsp::incoming& message : messages) {
        if (server.exited()) break;
        const std::size_t before = sent.size();
        const json id = message.kind == pxc::lsp::incoming::message ? request_id(message.body) : json(nullptr);
        server.receive({message});
        if (!id.is_null()) {
            int answers = 0;
            for (std::size_t i = before; i < sent.size(); ++i)
                answers += sent[i].contains("id") && sent[i]["id"] == id &&
                           (sent[i].contains("result") || sent[i].contains("error"));
            if (answers != 1) fail(std::to_string(answers) + " answers to one request", message.body);
        }
        if (!server.exited()) server.settle();
    }
    return 0;
}

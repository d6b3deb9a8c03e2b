#include "server.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/zam_test.h"
#include "uri.h"

// The server driven message by message on a copy of the bike example, as an
// editor would: each capability's answer, the findings it publishes, and
// how it stays up after messages it cannot use.

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ServerTest : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        char pattern[] = "/tmp/lsp_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = fs::path(pattern) / "bike";
        fs::copy(BIKE_EXAMPLE, root_, fs::copy_options::recursive);
        server_ = std::make_unique<rkl::lsp::Server>([this](const json& m) { sent_.push_back(m); });
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(root_.parent_path());
        ZamTest::TearDown();
    }

    std::string uri(const std::string& file) const {
        return rkl::lsp::uriFromPath((root_ / file).string());
    }

    // Sends a request and returns the response to it.
    json request(const std::string& method, const json& params) {
        const int id = ++lastId_;
        sent_.clear();
        EXPECT_TRUE(server_->handle(
            json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump()));
        for (const json& message : sent_) {
            if (message.value("id", json()) == id) {
                return message;
            }
        }
        ADD_FAILURE() << "no response to " << method;
        return json();
    }
    void notify(const std::string& method, const json& params) {
        sent_.clear();
        EXPECT_TRUE(server_->handle(
            json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump()));
    }
    void initialize() {
        const json response =
            request("initialize", {{"rootUri", rkl::lsp::uriFromPath(root_.string())}});
        ASSERT_TRUE(response.contains("result")) << response.dump();
        notify("initialized", json::object());
    }
    void open(const std::string& file, const std::string& text) {
        notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", uri(file)}, {"languageId", "rkl"}, {"version", 1}, {"text", text}}}});
    }
    void change(const std::string& file, const std::string& text) {
        notify("textDocument/didChange", {{"textDocument", {{"uri", uri(file)}, {"version", 2}}},
                                          {"contentChanges", {{{"text", text}}}}});
    }
    // The findings last published for `file`; null when none were.
    json published(const std::string& file) const {
        json found;
        for (const json& message : sent_) {
            if (message.value("method", "") == "textDocument/publishDiagnostics" &&
                message["params"]["uri"] == uri(file)) {
                found = message["params"]["diagnostics"];
            }
        }
        return found;
    }
    // The position of the `nth` occurrence of `needle` in `file`, plus `skip`
    // characters (the texts are ASCII, one unit a byte).
    json at(const std::string& file, const std::string& needle, std::size_t skip = 0,
            int nth = 1) const {
        const std::string text = slurp(root_ / file);
        std::size_t offset = std::string::npos;
        for (int i = 0; i < nth; ++i) {
            offset = text.find(needle, offset + 1);
        }
        EXPECT_NE(std::string::npos, offset) << needle;
        offset += skip;
        const std::string before = text.substr(0, offset);
        const std::size_t lineStart = before.rfind('\n') + 1;
        return {{"line", std::count(before.begin(), before.end(), '\n')},
                {"character", offset - lineStart}};
    }
    json place(const std::string& file, const std::string& needle, std::size_t skip = 0,
               int nth = 1) const {
        return {{"textDocument", {{"uri", uri(file)}}}, {"position", at(file, needle, skip, nth)}};
    }

    fs::path root_;
    std::unique_ptr<rkl::lsp::Server> server_;
    std::vector<json> sent_;
    int lastId_ = 0;
};

TEST_F(ServerTest, PublishesSyntaxErrorsAtTheirPlaceAndClearsThemWhenFixed) {
    initialize();
    const std::string text = slurp(root_ / "frame.rkl");
    open("frame.rkl", text);
    EXPECT_EQ(json::array(), published("frame.rkl"));

    std::string broken = text;
    broken.replace(broken.find("set frame:geometry to \"upright\""), 31,
                   "set frame:geometry \"upright\"");
    broken.replace(broken.find("public size integer"), 19, "public size intger");
    change("frame.rkl", broken);
    const json findings = published("frame.rkl");
    ASSERT_EQ(2u, findings.size()) << findings.dump();
    EXPECT_EQ(2, findings[0]["range"]["start"]["line"]);   // the declaration
    EXPECT_EQ(11, findings[1]["range"]["start"]["line"]);  // the rule, at the string
    EXPECT_EQ(23, findings[1]["range"]["start"]["character"]);
    EXPECT_EQ(1, findings[1]["severity"]);

    change("frame.rkl", text);
    EXPECT_EQ(json::array(), published("frame.rkl"));
}

TEST_F(ServerTest, PublishesWhatCheckFindsKeepingTheProductsFindingsWhileTyping) {
    initialize();
    const std::string text = slurp(root_ / "frame.rkl");
    const std::string extra =
        "if bike:budget > 5000 then\n    inform \"a rich rider\"\nendif\nendif\nset frame:size "
        "to 60\n";
    open("frame.rkl", text + extra);
    notify("textDocument/didSave", {{"textDocument", {{"uri", uri("frame.rkl")}}}});
    const auto summary = [](const json& findings) {
        std::vector<std::pair<int, std::string>> lines;
        for (const json& finding : findings) {
            lines.emplace_back(finding["range"]["start"]["line"],
                               finding["message"].get<std::string>().substr(0, 30));
        }
        return lines;
    };
    const std::vector<std::pair<int, std::string>> checked = {
        {31, "bike.frame: the rules use bike"},      // out of reach, from the validator
        {34, "\"endif\" closes no \"if\": the re"},  // ignored text
    };
    EXPECT_EQ(checked, summary(published("frame.rkl")));

    // A keystroke: the text's own findings are fresh, the validator's kept.
    std::string typo = text + extra;
    typo.replace(typo.find("set frame:geometry to"), 21, "set frame:geometry");
    change("frame.rkl", typo);
    std::vector<std::pair<int, std::string>> typed = checked;
    typed.insert(typed.begin(), {11, "Error parsing set/fix statemen"});
    EXPECT_EQ(typed, summary(published("frame.rkl")));

    change("frame.rkl", text);
    notify("textDocument/didSave", {{"textDocument", {{"uri", uri("frame.rkl")}}}});
    EXPECT_EQ(json::array(), published("frame.rkl"));
}

TEST_F(ServerTest, HoverShowsTheDeclarationItsDescriptionAndItsBase) {
    initialize();
    const json onUse =
        request("textDocument/hover", place("frame.rkl", "frame:usage = \"city\"", 7));
    const std::string usage = onUse["result"]["contents"]["value"];
    EXPECT_NE(std::string::npos, usage.find("public usage uses bike:usage")) << usage;
    EXPECT_NE(std::string::npos, usage.find("uses `bike:usage`: What the bike is mostly for"))
        << usage;

    const json onDeclaration = request("textDocument/hover", place("frame.rkl", "size integer"));
    const std::string size = onDeclaration["result"]["contents"]["value"];
    EXPECT_NE(std::string::npos, size.find("Seat tube length in cm")) << size;

    EXPECT_TRUE(request("textDocument/hover", place("frame.rkl", "then"))["result"].is_null());
}

TEST_F(ServerTest, DefinitionLeadsToTheDeclaringLineAcrossModules) {
    initialize();
    // From a base named in a declaration to the module that declares it.
    const json base = request("textDocument/definition", place("bike.rkl", "frame:size", 7));
    EXPECT_EQ(uri("frame.rkl"), base["result"]["uri"]);
    EXPECT_EQ(at("frame.rkl", "size integer"), base["result"]["range"]["start"]);
    // From a rule's reference to the declaration in the same module.
    const json local =
        request("textDocument/definition", place("bike.rkl", "bike:frame_size to", 5));
    EXPECT_EQ(at("bike.rkl", "frame_size presents"), local["result"]["range"]["start"]);
    // From a module id to its module line.
    const json module = request("textDocument/definition", place("bike.rkl", "frame:size", 1));
    EXPECT_EQ(uri("frame.rkl"), module["result"]["uri"]);
    EXPECT_EQ(0, module["result"]["range"]["start"]["line"]);
}

TEST_F(ServerTest, ReferencesCoverEveryTextAndTheProductConditions) {
    initialize();
    const json found =
        request("textDocument/references", {{"textDocument", {{"uri", uri("frame.rkl")}}},
                                            {"position", at("frame.rkl", "suspension logical")},
                                            {"context", {{"includeDeclaration", true}}}})["result"];
    std::vector<std::pair<std::string, json>> places;
    for (const json& location : found) {
        places.emplace_back(location["uri"], location["range"]["start"]);
    }
    const std::vector<std::pair<std::string, json>> expected = {
        {uri("frame.rkl"), at("frame.rkl", "suspension logical")},
        {uri("frame.rkl"), at("frame.rkl", "frame:suspension", 6)},
        {uri("product.json"), at("product.json", "frame:suspension", 6)},
    };
    EXPECT_EQ(expected, places) << found.dump();

    const json withoutDeclaration = request(
        "textDocument/references", {{"textDocument", {{"uri", uri("product.json")}}},
                                    {"position", at("product.json", "suspension =")},
                                    {"context", {{"includeDeclaration", false}}}})["result"];
    EXPECT_EQ(2u, withoutDeclaration.size()) << withoutDeclaration.dump();
}

TEST_F(ServerTest, RenameRewritesEveryTextThatNamesTheOption) {
    initialize();
    const json prepared =
        request("textDocument/prepareRename", place("frame.rkl", "frame:geometry to", 6));
    EXPECT_EQ("geometry", prepared["result"]["placeholder"]);
    for (const char* refused : {"then", "\"upright\"", "interface end"}) {
        const json response = request("textDocument/prepareRename", place("frame.rkl", refused));
        EXPECT_EQ(rkl::lsp::kRequestFailed, response["error"]["code"]) << refused;
    }

    json params = place("frame.rkl", "frame:geometry to", 6);
    params["newName"] = "riding position";
    const json edit = request("textDocument/rename", params)["result"];
    ASSERT_EQ(1u, edit["changes"].size()) << edit.dump();
    const json& edits = edit["changes"][uri("frame.rkl")];
    ASSERT_EQ(4u, edits.size()) << edits.dump();
    EXPECT_EQ(4, edits[0]["range"]["start"]["line"]);
    EXPECT_EQ(0u, edits[0]["newText"].get<std::string>().find("public 'riding position' string"));
    EXPECT_EQ("    set frame:'riding position' to \"upright\"", edits[1]["newText"]);

    // product.json's conditions and chosen values follow the option.
    const auto productEdits = [&](const char* declared, const char* newName) {
        const json changes =
            request("textDocument/rename", {{"textDocument", {{"uri", uri("bike.rkl")}}},
                                            {"position", at("bike.rkl", declared)},
                                            {"newName", newName}})["result"]["changes"];
        EXPECT_EQ(1u, changes.count(uri("bike.rkl")));
        std::vector<std::pair<int, std::string>> lines;
        for (const json& edit : changes.value(uri("product.json"), json::array())) {
            lines.emplace_back(edit["range"]["start"]["line"], edit["newText"]);
        }
        return lines;
    };
    using Lines = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ((Lines{{25,
                      "        {\"name\": \"lights\", \"module\": \"lights\", \"loadIf\": "
                      "\"bike:lamps = true\"},"}}),
              productEdits("lights logical", "lamps"));
    EXPECT_EQ((Lines{{5, "    {\"option\": \"money\", \"value\": 1500}"}}),
              productEdits("budget integer", "money"));

    // A module: its module line, every reference and product.json, and its
    // file moved after.
    const json moved = request("textDocument/rename", {{"textDocument", {{"uri", uri("fork.rkl")}}},
                                                       {"position", at("fork.rkl", "fork", 1)},
                                                       {"newName", "suspension_fork"}})["result"];
    ASSERT_TRUE(moved.contains("documentChanges")) << moved.dump();
    const json& last = moved["documentChanges"].back();
    EXPECT_EQ("rename", last["kind"]);
    EXPECT_EQ(uri("fork.rkl"), last["oldUri"]);
    EXPECT_EQ(uri("suspension_fork.rkl"), last["newUri"]);
    std::map<std::string, std::string> firstEdits;
    for (const json& change : moved["documentChanges"]) {
        if (change.contains("edits")) {
            firstEdits[change["textDocument"]["uri"]] = change["edits"][0]["newText"];
        }
    }
    EXPECT_EQ("module suspension_fork", firstEdits[uri("fork.rkl")]);
    EXPECT_NE(std::string::npos,
              firstEdits[uri("product.json")].find("\"module\": \"suspension_fork\""));
    for (const char* taken : {"frame", "../x", ""}) {
        EXPECT_EQ(rkl::lsp::kRequestFailed,
                  request("textDocument/rename", {{"textDocument", {{"uri", uri("fork.rkl")}}},
                                                  {"position", at("fork.rkl", "fork", 1)},
                                                  {"newName", taken}})["error"]["code"])
            << taken;
    }

    params["newName"] = "size";  // taken
    EXPECT_EQ(rkl::lsp::kRequestFailed, request("textDocument/rename", params)["error"]["code"]);
}

TEST_F(ServerTest, RenameFollowsTheOptionIntoMutuallyExclusiveRules) {
    initialize();
    const json changes =
        request("textDocument/rename", {{"textDocument", {{"uri", uri("lights.rkl")}}},
                                        {"position", at("lights.rkl", "dynamo string")},
                                        {"newName", "generator"}})["result"]["changes"];
    std::string rewritten;
    for (const json& edit : changes.value(uri("lights.rkl"), json::array())) {
        rewritten += edit["newText"].get<std::string>() + "\n";
    }
    EXPECT_NE(std::string::npos, rewritten.find("mutually_exclusive : [generator, battery]"))
        << rewritten;
    EXPECT_NE(std::string::npos, rewritten.find("public generator string")) << rewritten;
}

TEST_F(ServerTest, CompletesOptionsAfterAModuleAndModulesElsewhere) {
    initialize();
    std::string text = slurp(root_ / "bike.rkl");
    text += "\nif wheel:";
    open("bike.rkl", text);
    const int lastLine = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    const json items =
        request("textDocument/completion",
                {{"textDocument", {{"uri", uri("bike.rkl")}}},
                 {"position", {{"line", lastLine}, {"character", 9}}}})["result"]["items"];
    std::map<std::string, std::string> details;
    for (const json& item : items) {
        details[item["label"]] = item.value("detail", "");
    }
    EXPECT_EQ("real", details["diameter"]) << items.dump();
    EXPECT_EQ(0u, details.count("bike"));

    const json elsewhere =
        request("textDocument/completion",
                {{"textDocument", {{"uri", uri("bike.rkl")}}},
                 {"position", {{"line", lastLine}, {"character", 3}}}})["result"]["items"];
    std::map<std::string, int> kinds;
    for (const json& item : elsewhere) {
        kinds[item["label"]] = item["kind"];
    }
    EXPECT_EQ(9, kinds["wheel"]);   // a module
    EXPECT_EQ(14, kinds["endif"]);  // a keyword
    EXPECT_EQ(0u, kinds.count("diameter"));
}

TEST_F(ServerTest, OutlinesTheModuleItsOptionsAndItsStatementsAsATree) {
    initialize();
    const json symbols = request("textDocument/documentSymbol",
                                 {{"textDocument", {{"uri", uri("frame.rkl")}}}})["result"];
    ASSERT_EQ(1u, symbols.size());
    EXPECT_EQ("frame", symbols[0]["name"]);
    const json& children = symbols[0]["children"];
    std::vector<std::string> names;
    for (const json& child : children) {
        names.push_back(child["name"]);
    }
    const std::vector<std::string> expected = {
        "size",
        "material",
        "geometry",
        "colour",
        "step_through",
        "suspension",
        "usage",
        "if frame:usage = \"city\" or frame:usage = \"cargo\"",
        "if frame:usage = \"cargo\"",
        "if frame:material = \"carbon\" and frame:usage = \"cargo\"",
        "if frame:step_through = true and frame:size > 56",
    };
    EXPECT_EQ(expected, names);
    EXPECT_EQ("integer", children[0]["detail"]);
    const json& first = children[7];
    ASSERT_EQ(4u, first["children"].size()) << first.dump();
    EXPECT_EQ("set frame:geometry to \"upright\"", first["children"][0]["name"]);
    EXPECT_EQ("elif frame:usage = \"road\"", first["children"][2]["name"]);
    EXPECT_EQ("fix frame:suspension to true", first["children"][3]["children"][1]["name"]);
    EXPECT_EQ(at("frame.rkl", "endif")["line"], first["range"]["end"]["line"]);
}

TEST_F(ServerTest, AnswersWhatItCannotUseWithErrorsAndKeepsServing) {
    EXPECT_EQ(rkl::lsp::kServerNotInitialized,
              request("textDocument/hover", place("frame.rkl", "size"))["error"]["code"]);
    initialize();
    sent_.clear();
    EXPECT_TRUE(server_->handle("{\"jsonrpc\": \"2.0\", \"id\": 1, \"method\""));
    ASSERT_EQ(1u, sent_.size());
    EXPECT_EQ(rkl::lsp::kParseError, sent_[0]["error"]["code"]);
    EXPECT_EQ(rkl::lsp::kMethodNotFound,
              request("textDocument/frobnicate", json::object())["error"]["code"]);
    EXPECT_EQ(rkl::lsp::kInvalidParams,
              request("textDocument/hover", json::object())["error"]["code"]);

    // A text that is no module text at all.
    open("frame.rkl", "\x01\xC3\xA9 garbage 'unclosed");
    EXPECT_FALSE(published("frame.rkl").empty());
    EXPECT_TRUE(request("textDocument/hover", place("bike.rkl", "bike:rider_height <", 5))["result"]
                    .is_object());
    EXPECT_TRUE(request("textDocument/documentSymbol",
                        {{"textDocument", {{"uri", uri("frame.rkl")}}}})["result"]
                    .is_array());

    // A file deleted while open is served from the editor's text until closed.
    fs::remove(root_ / "wheel.rkl");
    open("wheel.rkl",
         "module wheel\ninterface start\npublic diameter real default 28\ninterface end\n");
    notify("workspace/didChangeWatchedFiles",
           {{"changes", {{{"uri", uri("wheel.rkl")}, {"type", 3}}}}});
    EXPECT_TRUE(
        request("textDocument/hover", {{"textDocument", {{"uri", uri("wheel.rkl")}}},
                                       {"position", {{"line", 2}, {"character", 8}}}})["result"]
            .is_object());
    notify("textDocument/didClose", {{"textDocument", {{"uri", uri("wheel.rkl")}}}});
    EXPECT_EQ(rkl::lsp::kRequestFailed,
              request("textDocument/hover",
                      {{"textDocument", {{"uri", uri("wheel.rkl")}}},
                       {"position", {{"line", 2}, {"character", 8}}}})["error"]["code"]);
    EXPECT_TRUE(request("textDocument/hover", place("bike.rkl", "bike:rider_height <", 5))["result"]
                    .is_object());

    EXPECT_TRUE(request("shutdown", json())["result"].is_null());
    EXPECT_EQ(rkl::lsp::kInvalidRequest,
              request("textDocument/hover", place("bike.rkl", "frame"))["error"]["code"]);
    EXPECT_FALSE(server_->handle("{\"jsonrpc\": \"2.0\", \"method\": \"exit\"}"));
    EXPECT_EQ(0, server_->exitStatus());
}

TEST_F(ServerTest, ExitWithoutShutdownEndsWithStatusOne) {
    initialize();
    EXPECT_FALSE(server_->handle("{\"jsonrpc\": \"2.0\", \"method\": \"exit\"}"));
    EXPECT_EQ(1, server_->exitStatus());
}

}  // namespace

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "findings.h"
#include "rkl_program.h"
#include "session.h"
#include "support/zam_test.h"

// What the rkl program says a modeller needs to know, each on a small
// product made for it: text the engine ignores, references out of reach,
// mandatory options left empty, choices that cannot take effect, errors at
// their statements, and failed evaluations that still show what they did.

namespace {

namespace fs = std::filesystem;

using rkl_test::Outcome;

using rkl_test::contentOf;
using rkl_test::shellQuoted;

// A module text with the given declarations and rules.
std::string moduleText(const std::string& id, const std::string& declarations,
                       const std::string& rules) {
    return "module " + id + "\ninterface start\n" + declarations + "interface end\n" + rules;
}

class RklFindingsTest : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        char pattern[] = "/tmp/rkl_findings_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
    }
    void TearDown() override {
        fs::remove_all(root_);
        ZamTest::TearDown();
    }

    // Writes product "p" afresh: its product.json and module texts.
    void product(const std::string& structure, const std::map<std::string, std::string>& modules) {
        fs::remove_all(root_ / "p");
        fs::create_directories(root_ / "p");
        write("p/product.json", structure);
        for (const auto& [id, text] : modules) {
            write("p/" + id + ".rkl", text);
        }
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(root_ / name, std::ios::binary | std::ios::trunc) << text;
    }

    // Runs rkl in the directory that holds the product, so that it names
    // files p/<file>.
    Outcome rkl(const std::vector<std::string>& arguments) {
        return rkl_test::runRkl(root_, arguments);
    }

    fs::path root_;
};

const char* const kOneNode = R"({"name": "top", "module": "m"})";

TEST_F(RklFindingsTest, CheckWarnsAtTextTheEngineIgnores) {
    const std::string declarations = "public a integer default 1\n";
    const struct {
        const char* rules;
        const char* expected;
    } cases[] = {
        {"set m:a to 2\nendif\nset m:a to 3\n",
         "p/m.rkl:6: warning: \"endif\" closes no \"if\": the rest of the rule text is ignored\n"
         "    endif\n"
         "    ^\n"
         "1 warning\n"},
        {"if m:a = 1 then\n  set m:a to 2\nendif\n  else set m:a to 3\n",
         "p/m.rkl:8: warning: \"else\" closes no \"if\": the rest of the rule text is ignored\n"
         "      else set m:a to 3\n"
         "      ^\n"
         "1 warning\n"},
        {"# a comment\n\n elif m:a = 1 then\n",
         "p/m.rkl:7: warning: \"elif\" closes no \"if\": the rest of the rule text is ignored\n"
         "     elif m:a = 1 then\n"
         "     ^\n"
         "1 warning\n"},
        // Words inside an "if" and inside quotes close nothing stray.
        {"if m:a = 1 then\n  if m:a = 2 then\n  set m:a to 3\n  endif\nelse\n  inform \"endif\"\n"
         "endif\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        product(kOneNode, {{"m", moduleText("m", declarations, c.rules)}});
        const Outcome run = rkl({"check", "p"});
        EXPECT_EQ(c.expected[0] == '\0' ? 0 : 1, run.status) << run.err;
        EXPECT_EQ(c.expected, run.out);
        EXPECT_EQ(run.out, rkl({"check", "p/m.rkl"}).out);
    }
}

// check reports the validator's findings alongside syntax errors; validate
// still reports the findings alone.
TEST_F(RklFindingsTest, CheckReportsWhatTheValidatorFinds) {
    product(kOneNode,
            {{"m", moduleText("m", "public tag integer default 1\npublic b integer default 1\n",
                              "set m:tagg to 2\nset m:b to\n")}});
    // A text that does not parse keeps the validator from running.
    const Outcome broken = rkl({"check", "p"});
    EXPECT_EQ(1, broken.status);
    EXPECT_EQ("p/m.rkl:8: error: Parse Error: Expected option or value\n1 error\n", broken.out);
    product(kOneNode,
            {{"m", moduleText("m", "public tag integer default 1\n", "set m:tagg to 2\n")}});
    const char* const expected =
        "p/m.rkl:5: warning: top: the rules use m:tagg, which does not exist\n"
        "1 warning\n";
    const Outcome check = rkl({"check", "p"});
    EXPECT_EQ(1, check.status);
    EXPECT_EQ(expected, check.out);
    const Outcome validate = rkl({"validate", "p"});
    EXPECT_EQ(1, validate.status);
    EXPECT_EQ(expected, validate.out);
}

// Open texts stand in for the files of the same path: an editor's unsaved
// buffers are checked as they are, a module that exists only as a buffer is
// loaded, and nothing is printed.
TEST_F(RklFindingsTest, CheckFindingsReadOpenTextsBeforeTheDisk) {
    product(R"({"name": "top", "module": "m", "children": [{"name": "n", "module": "n"}]})",
            {{"m", moduleText("m", "public a integer default 1\n", "set m:a to 2\n")}});
    const std::string directory = (root_ / "p").string();
    testing::internal::CaptureStdout();
    const std::vector<rkl::Diagnostic> onDisk = rkl::checkFindings({directory});
    ASSERT_EQ(1u, onDisk.size());
    EXPECT_NE(std::string::npos, onDisk[0].message.find("no module \"n\""));

    const rkl::OpenTexts open({
        {directory + "/./m.rkl",
         moduleText("m", "public a integer default 1\n", "set m:a to 2\nendif\n")},
        {directory + "/n.rkl", moduleText("n", "public x integer default 1\n", "set n:y to 1\n")},
    });
    const std::vector<rkl::Diagnostic> edited = rkl::checkFindings({directory}, open);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    ASSERT_EQ(2u, edited.size());
    EXPECT_EQ(directory + "/m.rkl", edited[0].file);
    EXPECT_EQ(6, edited[0].line);
    EXPECT_EQ("warning", edited[0].severity);
    EXPECT_EQ(directory + "/n.rkl", edited[1].file);
    EXPECT_EQ(5, edited[1].line);
    EXPECT_EQ("top.n: the rules use n:y, which does not exist", edited[1].message);
    // The disk still holds the old texts.
    EXPECT_EQ(onDisk.size(), rkl::checkFindings({directory}).size());
}

// A module "m" above two instances of "n", one of them with a condition;
// "n" uses m's fluid.
const char* const kTwoLevels = R"({"name": "top", "module": "m", "children": [
  {"name": "a", "module": "n", "loadIf": "m:on = true"},
  {"name": "b", "module": "n"}
]})";

std::string moduleM(const std::string& rules) {
    return moduleText("m",
                      "public on logical default false\n"
                      "public fluid string = \"oil\", \"water\" default \"water\"\n"
                      "public tags string non_mutually_exclusive = \"x\", \"y\", \"z\"\n"
                      "public a integer default 1\n",
                      rules);
}

const std::string kModuleN = moduleText("n",
                                        "public fluid uses m:fluid\n"
                                        "public size integer : mandatory = 1 to 9\n",
                                        "");

TEST_F(RklFindingsTest, EvalReportsMandatoryOptionsLeftEmptyWhereIncluded) {
    product(kTwoLevels, {{"m", moduleM("")}, {"n", kModuleN}});
    const struct {
        std::vector<std::string> choices;
        int status;
        const char* findings;
    } cases[] = {
        {{}, 1, "top.b: error: mandatory option n:size has no value\n"},
        {{"m:on=true"},
         1,
         "top.a: error: mandatory option n:size has no value\n"
         "top.b: error: mandatory option n:size has no value\n"},
        {{"n:size[top.b]=2"}, 0, ""},
        {{"m:on=true", "n:size[top.b]=2"},
         1,
         "top.a: error: mandatory option n:size has no value\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"eval", "p"};
        for (const std::string& choice : c.choices) {
            arguments.insert(arguments.end(), {"--set", choice});
        }
        SCOPED_TRACE(c.findings);
        const Outcome run = rkl(arguments);
        EXPECT_EQ(c.status, run.status) << run.err;
        const std::size_t at = run.out.find("top.");
        EXPECT_EQ(c.findings,
                  at == std::string::npos ? "" : run.out.substr(run.out.find("\ntop.") + 1))
            << run.out;
        arguments.push_back("--json");
        const nlohmann::json json = nlohmann::json::parse(rkl(arguments).out);
        std::string listed;
        for (const auto& finding : json["findings"]) {
            listed += finding["node"].get<std::string>() + ": " +
                      finding["severity"].get<std::string>() + ": " +
                      finding["text"].get<std::string>() + "\n";
            EXPECT_EQ("n:size", finding["option"]);
        }
        EXPECT_EQ(c.findings, listed);
    }
}

TEST_F(RklFindingsTest, EvalAndExplainWarnOfChoicesForUsedOptions) {
    product(kTwoLevels, {{"m", moduleM("")}, {"n", kModuleN}});
    write("choices.txt", "n:size[top.b]=2\nn:fluid[top.b]=oil\n");
    const char* const warning =
        "top.b: warning: the choice of n:fluid (choices.txt:2) has no effect: the option uses "
        "m:fluid and takes its value from m:fluid at top\n";
    const Outcome eval = rkl({"eval", "p", "--choices", "choices.txt"});
    EXPECT_EQ(0, eval.status) << eval.out;
    EXPECT_NE(std::string::npos, eval.out.find("\n      fluid  \"water\"  default\n"));
    EXPECT_NE(std::string::npos, eval.out.find(warning)) << eval.out;
    const Outcome explain = rkl({"explain", "p", "n:fluid[top.b]", "--choices", "choices.txt"});
    EXPECT_EQ(0, explain.status);
    EXPECT_NE(std::string::npos, explain.out.find(warning)) << explain.out;
    // A choice at the providing module itself takes effect.
    EXPECT_EQ(
        std::string::npos,
        rkl({"eval", "p", "--set", "m:fluid=oil", "--set", "n:size[top.b]=2"}).out.find("warning"));
}

// The engine gives a statement the line of the token after it; the tool
// shows the line the statement starts on.
TEST_F(RklFindingsTest, EvalErrorsStandAtTheirStatement) {
    const struct {
        const char* rules;
        int line;  // in the file; the rule text starts on line 8
    } cases[] = {
        {"set m:a to 2\nset m:a to 1 / 0\n\n# a comment\n\nset m:a to 3\n", 9},
        {"inform \"before\"\nwarn 1 / 0\n", 9},
        {"if m:a = 1 then\n  set m:a to 1 / 0\nendif\n\ninform \"after\"\n", 9},
        {"if m:a = 2 then\n  inform \"x\"\nelif 1 / 0 = 1 then\n  inform \"y\"\nendif\n"
         "inform \"z\"\n",
         10},
        {"if m:a = 2 then\n  inform \"x\"\nelse\n  if m:on = false then\n    set m:a to 1 / 0\n"
         "  endif\nendif\n",
         12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        product(kOneNode, {{"m", moduleM(c.rules)}});
        const Outcome run = rkl({"eval", "p"});
        EXPECT_EQ(1, run.status);
        const std::string where = "p/m.rkl:" + std::to_string(c.line) + ": error: node top: ";
        EXPECT_NE(std::string::npos, run.out.find(where + "division by zero [code 203]\n"))
            << run.out;
    }
}

// What the evaluation did before it stopped is shown: the messages raised,
// the nodes evaluated, and the node it stopped in as not evaluated.
TEST_F(RklFindingsTest, AStoppedEvaluationShowsWhatItDidBefore) {
    product(kTwoLevels, {{"m", moduleM("inform \"from the top\"\n")},
                         {"n", moduleText("n", "public size integer default 1\n",
                                          "inform \"from n\"\nset n:size to 1 / 0\n")}});
    const Outcome text = rkl({"eval", "p"});
    EXPECT_EQ(1, text.status);
    EXPECT_EQ(
        "top  module m  included\n"
        "    on     false    default\n"
        "    fluid  \"water\"  default\n"
        "    tags   unset    default\n"
        "    a      1        default\n"
        "  a  module n  not configured\n"
        "  b  module n  not evaluated\n"
        "top: note: from the top\n"
        "top.b: note: from n\n"
        "p/n.rkl:6: error: node top.b: division by zero [code 203]\n"
        "    set n:size to 1 / 0\n"
        "1 error\n",
        text.out);
    const Outcome run = rkl({"eval", "p", "--json"});
    EXPECT_EQ(1, run.status);
    const nlohmann::json json = nlohmann::json::parse(run.out);
    EXPECT_EQ("undetermined", json["root"]["state"]);
    EXPECT_EQ(4u, json["root"]["values"].size());
    EXPECT_FALSE(json["root"].contains("evaluated"));
    EXPECT_EQ(false, json["root"]["children"][1]["evaluated"]);
    EXPECT_FALSE(json["root"]["children"][1].contains("values"));
    ASSERT_EQ(2u, json["messages"].size());
    EXPECT_EQ("from n", json["messages"][1]["text"]);
    ASSERT_EQ(1u, json["errors"].size());
    EXPECT_EQ("p/n.rkl", json["errors"][0]["file"]);
    EXPECT_EQ(6, json["errors"][0]["line"]);
    // A clean evaluation has no "errors" field, as before.
    product(kOneNode, {{"m", moduleM("")}});
    EXPECT_FALSE(nlohmann::json::parse(rkl({"eval", "p", "--json"}).out).contains("errors"));
}

// Keys the engine has no English for are worded by the tool.
TEST_F(RklFindingsTest, NoMessageKeyReachesTheReader) {
    const struct {
        const char* structure;
        const char* rules;
        const char* expected;
    } cases[] = {
        {R"({"name": "top", "module": "m", "loadIf": "m:on = true m:a = 1"})", "",
         "p/product.json:1: error: Unexpected text after the end of the condition\n"},
        {kOneNode, "mutually_exclusive : m:on\n",
         "p/m.rkl:8: error: Expected [option, ...] or {option.value, ...} after "
         "\"mutually_exclusive :\"\n"},
        {kOneNode, "mutually_exclusive : {m:tags.x m:tags.y}\n",
         "p/m.rkl:8: error: Expected [option, ...] or {option.value, ...} after "
         "\"mutually_exclusive :\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        product(c.structure, {{"m", moduleM(c.rules)}});
        const Outcome run = rkl({"check", "p"});
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(0u, run.out.find(c.expected)) << run.out;
        EXPECT_EQ(std::string::npos, run.out.find("SE_"));
        // rename reads the texts with the engine's translater, without the
        // tool's adapter.
        const Outcome rename = rkl({"rename", "p", "--option", "m:a=b"});
        EXPECT_EQ(1, rename.status);
        EXPECT_NE(std::string::npos, rename.out.find(c.expected)) << rename.out;
    }
}

// An error the engine raises about how a value was set names the option;
// the engine adds the node.
TEST_F(RklFindingsTest, HowSetErrorsNameTheOption) {
    rkl::DirectoryAdapter adapter((root_ / "p").string());
    ZAM::initialize(&adapter);
    {
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        ref_count_ptr<ZAMModule> module = window->createModule("m");
        const ref_count_ptr<ZAMOption> option =
            module->addOptionString("public a integer default 1");
        const ZAMSelOptionSet::ZAMSosEntry stored{
            option, ZAMPath(), {ZAMValue::createInt(1)}, {ZAMSelOptionSet::Default}};
        try {
            adapter.allowOptionOverride(stored, nullptr, ZAMSelOptionSet::Default);
            ADD_FAILURE() << "a default over a default was allowed";
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code());
            EXPECT_EQ("Trying to change a default value with another default (option m:a) [code 2]",
                      rkl::describe(error));
        }
        EXPECT_TRUE(adapter.allowOptionOverride(stored, nullptr, ZAMSelOptionSet::UserSet));
    }
    ZAM::initialize(nullptr);
}

TEST_F(RklFindingsTest, SmallThingsANewUserTripsOver) {
    product(kOneNode, {{"m", moduleM("if m:on = true then\n  error \"not with on\"\nendif\n")}});
    // Texts may be chosen in double quotes, as the tool shows them.
    write("choices.txt", "m:fluid=\"oil\"\nm:tags=x\n\nm:tags=\"y\"\n");
    const Outcome quoted = rkl({"eval", "p", "--choices", "choices.txt"});
    EXPECT_EQ(0, quoted.status) << quoted.err;
    EXPECT_NE(std::string::npos, quoted.out.find("    fluid  \"oil\"     user set\n"))
        << quoted.out;
    // Every choice of a multi-valued option is cited.
    const Outcome tags = rkl({"explain", "p", "m:tags", "--choices", "choices.txt"});
    EXPECT_NE(std::string::npos,
              tags.out.find("chosen by the user (choices.txt:2, choices.txt:4)\n"))
        << tags.out;
    // explain fails where eval does, and says why.
    const Outcome explain = rkl({"explain", "p", "m:a", "--set", "m:on=true"});
    EXPECT_EQ(1, explain.status);
    EXPECT_NE(std::string::npos, explain.out.find("\ntop: error: not with on\n")) << explain.out;
    EXPECT_EQ(rkl({"eval", "p", "--set", "m:on=true"}).status, explain.status);

    // A product.json on one line is shown around the error.
    std::string structure = R"({"name": "top", "module": "m", "values": [)";
    for (int i = 0; i < 40; ++i) {
        structure += R"({"option": "a", "value": 1}, )";
    }
    structure += R"({"option": "a" "value": 2}]})";
    product(structure, {{"m", moduleM("")}});
    const Outcome cut = rkl({"check", "p"});
    EXPECT_EQ(1, cut.status);
    const std::string excerpt = cut.out.substr(cut.out.find('\n') + 1);
    EXPECT_EQ(0u, excerpt.find("    ...")) << cut.out;
    EXPECT_LT(excerpt.find('\n'), 120u) << cut.out;
    const std::size_t caret = excerpt.find('^', excerpt.find('\n'));
    ASSERT_NE(std::string::npos, caret);
    // The parser stops at the end of the string that should have been ":".
    const std::size_t column = caret - excerpt.find('\n') - 1;
    EXPECT_EQ("\"value\"", excerpt.substr(column - 6, 7)) << cut.out;
}

}  // namespace

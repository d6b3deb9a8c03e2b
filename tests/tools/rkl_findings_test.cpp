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
#include "support/zam_test.h"

// What the rkl program says a modeller needs to know, each on a small
// product made for it: text the engine ignores, references out of reach,
// mandatory options left empty, choices that cannot take effect, errors at
// their statements, and failed evaluations that still show what they did.

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

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
        std::string command =
            "cd " + shellQuoted(root_.string()) + " && " + shellQuoted(RKL_PROGRAM);
        for (const std::string& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        command += " >out 2>err";
        const int raw = std::system(command.c_str());
        return Outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, contentOf(root_ / "out"),
                       contentOf(root_ / "err")};
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

}  // namespace

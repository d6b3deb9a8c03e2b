#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rkl_program.h"
#include "support/zam_test.h"

// The rkl program run on a copy of the bike example, from the directory that
// holds the copy, so that it names the files as bike/<file>.

namespace {

namespace fs = std::filesystem;

using rkl_test::Outcome;

using rkl_test::contentOf;
using rkl_test::shellQuoted;

void spill(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// One change that breaks a copy: the one occurrence of `from` in `file`
// becomes `to`.
struct Edit {
    const char* file;
    const char* from;
    const char* to;
};

class RklTest : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        char pattern[] = "/tmp/rkl_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
        freshCopy();
    }
    void TearDown() override {
        fs::remove_all(root_);
        ZamTest::TearDown();
    }

    void freshCopy() {
        fs::remove_all(root_ / "bike");
        fs::copy(BIKE_EXAMPLE, root_ / "bike", fs::copy_options::recursive);
    }

    Outcome rkl(const std::vector<std::string>& arguments) {
        return rkl_test::runRkl(root_, arguments);
    }

    void apply(const Edit& edit) {
        const fs::path path = root_ / "bike" / edit.file;
        std::string text = contentOf(path);
        const std::size_t at = text.find(edit.from);
        ASSERT_NE(std::string::npos, at) << edit.file << " lacks " << edit.from;
        ASSERT_EQ(std::string::npos, text.find(edit.from, at + 1)) << edit.from;
        spill(path, text.replace(at, std::string(edit.from).size(), edit.to));
    }

    // Every file of the copy by its path inside the copy.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(root_ / "bike")) {
            if (entry.is_regular_file()) {
                files[fs::relative(entry.path(), root_).string()] = contentOf(entry.path());
            }
        }
        return files;
    }

    std::string file(const std::string& name) const { return contentOf(root_ / "bike" / name); }

    // A product of its own, root_/<name>, holding `files` (name and text).
    void makeProduct(const std::string& name,
                     const std::vector<std::pair<std::string, std::string>>& files) {
        fs::remove_all(root_ / name);
        fs::create_directories(root_ / name);
        for (const auto& [file, text] : files) {
            spill(root_ / name / file, text);
        }
    }

    fs::path root_;
};

// The values of `option` at the node at `path` in eval --json output, each
// as "value/how-set", comma-separated.
std::string valuesAt(const nlohmann::json& node, const std::string& path,
                     const std::string& option) {
    if (node["path"] == path) {
        for (const auto& value : node["values"]) {
            if (value["option"] == option) {
                std::string text;
                for (std::size_t i = 0; i < value["values"].size(); ++i) {
                    text += (i == 0 ? "" : ",") + value["values"][i].dump() + "/" +
                            value["howSet"][i].get<std::string>();
                }
                return text;
            }
        }
        return "no such option";
    }
    for (const auto& child : node.value("children", nlohmann::json::array())) {
        const std::string found = valuesAt(child, path, option);
        if (found != "no such node") {
            return found;
        }
    }
    return "no such node";
}

TEST_F(RklTest, TheExampleIsClean) {
    const Outcome check = rkl({"check", "bike"});
    EXPECT_EQ(0, check.status) << check.out << check.err;
    EXPECT_EQ("", check.out);
    const Outcome validate = rkl({"validate", "bike"});
    EXPECT_EQ(0, validate.status) << validate.out << validate.err;
    EXPECT_EQ("", validate.out);
}

// Each broken copy gives exactly these diagnostics: the file and line, the
// message, the offending line and a caret under the token where the parser
// stopped.
TEST_F(RklTest, CheckReportsEachBrokenText) {
    struct Case {
        Edit edit;
        const char* expected;
    };
    const Case cases[] = {
        {{"wheel.rkl", "if wheel:usage = \"road\" then", "if wheel:usage = \"road\""},
         "bike/wheel.rkl:9: error: Error parsing 'if' statement - missing then\n"
         "        set wheel:tyre_width to 28\n"
         "        ^\n"
         "1 error\n"},
        {{"accessories.rkl", "items.child_seat}\n", "items.child_seat}\ninform \"unfinished\n"},
         "bike/accessories.rkl:21: error: Unterminated double quotes\n"
         "    inform \"unfinished\n"
         "           ^\n"
         "1 error\n"},
        {{"fork.rkl", "module fork", "module forks"},
         "bike/fork.rkl:1: error: the module line names module \"forks\", but the file holds "
         "module \"fork\"\n"
         "    module forks\n"
         "1 error\n"},
        {{"fork.rkl", "interface end\n", ""},
         "bike/fork.rkl:2: error: the interface block started here has no \"interface end\" "
         "line\n"
         "    interface start\n"
         "1 error\n"},
        // A declaration based on an option that does not exist says so, and
        // a module that loses an option takes the modules based on it along.
        {{"lights.rkl", "public usage uses bike:usage", "public usage uses nosuch:usage"},
         "bike/lights.rkl:8: error: nosuch:usage does not exist: there is no module \"nosuch\"\n"
         "    public usage uses nosuch:usage\n"
         "1 error\n"},
        {{"frame.rkl", "public size integer", "public size intger"},
         "bike/bike.rkl:8: error: frame:size does not exist: module frame has no option "
         "\"size\"\n"
         "    public frame_size presents frame:size\n"
         "bike/frame.rkl:3: error: Expected option type, implements or presents\n"
         "    public size intger \"Seat tube length in cm\" = 44, 48, 52, 56, 60 default 52\n"
         "                                                ^\n"
         "2 errors\n"},
        {{"product.json", "\"bike:electric = true\"", "\"bike:electric = \""},
         "bike/product.json:30: error: Parse Error: Expected option or value\n"
         "    bike:electric = \n"
         "                    ^\n"
         "1 error\n"},
        {{"product.json", "\"module\": \"lights\"", "\"module\": \"lamps\""},
         "bike/product.json:26: error: node bike.equipment.lights: no module \"lamps\" (no "
         "bike/lamps.rkl)\n"
         "1 error\n"},
        {{"product.json", "\"value\": 172", "\"value\": \"tall\""},
         "bike/product.json:5: error: node bike: bike:rider_height takes an integer, not "
         "\"tall\"\n"
         "1 error\n"},
        {{"product.json", "\"module\": \"motor\",", "\"modul\": \"motor\","},
         "bike/product.json:30: error: unknown key \"modul\" (a node has name, module, loadIf, "
         "values and children)\n"
         "        {\"name\": \"motor\", \"modul\": \"motor\", \"loadIf\": \"bike:electric = "
         "true\"}\n"
         "1 error\n"},
        {{"product.json", "\"name\": \"rear_wheel\"", "\"name\": \"front_wheel\""},
         "bike/product.json:20: error: node bike has two children named \"front_wheel\"\n"
         "        {\"name\": \"front_wheel\", \"module\": \"wheel\"},\n"
         "1 error\n"},
        {{"product.json", "\"name\": \"equipment\",", "\"name\": \"equip.ment\","},
         "bike/product.json:24: error: node name \"equip.ment\" holds \".\", \"[\" or \"]\"\n"
         "          \"name\": \"equip.ment\",\n"
         "1 error\n"},
        {{"product.json", "\"name\": \"equipment\",",
          "\"name\": \"equipment\", \"values\": [{\"option\": \"x\", \"value\": 1}],"},
         "bike/product.json:24: error: node bike.equipment stands for no module, so it has no "
         "options to set\n"
         "1 error\n"},
        {{"product.json", "172},", "172}"},
         "bike/product.json:6: error: not valid JSON: syntax error while parsing array - "
         "unexpected '{'; expected ']'\n"
         "        {\"option\": \"budget\", \"value\": 1500}\n"
         "        ^\n"
         "1 error\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit.file) + ": " + c.edit.to);
        freshCopy();
        apply(c.edit);
        const Outcome run = rkl({"check", "bike"});
        EXPECT_EQ(1, run.status) << run.err;
        EXPECT_EQ(c.expected, run.out);
    }
}

TEST_F(RklTest, CheckTakesFilesAndDirectories) {
    EXPECT_EQ(0, rkl({"check", "bike/fork.rkl", "bike/product.json"}).status);
    apply({"fork.rkl", "set fork:travel to 130", "set fork:travel 130"});
    const Outcome broken = rkl({"check", "bike/wheel.rkl", "bike/fork.rkl"});
    EXPECT_EQ(1, broken.status);
    EXPECT_EQ(0u, broken.out.find("bike/fork.rkl:8: error: Error parsing set/fix statement"));
    const struct {
        const char* path;
        const char* expected;
    } refused[] = {
        {"bike/saddle.rkl", "rkl: bike/saddle.rkl: no such file or directory\n"},
        {"bike/choices/road.txt",
         "rkl: bike/choices/road.txt: not a module text (.rkl), a product.json or a directory\n"},
        {"bike/choices", "rkl: bike/choices: holds no module texts (.rkl) and no product.json\n"},
    };
    for (const auto& c : refused) {
        const Outcome run = rkl({"check", c.path});
        EXPECT_EQ(2, run.status);
        EXPECT_EQ(c.expected, run.err);
    }
}

// The tool walks the structure recursively, so it refuses one deeper than
// it can walk.
TEST_F(RklTest, CheckRefusesAStructureTooDeepToWalk) {
    std::string text;
    for (int level = 0; level < 1000; ++level) {
        text += "{\"name\": \"n\", \"children\": [\n";
    }
    text += "{\"name\": \"n\"}\n";
    for (int level = 0; level < 1000; ++level) {
        text += "]}";
    }
    spill(root_ / "bike" / "product.json", text);
    const Outcome run = rkl({"check", "bike/product.json"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("bike/product.json:1000: error: the structure is nested deeper "
                               "than 1000 levels\n"))
        << run.out.substr(0, 300) << run.err;
}

TEST_F(RklTest, EvalPrintsTheTreeAndTheRuleMessages) {
    const Outcome run = rkl({"eval", "bike", "--choices", "bike/choices/road.txt"});
    EXPECT_EQ(0, run.status) << run.err;
    for (const char* line : {
             "bike  module bike  included\n",
             "\n    fork  module fork  not configured\n",
             "\n  equipment  included\n",
             "\n    lights  module lights  configured\n",
             "\n  motor  module motor  not configured\n",
             "\nbike.equipment.lights: note: battery lights under 100 lumen are for being seen, "
             "not for seeing\n",
         }) {
        EXPECT_NE(std::string::npos, run.out.find(line)) << line << run.out;
    }
}

// The values follow from the rules of the example for the road choices: the
// frame size from the rider's 186 cm, the fixed front tyre the wheel's rule
// cannot change, the inherited usage.
TEST_F(RklTest, EvalJsonHoldsTheValuesAndHowTheyWereSet) {
    const Outcome run = rkl({"eval", "bike", "--choices", "bike/choices/road.txt", "--set",
                             "wheel:diameter[bike.rear_wheel]=29", "--json"});
    ASSERT_EQ(0, run.status) << run.err;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    const nlohmann::json& root = result["root"];
    const struct {
        const char* path;
        const char* option;
        const char* expected;
    } cases[] = {
        {"bike", "frame_size", "56/RuleSet"},
        {"bike.frame", "size", "56/RuleSet"},
        {"bike.frame", "material", "\"carbon\"/UserSet"},
        {"bike.frame", "colour", "\"green\"/UserFixed"},
        {"bike.frame", "usage", "\"road\"/Inherited"},
        {"bike.front_wheel", "tyre_width", "30/UserFixed"},
        {"bike.rear_wheel", "tyre_width", "28/RuleSet"},
        {"bike.rear_wheel", "diameter", "29.0/UserSet"},
        {"bike.front_wheel", "diameter", "28.0/Default"},
        {"bike.equipment.accessories", "items", "\"bottle_cage\"/RuleSet,\"pump\"/RuleSet"},
        {"bike.equipment.lights", "dynamo", "null/Default"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, valuesAt(root, c.path, c.option)) << c.path << " " << c.option;
    }
    EXPECT_EQ("not configured", root["children"][0]["children"][0]["state"]);
    ASSERT_EQ(1u, result["messages"].size());
    EXPECT_EQ("bike.equipment.lights", result["messages"][0]["node"]);
}

TEST_F(RklTest, EvalRefusesBadChoicesAsUsageErrors) {
    const struct {
        std::vector<std::string> arguments;
        const char* expected;
    } cases[] = {
        {{"--set", "wheel:diameter=29.0"},
         "rkl: --set: wheel:diameter=29.0: module wheel stands at several nodes; name one as "
         "wheel:option[node], one of bike.front_wheel, bike.rear_wheel\n"},
        {{"--set", "bike:rider_height=300"},
         "rkl: --set: bike:rider_height=300: value 300 is not allowed for bike:rider_height "
         "(allowed: 140 to 210)\n"},
        {{"--set", "bike:rider_height=tall"},
         "rkl: --set: bike:rider_height=tall: bike:rider_height takes an integer, not \"tall\"\n"},
        {{"--fix", "frame:sise=52"},
         "rkl: --fix: frame:sise=52: module frame has no option \"sise\"\n"},
        {{"--set", "saddle:height=80"},
         "rkl: --set: saddle:height=80: no node of the product stands for module saddle\n"},
        {{"--set", "bike:usage"},
         "rkl: --set: bike:usage: expected module:option=value or module:option[node]=value\n"},
        {{"--choices", "bike/choices/none.txt"},
         "rkl: bike/choices/none.txt: cannot read: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"eval", "bike"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome run = rkl(arguments);
        EXPECT_EQ(2, run.status) << c.expected;
        EXPECT_EQ(c.expected, run.err);
        EXPECT_EQ("", run.out);
    }
    EXPECT_EQ(2, rkl({"eval", "nowhere"}).status);
    EXPECT_EQ(2, rkl({"eval", "bike/choices"}).status);
    EXPECT_EQ(2, rkl({}).status);
    EXPECT_EQ(2, rkl({"evaluate", "bike"}).status);
}

// Rule errors are findings; a broken mutually exclusive rule stops the
// evaluation and is shown at the rule.
TEST_F(RklTest, EvalReportsRuleErrorsAndStoppedEvaluations) {
    const Outcome message = rkl({"eval", "bike", "--set", "bike:electric=true"});
    EXPECT_EQ(1, message.status) << message.err;
    EXPECT_NE(std::string::npos,
              message.out.find("\nbike: error: an electric bike does not fit a budget under "
                               "2000 euros\n"))
        << message.out;
    EXPECT_NE(std::string::npos, message.out.find("\n  motor  module motor  configured\n"));

    // The part of the tree evaluated before the error and the messages
    // raised on the way are shown before it.
    const Outcome stopped =
        rkl({"eval", "bike", "--set", "lights:dynamo=bottle", "--set", "lights:battery=usb"});
    EXPECT_EQ(1, stopped.status);
    const std::string error =
        "bike/lights.rkl:32: error: node bike.equipment.lights: mutually exclusive options dynamo "
        "and battery both have a value [code 106]\n"
        "    mutually_exclusive : [dynamo, battery]\n"
        "1 error\n";
    ASSERT_GT(stopped.out.size(), error.size());
    EXPECT_EQ(error, stopped.out.substr(stopped.out.size() - error.size()));
    for (const char* line :
         {"bike  module bike  included\n", "\n      tyre_width  37      default\n",
          "\n    lights  module lights  not evaluated\n",
          "\nbike.drivetrain: note: hub gears have at most 8 speeds: using 8\n"}) {
        EXPECT_NE(std::string::npos, stopped.out.find(line)) << line;
    }
    const Outcome json = rkl({"eval", "bike", "--set", "accessories:items=basket", "--set",
                              "accessories:items=child_seat", "--json"});
    EXPECT_EQ(1, json.status);
    const nlohmann::json errors = nlohmann::json::parse(json.out)["errors"];
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("bike/accessories.rkl", errors[0]["file"]);
    EXPECT_EQ(20, errors[0]["line"]);
}

// The chain follows a presented value up to the choice that set it, and
// shows the wheel's rule refused by the fixed value; a rule write is shown
// at its statement's own line.
TEST_F(RklTest, ExplainListsEveryWriteInOrder) {
    const Outcome front = rkl({"explain", "bike", "wheel:tyre_width[bike.front_wheel]", "--choices",
                               "bike/choices/road.txt"});
    EXPECT_EQ(0, front.status) << front.err;
    EXPECT_EQ(
        "wheel:tyre_width at bike.front_wheel = 30 (user fixed)\n"
        "  1. 30 (user fixed)  presented by bike:front_tyre at bike, which got it from:\n"
        "       1. 37 (default)  default of the option\n"
        "       2. 30 (user fixed)  chosen by the user (bike/choices/road.txt:6)\n"
        "  2. 28 (rule set)  rule of module wheel (bike/wheel.rkl:9); refused: keeps 30 (user "
        "fixed)\n",
        front.out);

    const Outcome inherited =
        rkl({"explain", "bike", "frame:usage", "--set", "bike:usage=mountain"});
    EXPECT_EQ(
        "frame:usage at bike.frame = \"mountain\" (inherited)\n"
        "  1. \"city\" (default)  default of the option\n"
        "  2. \"mountain\" (inherited)  inherited from bike:usage at bike, which got it from:\n"
        "       1. \"city\" (default)  default of the option\n"
        "       2. \"mountain\" (user set)  chosen by the user (--set)\n",
        inherited.out);

    const Outcome rule = rkl({"explain", "bike", "drivetrain:gears"});
    EXPECT_EQ(
        "drivetrain:gears at bike.drivetrain = 8 (rule set)\n"
        "  1. 11 (default)  presented by bike:gears at bike, which got it from:\n"
        "       1. 11 (default)  default of the option\n"
        "  2. 8 (rule set)  rule of module drivetrain (bike/drivetrain.rkl:15)\n",
        rule.out);

    // Values collect in an option that takes several; the statements that
    // follow each other on consecutive lines each show at their own line.
    const Outcome collected =
        rkl({"explain", "bike", "accessories:items", "--set", "accessories:items=basket"});
    EXPECT_EQ(
        "accessories:items at bike.equipment.accessories = \"basket\" (user set), \"bell\" (rule "
        "set), \"mudguards\" (rule set), \"kickstand\" (rule set)\n"
        "  1. unset (default)  default of the option\n"
        "  2. \"basket\" (user set)  chosen by the user (--set)\n"
        "  3. \"bell\" (rule set)  rule of module accessories (bike/accessories.rkl:7); now "
        "\"basket\" (user set), \"bell\" (rule set)\n"
        "  4. \"mudguards\" (rule set)  rule of module accessories (bike/accessories.rkl:8); now "
        "\"basket\" (user set), \"bell\" (rule set), \"mudguards\" (rule set)\n"
        "  5. \"kickstand\" (rule set)  rule of module accessories (bike/accessories.rkl:9); now "
        "\"basket\" (user set), \"bell\" (rule set), \"mudguards\" (rule set), \"kickstand\" "
        "(rule set)\n",
        collected.out);

    const Outcome parked = rkl({"explain", "bike", "fork:travel"});
    EXPECT_EQ(0, parked.status);
    EXPECT_EQ(
        "fork:travel at bike.frame.fork: the node is not configured, so the option has no "
        "value\n",
        parked.out);
    EXPECT_EQ(2, rkl({"explain", "bike", "wheel:tyre_width"}).status);
    EXPECT_EQ(2, rkl({"explain", "bike", "frame:nosuch"}).status);
}

TEST_F(RklTest, ValidateNamesTheNodeAndTheOptionOutOfReach) {
    const char* const ruleOnFork =
        "night\"\nendif\n\nif fork:travel > 120 then\n    inform \"long travel\"\nendif\n";
    const struct {
        std::vector<Edit> edits;
        const char* expected;
    } cases[] = {
        {{{"bike.rkl", "night\"\nendif\n", ruleOnFork}},
         "bike/bike.rkl:50: warning: bike: the rules use fork:travel, which is neither an option "
         "of this module nor a public option of a module instance directly below\n"
         "1 warning\n"},
        {{{"frame.rkl", "public colour", "private colour"},
          {"bike.rkl", "night\"\nendif\n", "night\"\nendif\ninform frame:colour\n"}},
         "bike/bike.rkl:49: warning: bike: the rules use frame:colour, which is private to module "
         "frame\n"
         "1 warning\n"},
        {{{"bike.rkl", "wheel:tyre_width[front_wheel]", "wheel:tyre_width[front]"}},
         "bike/bike.rkl:9: warning: bike: presented option bike:front_tyre names the path "
         "[front], where no instance of module wheel stands\n"
         "1 warning\n"},
        {{{"product.json", "\"bike:electric = true\"", "\"fork:lockout = true\""}},
         "bike/product.json:30: warning: bike.motor: the load-if condition uses fork:lockout, "
         "which is neither an option of this module nor a public option of a module instance "
         "directly below\n"
         "1 warning\n"},
        {{{"wheel.rkl", "wheel:tyre_width > 45", "wheel:width > 45"}},
         "bike/wheel.rkl:19: warning: bike.front_wheel: the rules use wheel:width, which does not "
         "exist\n"
         "bike/wheel.rkl:19: warning: bike.rear_wheel: the rules use wheel:width, which does not "
         "exist\n"
         "2 warnings\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        freshCopy();
        for (const Edit& edit : c.edits) {
            apply(edit);
        }
        const Outcome run = rkl({"validate", "bike"});
        EXPECT_EQ(1, run.status) << run.err;
        EXPECT_EQ(c.expected, run.out);
    }
}

// Every text follows the renames, the module's file takes its new name,
// product.json keeps its layout, and the renamed product reads and
// evaluates as before.
TEST_F(RklTest, RenameRewritesEveryTextOfTheProduct) {
    const Outcome before = rkl({"eval", "bike", "--json"});
    const Outcome run =
        rkl({"rename", "bike", "--module", "wheel=rim", "--option", "bike:usage=purpose",
             "--option", "frame:size=seat_tube", "--option", "bike:rider_height=height"});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("renamed bike/wheel.rkl to bike/rim.rkl\n"));
    EXPECT_FALSE(fs::exists(root_ / "bike" / "wheel.rkl"));
    const std::string rim = file("rim.rkl");
    EXPECT_EQ(0u, rim.find("module rim\ninterface start\n"));
    EXPECT_NE(std::string::npos, rim.find("public usage uses bike:purpose\n"));
    EXPECT_NE(std::string::npos, rim.find("if rim:usage = \"road\" then\n    set rim:tyre_width"));
    const std::string bike = file("bike.rkl");
    EXPECT_NE(std::string::npos, bike.find("public purpose string \"What the bike"));
    EXPECT_NE(std::string::npos, bike.find("public frame_size presents frame:seat_tube\n"));
    EXPECT_NE(std::string::npos, bike.find("presents rim:tyre_width[front_wheel]\n"));
    EXPECT_NE(std::string::npos, bike.find("if bike:purpose = \"cargo\" then"));
    EXPECT_NE(std::string::npos, file("frame.rkl").find("public seat_tube integer"));
    EXPECT_NE(std::string::npos,
              file("product.json").find("    {\"name\": \"front_wheel\", \"module\": \"rim\"},\n"));
    EXPECT_NE(std::string::npos,
              file("product.json").find("    {\"option\": \"height\", \"value\": 172},\n"));

    EXPECT_EQ(0, rkl({"check", "bike"}).status);
    EXPECT_EQ(0, rkl({"validate", "bike"}).status);
    const Outcome after = rkl({"eval", "bike", "--json"});
    ASSERT_EQ(0, after.status) << after.out;
    const nlohmann::json was = nlohmann::json::parse(before.out)["root"];
    const nlohmann::json is = nlohmann::json::parse(after.out)["root"];
    EXPECT_EQ(valuesAt(was, "bike.rear_wheel", "tyre_width"),
              valuesAt(is, "bike.rear_wheel", "tyre_width"));
    EXPECT_EQ(valuesAt(was, "bike", "usage"), valuesAt(is, "bike", "purpose"));
    EXPECT_EQ(valuesAt(was, "bike.frame", "size"), valuesAt(is, "bike.frame", "seat_tube"));
    EXPECT_EQ("172/UserSet", valuesAt(is, "bike", "height"));
}

TEST_F(RklTest, ARenameThatCannotBeDoneChangesNoFile) {
    const std::map<std::string, std::string> untouched = snapshot();
    const Outcome dry = rkl({"rename", "bike", "--module", "wheel=rim", "--dry-run"});
    EXPECT_EQ(0, dry.status) << dry.err;
    EXPECT_NE(std::string::npos, dry.out.find("would rename bike/wheel.rkl to bike/rim.rkl\n"
                                              "  - 1: module wheel\n"
                                              "  + 1: module rim\n"));
    EXPECT_EQ(untouched, snapshot());

    const struct {
        std::vector<std::string> arguments;
        int status;
    } refused[] = {
        {{"--module", "wheel=frame"}, 2},  // frame.rkl is there
        {{"--module", "tyre=rim"}, 2},     // no tyre.rkl
        {{"--option", "frame:sise=seat"}, 2}, {{"--option", "frame:size=colour"}, 2},
        {{"--module", "wheel"}, 2},           {{}, 2},
    };
    for (const auto& c : refused) {
        std::vector<std::string> arguments{"rename", "bike"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome run = rkl(arguments);
        EXPECT_EQ(c.status, run.status) << run.err;
        EXPECT_EQ(untouched, snapshot());
    }

    // One module text that does not parse stops every rewrite.
    apply({"fork.rkl", "set fork:lockout to false", "set fork:lockout false"});
    const std::map<std::string, std::string> broken = snapshot();
    const Outcome run =
        rkl({"rename", "bike", "--module", "wheel=rim", "--option", "bike:usage=use"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(
        "nothing renamed: these texts do not parse\n"
        "bike/fork.rkl:9: error: Error parsing set/fix statement: 'to' not found\n"
        "        set fork:lockout false\n"
        "                         ^\n"
        "1 error\n",
        run.out);
    EXPECT_EQ(broken, snapshot());
}

// Three modules, a above b and c, whose texts refer to each other.
const std::vector<std::pair<std::string, std::string>> kThreeModules = {
    {"a.rkl",
     "module a\ninterface start\npublic x integer = 1 to 9 default 1\ninterface end\n"
     "if b:y = 2 then\n    set a:x to 3\nendif\n"},
    {"b.rkl", "module b\ninterface start\npublic y integer = 1 to 9 default 2\ninterface end\n"},
    {"c.rkl", "module c\ninterface start\npublic z integer = 1 to 9 default 3\ninterface end\n"},
    {"product.json",
     "{\"name\": \"p\", \"module\": \"a\", \"children\": [\n"
     "  {\"name\": \"q\", \"module\": \"b\"},\n  {\"name\": \"r\", \"module\": \"c\"}]}\n"},
};

// Renames apply at once to the names as written: chains, swaps and cycles
// keep every module text, under its new name, and the product reads again.
TEST_F(RklTest, RenameChainsSwapsAndCyclesKeepEveryText) {
    const struct {
        std::vector<std::string> renames;
        std::map<std::string, std::string> declared;  // module text: the option it declares
        const char* rule;                             // the rule of a's text, wherever it went
    } cases[] = {
        {{"b=c", "c=d"}, {{"a", "x"}, {"c", "y"}, {"d", "z"}}, "if c:y = 2 then\n    set a:x"},
        {{"b=c", "c=b"}, {{"a", "x"}, {"b", "z"}, {"c", "y"}}, "if c:y = 2 then\n    set a:x"},
        {{"a=b", "b=c", "c=a"},
         {{"a", "z"}, {"b", "x"}, {"c", "y"}},
         "if c:y = 2 then\n    set b:x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.renames.front() + " " + c.renames.back());
        makeProduct("p", kThreeModules);
        std::vector<std::string> arguments{"rename", "p"};
        for (const std::string& rename : c.renames) {
            arguments.insert(arguments.end(), {"--module", rename});
        }
        const Outcome run = rkl(arguments);
        ASSERT_EQ(0, run.status) << run.out << run.err;
        std::set<std::string> files;
        for (const auto& entry : fs::directory_iterator(root_ / "p")) {
            files.insert(entry.path().filename().string());
        }
        std::set<std::string> expected{"product.json"};
        for (const auto& [module, option] : c.declared) {
            expected.insert(module + ".rkl");
            const std::string text = contentOf(root_ / "p" / (module + ".rkl"));
            EXPECT_EQ(0u, text.find("module " + module + "\ninterface start\npublic " + option +
                                    " integer"))
                << text;
            if (option == "x") {
                EXPECT_NE(std::string::npos, text.find(c.rule)) << text;
            }
        }
        EXPECT_EQ(expected, files);
        const Outcome check = rkl({"check", "p"});
        EXPECT_EQ(0, check.status) << check.out << check.err;
    }

    makeProduct("p", kThreeModules);
    const std::map<std::string, std::string> untouched = [&] {
        std::map<std::string, std::string> texts;
        for (const auto& [name, text] : kThreeModules) {
            texts[name] = text;
        }
        return texts;
    }();
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } refused[] = {
        {{"--module", "b=d", "--module", "c=d"}, "two modules would be named d"},
        {{"--module", "b=c"}, "p/c.rkl exists already and is not renamed away"},
        {{"--module", "b=d", "--module", "b=e"}, "module b is renamed twice"},
        {{"--option", "a:x=w", "--option", "a:x=v"}, "option a:x is renamed twice"},
        {{"--option", "a:x=w", "--option", "b:y=w"}, ""},  // two modules: allowed
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message);
        makeProduct("p", kThreeModules);
        std::vector<std::string> arguments{"rename", "p"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome run = rkl(arguments);
        if (std::string(c.message).empty()) {
            EXPECT_EQ(0, run.status) << run.err;
            continue;
        }
        EXPECT_EQ(2, run.status);
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        for (const auto& [name, text] : untouched) {
            EXPECT_EQ(text, contentOf(root_ / "p" / name));
        }
    }
}

// A link planted where the old tool put its temporary files leads nowhere
// the rename may write.
TEST_F(RklTest, RenameNeverWritesThroughALinkAtATemporaryName) {
    makeProduct("p", kThreeModules);
    for (const char* name : {"a.rkl", "b.rkl", "product.json"}) {
        for (const char* suffix : {".rkl-new", ".rkl-new1"}) {
            const fs::path planted = root_ / "p" / ("." + std::string(name) + suffix);
            fs::create_symlink(root_ / ("outside_" + std::string(name) + suffix), planted);
        }
    }
    const Outcome run = rkl({"rename", "p", "--option", "b:y=w"});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    for (const auto& entry : fs::directory_iterator(root_)) {
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("outside_"))
            << entry.path();
    }
    EXPECT_NE(std::string::npos, contentOf(root_ / "p" / "b.rkl").find("public w integer"));
    EXPECT_NE(std::string::npos, contentOf(root_ / "p" / "a.rkl").find("if b:w = 2"));
    std::size_t links = 0;
    for (const auto& entry : fs::directory_iterator(root_ / "p")) {
        const std::string name = entry.path().filename().string();
        links += entry.is_symlink() ? 1 : 0;
        EXPECT_TRUE(entry.is_symlink() || name[0] != '.') << "left behind: " << name;
    }
    EXPECT_EQ(6u, links);
}

// Only regular files inside the product directory are read as its texts;
// anything else is refused by name and its content never shown.
TEST_F(RklTest, ProductTextsAreRegularFilesInsideTheProduct) {
    const std::string secret = "module b\ninterface start\npublic SECRET integer\ninterface end\n";
    const struct {
        const char* what;
        std::function<void(const fs::path&)> plant;
        std::vector<std::string> command;
        int status;
        const char* message;
    } cases[] = {
        {"a link to the environment",
         [](const fs::path& p) {
             fs::remove(p / "b.rkl");
             fs::create_symlink("/proc/self/environ", p / "b.rkl");
         },
         {"check", "p"},
         2,
         "p/b.rkl: refused: a link to /proc/"},
        {"a link outside",
         [&](const fs::path& p) {
             fs::remove(p / "b.rkl");
             spill(p.parent_path() / "secret.rkl", secret);
             fs::create_symlink(p.parent_path() / "secret.rkl", p / "b.rkl");
         },
         {"eval", "p"},
         2,
         "outside the product directory"},
        {"a relative link outside",
         [&](const fs::path& p) {
             fs::remove(p / "b.rkl");
             spill(p.parent_path() / "secret.rkl", secret);
             fs::create_symlink("../secret.rkl", p / "b.rkl");
         },
         {"rename", "p", "--option", "a:x=w"},
         2,
         "outside the product directory"},
        {"a FIFO",
         [](const fs::path& p) {
             fs::remove(p / "b.rkl");
             ASSERT_EQ(0, mkfifo((p / "b.rkl").c_str(), 0600));
         },
         {"eval", "p"},
         2,
         "p/b.rkl: refused: a FIFO, not a regular file"},
        {"a directory",
         [](const fs::path& p) {
             fs::remove(p / "b.rkl");
             fs::create_directory(p / "b.rkl");
         },
         {"check", "p"},
         2,
         "p/b.rkl: is a directory"},
        {"product.json as a link to the environment",
         [](const fs::path& p) {
             fs::remove(p / "product.json");
             fs::create_symlink("/proc/self/environ", p / "product.json");
         },
         {"eval", "p"},
         2,
         "p/product.json: refused: a link to /proc/"},
        {"a link inside",
         [](const fs::path& p) {
             fs::create_directory(p / "texts");
             fs::rename(p / "b.rkl", p / "texts" / "b.rkl");
             fs::create_symlink("texts/b.rkl", p / "b.rkl");
         },
         {"check", "p"},
         0,
         ""},
        {"a hidden file",
         [](const fs::path& p) { spill(p / ".b.rkl.swp.rkl", "not a module text\n"); },
         {"check", "p"},
         0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        makeProduct("p", kThreeModules);
        c.plant(root_ / "p");
        const Outcome run = rkl(c.command);
        EXPECT_EQ(c.status, run.status) << run.out << run.err;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        for (const std::string& shown : {run.out, run.err}) {
            EXPECT_EQ(std::string::npos, shown.find("SECRET")) << shown;
            EXPECT_EQ(std::string::npos, shown.find("PATH=")) << shown;
        }
    }
}

// A choices file may lie anywhere, but it is read only when it is a regular
// file: a FIFO would block the tool, a device would not end.
TEST_F(RklTest, ChoicesFilesAreRegularFiles) {
    makeProduct("p", kThreeModules);
    spill(root_ / "choices.txt", "a:x=2\n");
    fs::create_symlink(root_ / "choices.txt", root_ / "p" / "linked.txt");
    ASSERT_EQ(0, mkfifo((root_ / "fifo.txt").c_str(), 0600));
    const struct {
        const char* file;
        int status;
        const char* message;
    } cases[] = {
        {"choices.txt", 0, ""},
        {"p/linked.txt", 0, ""},
        {"fifo.txt", 2, "rkl: fifo.txt: refused: a FIFO, not a regular file\n"},
        {"/dev/zero", 2, "rkl: /dev/zero: refused: a device, not a regular file\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Outcome run = rkl({"eval", "p", "--choices", c.file});
        EXPECT_EQ(c.status, run.status) << run.out << run.err;
        EXPECT_EQ(c.message, run.err);
    }
}

// A new name that is a keyword is quoted where the option is declared as
// where it is referred to, and the renamed product reads again; a rename
// whose texts would not read back writes nothing.
TEST_F(RklTest, RenamedTextsReadBackBeforeTheyAreWritten) {
    makeProduct("p", kThreeModules);
    const Outcome run = rkl({"rename", "p", "--option", "b:y=then"});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos, contentOf(root_ / "p" / "b.rkl").find("public 'then' integer"));
    EXPECT_NE(std::string::npos, contentOf(root_ / "p" / "a.rkl").find("if b:'then' = 2 then"));
    const Outcome check = rkl({"check", "p"});
    EXPECT_EQ(0, check.status) << check.out << check.err;

    makeProduct("p", kThreeModules);
    const Outcome broken = rkl({"rename", "p", "--module", "b=d\ninterface end"});
    EXPECT_EQ(1, broken.status) << broken.out << broken.err;
    EXPECT_EQ(0u, broken.out.find("nothing renamed: the renamed texts would not parse\n"))
        << broken.out;
    for (const auto& [name, text] : kThreeModules) {
        EXPECT_EQ(text, contentOf(root_ / "p" / name));
    }
    EXPECT_FALSE(fs::exists(root_ / "p" / "d\ninterface end.rkl"));
}

// The mutually exclusive rules name options of their own module without a
// module id; a rename of such an option renames it there too, so the rule
// still holds.
TEST_F(RklTest, RenameFollowsTheOptionsOfMutuallyExclusiveRules) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"m.rkl",
         "module m\ninterface start\npublic a string = \"x\", \"y\"\n"
         "public b string = \"x\", \"y\"\npublic c string = \"x\", \"y\"\ninterface end\n"
         "mutually_exclusive : [a, b]\nmutually_exclusive : {a.x, c.y}\n"
         "# mutually_exclusive : [a]\n"},
        {"product.json", "{\"name\": \"p\", \"module\": \"m\"}\n"},
    };
    const struct {
        const char* rename;
        const char* rules;
        const char* name;  // as a choice names it
    } cases[] = {
        {"m:a=first", "mutually_exclusive : [first, b]\nmutually_exclusive : {first.x, c.y}\n",
         "first"},
        {"m:a=then", "mutually_exclusive : ['then', b]\nmutually_exclusive : {'then'.x, c.y}\n",
         "then"},
        {"m:c=a", nullptr, nullptr},  // a keeps its name: refused
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rename);
        makeProduct("p", files);
        const Outcome run = rkl({"rename", "p", "--option", c.rename});
        if (c.rules == nullptr) {
            EXPECT_EQ(2, run.status) << run.out;
            EXPECT_EQ(files.front().second, contentOf(root_ / "p" / "m.rkl"));
            continue;
        }
        ASSERT_EQ(0, run.status) << run.out << run.err;
        const std::string text = contentOf(root_ / "p" / "m.rkl");
        EXPECT_NE(std::string::npos,
                  text.find(std::string(c.rules) + "# mutually_exclusive : [a]\n"))
            << text;
        EXPECT_EQ(0, rkl({"check", "p"}).status);
        const std::string name = std::string("m:") + c.name + "=x";
        for (const char* other : {"m:b=y", "m:c=y"}) {
            const Outcome both = rkl({"eval", "p", "--set", name, "--set", other});
            EXPECT_EQ(1, both.status) << both.out << both.err;
            EXPECT_NE(std::string::npos, both.out.find("mutually exclusive")) << both.out;
        }
    }
}

// Presented options that fan out: every level presents the level below
// three times over. Each source is explained once, and each value is
// explained as coming from the option that gave it.
TEST_F(RklTest, ExplainListsASharedSourceOnceWithItsTrueOrigin) {
    constexpr int kLevels = 6;
    std::vector<std::pair<std::string, std::string>> files;
    std::string structure = "{\"name\": \"n0\", \"module\": \"L0\"";
    for (int level = 0; level < kLevels; ++level) {
        const std::string id = "L" + std::to_string(level);
        const std::string below = "L" + std::to_string(level + 1);
        std::string text = "module " + id + "\ninterface start\n";
        for (const char* name : {"A", "B", "C"}) {
            text += level + 1 < kLevels
                        ? "public " + std::string(name) + " presents " + below + ":A\n"
                        : "public " + std::string(name) + " integer = 1 to 9 default 1\n";
        }
        files.push_back({id + ".rkl", text + "interface end\n"});
        if (level > 0) {
            structure += ", \"children\": [{\"name\": \"n" + std::to_string(level) +
                         "\", \"module\": \"" + id + "\"";
        }
    }
    for (int level = 1; level < kLevels; ++level) {
        structure += "}]";
    }
    files.push_back({"product.json", structure + "}\n"});
    makeProduct("p", files);

    // L0's three options present L1:A, so only L1:A has presented values;
    // L1:B and L1:C keep their defaults.
    const Outcome run = rkl({"explain", "p", "L2:A", "--set", "L0:B=5"});
    ASSERT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ(
        "L2:A at n0.n1.n2 = 5 (user set)\n"
        "  1. 5 (user set)  presented by L1:A at n0.n1, which got it from:\n"
        "       1. 1 (default)  presented by L0:A at n0, which got it from:\n"
        "            1. 1 (default)  default of the option\n"
        "       2. 5 (user set)  presented by L0:B at n0, which got it from:\n"
        "            1. 1 (default)  default of the option\n"
        "            2. 5 (user set)  chosen by the user (--set)\n"
        "       3. 1 (default)  presented by L0:C at n0; refused: keeps 5 (user set), which got "
        "it from:\n"
        "            1. 1 (default)  default of the option\n"
        "  2. 1 (default)  presented by L1:B at n0.n1; refused: keeps 5 (user set), which got "
        "it from:\n"
        "       1. 1 (default)  default of the option\n"
        "  3. 1 (default)  presented by L1:C at n0.n1; refused: keeps 5 (user set), which got "
        "it from:\n"
        "       1. 1 (default)  default of the option\n",
        run.out);

    const Outcome deep = rkl({"explain", "p", "L5:A", "--set", "L0:B=5"});
    ASSERT_EQ(0, deep.status) << deep.err;
    EXPECT_LT(std::count(deep.out.begin(), deep.out.end(), '\n'), 20 * kLevels) << deep.out;
}

// Values are JSON of any shape: their nesting is capped like the
// structure's, just at the cap and just over it.
TEST_F(RklTest, CheckRefusesJsonNestedTooDeep) {
    makeProduct("p", kThreeModules);
    for (const int depth : {2497, 2498, 100000}) {
        SCOPED_TRACE(depth);
        const std::string nested = std::string(static_cast<std::size_t>(depth), '[') +
                                   std::string(static_cast<std::size_t>(depth), ']');
        spill(root_ / "p" / "product.json",
              "{\"name\": \"p\", \"module\": \"a\",\n\"values\": [{\"option\": \"x\",\n"
              "\"value\": " +
                  nested + "}]}\n");
        const Outcome run = rkl({"check", "p"});
        EXPECT_EQ(1, run.status) << run.err;
        const std::string refused =
            "p/product.json:3: error: nested deeper than 2500 arrays and objects\n";
        if (depth == 2497) {
            EXPECT_EQ(std::string::npos, run.out.find(refused)) << run.out.substr(0, 300);
            EXPECT_NE(std::string::npos, run.out.find("p/product.json:2: error: node p:"))
                << run.out.substr(0, 300);
        } else {
            EXPECT_EQ(0u, run.out.find(refused)) << run.out.substr(0, 300);
        }
    }
}

}  // namespace

namespace {

// One parsed JSON line per line of `text`.
std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

}  // namespace

// Each line holds exactly what eval --json prints for its file, in the order
// given, whatever the number of workers; a file that cannot be used fails
// its own line only, and the command exits as the worst of them.
TEST_F(RklTest, BatchGivesEachChoicesFileWhatEvalGives) {
    spill(root_ / "bike/choices/cargo_carbon.txt", "bike:usage=cargo\nfix frame:material=carbon\n");
    spill(root_ / "bike/choices/wrong.txt", "frame:no_such=1\n");
    const std::vector<std::string> files = {
        "bike/choices/road.txt",         "bike/choices/mountain.txt", "bike/choices/wrong.txt",
        "bike/choices/cargo_carbon.txt", "bike/choices/missing.txt",  "bike/choices/road.txt",
        "bike/choices/ebike_cargo.txt"};
    std::map<std::string, Outcome> evals;
    for (const std::string& file : files) {
        evals.emplace(file, rkl({"eval", "bike", "--json", "--choices", file}));
    }
    EXPECT_EQ(1, evals.at("bike/choices/cargo_carbon.txt").status);
    for (const char* jobs : {"1", "3"}) {
        std::vector<std::string> arguments = {"batch", "bike"};
        arguments.insert(arguments.end(), files.begin(), files.end());
        arguments.insert(arguments.end(), {"--jobs", jobs});
        const Outcome run = rkl(arguments);
        EXPECT_EQ(2, run.status) << run.err;
        const std::vector<nlohmann::json> lines = jsonLines(run.out);
        ASSERT_EQ(files.size(), lines.size()) << run.out;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const Outcome& eval = evals.at(files[i]);
            EXPECT_EQ(1, lines[i]["version"]);
            EXPECT_EQ(files[i], lines[i]["choices"]);
            EXPECT_EQ(eval.status, lines[i]["exit"]) << files[i];
            if (eval.out.empty()) {
                EXPECT_TRUE(lines[i]["result"].is_null()) << files[i];
                EXPECT_EQ("rkl: " + lines[i]["error"].get<std::string>() + "\n", eval.err);
            } else {
                EXPECT_EQ(nlohmann::json::parse(eval.out), lines[i]["result"]) << files[i];
                EXPECT_FALSE(lines[i].contains("error")) << files[i];
            }
        }
    }
    const Outcome clean = rkl({"batch", "bike", "bike/choices/road.txt", "--jobs", "2"});
    EXPECT_EQ(0, clean.status) << clean.err;
    EXPECT_EQ(2, rkl({"batch", "bike"}).status);
    EXPECT_EQ(2, rkl({"batch", "bike", "bike/choices/road.txt", "--jobs", "0"}).status);
    EXPECT_EQ(2, rkl({"batch", "nowhere", "bike/choices/road.txt", "--jobs", "2"}).status);
}

// A model change against the stored orders: the new version sets no
// suspension for mountain bikes (so the fork goes), leaves city and cargo
// frames at their default material and words the hub gear note otherwise.
TEST_F(RklTest, DiffShowsWhatAModelChangeAltersPerChoicesFile) {
    fs::copy(root_ / "bike", root_ / "new", fs::copy_options::recursive);
    const auto edit = [&](const std::string& name, const std::string& from, const std::string& to) {
        std::string text = contentOf(root_ / "new" / name);
        const std::size_t at = text.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        spill(root_ / "new" / name, text.replace(at, from.size(), to));
    };
    edit("frame.rkl", "fix frame:suspension to true", "set frame:suspension to false");
    edit("frame.rkl", "set frame:material to \"steel\"\n", "");
    edit("drivetrain.rkl", "at most 8 speeds: using 8", "8 at most");
    const std::vector<std::string> files = {"bike/choices/road.txt", "bike/choices/mountain.txt",
                                            "bike/choices/ebike_cargo.txt"};
    std::vector<std::string> arguments = {"diff", "bike", "new"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    arguments.insert(arguments.end(), {"--jobs", "2", "--json"});
    const Outcome run = rkl(arguments);
    EXPECT_EQ(1, run.status) << run.err;
    const std::vector<nlohmann::json> lines = jsonLines(run.out);
    ASSERT_EQ(3u, lines.size()) << run.out;
    EXPECT_FALSE(lines[0]["differs"]) << lines[0];
    EXPECT_EQ(nlohmann::json::array({0, 0}), lines[0]["exit"]);
    const nlohmann::json& mountain = lines[1];
    EXPECT_TRUE(mountain["differs"]);
    ASSERT_EQ(1u, mountain["nodes"].size()) << mountain;
    EXPECT_EQ(nlohmann::json::parse(R"({"path":"bike.frame.fork",
        "old":{"module":"fork","state":"configured"},
        "new":{"module":"fork","state":"not configured"}})"),
              mountain["nodes"][0]);
    EXPECT_EQ(nlohmann::json::parse(R"({"path":"bike.frame","option":"suspension",
        "old":{"values":[true],"howSet":["RuleFixed"]},
        "new":{"values":[false],"howSet":["Default"]}})"),
              mountain["values"][0]);
    EXPECT_EQ(4u, mountain["values"].size()) << "the fork's three values go with it";
    const nlohmann::json& cargo = lines[2];
    EXPECT_EQ(nlohmann::json::parse(R"({"path":"bike.frame","option":"material",
        "old":{"values":["steel"],"howSet":["RuleSet"]},
        "new":{"values":["aluminium"],"howSet":["Default"]}})"),
              cargo["values"][0]);
    EXPECT_EQ(nlohmann::json::parse(R"({
        "removed":["bike.drivetrain: note: hub gears have at most 8 speeds: using 8"],
        "added":["bike.drivetrain: note: hub gears have 8 at most"]})"),
              cargo["messages"]);

    const Outcome text = rkl({"diff", "bike", "new", "bike/choices/mountain.txt"});
    EXPECT_EQ(1, text.status);
    EXPECT_NE(std::string::npos,
              text.out.find("bike/choices/mountain.txt: bike.frame.fork: module fork configured "
                            "-> module fork not configured\n"))
        << text.out;
    EXPECT_NE(std::string::npos, text.out.find("1 of 1 choices files give different results\n"));

    const Outcome same = rkl({"diff", "bike", "bike", files[0], files[1], files[2]});
    EXPECT_EQ(0, same.status) << same.out;
    EXPECT_EQ("0 of 3 choices files give different results\n", same.out);
}

// An evaluation that stops in the new version: the exit status and the
// error differ, with the file named within its product so that the same
// error in both versions would read the same.
TEST_F(RklTest, DiffReportsAFailingVersionByItsErrors) {
    fs::copy(root_ / "bike", root_ / "new", fs::copy_options::recursive);
    spill(root_ / "new/frame.rkl", contentOf(root_ / "new/frame.rkl") + "set frame:size to 1/0\n");
    const Outcome run = rkl({"diff", "bike", "new", "bike/choices/road.txt", "--json"});
    EXPECT_EQ(1, run.status) << run.err;
    const nlohmann::json line = nlohmann::json::parse(run.out);
    EXPECT_EQ(nlohmann::json::array({0, 1}), line["exit"]);
    ASSERT_EQ(1u, line["errors"]["added"].size()) << line;
    EXPECT_EQ(0u, line["errors"]["added"][0].get<std::string>().find("frame.rkl:"))
        << line["errors"];
    const Outcome both = rkl({"diff", "new", "new", "bike/choices/road.txt"});
    EXPECT_EQ(0, both.status) << both.out;
    EXPECT_EQ(2, rkl({"diff", "bike", "new"}).status);
}

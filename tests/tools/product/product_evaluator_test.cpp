#include "product_evaluator.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/zam_test.h"
#include "text_file.h"

// The evaluator against the rkl program itself: each result must be what
// `rkl eval --json` prints for the same choices in a fresh process.

namespace {

namespace fs = std::filesystem;

struct Printed {
    int status;
    std::string out;
};

Printed evalJson(const std::string& choicesFile) {
    std::string command = std::string(RKL_PROGRAM) + " eval --json " + BIKE_EXAMPLE;
    if (!choicesFile.empty()) {
        command += " --choices " + choicesFile;
    }
    Printed printed{-1, std::string()};
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        printed.out.append(buffer, count);
    }
    const int raw = ::pclose(pipe);
    printed.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return printed;
}

const std::vector<std::string> kChoiceFiles = {"", "choices/road.txt", "choices/mountain.txt",
                                               "choices/ebike_cargo.txt"};

std::string choicesPath(const std::string& name) {
    return name.empty() ? std::string() : std::string(BIKE_EXAMPLE) + "/" + name;
}

std::vector<rkl::Choice> choicesOf(const std::string& name) {
    return name.empty() ? std::vector<rkl::Choice>() : rkl::readChoices(choicesPath(name));
}

using ProductEvaluatorTest = ZamTest;

// Every order of the example's choices, each file more than once: a value,
// state or message left over from the evaluation before would show.
TEST_F(ProductEvaluatorTest, EachEvaluationMatchesAFreshEval) {
    std::vector<Printed> expected;
    for (const std::string& name : kChoiceFiles) {
        expected.push_back(evalJson(choicesPath(name)));
        ASSERT_FALSE(expected.back().out.empty()) << name;
    }
    rkl::ProductEvaluator evaluator(BIKE_EXAMPLE);
    for (std::size_t i : {1, 3, 0, 2, 1, 3, 2, 0}) {
        const rkl::EvalResult result = evaluator.evaluate(choicesOf(kChoiceFiles[i]));
        EXPECT_EQ(expected[i].status, result.status) << kChoiceFiles[i];
        EXPECT_EQ(expected[i].out, result.json) << kChoiceFiles[i];
        EXPECT_EQ("", result.error);
    }
}

TEST_F(ProductEvaluatorTest, AChoiceThatCannotBeUsedFailsOnlyItsEvaluation) {
    rkl::ProductEvaluator evaluator(BIKE_EXAMPLE);
    const rkl::EvalResult wrong =
        evaluator.evaluate({rkl::Choice{"frame:no_such=1", "--set", ZAMSelOptionSet::UserSet}});
    EXPECT_EQ(rkl::kUsage, wrong.status);
    EXPECT_EQ("", wrong.json);
    EXPECT_NE(std::string::npos, wrong.error.find("no option \"no_such\"")) << wrong.error;
    EXPECT_EQ(evalJson("").out, evaluator.evaluate({}).json);
}

TEST_F(ProductEvaluatorTest, ABatchKeepsTheOrderWhateverTheJobs) {
    std::vector<std::vector<rkl::Choice>> configurations;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& name : kChoiceFiles) {
            configurations.push_back(choicesOf(name));
        }
    }
    const std::vector<rkl::EvalResult> alone = rkl::batchEvaluate(BIKE_EXAMPLE, configurations, 1);
    ASSERT_EQ(configurations.size(), alone.size());
    for (std::size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(evalJson(choicesPath(kChoiceFiles[i % kChoiceFiles.size()])).out, alone[i].json);
    }
    for (int jobs : {2, 5, 40}) {
        const std::vector<rkl::EvalResult> shared =
            rkl::batchEvaluate(BIKE_EXAMPLE, configurations, jobs);
        ASSERT_EQ(alone.size(), shared.size()) << jobs;
        for (std::size_t i = 0; i < alone.size(); ++i) {
            EXPECT_EQ(alone[i].status, shared[i].status) << jobs << " " << i;
            EXPECT_EQ(alone[i].json, shared[i].json) << jobs << " " << i;
        }
    }
    EXPECT_TRUE(rkl::batchEvaluate(BIKE_EXAMPLE, {}, 2).empty());
}

// Kills the process that writes rider height 199: the worker evaluating
// that configuration dies as a crashing one would.
void dieOnRiderHeight199(const ZAMWriteTrace::Event& event, void*) {
    if (event.written.option->name() == "rider_height" && !event.written.values.empty() &&
        event.written.values.front()->displayString() == "199") {
        ::kill(::getpid(), SIGKILL);
    }
}

TEST_F(ProductEvaluatorTest, AWorkerThatDiesCostsOnlyTheConfigurationItWasOn) {
    const rkl::Choice tall{"bike:rider_height=199", "--set", ZAMSelOptionSet::UserSet};
    const rkl::Choice short_{"bike:rider_height=160", "--set", ZAMSelOptionSet::UserSet};
    // Two jobs share these in turn, so the first worker dies before three
    // configurations of its share that a new worker must take over.
    const std::vector<std::vector<rkl::Choice>> configurations = {
        {short_}, {}, {tall}, {short_}, {}, {short_}, {tall}, {}};
    const std::vector<rkl::EvalResult> expected =
        rkl::batchEvaluate(BIKE_EXAMPLE, {{short_}, {}}, 1);
    ZAMWriteTrace::setCallback(&dieOnRiderHeight199, nullptr);
    const std::vector<rkl::EvalResult> results =
        rkl::batchEvaluate(BIKE_EXAMPLE, configurations, 2);
    ZAMWriteTrace::setCallback(nullptr, nullptr);
    ASSERT_EQ(configurations.size(), results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (i == 2 || i == 6) {
            EXPECT_EQ(rkl::kFindings, results[i].status) << i;
            EXPECT_EQ("", results[i].json) << i;
            EXPECT_NE(std::string::npos, results[i].error.find("stopped (signal 9)"))
                << results[i].error;
            continue;
        }
        const rkl::EvalResult& same = expected[configurations[i].empty() ? 1 : 0];
        EXPECT_EQ(same.json, results[i].json) << i;
        EXPECT_EQ("", results[i].error) << i;
    }
}

TEST_F(ProductEvaluatorTest, AProductThatCannotBeReadIsAUsageFailure) {
    for (int jobs : {1, 2}) {
        try {
            rkl::batchEvaluate("/nonexistent/product", {{}, {}}, jobs);
            ADD_FAILURE() << jobs;
        } catch (const rkl::Failure& failure) {
            EXPECT_EQ(rkl::kUsage, failure.status()) << jobs;
            EXPECT_NE(std::string::npos, std::string(failure.what()).find("/nonexistent/product"))
                << failure.what();
        }
    }
}

// A product whose texts are wrong gives every evaluation rkl eval's errors.
TEST_F(ProductEvaluatorTest, ABrokenProductReportsItsErrorsEveryTime) {
    char pattern[] = "/tmp/rkl_evaluator_XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    const fs::path copy = fs::path(pattern) / "bike";
    fs::copy(BIKE_EXAMPLE, copy, fs::copy_options::recursive);
    const std::string brakes = rkl::readFile((copy / "brakes.rkl").string());
    rkl::replaceFiles({{(copy / "brakes.rkl").string(), brakes + "\nset brakes:\n"}}, {});
    {
        rkl::ProductEvaluator evaluator(copy.string());
        for (int round = 0; round < 2; ++round) {
            const rkl::EvalResult result = evaluator.evaluate({});
            EXPECT_EQ(rkl::kFindings, result.status);
            EXPECT_NE(std::string::npos, result.json.find("\"errors\"")) << result.json;
            EXPECT_NE(std::string::npos, result.json.find("brakes.rkl")) << result.json;
        }
    }
    fs::remove_all(pattern);
}

}  // namespace

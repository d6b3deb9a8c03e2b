// rkl: the command line of the engine, for the people who write products:
// check module texts, evaluate a product for a set of choices, explain where
// a value came from, evaluate many sets of choices at once or against two
// versions of a product, validate references and rename modules and options.
// Built on the engine's public interface alone.

#include <zamcore/zamcore.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "session.h"
#include "text_file.h"

namespace {

using rkl::Choice;

// The choices of --choices files first, then those of --set and --fix in
// the order given.
std::vector<Choice> gatherChoices(const std::vector<std::string>& files,
                                  const std::vector<std::string>& sets,
                                  const std::vector<std::string>& fixes) {
    std::vector<Choice> choices;
    for (const std::string& file : files) {
        const std::vector<Choice> read = rkl::readChoices(file);
        choices.insert(choices.end(), read.begin(), read.end());
    }
    for (const std::string& text : sets) {
        choices.push_back(Choice{text, "--set", ZAMSelOptionSet::UserSet});
    }
    for (const std::string& text : fixes) {
        choices.push_back(Choice{text, "--fix", ZAMSelOptionSet::UserFixed});
    }
    return choices;
}

struct ChoiceOptions {
    std::vector<std::string> files;
    std::vector<std::string> sets;
    std::vector<std::string> fixes;

    void addTo(CLI::App& command) {
        command.add_option("--choices", files, "A file of choices, one module:option=value a line")
            ->type_name("FILE");
        command.add_option("--set", sets, "Choose a value: module:option[node]=value")
            ->type_name("CHOICE");
        command.add_option("--fix", fixes, "Choose a value that rules may not change")
            ->type_name("CHOICE");
    }
    std::vector<Choice> choices() const { return gatherChoices(files, sets, fixes); }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"rkl: check, evaluate, batch, diff, explain, validate and rename RKL products"};
    app.require_subcommand(1);

    std::vector<std::string> checkPaths;
    CLI::App* check = app.add_subcommand("check", "Parse module texts and product.json");
    check->add_option("PATH", checkPaths, "A .rkl file, a product.json or a directory")->required();

    std::string product;
    bool json = false;
    ChoiceOptions evalChoices;
    CLI::App* eval = app.add_subcommand("eval", "Evaluate a product and print its structure");
    eval->add_option("PRODUCT", product, "The product directory")->required();
    evalChoices.addTo(*eval);
    eval->add_flag("--json", json, "Print JSON for tools");

    std::string target;
    ChoiceOptions explainChoices;
    CLI::App* explain =
        app.add_subcommand("explain", "Show every write that gave an option its value");
    explain->add_option("PRODUCT", product, "The product directory")->required();
    explain->add_option("OPTION", target, "module:option or module:option[node]")->required();
    explainChoices.addTo(*explain);

    std::vector<std::string> choiceFiles;
    int jobs = 1;
    CLI::App* batch = app.add_subcommand(
        "batch", "Evaluate a product for each choices file and print a JSON line for each");
    batch->add_option("PRODUCT", product, "The product directory")->required();
    batch->add_option("CHOICES", choiceFiles, "Choices files")->required();
    batch->add_option("--jobs", jobs, "Worker processes")->check(CLI::Range(1, 256));

    std::string newProduct;
    CLI::App* diff = app.add_subcommand(
        "diff", "Evaluate each choices file against two versions of a product and compare");
    diff->add_option("OLD", product, "The product directory before the change")->required();
    diff->add_option("NEW", newProduct, "The product directory after the change")->required();
    diff->add_option("CHOICES", choiceFiles, "Choices files")->required();
    diff->add_option("--jobs", jobs, "Worker processes")->check(CLI::Range(1, 256));
    diff->add_flag("--json", json, "Print one JSON line per choices file");

    CLI::App* validate =
        app.add_subcommand("validate", "List references to options that are not visible");
    validate->add_option("PRODUCT", product, "The product directory")->required();

    std::vector<std::string> moduleRenames;
    std::vector<std::string> optionRenames;
    bool dryRun = false;
    CLI::App* rename =
        app.add_subcommand("rename", "Rename modules and options across a product's texts");
    rename->add_option("PRODUCT", product, "The product directory")->required();
    rename->add_option("--module", moduleRenames, "OLD=NEW")->type_name("RENAME");
    rename->add_option("--option", optionRenames, "MODULE:OLD=NEW")->type_name("RENAME");
    rename->add_flag("--dry-run", dryRun, "Show what would change, change nothing");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return rkl::kUsage;
    }

    try {
        if (check->parsed()) {
            return rkl::runCheck(checkPaths, std::cout);
        }
        if (eval->parsed()) {
            return rkl::runEval(product, evalChoices.choices(), json, std::cout);
        }
        if (explain->parsed()) {
            return rkl::runExplain(product, explainChoices.choices(), target, std::cout);
        }
        if (batch->parsed()) {
            return rkl::runBatch(product, choiceFiles, jobs, std::cout);
        }
        if (diff->parsed()) {
            return rkl::runDiff(product, newProduct, choiceFiles, jobs, json, std::cout);
        }
        if (validate->parsed()) {
            return rkl::runValidate(product, std::cout);
        }
        if (moduleRenames.empty() && optionRenames.empty()) {
            std::cerr << "rkl rename: give at least one --module OLD=NEW or --option "
                         "MODULE:OLD=NEW\n";
            return rkl::kUsage;
        }
        return rkl::runRename(product, moduleRenames, optionRenames, dryRun, std::cout);
    } catch (const rkl::Failure& failure) {
        std::cout.flush();
        std::cerr << "rkl: " << failure.what() << "\n";
        return failure.status();
    } catch (const ZAMException& error) {
        std::cout.flush();
        std::cerr << "rkl: unexpected engine error: " << rkl::describe(error) << "\n";
        return rkl::kFindings;
    } catch (const std::exception& error) {
        // A directory that cannot be listed, and the like.
        std::cout.flush();
        std::cerr << "rkl: " << error.what() << "\n";
        return rkl::kUsage;
    }
}

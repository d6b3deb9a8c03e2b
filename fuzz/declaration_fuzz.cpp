// Option declarations: each line of the input is declared in a scratch
// module "scratch" of a window that also holds the modules "base" and "m"
// (fuzz_world.h), so lines can present, implement and use their options and
// each other's.
//
// Properties:
// - a refused line leaves every option that existed as it was (a new option
//   may stay declared without a recorded text when only stray input after a
//   complete declaration was refused);
// - an accepted line is recorded as written, and declaring it again at once
//   is accepted and changes nothing;
// - the module written out and read back in is the same module, and writes
//   out the same text, unless a line changed an option that others are
//   based on after they were declared (their recorded lines may then no
//   longer fit it);
// - renaming the first option to "renamed", declared by the last line,
//   either records that line or leaves the module as it was.

#include <zamcore/zamcore.h>

#include "support/fuzz_world.h"
#include "support/module_snapshot.h"

namespace {

// Options that were there before must be untouched; at most one new one, and
// only without a recorded text.
void checkRefused(const InterfaceSnapshot& before, const InterfaceSnapshot& after,
                  const std::string& input) {
    std::size_t added = 0;
    for (const auto& entry : after) {
        auto old = before.find(entry.first);
        if (old == before.end()) {
            ++added;
            fuzz::require(entry.second.find("| <no text>") != std::string::npos,
                          "a refused line recorded a text", input);
        } else {
            fuzz::require(old->second == entry.second, "a refused line changed an option", input);
        }
    }
    fuzz::require(added <= 1 && after.size() == before.size() + added,
                  "a refused line removed options or added several", input);
}

// Declares one line; true when the line changed an option that others were
// based on.
bool declareLine(ZAMModule& module, const std::string& line, const std::string& input) {
    const InterfaceSnapshot before = snapshotInterface(module);
    ref_count_ptr<ZAMOption> option;
    const fuzz::Outcome outcome = fuzz::attempt([&] { option = module.addOptionString(line); });
    if (!outcome.accepted) {
        checkRefused(before, snapshotInterface(module), input);
        return false;
    }
    fuzz::require(module.askOptionRkl(option->name()) == line, "the line was not recorded", input);
    const bool changedBase = before.count(option->name()) != 0 && option->isReferenced();
    const InterfaceSnapshot declared = snapshotInterface(module);
    ref_count_ptr<ZAMOption> again;
    fuzz::require(fuzz::attempt([&] { again = module.addOptionString(line); }).accepted,
                  "a line declared a second time was refused", input);
    fuzz::require(again.get() == option.get(), "declaring again made a new option", input);
    fuzz::require(snapshotInterface(module) == declared, "declaring again changed the module",
                  input);
    return changedBase;
}

void checkRoundTrip(ZAMModule& module, const std::string& input) {
    std::string written;
    const fuzz::Outcome outcome = fuzz::attempt([&] { written = module.getRklData(); });
    if (!outcome.accepted) {
        // Only an option declared without its text (stray input) stops it.
        fuzz::require(outcome.code == 102, "writing the module out failed", input);
        return;
    }
    fuzz::requireReadsBack(module, written, input);
}

// What a failed rename must leave as it was: the options, their lines and
// the rules (or the failure to write them out).
std::string moduleState(ZAMModule& module) {
    std::string state;
    for (const auto& entry : snapshotInterface(module)) {
        state += entry.second + "\n";
    }
    const fuzz::Outcome written = fuzz::attempt([&] { state += module.getRklData(); });
    return state + std::to_string(written.code) + module.getRkl()->rkl();
}

void checkRename(ZAMModule& module, const std::string& line, const std::string& input) {
    const std::vector<ref_count_ptr<ZAMOption>> options = module.options();
    if (options.empty()) {
        return;
    }
    const std::string before = moduleState(module);
    ref_count_ptr<ZAMOption> renamed;
    const fuzz::Outcome outcome = fuzz::attempt(
        [&] { renamed = module.changeOptionString(options.front(), "renamed", line); });
    if (!outcome.accepted) {
        fuzz::require(moduleState(module) == before, "a failed rename changed the module", input);
        return;
    }
    fuzz::require(module.askOptionRkl(renamed->name()) == line, "the rename lost its line", input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    fuzz::World world;
    ref_count_ptr<ZAMModule> scratch = world.window->createModule("scratch");
    bool changedBase = false;
    const std::vector<std::string> lines = fuzz::lines(input, 16);
    for (const std::string& line : lines) {
        changedBase = declareLine(*scratch, line, input) || changedBase;
    }
    if (!changedBase) {
        checkRoundTrip(*scratch, input);
    }
    if (!lines.empty()) {
        checkRename(*scratch, lines.back(), input);
    }
    return 0;
}

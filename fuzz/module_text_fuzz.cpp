// Module source texts: the input is loaded into module "t" of the shared
// world (fuzz_world.h), first with the module empty and then with an option
// "keep" and rules of its own.
//
// Properties:
// - a refused text keeps the old rules, and a text refused for its header
//   changes nothing at all;
// - an accepted text loaded into the empty module writes back to a text that
//   loads again into the same module without changing it and writes back
//   the same (unless the text declares a name twice, when the later line may
//   no longer fit the options declared between the two);
// - the translator without renames accepts every text the module accepts,
//   and its result loads into an empty module as the same module.

#include <zamcore/zamcore.h>

#include <set>

#include "support/fuzz_world.h"

namespace {

bool isHeaderError(const fuzz::Outcome& outcome) {
    const std::string& info = outcome.info;
    return info.rfind("Expected \"module\"", 0) == 0 ||
           info.rfind("RKL module statement", 0) == 0 || info == "Expected \"interface start\"";
}

// Whether two interface lines declare the same name, as far as their first
// tokens say: the later line may then not fit what was declared between them.
bool declaresANameTwice(const std::string& text) {
    std::set<std::string> taken;
    const std::vector<std::string> all = fuzz::lines(text, 1000000);
    for (std::size_t i = 2; i < all.size() && all[i] != "interface end"; ++i) {
        try {
            ZAMLexer lexer(all[i]);
            lexer.next();
            if (!taken.insert(lexer.identifierValue()).second) {
                return true;
            }
        } catch (const ZAMException&) {
        }
    }
    return false;
}

void checkRoundTrip(ZAMModule& module, const std::string& input) {
    const std::string written = module.getRklData();
    fuzz::requireReadsBack(module, written, input);
}

// The translated text loads into a fresh window's empty "t" as the module
// the input made.
void checkTranslation(const std::string& loaded, const std::string& input) {
    ZAMTranslater none;
    std::string translated;
    fuzz::require(fuzz::attempt([&] { translated = none.translateRklData("t", input); }).accepted,
                  "the translator refused an accepted text", input);
    fuzz::World world;
    ref_count_ptr<ZAMModule> t = world.window->createModule("t");
    fuzz::require(fuzz::attempt([&] { t->setRklData(translated); }).accepted,
                  "the translated text was refused", input);
    fuzz::require(t->getRklData() == loaded, "the translated text loads as another module", input);
}

void loadIntoEmpty(const std::string& input) {
    fuzz::World world;
    ref_count_ptr<ZAMModule> t = world.window->createModule("t");
    if (!fuzz::attempt([&] { t->setRklData(input); }).accepted) {
        return;
    }
    checkTranslation(t->getRklData(), input);
    if (!declaresANameTwice(input)) {
        checkRoundTrip(*t, input);
    }
}

void loadOverOld(const std::string& input) {
    fuzz::World world;
    ref_count_ptr<ZAMModule> t = world.window->createModule("t");
    t->setRklData(
        "module t\ninterface start\npublic keep integer = 1 to 3\ninterface end\n"
        "set m:a to 1\n");
    const std::string oldText = t->getRklData();
    const ref_count_ptr<ZAMExpRoot> oldRules = t->getRkl();
    const fuzz::Outcome outcome = fuzz::attempt([&] { t->setRklData(input); });
    if (!outcome.accepted) {
        fuzz::require(t->getRkl().get() == oldRules.get(), "a refused text replaced the rules",
                      input);
        fuzz::require(!isHeaderError(outcome) || t->getRklData() == oldText,
                      "a text with a wrong header changed the module", input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::text(data, size);
    fuzz::CountedObjectsCheck counted(input);
    loadIntoEmpty(input);
    loadOverOld(input);
    return 0;
}

#include "support/fuzz_world.h"

#include <cstdio>
#include <cstdlib>

#include "support/module_snapshot.h"

namespace fuzz {

namespace {

// The count is protected: a derived class may read it.
struct CountProbe : ref_count {
    static std::int32_t read() { return globalCount; }
};

void declare(const ref_count_ptr<ZAMModule>& module, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        module->addOptionString(line);
    }
}

}  // namespace

World::World() : guard(&adapter), window(ZAM::createWindow()) {
    declare(window->createModule("base"),
            {"public width integer = 1 to 10 default 5", "public colour string = \"red\", \"blue\"",
             "public flag logical", "public ratio real = 0.5 to 2.5",
             "public many integer non_mutually_exclusive = 1, 2, 3", "private hidden integer"});
    declare(
        window->createModule("m"),
        {"public a integer", "public b integer", "public c integer", "public r real",
         "public s string", "public l logical", "public lim integer = 1 to 10",
         "public mv integer non_mutually_exclusive", "public ms string non_mutually_exclusive"});
}

World::~World() = default;

CountedObjectsCheck::CountedObjectsCheck(const std::string& input) : input_(input) {
    // The shared logical and unset values live as long as the process.
    ZAMValue::createBool(true);
    ZAMValue::createUnset();
    start_ = CountProbe::read();
}

CountedObjectsCheck::~CountedObjectsCheck() {
    require(CountProbe::read() == start_, "counted objects leaked or released twice", input_);
}

std::string text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

void require(bool holds, const char* what, const std::string& input) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "property failed: %s\ninput (%zu bytes):\n%s\n", what, input.size(),
                 input.c_str());
    std::abort();
}

std::vector<std::string> lines(const std::string& text, std::size_t limit) {
    std::vector<std::string> found;
    std::size_t start = text.find_first_not_of("\n\r");
    while (start != std::string::npos && found.size() < limit) {
        const std::size_t end = text.find_first_of("\n\r", start);
        found.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : text.find_first_not_of("\n\r", end);
    }
    return found;
}

std::vector<int> tokenKinds(const std::string& text) {
    std::vector<int> kinds;
    try {
        ZAMLexer lexer(text);
        for (; lexer.type() != ZAMLexer::TK_END; lexer.next()) {
            kinds.push_back(lexer.type());
            if (lexer.type() == ZAMLexer::TK_INVALID) {
                break;
            }
        }
    } catch (const ZAMException&) {
        kinds.push_back(-1);
    }
    return kinds;
}

void requireReadsBack(ZAMModule& module, const std::string& written, const std::string& input) {
    const InterfaceSnapshot before = snapshotInterface(module);
    require(attempt([&] { module.setRklData(written); }).accepted,
            "the module's own text was refused", input);
    require(module.getRklData() == written, "the module's text read back differs", input);
    require(snapshotInterface(module) == before, "reading its own text changed the module", input);
}

}  // namespace fuzz

#ifndef ZAMCORE_FUZZ_SUPPORT_FUZZ_WORLD_H
#define ZAMCORE_FUZZ_SUPPORT_FUZZ_WORLD_H

#include <zamcore/zamcore.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_adapter.h"

// What the fuzz targets share: a window with modules to refer to, property
// checks that stop the run with a report, and small readers of texts.
namespace fuzz {

// A window whose module "base" declares public options of every kind (and one
// private option), and whose module "m" declares the options the rule texts
// of the seed corpus use:
//
//   base: width integer 1 to 10 default 5, colour string "red" "blue",
//         flag logical, ratio real 0.5 to 2.5, many integer (several values),
//         hidden private integer
//   m:    a, b, c integer; r real; s string; l logical; lim integer 1 to 10;
//         mv integer and ms string, both non_mutually_exclusive
//
// Modules the window lacks are not supplied: references to them resolve to
// placeholders.
struct World {
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    RecordingAdapter adapter;
    AdapterGuard guard;
    ref_count_ptr<ZAMWindow> window;
};

// Checks that no counted object outlives one input: the count of live
// objects when the check ends must be the one it began with.
class CountedObjectsCheck {
public:
    explicit CountedObjectsCheck(const std::string& input);
    ~CountedObjectsCheck();
    CountedObjectsCheck(const CountedObjectsCheck&) = delete;
    CountedObjectsCheck& operator=(const CountedObjectsCheck&) = delete;

private:
    const std::string& input_;
    std::int32_t start_;
};

std::string text(const std::uint8_t* data, std::size_t size);

// Stops the run when `holds` is false, printing what failed and the input.
void require(bool holds, const char* what, const std::string& input);

// The lines of `text` split at line breaks ("\n" and "\r"), blank lines
// skipped, at most `limit` of them.
std::vector<std::string> lines(const std::string& text, std::size_t limit);

// The kinds of the tokens the lexer reads from `text`, up to the end, an
// invalid character or an unterminated literal (which ends the list with -1).
std::vector<int> tokenKinds(const std::string& text);

// What an accepted or refused text gave: whether it was accepted, and for a
// refused one the error's code, message and line.
struct Outcome {
    bool accepted = true;
    int code = 0;
    std::string info;
    int line = 0;

    bool operator==(const Outcome& other) const {
        return accepted == other.accepted && code == other.code && info == other.info &&
               line == other.line;
    }
};

// Stops the run unless `written`, the module's own text, is accepted again,
// reads back identically and leaves the module's interface as it was.
void requireReadsBack(ZAMModule& module, const std::string& written, const std::string& input);

// Runs `action`; a ZAMException leaving it makes a refusal, anything else
// passes on (and ends the run as a crash).
template <class Action>
Outcome attempt(Action action) {
    Outcome outcome;
    try {
        action();
    } catch (const ZAMException& error) {
        outcome.accepted = false;
        outcome.code = error.code();
        outcome.info = error.info();
        outcome.line = error.line();
    }
    return outcome;
}

}  // namespace fuzz

#endif

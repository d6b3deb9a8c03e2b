#ifndef ZAMCORE_MODEL_MODULE_LOOKUP_H
#define ZAMCORE_MODEL_MODULE_LOOKUP_H

#include <cstdint>

class ZAMOption;
class ZAMWindow;

namespace zamcore {

// Resolving an option reference (module id, then option name) costs two
// lookups by text. Rule trees and conditions resolve the same references on
// every evaluation, so they may remember a result for as long as the
// window's modules and their options stay as they are. The window keeps a
// generation number for that: it changes whenever a module enters or leaves
// the window or an option enters or leaves a module, and no two windows of
// the process ever share one, so a remembered (window, generation) pair can
// never match a different window at the same address.
class ModuleLookup {
public:
    // The window's generation; 0 while refreshes are pending, since the next
    // lookup must run them.
    static std::uint64_t generation(const ZAMWindow& window);
    // A module or option of `window` came or went; nothing for a null window.
    static void changed(ZAMWindow* window);
    // A number for a new window.
    static std::uint64_t fresh();

    // Whether an option found in `foundIn` at `foundGeneration` is still the
    // one the same lookup finds in `window`.
    static bool stillFound(const ZAMWindow& window, const ZAMWindow* foundIn,
                           std::uint64_t foundGeneration);
    // What to remember of a lookup's result: where and when it was found;
    // nowhere for placeholders and legacy options, which are looked up
    // afresh every time.
    static const ZAMWindow* foundIn(const ZAMWindow& window, const ZAMOption& option);
};

}  // namespace zamcore

#endif

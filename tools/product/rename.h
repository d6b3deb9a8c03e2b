#ifndef RKL_RENAME_H
#define RKL_RENAME_H

#include <map>
#include <string>
#include <vector>

#include "diagnostic.h"
#include "module_source.h"
#include "product.h"

namespace rkl {

// The renames of one rename, all applied at once to the names as the texts
// write them now: "a=b" with "b=a" swaps two modules, "a=b" with "b=c"
// moves a to b and b to c. Option renames are keyed by the module's id as
// the texts write it now, also for a module that is renamed too.
struct Renames {
    std::map<std::string, std::string> modules;                         // old id to new id
    std::map<std::string, std::map<std::string, std::string>> options;  // old id to old to new

    std::string module(const std::string& id) const;
    std::string option(const std::string& moduleId, const std::string& name) const;
    // The option renames of module `moduleId` (its id as written now).
    const std::map<std::string, std::string>& optionsOf(const std::string& moduleId) const;
};

// Reads "OLD=NEW" module renames and "MODULE:OLD=NEW" option renames.
// Failure(kUsage) for a malformed one and for renames whose result would be
// ambiguous: one name renamed twice, or two names renamed to one.
Renames parseRenames(const std::vector<std::string>& modules,
                     const std::vector<std::string>& options);

// One file a rename changes: where it is read and written, and its texts.
struct FileChange {
    std::string from;
    std::string to;  // differs from `from` for the text of a renamed module
    std::string oldText;
    std::string newText;
};

// What a rename would do, computed without writing anything: the texts of
// the files that change, the files that go away, and the texts that do not
// parse, before the rename or after it (when there are any, nothing may be
// written).
struct RenamePlan {
    std::vector<FileChange> changes;
    std::vector<std::string> removals;   // paths that a moved text leaves and none takes
    std::vector<Diagnostic> unreadable;  // texts of the product that do not parse
    std::vector<Diagnostic> broken;      // texts the rename would write that do not parse
};

// The rename of a product held in memory: its structure (with the text of
// product.json) and its module texts. Failure(kUsage) for renames that do
// not fit the product: a module or option that does not exist, or a new
// name that is taken by one not renamed away.
RenamePlan planRename(const Product& product, const std::vector<ModuleSource>& sources,
                      const Renames& renames);

}  // namespace rkl

#endif

#ifndef RKL_MODULE_SOURCE_H
#define RKL_MODULE_SOURCE_H

#include <zamcore/zamcore.h>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diagnostic.h"

namespace rkl {

// A module source text as stored in "<module id>.rkl": the "module" line,
// the interface block with one declaration per line, and the rule text, each
// part with the line of the file it starts on, so that errors the engine
// reports in a part can be shown at their place in the file.
//
// It reads the parts the way the engine's module loader does (line breaks
// are "\n" and "\r", blank lines are skipped) but is stricter: the module
// line must name the file's module and the interface block must be complete.
class ModuleSource {
public:
    struct Line {
        std::string text;
        int number;          // in the file, from 1
        std::size_t offset;  // in the file
    };

    // Reads `path`; Failure(kUsage) when it cannot be read.
    static ModuleSource read(const std::string& path);
    ModuleSource(std::string path, std::string text);

    const std::string& path() const { return path_; }
    // The module id the file is for: its name without ".rkl".
    const std::string& id() const { return id_; }
    const std::string& text() const { return text_; }
    // What is wrong with the header or the interface block; when anything
    // is, the module is not loaded.
    const std::vector<Diagnostic>& problems() const { return problems_; }
    const std::vector<Line>& declarations() const { return declarations_; }
    const std::string& rules() const { return rules_; }
    int rulesLine() const { return rulesLine_; }
    std::size_t rulesOffset() const { return text_.size() - rules_.size(); }
    // The "module" line; complete only without problems().
    const Line& header() const { return header_; }

    // Declares every option of the interface block in `module` and gives it
    // the rules, appending a diagnostic for each declaration that fails and
    // for a rule text that does not parse. Does nothing for a text with
    // problems().
    void loadInto(ZAMModule& module, std::vector<Diagnostic>& diagnostics) const;

    // The file line of line `line` of the rule text.
    int fileLine(int ruleLine) const { return rulesLine_ + ruleLine - 1; }
    // The file line of the "set" or "fix" statement that wrote `option` of
    // module `moduleId` and that the engine reports at rule line
    // `engineLine` (the line of the token after a statement), for texts that
    // put no two such statements on one line; the file line of `engineLine`
    // when no such statement is found.
    int statementLine(int engineLine, const std::string& moduleId, const std::string& option) const;
    // The file line of the first reference to moduleId:option in the rule
    // text; 0 when there is none.
    int referenceLine(const std::string& moduleId, const std::string& option) const;
    // The file line of the declaration of `option`; 0 when there is none.
    int declarationLine(const std::string& option) const;

    // The option name a declaration line declares, and where it is written
    // in the line (offset and length); an empty name when the line does not
    // read as a declaration.
    struct DeclaredName {
        std::string name;
        std::size_t offset = 0;
        std::size_t length = 0;
    };
    static DeclaredName declaredName(const std::string& declaration);

private:
    // The references of the rule text by module id and option: the lines
    // of the first reference and of every "set" or "fix" target, found in
    // one reading of the rules on first use, so that looking up the lines
    // of many options costs no more than reading the rules once.
    struct ReferenceLines {
        int first = 0;
        std::vector<int> assigned;  // ascending
    };
    using ReferenceIndex = std::map<std::pair<std::string, std::string>, ReferenceLines>;
    const ReferenceLines* referenceLines(const std::string& moduleId,
                                         const std::string& option) const;

    void split();

    std::string path_;
    std::string id_;
    std::string text_;
    std::vector<Diagnostic> problems_;
    Line header_{"", 1, 0};
    std::vector<Line> declarations_;
    std::string rules_;
    int rulesLine_ = 1;
    mutable std::shared_ptr<const ReferenceIndex> references_;  // built on first use
};

// Every qualified option reference (module id ":" option name) of a rule
// text, in order: the line it starts on, whether it is the target of a
// "set" or "fix", and where it is written (from the module id to the end of
// the option name). Stops quietly at a text the lexer cannot read.
struct Reference {
    int line;
    std::string moduleId;
    std::string option;
    bool assigned;
    std::size_t offset = 0;
    std::size_t length = 0;
    std::size_t optionOffset = 0;  // where the option name starts
};
void forEachReference(const std::string& text, const std::function<void(const Reference&)>& visit);

// The module texts of a directory, sorted: every entry named "<id>.rkl"
// whose name does not start with a dot (temporary and hidden files are no
// module texts). Entries of any kind are listed, so that reading one that is
// not a regular file refuses it by name instead of passing over it.
std::vector<std::string> moduleTextsIn(const std::string& directory);

// `name` as an option name is written where the rule language would read a
// keyword: single-quoted when it is not a plain identifier or when it is a
// keyword ("then"), as written otherwise.
std::string quotedName(const std::string& name);

// Renames options in the mutually exclusive rules of a rule text,
// "mutually_exclusive : [a, b]" and "mutually_exclusive : {a.x, b.y}", which
// name options of the text's own module without a module id, so that the
// translator leaves them alone: each option name that `renamed` maps (old
// name to new) is replaced by its new name, quoted where it must be; the
// values of pairs and everything else are copied as written. Throws the
// lexer's ZAMException for a text it cannot read.
std::string renameExclusiveNames(const std::string& rules,
                                 const std::map<std::string, std::string>& renamed);

// Where the identifier starting at `start` of `text` ends: after a plain name
// or after the closing quote of a quoted one.
std::size_t identifierEnd(const std::string& text, std::size_t start);

}  // namespace rkl

#endif

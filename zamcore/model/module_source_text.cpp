// A module written out as one text, and loaded back from one:
//
//   module <id>
//   interface start
//   <one option declaration per line>
//   interface end
//   <the rule text>

#include <set>
#include <string>
#include <utility>

#include "zamcore/model/line_splitter.h"
#include "zamcore/model/module.h"
#include "zamcore/runtime/exception.h"

std::string ZAMModule::getRklData() const {
    if (options_.empty() && !rules_) {
        return std::string();
    }
    std::string text = zamcore::moduleHeader(id_);
    for (const auto& entry : options_) {
        text += askOptionRkl(entry.first);
        text += '\n';
    }
    text += zamcore::kInterfaceEnd;
    text += '\n';
    if (rules_) {
        text += rules_->rkl();
    }
    return text;
}

// The header is checked before anything changes. A text without its
// "interface start" line is refused: read on, that line would be lost.
void ZAMModule::setRklData(const std::string& text) {
    if (text.empty()) {
        return;
    }
    zamcore::LineSplitter lines(text);
    const std::string givenId = zamcore::moduleIdOf(lines.next());
    if (givenId != id_) {
        throw ZAMSyntaxError("RKL module statement \"module " + givenId +
                                 "\" does not match this module's id of \"" + id_ + "\".",
                             "", 0);
    }
    if (lines.next() != zamcore::kInterfaceStart) {
        zamcore::throwNoInterfaceStart();
    }
    readInterface(lines);
    setRkl(lines.rest());
}

// Declares each line up to "interface end", then drops the interface options
// the text no longer declares. An error stops the reading: what was declared
// before it stays, and nothing is dropped.
void ZAMModule::readInterface(zamcore::LineSplitter& lines) {
    std::set<std::string> undeclared;
    for (const auto& entry : options_) {
        undeclared.insert(entry.first);
    }
    for (std::string line = lines.next(); line != zamcore::kInterfaceEnd; line = lines.next()) {
        if (line.empty()) {
            zamcore::throwNoInterfaceEnd();
        }
        undeclared.erase(declareLine(std::move(line))->name());
    }
    for (const std::string& name : undeclared) {
        forgetOption(name);
    }
}

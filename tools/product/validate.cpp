#include <zamcore/zamcore.h>

#include <ostream>

#include "commands.h"
#include "findings.h"
#include "text_file.h"

namespace rkl {

namespace {

std::string qualified(const ZAMOption& option) {
    return option.moduleId() + ":" + option.name();
}

// Why an option cannot be seen: it does not exist (the engine stands in a
// placeholder of scope Legacy), it is private, or it lies out of reach.
std::string whyHidden(const ZAMOption& option) {
    switch (option.scope()) {
        case ZAMOption::Legacy:
            return ", which does not exist";
        case ZAMOption::Private:
            return ", which is private to module " + option.moduleId();
        default:
            return ", which is neither an option of this module nor a public option of a module "
                   "instance directly below";
    }
}

class FindingWriter {
public:
    explicit FindingWriter(Session& session) : session_(session) {}

    Diagnostic describe(const ValidationError& finding) const {
        const auto* node = dynamic_cast<const HostNode*>(finding.node());
        const ref_count_ptr<ZAMOption> option = finding.option();
        const std::string where = (node != nullptr ? node->path() : std::string("?")) + ": ";
        const ModuleSource* source = node != nullptr && node->hasModule()
                                         ? session_.adapter().source(node->moduleId())
                                         : nullptr;
        switch (finding.code()) {
            case ValidationError::PresentedOptionNotVisible: {
                const ref_count_ptr<ZAMOption> base = option->basedOn();
                return atDeclaration(source, *option,
                                     where + "presented option " + qualified(*option) +
                                         " is based on " + qualified(*base) + whyHidden(*base));
            }
            case ValidationError::PresentedPathNotFound:
                return atDeclaration(source, *option,
                                     where + "presented option " + qualified(*option) +
                                         " names the path [" + option->path().toDisplayString() +
                                         "], where no instance of module " +
                                         option->basedOn()->moduleId() + " stands");
            case ValidationError::RuleOptionNotVisible:
                return warningAt(
                    source != nullptr ? source->path() : session_.product().file,
                    source != nullptr ? source->referenceLine(option->moduleId(), option->name())
                                      : 0,
                    where + "the rules use " + qualified(*option) + whyHidden(*option));
            default:
                return warningAt(session_.product().file,
                                 node != nullptr ? node->spec().loadIfLine : 0,
                                 where + "the load-if condition uses " + qualified(*option) +
                                     whyHidden(*option));
        }
    }

private:
    Diagnostic atDeclaration(const ModuleSource* source, const ZAMOption& option,
                             const std::string& message) const {
        if (source == nullptr) {
            return warningAt(session_.product().file, 0, message);
        }
        return warningAt(source->path(), source->declarationLine(option.name()), message);
    }

    static Diagnostic warningAt(const std::string& file, int line, const std::string& message) {
        return Diagnostic{file, line, "warning", message, "", std::string::npos};
    }

    Session& session_;
};

}  // namespace

std::vector<Diagnostic> validationFindings(Session& session) {
    std::vector<Diagnostic> diagnostics;
    ZAMValidator validator;
    try {
        validator.validateNode(&session.root(), true);
    } catch (const ZAMException& error) {
        diagnostics.push_back(Diagnostic{session.product().file, 0, "error",
                                         "validation stopped: " + rkl::describe(error), "",
                                         std::string::npos});
    }
    const FindingWriter writer(session);
    for (const ValidationError& finding : validator.errors()) {
        diagnostics.push_back(writer.describe(finding));
    }
    return diagnostics;
}

int runValidate(const std::string& product, std::ostream& out) {
    Session session(product);
    if (!session.prepare({})) {
        return report(session.problems(), out);
    }
    return report(validationFindings(session), out);
}

}  // namespace rkl

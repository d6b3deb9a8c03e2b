#ifndef ZAMCORE_TESTS_MODEL_MODEL_TEST_PEER_H
#define ZAMCORE_TESTS_MODEL_MODEL_TEST_PEER_H

#include <zamcore/zamcore.h>

#include <cstdint>
#include <string>

#include "zamcore/model/option_ids.h"

// Reaches the private operations of options and modules, which only the
// declaration reader calls in the library.
class ZAMModelTestPeer {
public:
    static ref_count_ptr<ZAMOption> create(const ref_count_ptr<ZAMModule>& module,
                                           const std::string& name,
                                           ZAMOption::Scope scope = ZAMOption::Public) {
        return module->createOption(name, scope);
    }
    static ref_count_ptr<ZAMOption> present(const ref_count_ptr<ZAMModule>& module,
                                            const std::string& name, ref_count_ptr<ZAMOption> base,
                                            const ZAMPath& path = ZAMPath()) {
        return module->presentOption(name, base, path);
    }
    static ref_count_ptr<ZAMOption> implement(const ref_count_ptr<ZAMModule>& module,
                                              const std::string& name,
                                              ref_count_ptr<ZAMOption> base,
                                              ZAMOption::Scope scope = ZAMOption::Public) {
        return module->implementOrUseOption(name, base, scope, false);
    }
    static ref_count_ptr<ZAMOption> use(const ref_count_ptr<ZAMModule>& module,
                                        const std::string& name, ref_count_ptr<ZAMOption> base,
                                        ZAMOption::Scope scope = ZAMOption::Public) {
        return module->implementOrUseOption(name, base, scope, true);
    }
    static ref_count_ptr<ZAMOption> basedOption(ref_count_ptr<ZAMOption> base,
                                                const std::string& moduleId,
                                                const std::string& name, ZAMOption::Type type) {
        return new ZAMOption(base, moduleId, name, ZAMOption::Public, type);
    }
    static void addValue(const ref_count_ptr<ZAMOption>& option,
                         ref_count_ptr<ZAMOptionValue> constraint) {
        option->addValue(constraint);
    }
    static void setDefault(const ref_count_ptr<ZAMOption>& option, ref_count_ptr<ZAMValue> value) {
        option->setDefaultValue(value);
    }
    static void clearValues(const ref_count_ptr<ZAMOption>& option) { option->clearValues(); }
    // Makes `next` the id the next option takes; returns the id it would
    // have taken.
    static std::int64_t setNextOptionId(std::int64_t next) {
        return zamcore::setNextOptionId(next);
    }
};

#endif

#include "zamcore/runtime/zam.h"

#include "zamcore/configuration/override_rule.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/language/message_table.h"
#include "zamcore/runtime/adapter_access.h"

ZAM::AdapterInterface::~AdapterInterface() = default;

bool ZAM::AdapterInterface::userMsg(ZAMWindow*, ZAM::MsgSeverity, const std::string&, ZAMNode*) {
    return true;
}

bool ZAM::AdapterInterface::allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& existing,
                                                const ZAMNode*, ZAMSelOptionSet::HowSet howSet) {
    // A stored entry always holds a value; an empty one has nothing that
    // could be protected.
    if (zamcore::valueCount(existing) == 0) {
        return true;
    }
    return zamcore::defaultOverrideRule(zamcore::firstHowSet(existing), howSet);
}

ref_count_ptr<ZAMValue> ZAM::AdapterInterface::getLegacyOptionValue(
    ZAMWindow*, const ref_count_ptr<ZAMOption>&) {
    return ZAMValue::createUnset();
}

void ZAM::AdapterInterface::setLegacyOptionValue(ZAMWindow*, const ref_count_ptr<ZAMOption>&,
                                                 const ref_count_ptr<ZAMValue>&) {}

#if !ZAMCORE_EARLIER_INTERFACE
std::vector<ref_count_ptr<ZAMValue>> ZAM::AdapterInterface::getLegacyOptionValues(
    ZAMWindow* window, const ref_count_ptr<ZAMOption>& option) {
    return {getLegacyOptionValue(window, option)};
}

void ZAM::AdapterInterface::setLegacyOptionValues(ZAMWindow*, const ref_count_ptr<ZAMOption>&,
                                                  std::vector<ref_count_ptr<ZAMValue>>) {}
#endif

std::string ZAM::AdapterInterface::localizeString(const std::string& key) {
    return zamcore::defaultMessage(key);
}

ZAM::AdapterInterface*& ZAM::adptInterface() {
    static AdapterInterface* adapter = nullptr;
    return adapter;
}

void ZAM::initialize(AdapterInterface* adapter) {
    adptInterface() = adapter;
}

ZAM::AdapterInterface* ZAM::adapterInterface() {
    return adptInterface();
}

ref_count_ptr<ZAMWindow> ZAM::createWindow() {
    if (adapterInterface() == nullptr) {
        throw ZAMException(3, "", "", "");
    }
    return ref_count_ptr<ZAMWindow>(new ZAMWindow());
}

namespace zamcore {

ZAM::AdapterInterface& requireAdapter() {
    ZAM::AdapterInterface* adapter = ZAM::adapterInterface();
    if (adapter == nullptr) {
        throw ZAMException(3, "", "", "");
    }
    return *adapter;
}

}  // namespace zamcore

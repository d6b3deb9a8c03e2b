#include "support/test_adapter.h"

bool TestAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    calls.push_back("load:" + id);
    return onLoad ? onLoad(window, id) : false;
}

bool TestAdapter::refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) {
    calls.push_back("refresh:" + module->id());
    return onRefresh ? onRefresh(window, module) : false;
}

namespace {

std::string nameOf(const ref_count_ptr<ZAMOption>& option) {
    return option ? option->name() : std::string();
}

std::string textOf(const ref_count_ptr<ZAMValue>& value) {
    return value ? value->displayString() : std::string();
}

}  // namespace

ref_count_ptr<ZAMValue> TestAdapter::getLegacyOptionValue(ZAMWindow* window,
                                                          const ref_count_ptr<ZAMOption>& option) {
    return onLegacyRead ? onLegacyRead(window, option)
                        : ZAM::AdapterInterface::getLegacyOptionValue(window, option);
}

void TestAdapter::setLegacyOptionValue(ZAMWindow*, const ref_count_ptr<ZAMOption>& option,
                                       const ref_count_ptr<ZAMValue>& value) {
    legacyWrites.push_back(nameOf(option) + "=" + textOf(value));
}

#if !ZAMCORE_EARLIER_INTERFACE
void TestAdapter::setLegacyOptionValues(ZAMWindow*, const ref_count_ptr<ZAMOption>& option,
                                        std::vector<ref_count_ptr<ZAMValue>> values) {
    std::string written = nameOf(option) + "=[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        written += (i == 0 ? "" : ",") + textOf(values[i]);
    }
    legacyWrites.push_back(written + "]");
}
#endif

bool RecordingAdapter::userMsg(ZAMWindow*, ZAM::MsgSeverity severity, const std::string& message,
                               ZAMNode* node) {
    messages.push_back(Message{severity, message, node});
    return acceptMessages;
}

std::string RecordingAdapter::messageTexts() const {
    std::string joined;
    for (const Message& message : messages) {
        if (!joined.empty()) {
            joined += '|';
        }
        joined += message.text;
    }
    return joined;
}

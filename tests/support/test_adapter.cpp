#include "support/test_adapter.h"

bool TestAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    calls.push_back("load:" + id);
    return onLoad ? onLoad(window, id) : false;
}

bool TestAdapter::refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) {
    calls.push_back("refresh:" + module->id());
    return onRefresh ? onRefresh(window, module) : false;
}

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

#ifndef ZAMCORE_TESTS_SUPPORT_TEST_ADAPTER_H
#define ZAMCORE_TESTS_SUPPORT_TEST_ADAPTER_H

#include <zamcore/zamcore.h>

#include <functional>
#include <string>
#include <vector>

// A host adapter whose module callbacks are scripted by each test. Without a
// script, loadModule and refreshModule answer false. It records every call it
// receives, in order, as "load:<id>" or "refresh:<id>".
//
// Legacy reads answer onLegacyRead (the unset value without a script).
// Legacy writes are recorded in legacyWrites as "<option>=<value>" for the
// single-value setter and "<option>=[<value>,<value>...]" for the
// multi-value one, by name and display text: the adapter outlives the
// fixture's leak check, so neither it nor its scripts may hold handles.
class TestAdapter : public ZAM::AdapterInterface {
public:
    std::function<bool(ZAMWindow*, const std::string&)> onLoad;
    std::function<bool(ZAMWindow*, ref_count_ptr<ZAMModule>)> onRefresh;
    std::vector<std::string> calls;
    std::function<ref_count_ptr<ZAMValue>(ZAMWindow*, const ref_count_ptr<ZAMOption>&)>
        onLegacyRead;
    std::vector<std::string> legacyWrites;

    bool loadModule(ZAMWindow* window, const std::string& id) override;
    bool refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) override;
    ref_count_ptr<ZAMValue> getLegacyOptionValue(ZAMWindow* window,
                                                 const ref_count_ptr<ZAMOption>& option) override;
    void setLegacyOptionValue(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                              const ref_count_ptr<ZAMValue>& value) override;
#if !ZAMCORE_EARLIER_INTERFACE
    void setLegacyOptionValues(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                               std::vector<ref_count_ptr<ZAMValue>> values) override;
#endif
};

// A scriptable adapter that also records every rule message it receives and
// accepts them unless acceptMessages is false.
class RecordingAdapter : public TestAdapter {
public:
    struct Message {
        ZAM::MsgSeverity severity;
        std::string text;
        ZAMNode* node;
    };

    std::vector<Message> messages;
    bool acceptMessages = true;

    bool userMsg(ZAMWindow* window, ZAM::MsgSeverity severity, const std::string& message,
                 ZAMNode* node) override;

    // The texts of the messages received, joined with "|".
    std::string messageTexts() const;
};

// Installs the adapter for the lifetime of the guard.
class AdapterGuard {
public:
    explicit AdapterGuard(ZAM::AdapterInterface* adapter) { ZAM::initialize(adapter); }
    ~AdapterGuard() { ZAM::initialize(nullptr); }
    AdapterGuard(const AdapterGuard&) = delete;
    AdapterGuard& operator=(const AdapterGuard&) = delete;
};

#endif

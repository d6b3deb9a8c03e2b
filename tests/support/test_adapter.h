#ifndef ZAMCORE_TESTS_SUPPORT_TEST_ADAPTER_H
#define ZAMCORE_TESTS_SUPPORT_TEST_ADAPTER_H

#include <zamcore/zamcore.h>

#include <functional>
#include <string>
#include <vector>

// A host adapter whose module callbacks are scripted by each test. Without a
// script, loadModule and refreshModule answer false. It records every call it
// receives, in order, as "load:<id>" or "refresh:<id>".
class TestAdapter : public ZAM::AdapterInterface {
public:
    std::function<bool(ZAMWindow*, const std::string&)> onLoad;
    std::function<bool(ZAMWindow*, ref_count_ptr<ZAMModule>)> onRefresh;
    std::vector<std::string> calls;

    bool loadModule(ZAMWindow* window, const std::string& id) override;
    bool refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) override;
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

#include "support/test_adapter.h"

bool TestAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    calls.push_back("load:" + id);
    return onLoad ? onLoad(window, id) : false;
}

bool TestAdapter::refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) {
    calls.push_back("refresh:" + module->id());
    return onRefresh ? onRefresh(window, module) : false;
}

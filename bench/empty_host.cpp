#include "empty_host.h"

#include <string>

namespace zambench {

namespace {

class EmptyHost : public ZAM::AdapterInterface {
public:
    bool loadModule(ZAMWindow*, const std::string&) override { return false; }
    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return true; }
};

}  // namespace

ref_count_ptr<ZAMWindow> openWindow() {
    static EmptyHost host;
    ZAM::initialize(&host);
    return ZAM::createWindow();
}

}  // namespace zambench

// A host that keeps engine objects in objects of static storage duration,
// made before the first option and filled later, so that they are destroyed
// at exit after everything the library made on first use. Destroying them
// then must not touch freed memory (the sanitizer build reports it if it
// does) and must still withdraw every option.
#include <cstdlib>
#include <iostream>
#include <string>

#include <zamcore/zamcore.h>

namespace {

class HostAdapter : public ZAM::AdapterInterface {
public:
    bool loadModule(ZAMWindow*, const std::string&) override { return false; }
    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return true; }
};

struct HostState {
    ref_count_ptr<ZAMWindow> window;
    ref_count_ptr<ZAMModule> module;
    ref_count_ptr<ZAMOption> option;

    ~HostState() {
        module = ref_count_ptr<ZAMModule>();
        window = ref_count_ptr<ZAMWindow>();
        const int id = option->id();
        option = ref_count_ptr<ZAMOption>();
        try {
            ZAMOption::optionForId(id);
        } catch (const ZAMException&) {
            return;  // withdrawn, as it must be
        }
        std::cerr << "option " << id << " still registered after its last handle went\n";
        std::_Exit(1);
    }
};

// Defined in this order, so the adapter outlives the objects.
HostAdapter adapter;
HostState kept;

}  // namespace

int main() {
    ZAM::initialize(&adapter);
    kept.window = ZAM::createWindow();
    kept.module = kept.window->createModule("m");
    kept.option = kept.module->addOptionString("public size integer default 1");
    kept.module->addOptionString("public name string");
    return 0;
}

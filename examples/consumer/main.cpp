// A minimal host of the engine: it supplies modules through its adapter,
// opens a window and looks a module up by id. Exits non-zero, naming what
// went wrong, when the engine does not behave as expected.

#include <zamcore/zamcore.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

// The host's side of the engine. The window calls loadModule for every module
// id it lacks; this host knows every id and creates an empty module for it.
class HostAdapter : public ZAM::AdapterInterface {
public:
    bool loadModule(ZAMWindow* window, const std::string& id) override {
        loaded.push_back(id);
        window->createModule(id);
        return true;
    }
    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return true; }

    std::vector<std::string> loaded;
};

int failures = 0;

void expect(bool ok, const std::string& what) {
    if (!ok) {
        std::cerr << "consumer: " << what << '\n';
        ++failures;
    }
}

void run() {
    // Without an adapter the engine cannot supply modules: no window.
    try {
        ZAM::createWindow();
        expect(false, "createWindow before initialize did not throw");
    } catch (const ZAMException& e) {
        expect(e.code() == 3, "createWindow before initialize threw code " +
                                  std::to_string(e.code()) + ", expected 3");
    }

    HostAdapter adapter;
    ZAM::initialize(&adapter);

    ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
    expect(static_cast<bool>(window), "createWindow returned no window");
    if (window) {
        // The window lacks "frame", so it asks the adapter to load it.
        ref_count_ptr<ZAMModule> frame = window->getModule("frame");
        expect(frame && frame->id() == "frame", "getModule(\"frame\") did not return module frame");
        expect(adapter.loaded == std::vector<std::string>{"frame"},
               "the adapter was not asked exactly once for frame");
        expect(frame && frame->window().get() == window.get(),
               "module frame does not belong to the window");

        // A second lookup finds the module in the window.
        expect(window->getModule("frame").get() == frame.get(),
               "a second getModule(\"frame\") returned another module");
        expect(adapter.loaded.size() == 1, "the adapter was asked again for a loaded module");
    }

    window = nullptr;
    ZAM::initialize(nullptr);
}

}  // namespace

int main() {
    try {
        run();
    } catch (const ZAMException& e) {
        std::cerr << "consumer: unexpected exception, code " << e.code() << " (" << e.info()
                  << ")\n";
        return 1;
    }
    if (failures != 0) {
        std::cerr << "consumer: " << failures << " check(s) failed\n";
        return 1;
    }
    std::cout << "consumer: ok\n";
    return 0;
}

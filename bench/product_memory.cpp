// Prints the resident memory of the process while it loads and evaluates a
// generated product: usage: zamcore_product_memory [scale]. The product's
// description and module texts (the host's data) are made first, so the
// growth after that is the engine's.

#include <zamcore/zamcore.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "product_host.h"

namespace {

// A "Vm..." line of /proc/self/status, in KiB; -1 where there is none.
long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
        }
    }
    return -1;
}

void report(const char* stage) {
    std::printf("%-28s resident %8.1f MB   peak %8.1f MB\n", stage, statusKiB("VmRSS") / 1024.0,
                statusKiB("VmHWM") / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int scale = argc > 1 ? std::atoi(argv[1]) : 1;
    if (scale < 1) {
        std::fprintf(stderr, "usage: %s [scale >= 1]\n", argv[0]);
        return 2;
    }
    report("start");
    const zambench::Product product = zambench::generateProduct(1000 * scale, 18);
    zambench::ProductAdapter adapter(product);
    ZAM::initialize(&adapter);
    report("product generated");
    const long hostKiB = statusKiB("VmRSS");
    {
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        zambench::loadModules(window, product);
        report("modules loaded");
        zambench::Structure structure(window, product);
        report("structure built");
        window->evaluate(true);
        report("evaluated");
        std::printf("engine share after evaluation: %.1f MB\n",
                    (statusKiB("VmRSS") - hostKiB) / 1024.0);
    }
    report("released");
    ZAM::initialize(nullptr);
    return 0;
}

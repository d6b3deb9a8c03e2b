#ifndef ZAMCORE_TESTS_BENCH_PRODUCT_FIXTURE_H
#define ZAMCORE_TESTS_BENCH_PRODUCT_FIXTURE_H

#include <zamcore/zamcore.h>

#include <memory>

#include "product_generator.h"
#include "product_host.h"
#include "support/zam_test.h"

// A scale-1 product (1,000 modules, 10,000 nodes), generated once for the
// suite and loaded into a fresh window for every test.
class ProductTest : public ZamTest {
protected:
    static void SetUpTestSuite() {
        product = new zambench::Product(zambench::generateProduct(1000, 18));
    }
    static void TearDownTestSuite() {
        delete product;
        product = nullptr;
    }

    void SetUp() override {
        ZamTest::SetUp();
        adapter = std::make_unique<zambench::ProductAdapter>(*product);
        ZAM::initialize(adapter.get());
        window = ZAM::createWindow();
        zambench::loadModules(window, *product);
    }
    void TearDown() override {
        structure.reset();
        window = ref_count_ptr<ZAMWindow>();
        ZamTest::TearDown();
    }

    void buildStructure() { structure = std::make_unique<zambench::Structure>(window, *product); }

    static zambench::Product* product;
    std::unique_ptr<zambench::ProductAdapter> adapter;
    ref_count_ptr<ZAMWindow> window;
    std::unique_ptr<zambench::Structure> structure;
};

#endif

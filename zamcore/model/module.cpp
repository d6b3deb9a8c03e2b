#include "zamcore/model/module.h"

#include "zamcore/model/window.h"

ZAMModule::ZAMModule(ZAMWindow* window, const std::string& id)
    : window_(window), id_(id), external_(false) {}

ZAMModule::~ZAMModule() = default;

ref_count_ptr<ZAMWindow> ZAMModule::window() const { return ref_count_ptr<ZAMWindow>(window_); }

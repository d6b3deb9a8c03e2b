#include "zamcore/configuration/sel_option_set.h"

#include "zamcore/model/window.h"

ZAMSelOptionSet::ZAMSelOptionSet(const ref_count_ptr<ZAMWindow>& window) : window_(window.get()) {}

ZAMSelOptionSet::ZAMSelOptionSet(ZAMWindow* window) : window_(window) {}

ref_count_ptr<ZAMWindow> ZAMSelOptionSet::window() const {
    return ref_count_ptr<ZAMWindow>(window_);
}

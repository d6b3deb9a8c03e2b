#include "zamcore/model/window_back_pointer.h"

#include "zamcore/model/back_pointer_slots.h"
#include "zamcore/model/window.h"
#include "zamcore/runtime/exception.h"

namespace zamcore {

void WindowBackPointers::attach(ZAMWindow** slot) {
    if (*slot != nullptr) {
        (*slot)->backPointers_->insert(slot);
    }
}

void WindowBackPointers::detach(ZAMWindow** slot) {
    if (*slot != nullptr) {
        (*slot)->backPointers_->erase(slot);
    }
}

void throwWindowGone() {
    throw ZAMException(2, "The window of this object no longer exists", "", "");
}

ref_count_ptr<ZAMWindow> requireWindow(ZAMWindow* window) {
    if (window == nullptr) {
        throwWindowGone();
    }
    return ref_count_ptr<ZAMWindow>(window);
}

}  // namespace zamcore

#ifndef ZAMCORE_MODEL_WINDOW_BACK_POINTER_H
#define ZAMCORE_MODEL_WINDOW_BACK_POINTER_H

#include "zamcore/runtime/ref_count_ptr.h"

class ZAMWindow;

namespace zamcore {

// Objects that point back at their window hold a raw pointer, which does not
// keep the window alive, and may outlive it in a host's hands. Each such
// pointer is registered with its window, and the window sets every registered
// pointer to null when it is destroyed; the object then finds its window gone
// instead of reading freed memory.
//
// An object attaches its pointer once the pointer holds its final value and
// nothing in its construction can fail any more, and detaches it in its
// destructor (and before the pointer is changed or copied over).
class WindowBackPointers {
public:
    // Registers the pointer stored at `slot`; nothing when it is null.
    static void attach(ZAMWindow** slot);
    // Withdraws it; nothing when it is null (the window is already gone).
    static void detach(ZAMWindow** slot);
};

// Throws code 2 "The window of this object no longer exists": for an
// operation that cannot do without the window, once the window is gone.
[[noreturn]] void throwWindowGone();

// The window as a new handle, for an operation that cannot do without it;
// throwWindowGone() when the back-pointer was cleared.
ref_count_ptr<ZAMWindow> requireWindow(ZAMWindow* window);

}  // namespace zamcore

#endif

// Kernel object handles: one table per process
// maps HANDLE values to the stand-ins' objects, so that CloseHandle closes
// any of them and a stale or foreign handle is refused instead of followed.
#pragma once

#include "platform/base/windef.h"

#include <memory>

namespace platform {

// Base of every object a HANDLE can name. Closing the last handle destroys it.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Returns a new handle for object. Handle values are never reused.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// The object behind handle if it is a T, else null.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T> std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

} // namespace platform

// Closes a handle of any kind. FALSE with ERROR_INVALID_HANDLE for a handle
// that is not open.
BOOL CloseHandle(HANDLE hObject);

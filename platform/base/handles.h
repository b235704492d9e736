// Kernel object handles: one table per process
// maps HANDLE values to the stand-ins' objects, so that CloseHandle closes
// any of them and a stale or foreign handle is refused instead of followed.
#pragma once

#include "platform/base/windef.h"

#include <memory>
#include <typeinfo>

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
    std::shared_ptr<KernelObject> object = LookupHandle(handle);
    // An object of exactly the type asked for needs no search of its bases.
    if (object && typeid(*object) == typeid(T))
        return std::static_pointer_cast<T>(std::move(object));
    return std::dynamic_pointer_cast<T>(std::move(object));
}

} // namespace platform

// Closes a handle of any kind. FALSE with ERROR_INVALID_HANDLE for a handle
// that is not open.
BOOL CloseHandle(HANDLE hObject);

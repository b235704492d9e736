#include "platform/base/handles.h"

#include <map>
#include <mutex>

namespace {

struct HandleTable {
    std::mutex mutex;
    // Starts high enough to stay clear of small integers and steps by 4, as
    // the platform's handles do; never reaches INVALID_HANDLE_VALUE.
    std::uintptr_t next = 0x10000;
    std::map<std::uintptr_t, std::shared_ptr<platform::KernelObject>> objects;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

} // namespace

namespace platform {

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    std::uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

} // namespace platform

BOOL CloseHandle(HANDLE hObject) {
    std::shared_ptr<platform::KernelObject> object;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(hObject));
        if (it == table.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        table.objects.erase(it);
    }
    // Destroyed outside the table lock: a destructor may take other locks.
    object.reset();
    return TRUE;
}

// Named mutexes of the handheld, shared by every process of the machine.
#pragma once

#include "platform/base/windef.h"

// Named mutex: an exclusive lock on run/<name>.lock. CreateMutexW always
// returns a handle; a second creator while the first lives gets
// ERROR_ALREADY_EXISTS as last error and does not own it.
HANDLE CreateMutexW(void* lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
BOOL ReleaseMutex(HANDLE hMutex);

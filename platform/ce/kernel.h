// Kernel services of the handheld: those both machines share (time, local
// heap, critical sections, interlocked counts) and wide formatting.
#pragma once

#include "platform/base/kernel.h"

#include <cstdarg>

// wvsprintfW: %s (wide string), %u, %lu, %d, %i, %x, %c and %%. Never writes
// past `cchBuffer` characters (our bound, which callers pass): a longer text is
// cut and always terminated. Returns the number of characters written,
// without the terminator.
int wvsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, va_list args);
int wsprintfW(LPWSTR buffer, std::size_t cchBuffer, LPCWSTR format, ...);

// Any other failure of an automation call (a failing Invoke without
// exception information, a result that does not convert): carries the
// failing result code to the COM entry point that catches it.
#pragma once

#include "platform/base/windef.h"

class ComError {
public:
    explicit ComError(HRESULT hr) : m_hr(hr) {}
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

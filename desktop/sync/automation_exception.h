// Failures of Outlook automation calls. They travel as C++ exceptions only
// inside this library: every COM entry point of the library catches them all.
#pragma once

#include "platform/base/windef.h"

#include <string>
#include <utility>

// An error Outlook reported through exception information (DISP_E_EXCEPTION):
// the callers show it with the dispatch error report.
class AutomationException {
public:
    AutomationException(WORD code, HRESULT scode, std::string source, std::string description)
        : m_wCode(code), m_scode(scode), m_strSource(std::move(source)),
          m_strDescription(std::move(description)) {}

    WORD Code() const { return m_wCode; }
    HRESULT Scode() const { return m_scode; }
    const std::string& Source() const { return m_strSource; }
    const std::string& Description() const { return m_strDescription; }

private:
    WORD m_wCode;
    HRESULT m_scode;
    std::string m_strSource;
    std::string m_strDescription;
};

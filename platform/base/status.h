// A small result type for code behind the emulated surface: a Win32 error
// code with a message for people. The platform boundary turns it into the
// platform's failure value and the last error (see ReportFailure).
#pragma once

#include "platform/base/windef.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace platform {

class Status {
public:
    Status() = default;
    static Status Failure(DWORD code, std::string message) {
        Status s;
        s.m_code = code == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : code;
        s.m_message = std::move(message);
        return s;
    }
    bool ok() const { return m_code == ERROR_SUCCESS; }
    DWORD code() const { return m_code; }
    const std::string& message() const { return m_message; }

private:
    DWORD m_code = ERROR_SUCCESS;
    std::string m_message;
};

// A value or the failure that kept it from being made.
template <class T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status failure) : m_status(std::move(failure)) {}
    bool ok() const { return m_status.ok(); }
    const Status& status() const { return m_status; }
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T* operator->() { return &*m_value; }
    T& operator*() { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const T& operator*() const { return *m_value; }

private:
    Status m_status;
    std::optional<T> m_value;
};

inline const Status& StatusOf(const Status& status) {
    return status;
}
template <class T> const Status& StatusOf(const Result<T>& result) {
    return result.status();
}

// Sets the last error and its message from a failed status (and clears both
// for a good one). Returns status.ok().
bool ReportFailure(const Status& status);

// Runs `body`, which returns a Result<T>, at the platform's surface: a
// failure (or an exception thrown inside) becomes the platform's failure
// value and the thread's last error.
template <class T, class Body> T AtBoundary(T failure, Body&& body) {
    try {
        Result<T> result = body();
        if (result.ok())
            return std::move(result.value());
        ReportFailure(result.status());
    } catch (const std::exception& e) {
        ReportFailure(Status::Failure(ERROR_NOT_ENOUGH_MEMORY, e.what()));
    }
    return failure;
}

// The message that goes with the calling thread's last error, set by
// ReportFailure; empty when the last failure carried none.
const std::string& LastErrorMessage();

} // namespace platform

// Return early with the failure of a Status or Result expression, from a
// function that itself returns a Status or a Result.
#define JW_RETURN_IF_FAILED(expression)                                                            \
    do {                                                                                           \
        if (auto&& jwChecked = (expression); !jwChecked.ok())                                      \
            return ::platform::StatusOf(jwChecked);                                                \
    } while (false)

// Declares `declaration` from the value of a Result expression, or returns
// the expression's failure.
#define JW_ASSIGN_OR_RETURN(declaration, expression)                                               \
    JW_ASSIGN_OR_RETURN_WITH(JW_STATUS_CONCAT(jwResult, __LINE__), declaration, expression)
#define JW_ASSIGN_OR_RETURN_WITH(result, declaration, expression)                                  \
    auto result = (expression);                                                                    \
    if (!result.ok())                                                                              \
        return result.status();                                                                    \
    declaration = std::move(result.value())
#define JW_STATUS_CONCAT(a, b) JW_STATUS_CONCAT_INNER(a, b)
#define JW_STATUS_CONCAT_INNER(a, b) a##b

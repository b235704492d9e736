#include "peers/outlook/registration.h"

#include "platform/com/objbase.h"
#include "platform/win32/codepage.h"
#include "platform/win32/locale.h"
#include "platform/win32/registry.h"

#include <cstring>
#include <filesystem>

namespace outlook {

namespace {

constexpr char kOfficeVersionKey[] = "Software\\Microsoft\\Office\\9.0\\Outlook";
constexpr char kMasterListKey[] = "Software\\Microsoft\\Office\\9.0\\Outlook\\Categories";
// The master list Outlook starts with.
constexpr const char* kDefaultCategories[] = {
    "Business",     "Competition",   "Favorites",       "Gifts",       "Goals/Objectives",
    "Holiday",      "Holiday Cards", "Hot Contacts",    "Ideas",       "International",
    "Key Customer", "Miscellaneous", "Personal",        "Phone Calls", "Status",
    "Strategies",   "Suppliers",     "Time & Expenses", "VIP",         "Waiting"};

bool ValueExists(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool exists =
        RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

std::string ClassKey() {
    OLECHAR text[39];
    StringFromGUID2(CLSID_OutlookApplication, text, 39);
    return "CLSID\\" + win32::WideToAnsi(std::u16string_view(text, 38));
}

} // namespace

bool RegisterServer(const std::string& libraryPath) {
    OLECHAR clsid[39];
    StringFromGUID2(CLSID_OutlookApplication, clsid, 39);
    const std::string clsidText = win32::WideToAnsi(std::u16string_view(clsid, 38));
    LONG result = win32::WriteRegistryText(HKEY_CLASSES_ROOT, std::string(kProgId) + "\\CLSID",
                                           nullptr, clsidText);
    if (result == ERROR_SUCCESS)
        result =
            win32::WriteRegistryText(HKEY_CLASSES_ROOT, ClassKey() + "\\ProgID", nullptr, kProgId);
    if (result == ERROR_SUCCESS)
        result = win32::WriteRegistryText(HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32",
                                          nullptr, libraryPath);
    if (result == ERROR_SUCCESS)
        result = win32::WriteRegistryText(HKEY_LOCAL_MACHINE, kOfficeVersionKey, "Path", "");
    if (result == ERROR_SUCCESS && !ValueExists(HKEY_CURRENT_USER, kMasterListKey, nullptr)) {
        char separator[10] = ",";
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
        std::string list;
        for (const char* name : kDefaultCategories)
            list += (list.empty() ? "" : std::string(1, separator[0])) + name;
        result = win32::WriteRegistryText(HKEY_CURRENT_USER, kMasterListKey, nullptr, list);
    }
    if (result != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return true;
}

bool IsServerRegistered() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(u"Outlook.Application", &clsid)))
        return false;
    const auto library =
        win32::ReadRegistryText(HKEY_CLASSES_ROOT, ClassKey() + "\\InprocServer32", nullptr);
    std::error_code error;
    return library && clsid == CLSID_OutlookApplication && std::filesystem::exists(*library, error);
}

} // namespace outlook

namespace outlook {

namespace {

std::string ListSeparator() {
    char separator[10] = ",";
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator))
        return ",";
    return separator;
}

std::string Trim(const std::string& text) {
    const char* space = " \t\r\n\v\f";
    const std::size_t begin = text.find_first_not_of(space);
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(space) - begin + 1);
}

} // namespace

std::vector<std::string> ReadMasterCategories() {
    std::vector<std::string> names;
    const std::string text =
        win32::ReadRegistryText(HKEY_CURRENT_USER, kMasterListKey, nullptr).value_or("");
    const std::string separator = ListSeparator();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find_first_of(separator, start), text.size());
        if (std::string name = Trim(text.substr(start, end - start)); !name.empty())
            names.push_back(name);
        start = end + 1;
    }
    return names;
}

bool AddMasterCategory(const std::string& given) {
    // Read back, the list is cut at the separator and each name trimmed: a
    // name that would not come back whole is refused.
    const std::string name = Trim(given);
    if (name.empty() || name.find_first_of(ListSeparator()) != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<std::string> names = ReadMasterCategories();
    for (const std::string& existing : names)
        if (existing == name)
            return true;
    names.push_back(name);
    const std::string separator = ListSeparator();
    std::string list;
    for (const std::string& each : names)
        list += (list.empty() ? "" : separator.substr(0, 1)) + each;
    const LONG result = win32::WriteRegistryText(HKEY_CURRENT_USER, kMasterListKey, nullptr, list);
    if (result != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(result));
        return false;
    }
    return true;
}

} // namespace outlook

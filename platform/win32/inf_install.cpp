// SetupInstallFromInfSectionA: the registry and ini directives of a
// section (AddReg, DelReg, UpdateInis, Ini2Reg), each checked before the
// first is carried out, and with SPINST_FILES the section's file copies.
#include "platform/win32/inf_directories.h"
#include "platform/win32/ini_file.h"
#include "platform/win32/machine.h"
#include "platform/win32/path.h"
#include "platform/win32/registry.h"
#include "platform/win32/setup_objects.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace win32 {

using platform::Result;
using platform::Status;

namespace {

using Step = std::function<Status()>;

std::string Where(const InfLine& line, const std::string& section) {
    return "[" + section + "] line " + std::to_string(line.number);
}

Result<HKEY> RootOf(const std::string& text, const std::string& where) {
    const std::string root = InfLower(text);
    if (root == "hkcr")
        return HKEY_CLASSES_ROOT;
    if (root == "hkcu")
        return HKEY_CURRENT_USER;
    if (root == "hklm")
        return HKEY_LOCAL_MACHINE;
    return Status::Failure(ERROR_ACCESS_DENIED,
                           where + ": the registry root \"" + text +
                               "\" may not be written (HKCR, HKCU and HKLM may)");
}

Result<std::string> KeyOf(const std::string& text, const std::string& where) {
    if (text.empty())
        return Status::Failure(ERROR_ACCESS_DENIED, where + ": a root itself may not be changed");
    if (text.size() > 1024)
        return Status::Failure(ERROR_GENERAL_SYNTAX, where + ": the key name is too long");
    return text;
}

Status Refused(LONG result, const std::string& where, const std::string& what) {
    return Status::Failure(static_cast<DWORD>(result),
                           where + ": cannot " + what + " (error " + std::to_string(result) + ")");
}

// The value bytes and registry type AddReg writes for `flags`.
Result<std::pair<DWORD, std::vector<BYTE>>>
ValueOf(const InfLine& line, DWORD flags, const std::string& where, const std::string& sourceRoot) {
    const std::vector<std::string> fields(
        line.fields.begin() + std::min<std::size_t>(4, line.fields.size()), line.fields.end());
    auto text = [&](const std::string& field) -> Result<std::string> {
        return ExpandDirectoryIds(field, sourceRoot);
    };
    std::vector<BYTE> data;
    auto appendText = [&](const std::string& value) {
        data.insert(data.end(), value.begin(), value.end());
        data.push_back(0);
    };
    const DWORD type = flags & FLG_ADDREG_TYPE_MASK;
    switch (type) {
    case FLG_ADDREG_TYPE_SZ:
    case FLG_ADDREG_TYPE_EXPAND_SZ: {
        JW_ASSIGN_OR_RETURN(const std::string value, text(fields.empty() ? "" : fields[0]));
        appendText(value);
        return std::make_pair(type == FLG_ADDREG_TYPE_SZ ? REG_SZ : REG_EXPAND_SZ, data);
    }
    case FLG_ADDREG_TYPE_MULTI_SZ:
        for (const std::string& field : fields) {
            JW_ASSIGN_OR_RETURN(const std::string value, text(field));
            appendText(value);
        }
        data.push_back(0);
        return std::make_pair(REG_MULTI_SZ, data);
    case FLG_ADDREG_TYPE_DWORD:
        if (fields.size() == 1) {
            const auto number = InfNumber(fields[0]);
            if (!number)
                return Status::Failure(ERROR_GENERAL_SYNTAX,
                                       where + ": \"" + fields[0] + "\" is not a DWORD");
            for (int shift = 0; shift < 32; shift += 8)
                data.push_back(static_cast<BYTE>(*number >> shift));
            return std::make_pair(REG_DWORD, data);
        }
        if (fields.size() != 4)
            return Status::Failure(ERROR_GENERAL_SYNTAX,
                                   where + ": a DWORD is one number or four bytes");
        [[fallthrough]];
    default: {
        if (!(flags & FLG_ADDREG_BINVALUETYPE))
            return Status::Failure(ERROR_GENERAL_SYNTAX, where + ": the flags " +
                                                             std::to_string(flags) +
                                                             " name no value type");
        for (const std::string& field : fields) {
            const auto byte = InfNumber(field, 16);
            if (!byte || *byte > 0xFF)
                return Status::Failure(ERROR_GENERAL_SYNTAX,
                                       where + ": \"" + field + "\" is not a byte");
            data.push_back(static_cast<BYTE>(*byte));
        }
        const DWORD regType = type == FLG_ADDREG_TYPE_DWORD    ? REG_DWORD
                              : type == FLG_ADDREG_TYPE_NONE   ? REG_NONE
                              : type == FLG_ADDREG_TYPE_BINARY ? REG_BINARY
                                                               : (flags >> 16);
        return std::make_pair(regType, data);
    }
    }
}

bool ValueExists(HKEY key, const char* name) {
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// REG_MULTI_SZ `data` with the strings of `more` it lacks added at its end.
std::vector<BYTE> Appended(HKEY key, const char* name, const std::vector<BYTE>& more) {
    DWORD type = 0, size = 0;
    std::vector<BYTE> old;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        old.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &type, old.data(), &size) != ERROR_SUCCESS)
            old.clear();
    }
    std::vector<std::string> strings;
    auto collect = [&strings](const std::vector<BYTE>& bytes, bool onlyNew) {
        std::string current;
        for (BYTE b : bytes) {
            if (b) {
                current += static_cast<char>(b);
                continue;
            }
            if (!current.empty() &&
                (!onlyNew || std::find(strings.begin(), strings.end(), current) == strings.end()))
                strings.push_back(current);
            current.clear();
        }
    };
    collect(old, false);
    collect(more, true);
    std::vector<BYTE> data;
    for (const std::string& s : strings) {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
    }
    data.push_back(0);
    return data;
}

Result<Step> AddRegStep(const InfLine& line, const std::string& where,
                        const std::string& sourceRoot) {
    JW_ASSIGN_OR_RETURN(const HKEY root, RootOf(line.Field(0), where));
    JW_ASSIGN_OR_RETURN(const std::string path, KeyOf(line.Field(1), where));
    const std::optional<std::string> name =
        line.Field(2).empty() ? std::nullopt : std::optional<std::string>(line.Field(2));
    const auto flags =
        line.Field(3).empty() ? std::optional<unsigned long>(0) : InfNumber(line.Field(3));
    if (!flags)
        return Status::Failure(ERROR_GENERAL_SYNTAX,
                               where + ": \"" + line.Field(3) + "\" is not a flag value");
    const DWORD how = static_cast<DWORD>(*flags);
    std::pair<DWORD, std::vector<BYTE>> value;
    if (!(how & (FLG_ADDREG_KEYONLY | FLG_ADDREG_DELVAL))) {
        JW_ASSIGN_OR_RETURN(value, ValueOf(line, how, where, sourceRoot));
    }
    return Step([=]() -> Status {
        HKEY key = nullptr;
        LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE, nullptr, &key, nullptr);
        if (result != ERROR_SUCCESS)
            return Refused(result, where, "create the key " + path);
        const char* valueName = name ? name->c_str() : nullptr;
        const bool exists = ValueExists(key, valueName);
        if (how & FLG_ADDREG_DELVAL) {
            if (exists)
                result = RegDeleteValueA(key, valueName);
        } else if (!(how & FLG_ADDREG_KEYONLY) && !((how & FLG_ADDREG_NOCLOBBER) && exists) &&
                   !((how & FLG_ADDREG_OVERWRITEONLY) && !exists)) {
            const std::vector<BYTE> data = (how & FLG_ADDREG_APPEND) && value.first == REG_MULTI_SZ
                                               ? Appended(key, valueName, value.second)
                                               : value.second;
            result = RegSetValueExA(key, valueName, 0, value.first, data.data(),
                                    static_cast<DWORD>(data.size()));
        }
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? Status() : Refused(result, where, "write the value");
    });
}

// Deletes root\path with everything below it.
LONG DeleteTree(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS)
        return result;
    for (;;) {
        char name[1024];
        DWORD size = sizeof name;
        result = RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS)
            break;
        if ((result = DeleteTree(key, name)) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    if (result != ERROR_NO_MORE_ITEMS)
        return result;
    result = RegDeleteKeyA(parent, path.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

Result<Step> DelRegStep(const InfLine& line, const std::string& where) {
    JW_ASSIGN_OR_RETURN(const HKEY root, RootOf(line.Field(0), where));
    JW_ASSIGN_OR_RETURN(const std::string path, KeyOf(line.Field(1), where));
    if (line.fields.size() < 3)
        return Step([=]() -> Status {
            const LONG result = DeleteTree(root, path);
            return result == ERROR_SUCCESS ? Status()
                                           : Refused(result, where, "delete the key " + path);
        });
    const std::string name = line.Field(2);
    return Step([=]() -> Status {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS)
            return Status();
        LONG result = RegDeleteValueA(key, name.empty() ? nullptr : name.c_str());
        RegCloseKey(key);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND
                   ? Status()
                   : Refused(result, where, "delete the value " + name);
    });
}

// Where an ini file named by an INF lies: "%<id>%\rest" below that folder,
// else below the folder DestinationDirs gives the section (default: Windows).
Result<std::string> IniPathOf(const InfFile& inf, const std::string& section,
                              const std::string& field, const std::string& where) {
    std::string folder, rest = field;
    if (field.size() > 2 && field[0] == '%') {
        const std::size_t end = field.find('%', 1);
        const auto id =
            end == std::string::npos ? std::nullopt : InfNumber(field.substr(1, end - 1));
        const auto dir = id && *id != kDirIdSource ? DirectoryOfId(static_cast<unsigned>(*id), "")
                                                   : std::nullopt;
        if (!dir)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   where + ": " + field +
                                       " is not in one of the desktop's folders");
        folder = *dir;
        rest = field.substr(end + 1);
        while (!rest.empty() && (rest.front() == '\\' || rest.front() == '/'))
            rest.erase(0, 1);
    } else if (const InfLine* dirs = inf.Find("DestinationDirs", section)) {
        const auto id = InfNumber(dirs->Field(0));
        const auto dir = id && *id != kDirIdSource ? DirectoryOfId(static_cast<unsigned>(*id), "")
                                                   : std::nullopt;
        if (!dir)
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   where + ": the folder of " + section + " is not the desktop's");
        folder = *dir;
    } else {
        folder = WindowsFolder();
    }
    if (rest.empty())
        return Status::Failure(ERROR_GENERAL_SYNTAX, where + ": no ini file named");
    JW_RETURN_IF_FAILED(CheckRelativePath(rest, where));
    return folder + "/" + HostPath(rest);
}

std::optional<std::pair<std::string, std::string>> IniEntryOf(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (text.empty())
        return std::nullopt;
    if (equals == std::string::npos)
        return std::make_pair(text, std::string());
    return std::make_pair(text.substr(0, equals), text.substr(equals + 1));
}

Result<Step> UpdateIniStep(const InfFile& inf, const std::string& section, const InfLine& line,
                           const std::string& where) {
    JW_ASSIGN_OR_RETURN(const std::string path, IniPathOf(inf, section, line.Field(0), where));
    const std::string iniSection = line.Field(1);
    if (iniSection.empty())
        return Status::Failure(ERROR_GENERAL_SYNTAX, where + ": no ini section named");
    if (!line.Field(4).empty() && line.Field(4) != "0")
        return Status::Failure(ERROR_NOT_SUPPORTED, where + ": UpdateInis flags " + line.Field(4) +
                                                        " are not supported");
    const auto oldEntry = IniEntryOf(line.Field(2));
    JW_ASSIGN_OR_RETURN(const std::string newText,
                        ExpandDirectoryIds(line.Field(3), std::string()));
    const auto newEntry = IniEntryOf(newText);
    JW_ASSIGN_OR_RETURN(IniText ini, IniText::Read(path));
    return Step([=]() mutable -> Status {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (!ResolvesInside(std::filesystem::path(path).parent_path().string(), DesktopDirectory()))
            return Status::Failure(ERROR_ACCESS_DENIED,
                                   where + ": " + path + " lies outside the desktop");
        if (oldEntry)
            ini.Set(iniSection, oldEntry->first, std::nullopt);
        if (newEntry)
            ini.Set(iniSection, newEntry->first, newEntry->second);
        return ini.Write(path);
    });
}

Result<Step> Ini2RegStep(const InfFile& inf, const std::string& section, const InfLine& line,
                         const std::string& where) {
    JW_ASSIGN_OR_RETURN(const std::string path, IniPathOf(inf, section, line.Field(0), where));
    JW_ASSIGN_OR_RETURN(const HKEY root, RootOf(line.Field(3), where));
    JW_ASSIGN_OR_RETURN(const std::string keyPath, KeyOf(line.Field(4), where));
    // Read now to refuse a damaged file early, and again when the step runs:
    // an UpdateInis before it may have changed the file.
    JW_RETURN_IF_FAILED(IniText::Read(path));
    const std::string iniSection = line.Field(1), iniKey = InfLower(line.Field(2));
    return Step([=]() -> Status {
        JW_ASSIGN_OR_RETURN(const IniText ini, IniText::Read(path));
        for (const auto& [name, value] : ini.Entries(iniSection)) {
            if (!iniKey.empty() && InfLower(name) != iniKey)
                continue;
            if (LONG result = WriteRegistryText(root, keyPath, name.c_str(), value);
                result != ERROR_SUCCESS)
                return Refused(result, where, "write " + keyPath + "\\" + name);
        }
        return Status();
    });
}

// Every step of the directives `flags` selects, checked.
Result<std::vector<Step>> PlanSection(const InfObject& inf, const std::string& section, UINT flags,
                                      const std::string& sourceRoot) {
    std::vector<Step> steps;
    auto each = [&](const char* directive, auto&& make) -> Status {
        for (const InfLine* directiveLine : inf.inf.FindAll(section, directive))
            for (const std::string& name : directiveLine->fields) {
                if (name.empty())
                    continue;
                const auto* lines = inf.inf.Section(name);
                if (!lines)
                    return Status::Failure(ERROR_SECTION_NOT_FOUND,
                                           Where(*directiveLine, section) +
                                               ": the INF has no section [" + name + "]");
                for (const InfLine& line : *lines) {
                    JW_ASSIGN_OR_RETURN(Step step, make(name, line, Where(line, name)));
                    steps.push_back(std::move(step));
                }
            }
        return Status();
    };
    if (flags & SPINST_REGISTRY) {
        JW_RETURN_IF_FAILED(
            each("DelReg", [](const std::string&, const InfLine& line, const std::string& where) {
                return DelRegStep(line, where);
            }));
        JW_RETURN_IF_FAILED(
            each("AddReg", [&](const std::string&, const InfLine& line, const std::string& where) {
                return AddRegStep(line, where, sourceRoot);
            }));
    }
    if (flags & SPINST_INIFILES)
        JW_RETURN_IF_FAILED(each("UpdateInis", [&](const std::string& name, const InfLine& line,
                                                   const std::string& where) {
            return UpdateIniStep(inf.inf, name, line, where);
        }));
    if (flags & SPINST_INI2REG)
        JW_RETURN_IF_FAILED(each(
            "Ini2Reg", [&](const std::string& name, const InfLine& line, const std::string& where) {
                return Ini2RegStep(inf.inf, name, line, where);
            }));
    return steps;
}

Result<BOOL> Install(HWND owner, HINF infHandle, LPCSTR sectionName, UINT flags,
                     HKEY relativeKeyRoot, LPCSTR sourceRootPath, UINT copyFlags,
                     PSP_FILE_CALLBACK_A handler, void* context, void* deviceInfoSet,
                     void* deviceInfoData) {
    JW_ASSIGN_OR_RETURN(auto inf, InfOf(infHandle));
    if (!sectionName || !*sectionName)
        return Status::Failure(ERROR_INVALID_PARAMETER, "no section named");
    if (relativeKeyRoot || deviceInfoSet || deviceInfoData)
        return Status::Failure(ERROR_INVALID_PARAMETER,
                               "the desktop installs no devices and has no relative key root");
    const std::string section = sectionName;
    if (!inf->inf.Section(section))
        return Status::Failure(ERROR_SECTION_NOT_FOUND, "the INF has no section [" + section + "]");
    const std::string sourceRoot = SourceRootOf(*inf, sourceRootPath);
    JW_ASSIGN_OR_RETURN(const auto steps, PlanSection(*inf, section, flags, sourceRoot));
    if (flags & SPINST_FILES) {
        JW_ASSIGN_OR_RETURN(auto files, FileOperationsOf(*inf, section, sourceRoot, copyFlags));
        HSPFILEQ queue = SetupOpenFileQueue();
        auto object = platform::LookupHandleAs<FileQueueObject>(static_cast<HANDLE>(queue));
        if (!object)
            return Status::Failure(GetLastError(), "cannot open a file queue");
        object->files = std::move(files);
        const BOOL committed = SetupCommitFileQueueA(owner, queue, handler, context);
        const DWORD why = GetLastError();
        SetupCloseFileQueue(queue);
        if (!committed)
            return Status::Failure(why, "the files of [" + section + "] were not copied");
    }
    for (const Step& step : steps)
        JW_RETURN_IF_FAILED(step());
    return TRUE;
}

} // namespace

} // namespace win32

BOOL SetupInstallFromInfSectionA(HWND Owner, HINF InfHandle, LPCSTR SectionName, UINT Flags,
                                 HKEY RelativeKeyRoot, LPCSTR SourceRootPath, UINT CopyFlags,
                                 PSP_FILE_CALLBACK_A MsgHandler, void* Context, void* DeviceInfoSet,
                                 void* DeviceInfoData) {
    return platform::AtBoundary<BOOL>(FALSE, [&] {
        return win32::Install(Owner, InfHandle, SectionName, Flags, RelativeKeyRoot, SourceRootPath,
                              CopyFlags, MsgHandler, Context, DeviceInfoSet, DeviceInfoData);
    });
}

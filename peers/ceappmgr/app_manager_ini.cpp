#include "peers/ceappmgr/app_manager_ini.h"

#include "platform/win32/inf_file.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace ceappmgr {

using platform::Result;
using platform::Status;

namespace {

constexpr std::size_t kMaxLineBytes = 1024;
constexpr std::size_t kMaxComponents = 8;
constexpr std::size_t kMaxPackageFiles = 8;
constexpr std::size_t kMaxComponentChars = 64;
constexpr std::size_t kMaxFileNameChars = 100;

using Section = std::map<std::string, std::string>; // lower-case key -> value

std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    for (;;) {
        const auto comma = list.find(',');
        items.emplace_back(win32::InfTrim(list.substr(0, comma)));
        if (comma == std::string_view::npos)
            return items;
        list.remove_prefix(comma + 1);
    }
}

// Names beginning with '.' are the store's own (its lock and folders in the
// making), so neither a component nor a package file takes one.
bool IsComponentName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxComponentChars && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '_' ||
                      c == '-' || c == '.';
           });
}

// A file beside the ini: no folder, no drive, nothing that walks up.
bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxFileNameChars && name.front() != '.' &&
           name.find_first_of("/\\:*?\"<>|") == std::string_view::npos &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

Result<AppManagerIni> ParseAppManagerIni(std::string_view text, const std::string& file) {
    auto refuse = [&](const std::string& why) {
        return Status::Failure(ERROR_BAD_FORMAT, file + ": " + why);
    };
    if (text.size() > kMaxIniBytes)
        return refuse("larger than " + std::to_string(kMaxIniBytes) + " bytes");
    if (text.find('\0') != std::string_view::npos)
        return refuse("not a text file (it holds NUL bytes)");

    std::map<std::string, Section> sections; // lower-case section name
    Section* current = nullptr;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.size() > kMaxLineBytes)
            return refuse("line " + std::to_string(number) + " is longer than " +
                          std::to_string(kMaxLineBytes) + " bytes");
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = win32::InfTrim(line);
        if (line.empty() || line.front() == ';')
            continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (std::any_of(line.begin(), line.end(), [](char c) {
                return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f;
            }))
            return refuse(where + "a control character");
        if (line.front() == '[') {
            if (line.back() != ']')
                return refuse(where + "a section name without its closing ]");
            const std::string name =
                win32::InfLower(win32::InfTrim(line.substr(1, line.size() - 2)));
            if (name.empty())
                return refuse(where + "an empty section name");
            if (sections.count(name))
                return refuse(where + "the section [" + name + "] is repeated");
            current = &sections[name];
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            return refuse(where + "neither a [section] nor a key = value line");
        if (!current)
            return refuse(where + "a value before the first section");
        const std::string key = win32::InfLower(win32::InfTrim(line.substr(0, equals)));
        std::string_view value = win32::InfTrim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.empty())
            return refuse(where + "a value without a key");
        if (!current->emplace(key, std::string(value)).second)
            return refuse(where + "the key " + key + " is repeated in its section");
    }

    auto find = [](const Section& section, const char* key) -> std::optional<std::string> {
        const auto found = section.find(key);
        if (found == section.end() || found->second.empty())
            return std::nullopt;
        return found->second;
    };
    const auto manager = sections.find("ceappmanager");
    if (manager == sections.end())
        return refuse("no [CEAppManager] section");
    AppManagerIni ini;
    const auto version = find(manager->second, "version");
    if (!version || (*version != "1.0" && *version != "1"))
        return refuse("[CEAppManager] needs Version = 1.0");
    ini.version = *version;
    const auto list = find(manager->second, "component");
    if (!list)
        return refuse("[CEAppManager] names no Component");
    for (const std::string& name : SplitList(*list)) {
        if (!IsComponentName(name))
            return refuse("the component name \"" + name + "\" is not a plain name");
        if (ini.components.size() == kMaxComponents)
            return refuse("more than " + std::to_string(kMaxComponents) + " components");
        const auto section = sections.find(win32::InfLower(name));
        if (section == sections.end())
            return refuse("the component " + name + " has no section [" + name + "]");
        Component component{name, {}, {}};
        const auto description = find(section->second, "description");
        const auto files = find(section->second, "cabfiles");
        if (!description || !files)
            return refuse("[" + name + "] needs a Description and CabFiles");
        component.description = *description;
        for (const std::string& package : SplitList(*files)) {
            if (!IsPlainFileName(package))
                return refuse("[" + name + "] CabFiles: \"" + package +
                              "\" is not a file name in the ini's folder");
            if (component.packageFiles.size() == kMaxPackageFiles)
                return refuse("[" + name + "] names more than " + std::to_string(kMaxPackageFiles) +
                              " package files");
            component.packageFiles.push_back(package);
        }
        if (std::any_of(ini.components.begin(), ini.components.end(), [&](const Component& c) {
                return win32::InfLower(c.name) == win32::InfLower(name);
            }))
            return refuse("the component " + name + " is named twice");
        ini.components.push_back(std::move(component));
    }
    return ini;
}

} // namespace ceappmgr

// The application manager's ini file, the description of a handheld
// package that an installer hands over ("jotta.ini"):
//
//     [CEAppManager]
//     Version   = 1.0
//     Component = Jotterwick
//
//     [Jotterwick]
//     Description = Jotterwick notes for the handheld
//     CabFiles    = jotta.zip
//
// Component may list several components separated by commas; each has its
// section with a Description and the package file(s), comma-separated file
// names in the ini's own folder. Section and key names are compared without
// regard to case; ';' starts a comment line.
#pragma once

#include "platform/base/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace ceappmgr {

constexpr std::size_t kMaxIniBytes = 64u << 10;

struct Component {
    std::string name;
    std::string description;
    std::vector<std::string> packageFiles; // plain file names
};

struct AppManagerIni {
    std::string version;
    std::vector<Component> components;
};

// Parses and checks the ini's text; `file` names it in messages.
platform::Result<AppManagerIni> ParseAppManagerIni(std::string_view text, const std::string& file);

} // namespace ceappmgr

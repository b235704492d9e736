// Desktop programs write paths with '\' as the platform does; the host's
// file functions take '/'. Every desktop file function converts here.
#pragma once

#include <string>

namespace win32 {

inline std::string HostPath(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace win32

#include "support/dependencies.h"

#include <elf.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <queue>
#include <regex>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A T at `offset` of `bytes`, refused when it does not fit.
template <class T> T Read(const std::string& bytes, std::uint64_t offset, const std::string& path) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        throw std::runtime_error(path + ": truncated ELF file");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

} // namespace

std::vector<std::string> IncludesReaching(const std::string& root, const std::string& folder,
                                          const std::vector<std::string>& forbidden,
                                          const std::vector<std::string>& allowed) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(root) / folder)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        std::ifstream file(entry.path());
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, kInclude))
                continue;
            const std::string path = match[1];
            bool bad = false;
            for (const auto& prefix : forbidden)
                bad = bad || StartsWith(path, prefix);
            for (const auto& prefix : allowed)
                bad = bad && !StartsWith(path, prefix);
            if (bad)
                found.push_back(fs::relative(entry.path(), root).string() + ":" +
                                std::to_string(number) + ": " + line);
        }
    }
    return found;
}

std::vector<std::string> NeededLibraries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto header = Read<Elf64_Ehdr>(bytes, 0, path);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        throw std::runtime_error(path + ": not an ELF64 file");
    if (header.e_shentsize != sizeof(Elf64_Shdr))
        throw std::runtime_error(path + ": unexpected section header size");
    auto section = [&](std::uint64_t index) {
        if (index >= header.e_shnum)
            throw std::runtime_error(path + ": section index out of range");
        return Read<Elf64_Shdr>(bytes, header.e_shoff + index * sizeof(Elf64_Shdr), path);
    };
    std::vector<std::string> needed;
    for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr dynamic = section(i);
        if (dynamic.sh_type != SHT_DYNAMIC)
            continue;
        const Elf64_Shdr strings = section(dynamic.sh_link);
        for (std::uint64_t at = 0; at + sizeof(Elf64_Dyn) <= dynamic.sh_size;
             at += sizeof(Elf64_Dyn)) {
            const auto entry = Read<Elf64_Dyn>(bytes, dynamic.sh_offset + at, path);
            if (entry.d_tag == DT_NULL)
                break;
            if (entry.d_tag != DT_NEEDED)
                continue;
            if (entry.d_un.d_val >= strings.sh_size ||
                strings.sh_offset + strings.sh_size > bytes.size())
                throw std::runtime_error(path + ": NEEDED name outside the string table");
            const char* begin = bytes.data() + strings.sh_offset + entry.d_un.d_val;
            const std::size_t room = strings.sh_size - entry.d_un.d_val;
            needed.emplace_back(begin, strnlen(begin, room));
        }
    }
    return needed;
}

std::string LoadChain(const std::string& module, const std::string& library,
                      const std::string& searchRoot) {
    std::map<std::string, std::string> libraries; // file name -> path
    for (const auto& entry : fs::recursive_directory_iterator(searchRoot))
        if (entry.is_regular_file() && entry.path().extension() == ".so")
            libraries.emplace(entry.path().filename().string(), entry.path().string());
    // Breadth first, so the chain named is a shortest one.
    std::map<std::string, std::string> reachedFrom;
    std::queue<std::pair<std::string, std::string>> pending; // name, path
    const std::string start = fs::path(module).filename().string();
    pending.push({start, module});
    reachedFrom[start] = "";
    while (!pending.empty()) {
        const auto [name, path] = pending.front();
        pending.pop();
        if (name == library) {
            std::string chain = name;
            for (std::string at = reachedFrom[name]; !at.empty(); at = reachedFrom[at])
                chain = at + " -> " + chain;
            return chain;
        }
        for (const std::string& needed : NeededLibraries(path)) {
            const auto found = libraries.find(needed);
            if (found == libraries.end() || reachedFrom.count(needed))
                continue; // a system library, or one already seen
            reachedFrom[needed] = name;
            pending.push({needed, found->second});
        }
    }
    return {};
}

} // namespace testsupport

#include "peers/ceappmgr/package.h"

#include "platform/base/unicode.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>

namespace ceappmgr {

using platform::Result;
using platform::Status;

namespace {

constexpr char kMagic[] = "Jotterwick handheld package 1";
constexpr char kProgramFiles[] = "\\Program Files\\";
constexpr std::size_t kMaxNameChars = 100;
constexpr std::size_t kMaxKeyChars = 255;
constexpr std::size_t kMaxTextBytes = 4096;
constexpr std::size_t kFileBlockBytes = 64u << 10;

Status Damaged(const std::string& why) {
    return Status::Failure(ERROR_BAD_FORMAT,
                           "the package is damaged or not a handheld package: " + why);
}

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// One component of a handheld path or an entry name: no separators of
// either machine, no drive colon, nothing that walks up.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxNameChars && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string_view::npos && !HasControl(name) &&
           name.front() != ' ' && name.back() != ' ';
}

// A place in a program folder: "\Program Files\<folder>...\<file>".
bool IsProgramFilesPath(std::string_view path) {
    if (path.substr(0, sizeof kProgramFiles - 1) != kProgramFiles)
        return false;
    const auto parts = Split(path.substr(sizeof kProgramFiles - 1), '\\');
    return parts.size() >= 2 && std::all_of(parts.begin(), parts.end(),
                                            [](std::string_view p) { return IsPlainName(p); });
}

bool IsRegistryKey(std::string_view key) {
    if (key.empty() || key.size() > kMaxKeyChars || HasControl(key))
        return false;
    const auto parts = Split(key, '\\');
    return std::none_of(parts.begin(), parts.end(), [](std::string_view p) { return p.empty(); });
}

bool IsNumber(std::string_view text, std::size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// What a file line promises about its entry.
struct Promise {
    std::size_t size = 0;
    std::string checksum;
};

Status ParseFileLine(const std::vector<std::string_view>& fields, std::size_t line,
                     PackageFile* file, Promise* promise) {
    const std::string where = "description line " + std::to_string(line) + ": ";
    if (fields.size() != 6)
        return Damaged(where + "a file line has 6 fields");
    if (!IsPlainName(fields[1]) || fields[1] == kDescriptionName)
        return Damaged(where + "the entry name is not a plain file name");
    if (!IsProgramFilesPath(fields[2]))
        return Damaged(where + "the destination is not in a folder under \\Program Files");
    if (!IsNumber(fields[3], 10) || std::stoull(std::string(fields[3])) > kMaxFileBytes)
        return Damaged(where + "the size is not a number up to " + std::to_string(kMaxFileBytes));
    if (fields[4].size() != 16 ||
        fields[4].find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return Damaged(where + "the checksum is not 16 hex digits");
    if (fields[5] != "x" && fields[5] != "-")
        return Damaged(where + "the kind is neither x nor -");
    file->entry = fields[1];
    file->destination = fields[2];
    file->executable = fields[5] == "x";
    promise->size = std::stoull(std::string(fields[3]));
    promise->checksum = fields[4];
    return Status();
}

Status ParseValueLine(const std::vector<std::string_view>& fields, std::size_t line,
                      PackageValue* value) {
    const std::string where = "description line " + std::to_string(line) + ": ";
    if (fields.size() != 5)
        return Damaged(where + "a value line has 5 fields");
    if (fields[1] != "HKLM" && fields[1] != "HKCU" && fields[1] != "HKCR")
        return Damaged(where + "the registry root is not one of the handheld's (HKLM, HKCU, HKCR)");
    if (!IsRegistryKey(fields[2]))
        return Damaged(where + "the registry key is empty, too long or has an empty part");
    if (fields[3].size() > kMaxKeyChars)
        return Damaged(where + "the value name is too long");
    if (fields[4].size() > kMaxTextBytes)
        return Damaged(where + "the value text is too long");
    *value = {std::string(fields[1]), std::string(fields[2]), std::string(fields[3]),
              std::string(fields[4])};
    return Status();
}

// The description, checked line by line; `promises` gets each file's size
// and checksum in the order of `package->files`.
Status ParseDescription(std::string_view text, Package* package, std::vector<Promise>* promises) {
    if (text.empty() || text.back() != '\n')
        return Damaged("the description does not end with a line end");
    text.remove_suffix(1);
    if (unicode::ToUtf8(unicode::ToUtf16(text)) != text)
        return Damaged("the description is not UTF-8 text");
    const auto lines = Split(text, '\n');
    if (lines[0] != kMagic)
        return Damaged("the description does not begin with \"" + std::string(kMagic) + "\"");
    std::set<std::string> entries, destinations;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t number = i + 1;
        const std::string where = "description line " + std::to_string(number) + ": ";
        for (char c : lines[i])
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return Damaged(where + "a control character");
        const auto fields = Split(lines[i], '\t');
        if (fields[0] == "name") {
            if (!package->name.empty() || fields.size() != 2 || !IsPlainName(fields[1]) ||
                fields[1].size() > 64)
                return Damaged(where + "the name is repeated or not a plain name");
            package->name = fields[1];
        } else if (fields[0] == "version") {
            if (!package->version.empty() || fields.size() != 2 || !IsValidVersion(fields[1]))
                return Damaged(where + "the version is repeated or not dotted numbers");
            package->version = fields[1];
        } else if (fields[0] == "file") {
            if (package->files.size() == kMaxFiles)
                return Damaged(where + "more than " + std::to_string(kMaxFiles) + " files");
            PackageFile file;
            Promise promise;
            JW_RETURN_IF_FAILED(ParseFileLine(fields, number, &file, &promise));
            if (!entries.insert(Lower(file.entry)).second ||
                !destinations.insert(Lower(file.destination)).second)
                return Damaged(where + "an entry or destination is named twice");
            package->files.push_back(std::move(file));
            promises->push_back(promise);
        } else if (fields[0] == "value") {
            if (package->values.size() == kMaxValues)
                return Damaged(where + "more than " + std::to_string(kMaxValues) + " values");
            PackageValue value;
            JW_RETURN_IF_FAILED(ParseValueLine(fields, number, &value));
            package->values.push_back(std::move(value));
        } else {
            return Damaged(where + "an unknown line");
        }
    }
    if (package->name.empty() || package->version.empty() || package->files.empty())
        return Damaged("the description lacks its name, version or files");
    return Status();
}

struct ArchiveReader {
    archive* handle = archive_read_new();
    ~ArchiveReader() { archive_read_free(handle); }
};

std::string ArchiveError(archive* handle) {
    const char* text = archive_error_string(handle);
    return text ? text : "unreadable archive";
}

struct Entry {
    std::string name;
    std::string data;
    std::uint64_t size = 0; // of the data, read or not
    bool read = false;
};

// Every entry of the archive: plain names, regular files, within the limits.
// The data of the description and of the entries `wanted` names is read; of
// the others only the size the archive's directory gives.
// `open` gives the reader its archive.
template <typename Open>
Result<std::vector<Entry>> ReadEntries(Open open, const FileFilter& wanted) {
    ArchiveReader reader;
    if (!reader.handle)
        return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, "out of memory");
    // The central directory is required: an archive cut short anywhere is refused.
    archive_read_support_format_zip_seekable(reader.handle);
    if (open(reader.handle) != ARCHIVE_OK)
        return Damaged(ArchiveError(reader.handle));
    std::vector<Entry> entries;
    std::set<std::string> names;
    std::size_t total = 0; // all entries together, against archives that expand without end
    for (;;) {
        archive_entry* entry = nullptr;
        const int next = archive_read_next_header(reader.handle, &entry);
        if (next == ARCHIVE_EOF)
            break;
        if (next != ARCHIVE_OK)
            return Damaged(ArchiveError(reader.handle));
        const char* path = archive_entry_pathname(entry);
        const std::string name = path ? path : "";
        if (!IsPlainName(name))
            return Damaged("the archive holds an entry that is not a plain file name (" +
                           std::string(HasControl(name) ? "with control characters" : name) + ")");
        if (archive_entry_filetype(entry) != AE_IFREG)
            return Damaged("the archive entry " + name + " is not a regular file");
        if (!names.insert(Lower(name)).second)
            return Damaged("the archive holds " + name + " twice");
        if (entries.size() == kMaxFiles + 1)
            return Damaged("the archive holds too many entries");
        const std::size_t limit = name == kDescriptionName ? kMaxDescriptionBytes : kMaxFileBytes;
        if (archive_entry_size_is_set(entry) &&
            static_cast<std::uint64_t>(archive_entry_size(entry)) > limit)
            return Damaged("the archive entry " + name + " is larger than " +
                           std::to_string(limit) + " bytes");
        if (name != kDescriptionName && !wanted(name) && archive_entry_size_is_set(entry)) {
            entries.push_back({name, {}, static_cast<std::uint64_t>(archive_entry_size(entry))});
            continue; // the next header skips the data
        }
        std::string data;
        char buffer[65536];
        for (;;) {
            const la_ssize_t got = archive_read_data(reader.handle, buffer, sizeof buffer);
            if (got < 0)
                return Damaged(name + ": " + ArchiveError(reader.handle));
            if (got == 0)
                break;
            if (data.size() + static_cast<std::size_t>(got) > limit)
                return Damaged("the archive entry " + name + " is larger than " +
                               std::to_string(limit) + " bytes");
            total += static_cast<std::size_t>(got);
            if (total > kMaxPackageBytes)
                return Damaged("its files together are larger than " +
                               std::to_string(kMaxPackageBytes) + " bytes");
            data.append(buffer, static_cast<std::size_t>(got));
        }
        const std::uint64_t size = data.size();
        entries.push_back({name, std::move(data), size, true});
    }
    return entries;
}

} // namespace

std::uint64_t Checksum(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

bool IsValidVersion(std::string_view version) {
    const auto parts = Split(version, '.');
    return parts.size() <= 4 && std::all_of(parts.begin(), parts.end(),
                                            [](std::string_view p) { return IsNumber(p, 9); });
}

int CompareVersions(std::string_view a, std::string_view b) {
    const auto left = Split(a, '.'), right = Split(b, '.');
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const unsigned long x = i < left.size() ? std::stoul(std::string(left[i])) : 0;
        const unsigned long y = i < right.size() ? std::stoul(std::string(right[i])) : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool AllFiles(const std::string&) {
    return true;
}

bool NoFiles(const std::string&) {
    return false;
}

namespace {

// The package of the archive's entries, checked against its description.
Result<Package> PackageOf(std::vector<Entry> entries) {
    const auto description = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
        return entry.name == kDescriptionName;
    });
    if (description == entries.end())
        return Damaged("the archive has no " + std::string(kDescriptionName));
    Package package;
    std::vector<Promise> promises;
    JW_RETURN_IF_FAILED(ParseDescription(description->data, &package, &promises));
    if (entries.size() != package.files.size() + 1)
        return Damaged("the archive holds entries the description does not name");
    for (std::size_t i = 0; i < package.files.size(); ++i) {
        PackageFile& file = package.files[i];
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
            return entry.name == file.entry;
        });
        if (found == entries.end())
            return Damaged("the archive lacks the file " + file.entry);
        if (found->size != promises[i].size)
            return Damaged(file.entry + " has " + std::to_string(found->size) +
                           " bytes where the description says " + std::to_string(promises[i].size));
        if (found->read && Hex(Checksum(found->data)) != promises[i].checksum)
            return Damaged(file.entry + " does not match its checksum");
        file.bytes = std::move(found->data);
    }
    return package;
}

Status TooLarge() {
    return Damaged("it is larger than " + std::to_string(kMaxPackageBytes) + " bytes");
}

} // namespace

Result<Package> ReadPackage(std::string_view archive, const FileFilter& wanted) {
    if (archive.size() > kMaxPackageBytes)
        return TooLarge();
    const auto open = [&](struct archive* handle) {
        return archive_read_open_memory(handle, archive.data(), archive.size());
    };
    JW_ASSIGN_OR_RETURN(auto entries, ReadEntries(open, wanted));
    return PackageOf(std::move(entries));
}

Result<Package> ReadPackageFile(int fd, const FileFilter& wanted) {
    struct stat state {};
    if (::fstat(fd, &state) != 0 || !S_ISREG(state.st_mode))
        return Status::Failure(ERROR_ACCESS_DENIED, "it is not a file");
    if (static_cast<std::uint64_t>(state.st_size) > kMaxPackageBytes)
        return TooLarge();
    // The reader seeks in the file: the directory, the description and the
    // wanted entries are read, not the other entries' data.
    const auto open = [&](struct archive* handle) {
        return archive_read_open_fd(handle, fd, kFileBlockBytes);
    };
    JW_ASSIGN_OR_RETURN(auto entries, ReadEntries(open, wanted));
    return PackageOf(std::move(entries));
}

namespace {

struct ArchiveWriter {
    archive* handle = archive_write_new();
    ~ArchiveWriter() { archive_write_free(handle); }
};

la_ssize_t AppendToString(archive*, void* target, const void* buffer, size_t length) {
    static_cast<std::string*>(target)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

Status WriteEntry(archive* handle, const std::string& name, const std::string& bytes,
                  bool executable) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        archive_entry_free);
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), executable ? 0755 : 0644);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(bytes.size()));
    // A fixed time: the same files make the same package.
    archive_entry_set_mtime(entry.get(), 946684800, 0);
    if (archive_write_header(handle, entry.get()) != ARCHIVE_OK ||
        archive_write_data(handle, bytes.data(), bytes.size()) !=
            static_cast<la_ssize_t>(bytes.size()))
        return Status::Failure(ERROR_WRITE_FAULT,
                               "cannot add " + name + " to the package: " + ArchiveError(handle));
    return Status();
}

} // namespace

Result<std::string> WritePackage(const Package& package) {
    std::string description =
        std::string(kMagic) + "\nname\t" + package.name + "\nversion\t" + package.version + "\n";
    for (const PackageFile& file : package.files)
        description += "file\t" + file.entry + "\t" + file.destination + "\t" +
                       std::to_string(file.bytes.size()) + "\t" + Hex(Checksum(file.bytes)) + "\t" +
                       (file.executable ? "x" : "-") + "\n";
    for (const PackageValue& value : package.values)
        description += "value\t" + value.root + "\t" + value.key + "\t" + value.name + "\t" +
                       value.text + "\n";

    std::string bytes;
    {
        ArchiveWriter writer;
        if (!writer.handle)
            return Status::Failure(ERROR_NOT_ENOUGH_MEMORY, "out of memory");
        archive_write_set_format_zip(writer.handle);
        archive_write_set_bytes_in_last_block(writer.handle, 1);
        if (archive_write_open(writer.handle, &bytes, nullptr, AppendToString, nullptr) !=
            ARCHIVE_OK)
            return Status::Failure(ERROR_WRITE_FAULT, ArchiveError(writer.handle));
        JW_RETURN_IF_FAILED(WriteEntry(writer.handle, kDescriptionName, description, false));
        for (const PackageFile& file : package.files)
            JW_RETURN_IF_FAILED(WriteEntry(writer.handle, file.entry, file.bytes, file.executable));
        if (archive_write_close(writer.handle) != ARCHIVE_OK)
            return Status::Failure(ERROR_WRITE_FAULT, ArchiveError(writer.handle));
    }
    // What was written must read back: a package that breaks its own rules
    // is never made.
    JW_RETURN_IF_FAILED(ReadPackage(bytes));
    return bytes;
}

} // namespace ceappmgr

#include "package_builder.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <stdexcept>

namespace pkgtest {

namespace {

la_ssize_t Append(archive*, void* target, const void* buffer, size_t length) {
    static_cast<std::string*>(target)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

} // namespace

std::string RawZip(const std::vector<RawEntry>& entries) {
    std::string bytes;
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    archive_write_set_bytes_in_last_block(writer, 1);
    archive_write_open(writer, &bytes, nullptr, Append, nullptr);
    for (const RawEntry& raw : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, raw.name.c_str());
        archive_entry_set_perm(entry, 0644);
        if (raw.symlink) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, raw.bytes.c_str());
            archive_write_header(writer, entry);
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, static_cast<la_int64_t>(raw.bytes.size()));
            archive_write_header(writer, entry);
            archive_write_data(writer, raw.bytes.data(), raw.bytes.size());
        }
        archive_entry_free(entry);
    }
    if (archive_write_close(writer) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(writer));
    archive_write_free(writer);
    return bytes;
}

ceappmgr::Package SamplePackage(const std::string& version) {
    ceappmgr::Package package;
    package.name = "Jotterwick";
    package.version = version;
    package.files = {
        {"jotta", "\\Program Files\\Jotterwick\\jotta", true, "#!/bin/sh\necho jotta\n"},
        {"libjottadev.so", "\\Program Files\\Jotterwick\\libjottadev.so", false,
         std::string("provider\0bytes", 14)}};
    const std::string key = "Windows CE Services\\Synchronization\\Objects\\Jotterwick";
    package.values = {{"HKLM", key, "Display Name", "Jotterwick"},
                      {"HKLM", key, "Store", "\\Program Files\\Jotterwick\\libjottadev.so"}};
    return package;
}

std::string FileLine(const std::string& entry, const std::string& destination,
                     const std::string& bytes, const std::string& kind) {
    char checksum[17];
    std::snprintf(checksum, sizeof checksum, "%016llx",
                  static_cast<unsigned long long>(ceappmgr::Checksum(bytes)));
    return "file\t" + entry + "\t" + destination + "\t" + std::to_string(bytes.size()) + "\t" +
           checksum + "\t" + kind + "\n";
}

std::string DescriptionHead(const std::string& version) {
    return "Jotterwick handheld package 1\nname\tJotterwick\nversion\t" + version + "\n";
}

} // namespace pkgtest

// Whole files read and written by the notes program: the text files of
// Import and Export and the rescue file of a failed save. Paths are those of
// the file dialogs. Failures come back with their reason in words.
#pragma once

#include <optional>
#include <string>

// The file's bytes; nullopt with *reason set when it cannot be read whole or
// is larger than `limit` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit,
                                         std::u16string* reason);

enum class Replace { Yes, No };

// Writes `bytes` as the whole file and syncs it. With Replace::Yes an
// existing file is replaced only once the new one is whole; with
// Replace::No a file that exists is never replaced. Nothing half written is
// left. False with *reason set on failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes, Replace replace,
                    std::u16string* reason);

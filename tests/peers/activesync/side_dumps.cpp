#include "side_dumps.h"

#include "device/app/note_store.h"
#include "peers/outlook/message_store.h"
#include "platform/base/unicode.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace jsynctest {

namespace {

std::string Escaped(const std::u16string& text) {
    std::string out;
    for (char c : unicode::ToUtf8(text)) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Join(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines)
        out += line + "\n";
    return out;
}

std::string Line(long color, const std::vector<std::string>& categories,
                 const std::u16string& text) {
    return std::to_string(color) + " [" + Join(categories) + "] " + Escaped(text);
}

} // namespace

std::string DumpHandheldNotes() {
    CEOID database = 0;
    HANDLE cursor = OpenNoteDatabase(&database);
    if (cursor == INVALID_HANDLE_VALUE)
        return "(no note database)\n";
    std::vector<std::string> lines;
    for (CEOID oid = CeSeekDatabase(cursor, CEDB_SEEK_BEGINNING, 0, nullptr); oid != 0;
         oid = CeSeekDatabase(cursor, CEDB_SEEK_CURRENT, 1, nullptr)) {
        NoteContents note;
        if (!ReadNote(cursor, kCurrentNote, &note))
            continue;
        std::vector<std::string> names;
        for (const auto& name : SplitCategories(note.categories))
            names.push_back(unicode::ToUtf8(name));
        lines.push_back(Line(note.color, names, note.text));
    }
    CloseHandle(cursor);
    return Sorted(lines);
}

std::string DumpDesktopNotes() {
    auto store = outlook::MessageStore::ForCurrentDesktop();
    if (!store.ok())
        return "(no Outlook store: " + store.status().message() + ")\n";
    std::vector<std::string> lines;
    auto count = store.value()->Count();
    for (std::size_t i = 0; count.ok() && i < count.value(); ++i) {
        auto note = store.value()->CachedAt(i);
        if (!note.ok() || !note.value())
            continue;
        std::vector<std::string> names;
        std::stringstream text(unicode::ToUtf8(note.value()->categories));
        for (std::string name; std::getline(text, name, ',');)
            names.push_back(Trim(name));
        lines.push_back(Line(note.value()->color, names, note.value()->body));
    }
    return Sorted(lines);
}

} // namespace jsynctest

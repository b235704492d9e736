#include "device/app/state_probe.h"

#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_view.h"
#include "platform/base/unicode.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::string Quoted(const std::u16string& text) {
    std::string out = "'";
    for (char c : unicode::ToUtf8(text)) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "'";
}

bool WriteWhole(const std::string& path, const std::string& text) {
    const std::string partial = path + ".part";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written)
        return false;
    return std::rename(partial.c_str(), path.c_str()) == 0;
}

} // namespace

std::string DescribeState(CJottaDoc& doc) {
    std::string state = "list:";
    if (CJottaListView* list = doc.FindListView()) {
        CNoteListBox& box = list->List();
        const int selected = box.GetCurSel();
        for (int line = 0; line < box.GetCount(); ++line)
            state += (line == selected ? " >" : " ") + Quoted(box.GetText(line));
    }
    state += "\neditor:";
    if (CJottaView* editor = doc.FindEditorView()) {
        state += editor->IsWindowEnabled() ? " enabled" : " disabled";
        state += doc.IsModified() ? " modified" : " saved";
        state += " color " + std::to_string(doc.m_color) + " " + Quoted(editor->GetWindowText());
    }
    return state + "\n";
}

void AnswerStateProbe(CJottaDoc& doc, WPARAM operation, LPARAM argument) {
    if (operation == kProbeWriteState) {
        if (const char* path = std::getenv("JOTTERWICK_STATE_FILE"); path && *path)
            WriteWhole(path, DescribeState(doc));
    } else if (operation == kProbeTypeChar) {
        if (CJottaView* editor = doc.FindEditorView())
            editor->SendMessage(WM_CHAR, static_cast<WPARAM>(argument), 1);
    }
}

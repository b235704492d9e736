#include "device/app/state_probe.h"

#include "device/app/jotta_doc.h"
#include "device/app/jotta_list_view.h"
#include "device/app/jotta_view.h"
#include "platform/base/unicode.h"
#include "platform/base/whole_file.h"

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
            platform::WriteWholeFile(path, DescribeState(doc), platform::ExistingFile::Replace);
    } else if (operation == kProbeTypeChar) {
        if (CJottaView* editor = doc.FindEditorView())
            editor->SendMessage(WM_CHAR, static_cast<WPARAM>(argument), 1);
    }
}

#include "platform/mfc/cmd_target.h"

#include "platform/mfc/cmd_ui.h"

namespace mfc {

const MessageMapEntry* FindEntry(const MessageMap* map, EntryKind kind, UINT id, WORD code) {
    for (; map; map = map->base ? map->base() : nullptr) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& e = map->entries[i];
            if (e.kind != kind)
                continue;
            const bool matches = kind == EntryKind::Reflect   ? e.code == code
                                 : kind == EntryKind::Control ? e.first == id && e.code == code
                                                              : id >= e.first && id <= e.last;
            if (matches)
                return &e;
        }
    }
    return nullptr;
}

} // namespace mfc

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const mfc::MessageMap* CCmdTarget::GetThisMessageMap() {
    static const mfc::MessageMap map = {nullptr, nullptr, 0};
    return &map;
}

const mfc::MessageMap* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (nCode == CN_UPDATE_COMMAND_UI) {
        const auto* entry = mfc::FindEntry(GetMessageMap(), mfc::EntryKind::UpdateUI, nID);
        if (!entry || !pExtra)
            return FALSE;
        auto* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry->handler(this, {nID, 0, 0, cmdUI});
        return !cmdUI->m_bContinueRouting;
    }
    if (nCode != CN_COMMAND)
        return FALSE;
    const auto* entry = mfc::FindEntry(GetMessageMap(), mfc::EntryKind::Command, nID);
    if (!entry)
        return FALSE;
    if (pExtra) // a probe: is there a handler at all?
        return TRUE;
    return entry->handler(this, {nID, 0, 0, nullptr}) != FALSE;
}

void CCmdTarget::BeginWaitCursor() {
    ui::BeginWaitCursor();
}
void CCmdTarget::EndWaitCursor() {
    ui::EndWaitCursor();
}

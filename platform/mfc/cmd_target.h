// Message maps and command routing. Each class that handles commands or
// window messages has a table (a message map) of entries made with the ON_*
// macros below; a lookup walks the class's table, then its base class's.
//
//     // in the class:                 // in the source file:
//     DECLARE_MESSAGE_MAP()            BEGIN_MESSAGE_MAP(CJottaDoc, CDocument)
//                                          ON_COMMAND(32771, OnNoteNew)
//                                          ON_UPDATE_COMMAND_UI(32773, OnUpdateNoteSave)
//                                          ON_COMMAND_RANGE(32780, 32784, OnColor)
//                                      END_MESSAGE_MAP()
//
// A command (a menu item, accelerator or tool button) goes to the active
// view, then its document, then the frame, then the application, and the
// first class whose map has it handles it (see CFrameWnd::OnCmdMsg).
#pragma once

#include "platform/mfc/object.h"
#include "platform/ui/winuser.h"

#include <cstddef>

class CCmdTarget;
class CCmdUI;

// What OnCmdMsg is asked: a command, an update of its user-interface state,
// or (for a control's notification) the notification code.
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

namespace mfc {

struct HandlerCall {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    CCmdUI* cmdUI;
};
using Handler = LRESULT (*)(CCmdTarget* target, const HandlerCall& call);

enum class EntryKind {
    Command,  // a command id range -> handler
    UpdateUI, // a command id range -> update handler
    Control,  // a child control's notification (id, code) -> handler
    Reflect,  // a notification reflected back to the control itself (code)
    Message,  // a window message -> handler
};

struct MessageMapEntry {
    EntryKind kind;
    UINT first; // command id, message, or control id
    UINT last;  // last command id of a range
    WORD code;  // notification code
    Handler handler;
};

struct MessageMap {
    const MessageMap* (*base)(); // null for the root
    const MessageMapEntry* entries;
    std::size_t count;
};

// The first entry of `kind` for (id, code) in `map` or its bases; null if none.
const MessageMapEntry* FindEntry(const MessageMap* map, EntryKind kind, UINT id, WORD code = 0);

template <class T> struct MemberClass;
template <class C, class F> struct MemberClass<F C::*> { using type = C; };
template <auto Fn> using ClassOf = typename MemberClass<decltype(Fn)>::type;

template <auto Fn> LRESULT CallCommand(CCmdTarget* t, const HandlerCall&) {
    (static_cast<ClassOf<Fn>*>(t)->*Fn)();
    return TRUE;
}
template <auto Fn> LRESULT CallCommandRange(CCmdTarget* t, const HandlerCall& c) {
    (static_cast<ClassOf<Fn>*>(t)->*Fn)(c.id);
    return TRUE;
}
template <auto Fn> LRESULT CallCommandEx(CCmdTarget* t, const HandlerCall& c) {
    return (static_cast<ClassOf<Fn>*>(t)->*Fn)(c.id);
}
template <auto Fn> LRESULT CallUpdate(CCmdTarget* t, const HandlerCall& c) {
    (static_cast<ClassOf<Fn>*>(t)->*Fn)(c.cmdUI);
    return TRUE;
}
template <auto Fn> LRESULT CallMessage(CCmdTarget* t, const HandlerCall& c) {
    return (static_cast<ClassOf<Fn>*>(t)->*Fn)(c.wParam, c.lParam);
}

} // namespace mfc

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const mfc::MessageMap* GetThisMessageMap();                                             \
    const mfc::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const mfc::MessageMap* theClass::GetMessageMap() const {                                       \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const mfc::MessageMap* theClass::GetThisMessageMap() {                                         \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const mfc::MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { mfc::EntryKind::Message, 0, 0, 0, nullptr }                                                  \
    }                                                                                              \
    ;                                                                                              \
    static const mfc::MessageMap map = {&TheBaseClass::GetThisMessageMap, entries,                 \
                                        sizeof entries / sizeof entries[0] - 1};                   \
    return &map;                                                                                   \
    }

// void OnX()
#define ON_COMMAND(id, fn)                                                                         \
    {mfc::EntryKind::Command, (id), (id), 0, &mfc::CallCommand<&ThisClass::fn>},
// void OnX(UINT id)
#define ON_COMMAND_RANGE(first, last, fn)                                                          \
    {mfc::EntryKind::Command, (first), (last), 0, &mfc::CallCommandRange<&ThisClass::fn>},
// BOOL OnX(UINT id): FALSE lets the command route on.
#define ON_COMMAND_EX(id, fn)                                                                      \
    {mfc::EntryKind::Command, (id), (id), 0, &mfc::CallCommandEx<&ThisClass::fn>},
// void OnUpdateX(CCmdUI*)
#define ON_UPDATE_COMMAND_UI(id, fn)                                                               \
    {mfc::EntryKind::UpdateUI, (id), (id), 0, &mfc::CallUpdate<&ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, fn)                                                \
    {mfc::EntryKind::UpdateUI, (first), (last), 0, &mfc::CallUpdate<&ThisClass::fn>},
// void OnX(): a notification from child control `id`.
#define ON_CONTROL(code, id, fn)                                                                   \
    {mfc::EntryKind::Control, (id), (id), (code), &mfc::CallCommand<&ThisClass::fn>},
// void OnX(): a control's own notification, reflected back to it by its parent.
#define ON_CONTROL_REFLECT(code, fn)                                                               \
    {mfc::EntryKind::Reflect, 0, 0, (code), &mfc::CallCommand<&ThisClass::fn>},
// LRESULT OnX(WPARAM, LPARAM)
#define ON_MESSAGE(message, fn)                                                                    \
    {mfc::EntryKind::Message, (message), (message), 0, &mfc::CallMessage<&ThisClass::fn>},

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Looks the command up in this object's message map: for CN_COMMAND runs
    // its handler, for CN_UPDATE_COMMAND_UI its update handler with pExtra
    // (a CCmdUI*). TRUE when a handler took it. Routing classes override it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra);

    // The wait cursor while a long operation runs (counted).
    void BeginWaitCursor();
    void EndWaitCursor();

    static const mfc::MessageMap* GetThisMessageMap();
    virtual const mfc::MessageMap* GetMessageMap() const;
};

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor() { ui::BeginWaitCursor(); }
    ~CWaitCursor() { ui::EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

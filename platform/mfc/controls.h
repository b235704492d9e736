// Wrappers of the edit control and the list box: a CWnd whose functions send
// the control's messages.
#pragma once

#include "platform/mfc/wnd.h"
#include "platform/ui/controls.h"

#include <string>

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(u"edit", nullptr, dwStyle, rect, pParentWnd, nID);
    }
    using CWnd::Create;
    void GetSel(int& nStartChar, int& nEndChar) const;
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void ReplaceSel(const std::u16string& text, BOOL bCanUndo = FALSE) {
        SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(text.c_str()));
    }
    BOOL CanUndo() const { return SendMessage(EM_CANUNDO) != 0; }
    BOOL Undo() { return SendMessage(EM_UNDO) != 0; }
    void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER); }
    void Cut() { SendMessage(WM_CUT); }
    void Copy() { SendMessage(WM_COPY); }
    void Paste() { SendMessage(WM_PASTE); }
    void Clear() { SendMessage(WM_CLEAR); }
    void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars)); }
    UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
    BOOL GetModify() const { return SendMessage(EM_GETMODIFY) != 0; }
    void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified); }
    int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
    void SetReadOnly(BOOL bReadOnly = TRUE) { SendMessage(EM_SETREADONLY, bReadOnly); }
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return CWnd::Create(u"listbox", nullptr, dwStyle, rect, pParentWnd, nID);
    }
    using CWnd::Create;
    int AddString(LPCWSTR text) { return Send(LB_ADDSTRING, 0, text); }
    int AddString(const std::u16string& text) { return AddString(text.c_str()); }
    int InsertString(int nIndex, const std::u16string& text) {
        return Send(LB_INSERTSTRING, nIndex, text.c_str());
    }
    int DeleteString(UINT nIndex) { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    // Room for nItems more items (nBytes: their texts' size, a hint);
    // LB_ERRSPACE when there is none.
    int InitStorage(int nItems, UINT nBytes) {
        return static_cast<int>(SendMessage(LB_INITSTORAGE, static_cast<WPARAM>(nItems), nBytes));
    }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int SetItemData(int nIndex, DWORD_PTR data) {
        return static_cast<int>(
            SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(data)));
    }
    DWORD_PTR GetItemData(int nIndex) const {
        return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
    }
    int SetCurSel(int nSelect) {
        return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect)));
    }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetSel(int nIndex, BOOL bSelect = TRUE) {
        return static_cast<int>(SendMessage(LB_SETSEL, bSelect, nIndex));
    }
    int GetSel(int nIndex) const {
        return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(nIndex)));
    }
    int GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
    // The item's text; empty for an index beyond the list.
    std::u16string GetText(int nIndex) const;
    int FindString(int nStartAfter, const std::u16string& text) const {
        return Send(LB_FINDSTRING, nStartAfter, text.c_str());
    }
    int FindStringExact(int nStartAfter, const std::u16string& text) const {
        return Send(LB_FINDSTRINGEXACT, nStartAfter, text.c_str());
    }
    int SelectString(int nStartAfter, const std::u16string& text) {
        return Send(LB_SELECTSTRING, nStartAfter, text.c_str());
    }

private:
    int Send(UINT message, int index, LPCWSTR text) const {
        return static_cast<int>(
            SendMessage(message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
    }
};

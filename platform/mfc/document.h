// CDocument: the data a program shows in its views, with a modified flag and
// the list of its views. UpdateAllViews tells every view but the sender.
#pragma once

#include "platform/mfc/cmd_target.h"

#include <string>
#include <vector>

class CView;
class CFrameWnd;
class CDocTemplate;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument() = default;
    ~CDocument() override;

    // The framework's new-document step: empties the contents and clears the
    // modified flag. Programs override it (calling this first) to start.
    virtual BOOL OnNewDocument();
    virtual void DeleteContents() {}
    // Asked before the document's data would be lost (closing, exit): TRUE to
    // go on, FALSE to stop. Documents here keep no file, so by default there
    // is nothing to ask; programs override it to ask their question.
    virtual BOOL SaveModified() { return TRUE; }
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
    // Closes the document: destroys its frames (and with them its views),
    // then deletes the document.
    virtual void OnCloseDocument();

    BOOL IsModified() const { return m_bModified; }
    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    // Calls OnUpdate of every view except pSender (which may be null).
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // The views in the order they were added.
    const std::vector<CView*>& GetViews() const { return m_views; }

    const std::u16string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::u16string& title) { m_strTitle = title; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    CDocTemplate* m_pDocTemplate = nullptr;
    BOOL m_bAutoDelete = TRUE;

protected:
    BOOL m_bModified = FALSE;
    std::u16string m_strTitle;
    std::vector<CView*> m_views;
};

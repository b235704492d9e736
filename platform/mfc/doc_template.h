// Document templates: which document, frame and view classes make up a
// document window, and the resource (menu, accelerators, strings) they use.
// The single-document template keeps one document and one frame.
#pragma once

#include "platform/mfc/cmd_target.h"
#include "platform/mfc/wnd.h"

#include <string>

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
public:
    // Indices of the parts of the template's string resource, '\n'-separated.
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                 const CRuntimeClass* pViewClass);
    // Opens a document: with a null path a new one. Null when the document,
    // its frame or its views cannot be created.
    virtual CDocument* OpenDocumentFile(LPCWSTR lpszPathName) = 0;
    virtual BOOL SaveAllModified() = 0;
    virtual void RemoveDocument(CDocument* pDoc) = 0;
    // Part `index` of the string resource; empty when it has none.
    std::u16string GetDocString(DocStringIndex index) const;

    // A frame for pDoc, made from the frame class with the template's resource.
    CFrameWnd* CreateNewFrame(CDocument* pDoc);
    // Gives the frame its active view and lets every view take its first update.
    void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc);

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
};

class CSingleDocTemplate : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    // Closes the document if it is still open.
    ~CSingleDocTemplate() override;
    // The first call makes the document and its frame (the application's main
    // window when it has none); a later one starts the same document anew,
    // after its SaveModified agreed.
    CDocument* OpenDocumentFile(LPCWSTR lpszPathName) override;
    BOOL SaveAllModified() override;
    void RemoveDocument(CDocument* pDoc) override;
    CDocument* GetDocument() const { return m_pOnlyDoc; }

private:
    CDocument* m_pOnlyDoc = nullptr;
};

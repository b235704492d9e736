#include "platform/mfc/doc_template.h"

#include "platform/mfc/document.h"
#include "platform/mfc/frame_wnd.h"
#include "platform/mfc/view.h"
#include "platform/mfc/win_app.h"
#include "platform/ui/resources.h"

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                           const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass) {}

std::u16string CDocTemplate::GetDocString(DocStringIndex index) const {
    const std::u16string text = ui::FindStringResource(m_nIDResource).value_or(u"");
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find(u'\n', start);
        if (start == std::u16string::npos)
            return {};
        ++start;
    }
    return text.substr(start, text.find(u'\n', start) - start);
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc) {
    auto* frame = m_pFrameClass ? dynamic_cast<CFrameWnd*>(m_pFrameClass->CreateObject()) : nullptr;
    if (!frame)
        return nullptr;
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    context.m_pCurrentFrame = frame;
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPED, nullptr, &context))
        return nullptr; // the frame deleted itself with its window
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc) {
    if (!pFrame->GetActiveView())
        pFrame->SetActiveView(pFrame->FindFirstView(), FALSE);
    if (!pDoc)
        return;
    const std::vector<CView*> views = pDoc->GetViews();
    for (CView* view : views)
        view->OnInitialUpdate();
}

CSingleDocTemplate::~CSingleDocTemplate() {
    if (m_pOnlyDoc)
        m_pOnlyDoc->OnCloseDocument();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCWSTR) {
    if (m_pOnlyDoc) {
        if (!m_pOnlyDoc->SaveModified() || !m_pOnlyDoc->OnNewDocument())
            return nullptr;
        return m_pOnlyDoc;
    }
    auto* doc = m_pDocClass ? dynamic_cast<CDocument*>(m_pDocClass->CreateObject()) : nullptr;
    if (!doc)
        return nullptr;
    doc->m_pDocTemplate = this;
    m_pOnlyDoc = doc;
    CFrameWnd* frame = CreateNewFrame(doc);
    if (!frame) {
        doc->OnCloseDocument();
        return nullptr;
    }
    CWinApp* app = AfxGetApp();
    if (app && !app->m_pMainWnd)
        app->m_pMainWnd = frame;
    if (!doc->OnNewDocument()) {
        doc->OnCloseDocument(); // and with it the frame
        return nullptr;
    }
    InitialUpdateFrame(frame, doc);
    return doc;
}

BOOL CSingleDocTemplate::SaveAllModified() {
    return !m_pOnlyDoc || m_pOnlyDoc->SaveModified();
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
    if (m_pOnlyDoc == pDoc)
        m_pOnlyDoc = nullptr;
}

#include "device/app/note_info_dlg.h"

#include "device/app/jotta_doc.h"
#include "device/app/note_display.h"
#include "device/app/resource.h"
#include "platform/mfc/data_exchange.h"

namespace {
constexpr char16_t kDateTimeGap[] = u"    ";
} // namespace

CNoteInfoDlg::CNoteInfoDlg(CWnd* pParent) : CDialog(IDD_NOTEINFO, pParent) {}

bool CNoteInfoDlg::Fill(CJottaDoc& doc) {
    if (doc.CurrentNote(true) == 0)
        return false;
    NoteContents stored;
    if (!doc.ReadNote(doc.CurrentNote(false), &stored))
        return false;
    m_strSubject = NoteTitleOf(stored.text);
    m_strCreated = FormatNoteTime(stored.created, kDateTimeGap);
    m_strModified = FormatNoteTime(stored.modified, kDateTimeGap);
    m_strColorName = ColorName(doc.m_color);
    m_strCategoryLines = CategoryLines(doc.m_categories);
    return true;
}

void CNoteInfoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_INFO_SUBJECT, m_strSubject);
    DDX_Text(pDX, IDC_INFO_CREATED, m_strCreated);
    DDX_Text(pDX, IDC_INFO_MODIFIED, m_strModified);
    DDX_Text(pDX, IDC_INFO_COLOR, m_strColorName);
    DDX_Text(pDX, IDC_INFO_CATEGORIES, m_strCategoryLines);
}

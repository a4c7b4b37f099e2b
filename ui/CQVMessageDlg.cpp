#include "ui/CQVMessageDlg.h"

#include "ui/CQVSkinFonts.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVUIManager.h"

#include <QFontMetricsF>
#include <cmath>

namespace qv
{

namespace
{

const int kMessageFontId = 6;
const int kMeasureHeight = 600;
const int kWiderBy = 120;

} // namespace

CQVMessageDlg::CQVMessageDlg(const QString& strText, int nStyle, CQVPlatformWindow* pParent)
    : CQVDialogBase(pParent), m_strText(strText), m_nStyle(nStyle)
{
}

CQVMessageDlg::CQVMessageDlg(const QString& strCaption, const QString& strText, int nStyle,
                             CQVPlatformWindow* pParent)
    : CQVDialogBase(pParent), m_strCaption(strCaption), m_strText(strText), m_nStyle(nStyle)
{
}

void CQVMessageDlg::OnInitDialog()
{
    CQVDialogBase::OnInitDialog();
    const QRect window = GetWindowRect();
    int w = window.width();
    if (m_strText.size() > kWideTextLength)
        w += kWiderBy;
    MoveWindow(window.x(), window.y(), w, kMeasureHeight);

    tagQVFontRecord fallback;
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(kMessageFontId);
    const QFontMetricsF metrics(CQVSkinFonts::MakeFont(pRecord ? *pRecord : fallback));
    const QRectF box(10, 40, w - 20, kMeasureHeight - 100);
    const QRectF needed = metrics.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, m_strText);
    // A message taller than the measuring box is cut to it, as the box keeps the window on
    // the screen.
    m_nTextHeight = static_cast<int>(std::ceil(std::min(needed.height(), box.height())));

    MoveWindow(window.x(), window.y(), w, m_nTextHeight + 100);
    // The size may not have changed (a message as tall as the measuring box).
    LayoutControls();
    CenterWindow(GetParentWindow());
    SetWindowText(m_strCaption);
}

void CQVMessageDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    pManager->Add(kTextControlId, new CQVStatic(m_strText), kKindStatic);
    pManager->Add(kIdYes, new CQVTextButton(QStringLiteral("Yes")), kKindTextButton);
    pManager->Add(kIdNo, new CQVTextButton(QStringLiteral("No")), kKindTextButton);

    const bool bOkCancel = m_nStyle == kStyleOkCancel;
    const bool bYesNo = m_nStyle == kStyleYesNo;
    if (CQVButton* pOk = pManager->Find(kIdOk, kKindTextButton))
        pOk->Show(!bYesNo, false);
    if (CQVButton* pCancel = pManager->Find(kIdCancel, kKindTextButton))
        pCancel->Show(bOkCancel, false);
    if (CQVButton* pYes = pManager->Find(kIdYes, kKindTextButton))
        pYes->Show(bYesNo, false);
    if (CQVButton* pNo = pManager->Find(kIdNo, kKindTextButton))
        pNo->Show(bYesNo, false);
}

void CQVMessageDlg::LayoutControls()
{
    int w = 0, h = 0;
    CQVUIManager* pManager = LayoutBaseControls(&w, &h);
    if (!pManager)
        return;
    if (CQVButton* pText = pManager->Find(kTextControlId, kKindStatic))
        pText->Move(10, 40, w - 20, m_nTextHeight, false);
    if (CQVButton* pYes = pManager->Find(kIdYes, kKindTextButton))
        pYes->Move(w - 75, h - 30, 65, 20, false);
    if (CQVButton* pNo = pManager->Find(kIdNo, kKindTextButton))
        pNo->Move(w - 150, h - 30, 65, 20, false);
}

bool CQVMessageDlg::OnCommand(unsigned nId, intptr_t lParam)
{
    if (IsEnded())
        return CQVDialogBase::OnCommand(nId, lParam);
    if (nId == static_cast<unsigned>(kIdYes))
    {
        OnYes();
        return true;
    }
    if (nId == static_cast<unsigned>(kIdNo))
    {
        OnNo();
        return true;
    }
    return CQVDialogBase::OnCommand(nId, lParam);
}

int ShowMessageBox(const QString& strText, int nStyle, CQVPlatformWindow* pParent)
{
    return ShowMessageBox(QStringLiteral("Tips"), strText, nStyle, pParent);
}

int ShowMessageBox(const QString& strCaption, const QString& strText, int nStyle,
                   CQVPlatformWindow* pParent)
{
    CQVMessageDlg dialog(strCaption, strText, nStyle,
                         pParent ? pParent : CQVPlatformWindow::GetActiveWindow());
    dialog.DoModal();
    return dialog.GetResultCode();
}

} // namespace qv

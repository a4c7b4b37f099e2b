#include "frontend/CQVPreviewMovieDlg.h"

#include "frontend/CQVWaitingThread.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/PreviewCommand.h"
#include "ui/CQVButton.h"
#include "ui/CQVProgress.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

namespace qv
{

namespace
{

constexpr unsigned kWaitingPeriodMs = 500;
constexpr unsigned kPositionPeriodMs = 100;
// The time text is "<position> / <length>"; the position's text is this long.
constexpr int kPositionTextLength = 10;

SharedControlBlock* Block()
{
    return FrontEndGlobals().controlBlock.Block();
}

} // namespace

CQVPreviewMovieDlg::CQVPreviewMovieDlg(CQVPlatformWindow* pParent, double dPlayScale)
    : CQVDialogBase(pParent), m_dPlayScale(dPlayScale)
{
}

CQVPreviewMovieDlg::~CQVPreviewMovieDlg()
{
    EndPreview();
}

CQVButton* CQVPreviewMovieDlg::PlayButton() const
{
    return GetUIManager() ? GetUIManager()->Find(kIdPlayStop, kKindButton) : nullptr;
}

CQVButton* CQVPreviewMovieDlg::TimeText() const
{
    return GetUIManager() ? GetUIManager()->Find(kIdTime, kKindStatic) : nullptr;
}

CQVProgress* CQVPreviewMovieDlg::ProgressBar() const
{
    return GetUIManager()
               ? dynamic_cast<CQVProgress*>(GetUIManager()->Find(kIdProgress, kKindProgress))
               : nullptr;
}

void CQVPreviewMovieDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    pManager->Add(kIdPlayStop, new CQVButton(), kKindButton);
    const SharedControlBlock* pBlock = Block();
    auto* pTime = new CQVStatic(PreviewTimeText(0.0) + QStringLiteral(" / ") +
                                PreviewTimeText(pBlock ? pBlock->dPreviewLength : 0.0));
    pTime->SetTextAlign(CQVButton::kAlignLeft);
    pManager->Add(kIdTime, pTime, kKindStatic);
    auto* pBar = new CQVProgress();
    pBar->SetRange(0.0, 100.0);
    pManager->Add(kIdProgress, pBar, kKindProgress);
    if (CQVButton* pOk = pManager->Find(kIdOk, kKindTextButton))
        pOk->SetText(QStringLiteral("Exit"), false);
    if (CQVButton* pCancel = pManager->Find(kIdCancel, kKindTextButton))
        pCancel->Show(false, false);
    ShowButton(true);
}

void CQVPreviewMovieDlg::LayoutControls()
{
    int w = 0, h = 0;
    if (!LayoutBaseControls(&w, &h))
        return;
    if (CQVButton* pButton = PlayButton())
        pButton->Move(10, h - 35, 30, 30, false);
    if (CQVButton* pTime = TimeText())
        pTime->Move(50, h - 28, 160, 22, false);
    if (CQVProgress* pBar = ProgressBar())
        pBar->Move(215, h - 23, std::max(0, w - 310), 6, false);
}

void CQVPreviewMovieDlg::OnInitDialog()
{
    CQVDialogBase::OnInitDialog();
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    QSize picture(globals.nOutputWidth, globals.nOutputHeight);
    if (m_dPlayScale != 1.0)
        picture = PreviewPictureSize(picture.width(), picture.height(), m_dPlayScale);
    const QSize size = PreviewDialogSize(picture.width(), picture.height());
    // Centred in the work area, so that a dialog made to fit it lies inside it.
    const QRect work = GetWorkArea();
    MoveWindow(std::max(work.x(), work.x() + (work.width() - size.width()) / 2),
               std::max(work.y(), work.y() + (work.height() - size.height()) / 2), size.width(),
               size.height());
    SetWindowText(QStringLiteral("Preview Movie - %1x%2")
                      .arg(globals.nOutputWidth)
                      .arg(globals.nOutputHeight));
    SetTopMost(true);
    // The engine reads the host's size as soon as it starts: the window must exist at its
    // final size on the X server first.
    globals.controlBlock.PreparePreviewHost(GetNativeId());
    QGuiApplication::sync();
    if (!StartEngine())
        return; // no picture, no waiting window, no polling; the buttons still work
    StartWaiting();
    SetTimer(kTimerWaiting, kWaitingPeriodMs);
}

bool CQVPreviewMovieDlg::StartEngine()
{
    // One that is still on its way out after writing its end is ended first.
    m_engine.Stop();
    return m_engine.Start(FrontEndGlobals().programFolder);
}

void CQVPreviewMovieDlg::StartWaiting()
{
    m_pWaiting = std::make_unique<CQVWaitingThread>();
    if (!m_pWaiting->Start())
        m_pWaiting.reset();
}

void CQVPreviewMovieDlg::QuitWaiting()
{
    if (!m_pWaiting)
        return;
    m_pWaiting->Quit();
    m_pQuitting = std::move(m_pWaiting);
}

void CQVPreviewMovieDlg::EndPreview()
{
    KillTimer(kTimerPosition);
    KillTimer(kTimerWaiting);
    m_pWaiting.reset();
    m_pQuitting.reset();
    if (m_engine.Pid() > 0)
        FrontEndGlobals().controlBlock.StopPreview();
    m_engine.Stop();
}

bool CQVPreviewMovieDlg::PreviewEnded()
{
    const SharedControlBlock* pBlock = Block();
    if (!pBlock || pBlock->nState == kStateIdle || pBlock->bPreviewFailed != 0)
        return true;
    if (m_engine.IsRunning())
        return false;
    // An engine that ended without writing its end (it crashed or was killed).
    FrontEndGlobals().controlBlock.StopPreview();
    return true;
}

void CQVPreviewMovieDlg::OnTimer(unsigned nId)
{
    const SharedControlBlock* pBlock = Block();
    if (nId == kTimerWaiting)
    {
        if (!pBlock || pBlock->dPosition > 0.001 || pBlock->bPreviewFailed != 0 ||
            !m_engine.IsRunning())
        {
            KillTimer(kTimerWaiting);
            QuitWaiting();
            SetTimer(kTimerPosition, kPositionPeriodMs);
        }
        return;
    }
    if (nId == kTimerPosition)
    {
        double dPosition = 0.0;
        if (PreviewEnded())
        {
            KillTimer(kTimerPosition);
            ShowButton(false);
        }
        else
            dPosition = pBlock->dPosition;
        ShowPosition(dPosition);
        return;
    }
    CQVDialogBase::OnTimer(nId);
}

void CQVPreviewMovieDlg::ShowPosition(double dSeconds)
{
    const SharedControlBlock* pBlock = Block();
    if (CQVButton* pTime = TimeText())
    {
        QString current;
        pTime->GetText(current);
        pTime->SetText(PreviewTimeText(dSeconds) + current.mid(kPositionTextLength), true);
    }
    if (CQVProgress* pBar = ProgressBar(); pBar && pBlock && pBlock->dPreviewLength > 0.0)
        pBar->SetPos(PreviewPercent(dSeconds, pBlock->dPreviewLength), true);
}

void CQVPreviewMovieDlg::ShowButton(bool bPlaying)
{
    m_bPlaying = bPlaying;
    CQVButton* pButton = PlayButton();
    if (!pButton)
        return;
    const std::string image = bPlaying ? "btn/btnstop.png" : "btn/btnlyricplay.png";
    pButton->SetImageFromFile(FrontEndGlobals().SkinPath(image));
    pButton->SetToolTipText(bPlaying ? QStringLiteral("Stop") : QStringLiteral("Play"));
    Invalidate();
}

void CQVPreviewMovieDlg::TogglePlay()
{
    ShowPosition(0.0);
    CQVControlBlockOwner& owner = FrontEndGlobals().controlBlock;
    SharedControlBlock* pBlock = owner.Block();
    if (!pBlock)
        return;
    if (pBlock->nState != kStateIdle)
    {
        QuitWaiting();
        KillTimer(kTimerPosition);
        KillTimer(kTimerWaiting);
        owner.StopPreview();
        m_engine.Stop();
        ShowButton(false);
        return;
    }
    owner.StartPreview(FrontEndGlobals().outputSettings.Current().nPresetIndex,
                       pBlock->dPreviewLength);
    owner.PreparePreviewHost(GetNativeId());
    if (!StartEngine())
        return;
    ShowButton(true);
    StartWaiting();
    SetTimer(kTimerWaiting, kWaitingPeriodMs);
}

bool CQVPreviewMovieDlg::OnCommand(unsigned nId, intptr_t lParam)
{
    if (nId == kIdPlayStop && !IsEnded())
    {
        TogglePlay();
        return true;
    }
    return CQVDialogBase::OnCommand(nId, lParam);
}

bool CQVPreviewMovieDlg::IsCaptionPoint(QPoint pt) const
{
    if (!GetClientRect().contains(pt))
        return false;
    if (CQVUIManager* pManager = GetUIManager())
    {
        const CQVButton* buttons[] = {pManager->Find(kIdCancel, kKindButton),
                                      pManager->Find(kIdOk, kKindTextButton), PlayButton()};
        for (const CQVButton* pButton : buttons)
            if (pButton && pButton->IsVisible() && pButton->GetRect().contains(pt))
                return false;
    }
    return true;
}

void CQVPreviewMovieDlg::OnOK()
{
    EndPreview();
    CQVDialogBase::OnOK();
}

void CQVPreviewMovieDlg::OnCancel()
{
    EndPreview();
    CQVDialogBase::OnCancel();
}

void CQVPreviewMovieDlg::DrawBackground(QPainter* pGraphics)
{
    CQVDialogBase::DrawBackground(pGraphics);
    if (!pGraphics)
        return;
    const QRect client = GetClientRect();
    const int w = client.width(), h = client.height();
    if (w <= 2 || h <= 71)
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing, false);
    // The picture band, where the engine's window sits; seen before the first picture.
    pGraphics->fillRect(QRect(1, 31, w - 2, h - 71),
                        CQVTheme::ToQColor(CQVTheme::Shift(colors.clrCtrlBK, 30)));
    QLinearGradient band(0, h - 40, 0, h - 1);
    band.setColorAt(0, CQVTheme::ToQColor(colors.clrCtrlBK));
    band.setColorAt(1, CQVTheme::ToQColor(colors.clrDlgBK));
    pGraphics->fillRect(QRect(1, h - 40, w - 2, 39), band);
    const QColor edge = CQVTheme::ToQColor(colors.clrDlgEdge);
    pGraphics->fillRect(QRect(1, h - 40, w - 2, 1), edge);
    pGraphics->fillRect(QRect(1, 30, w - 2, 1), edge);
    pGraphics->restore();
}

} // namespace qv

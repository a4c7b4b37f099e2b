#include "ui/CQVDialogBase.h"

#include "platform/ProgramFolder.h"
#include "ui/CQVButton.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QThread>

namespace qv
{

namespace
{

const int kFadeStep = 50;
const unsigned kFadePeriodMs = 50;

} // namespace

QSize CQVDialogBase::TemplateSize(unsigned nTemplateId)
{
    (void)nTemplateId; // every dialog starts from the empty template and sizes itself
    return QSize(380, 180);
}

CQVDialogBase::CQVDialogBase(CQVPlatformWindow* pParent) : CQVDialogBase(kEmptyTemplateId, pParent)
{
}

CQVDialogBase::CQVDialogBase(unsigned nTemplateId, CQVPlatformWindow* pParent)
    : m_pUIManager(std::make_unique<CQVUIManager>()), m_nTemplateId(nTemplateId),
      m_pParentWindow(pParent), m_bFadeEnabled(CQVTheme::FadeDialogs())
{
}

CQVDialogBase::~CQVDialogBase()
{
    KillTimer(kTimerFadeIn);
    // Controls first: their tooltip windows belong to this window.
    if (m_pUIManager)
        m_pUIManager->Destroy();
    DestroyWindow();
}

int CQVDialogBase::DoModal()
{
    if (IsWindow())
        return -1;
    SetModalWindow(true);
    const int nCode = RunModal();
    KillTimer(kTimerFadeIn);
    DestroyWindow();
    SetModalWindow(false);
    return nCode;
}

void CQVDialogBase::OnInitModal()
{
    if (!Open())
        EndModal(-1);
}

bool CQVDialogBase::Open()
{
    if (IsWindow())
        return false;
    const QSize size = TemplateSize(m_nTemplateId);
    if (!CreateWindowEx(m_pParentWindow, size.width(), size.height()))
        return false;
    m_bEnded = false;
    m_nEndCode = 0;
    m_nResultCode = kIdCancel;
    m_nAlpha = m_bFadeEnabled ? 0 : 255;
    CenterWindow(m_pParentWindow);
    OnInitDialog();
    if (IsWindow() && !m_bEnded)
        ShowWindow(true);
    return IsWindow();
}

void CQVDialogBase::OnInitDialog()
{
    if (m_bFadeEnabled)
    {
        m_nAlpha = 0;
        SetWindowAlpha(0);
    }
    if (m_pUIManager)
    {
        // A dialog opened again starts from a fresh registry.
        if (m_pUIManager->GetCount() > 0)
            m_pUIManager->Destroy();
        m_pUIManager->SetOwner(this);
        m_pUIManager->LoadSkin(this, "skin/mainwnd.xml");
    }
    CreateControls();
    LayoutControls();
    if (m_bFadeEnabled)
        SetTimer(kTimerFadeIn, kFadePeriodMs);
}

void CQVDialogBase::CreateControls()
{
    if (!m_pUIManager)
        return;
    auto* pClose = new CQVButton();
    pClose->SetImageFromFile(ProgramPath("skin/btn/dia-close.png"));
    m_pUIManager->Add(kIdCancel, pClose, kKindButton);
    m_pUIManager->Add(kIdOk, new CQVTextButton(QStringLiteral("OK")), kKindTextButton);
    m_pUIManager->Add(kIdCancel, new CQVTextButton(QStringLiteral("Cancel")), kKindTextButton);
}

void CQVDialogBase::LayoutControls()
{
    if (!m_pUIManager)
        return;
    const QRect client = GetClientRect();
    const int w = client.width(), h = client.height();
    if (CQVButton* pClose = m_pUIManager->Find(kIdCancel, kKindButton))
        pClose->Move(w - 20, 3, 16, 16, false);
    if (CQVButton* pOk = m_pUIManager->Find(kIdOk, kKindTextButton))
        pOk->Move(w - 75, h - 30, 65, 20, false);
    if (CQVButton* pCancel = m_pUIManager->Find(kIdCancel, kKindTextButton))
        pCancel->Move(w - 150, h - 30, 65, 20, false);
}

CQVUIManager* CQVDialogBase::LayoutBaseControls(int* pWidth, int* pHeight)
{
    CQVDialogBase::LayoutControls();
    const QRect client = GetClientRect();
    *pWidth = client.width();
    *pHeight = client.height();
    return m_pUIManager.get();
}

void CQVDialogBase::DrawCaptionBand(QPainter* pGraphics, int nWidth) const
{
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setRenderHint(QPainter::SmoothPixmapTransform);
    const uint32_t clrBack = CQVTheme::Colors().clrDlgBK;
    QLinearGradient band(0, 0, 0, 32);
    band.setColorAt(0, CQVTheme::ToQColor(CQVTheme::Shift(clrBack, -30)));
    band.setColorAt(1, CQVTheme::ToQColor(CQVTheme::Shift(clrBack, 5)));
    pGraphics->fillRect(QRect(0, 0, nWidth, kCaptionHeight), band);
}

QFont CQVDialogBase::CaptionFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(15);
    return font;
}

QLinearGradient CQVDialogBase::CaptionTextFill()
{
    const uint32_t clrText = CQVTheme::Colors().clrText;
    QLinearGradient fill(0, 0, 0, 15);
    fill.setColorAt(0, CQVTheme::ToQColor(CQVTheme::Shift(clrText, -30)));
    fill.setColorAt(1, CQVTheme::ToQColor(CQVTheme::Shift(clrText, 50)));
    return fill;
}

void CQVDialogBase::DrawBackground(QPainter* pGraphics)
{
    if (!pGraphics)
        return;
    const QRect client = GetClientRect();
    const int w = client.width(), h = client.height();
    pGraphics->save();
    DrawCaptionBand(pGraphics, w);

    const QString caption = GetWindowText();
    if (!caption.isEmpty() && w > 60)
    {
        const QFont font = CaptionFont();
        const QFontMetricsF metrics(font);
        // The glyphs are filled with the gradient through the pen's brush: the same look as
        // filling the text's outline, with hinted (sharper) glyphs.
        pGraphics->setFont(font);
        pGraphics->setPen(QPen(QBrush(CaptionTextFill()), 1.0));
        const QRectF layout(5, 0, w - 60, kCaptionHeight);
        pGraphics->drawText(layout, Qt::AlignLeft | Qt::AlignVCenter,
                            metrics.elidedText(caption, Qt::ElideRight, layout.width()));
    }

    pGraphics->setPen(QPen(CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge), 1.0));
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    pGraphics->restore();
}

void CQVDialogBase::OnMenuCommand(int nCommandId)
{
    SendMessage(kMsgCommand, static_cast<uintptr_t>(nCommandId & 0xFFFF), 0);
}

intptr_t CQVDialogBase::OnComboChoice(CQVButton* pComboBox, int nIndex)
{
    (void)pComboBox, (void)nIndex;
    return 0;
}

void CQVDialogBase::FadeOut()
{
    if (!m_bFadeEnabled)
        return;
    KillTimer(kTimerFadeIn);
    // Blocks the GUI thread for at most six steps; the window owns no other work meanwhile.
    while (m_nAlpha > 0)
    {
        m_nAlpha = std::max(0, m_nAlpha - kFadeStep);
        SetWindowAlpha(m_nAlpha);
        QThread::msleep(kFadePeriodMs);
    }
}

void CQVDialogBase::OnOK()
{
    m_nResultCode = kIdOk;
    FadeOut();
    EndDialog(kIdOk);
}

void CQVDialogBase::OnCancel()
{
    m_nResultCode = kIdCancel;
    FadeOut();
    EndDialog(kIdCancel);
}

void CQVDialogBase::OnYes()
{
    OnOK();
    m_nResultCode = kIdYes;
}

void CQVDialogBase::OnNo()
{
    OnCancel();
    m_nResultCode = kIdNo;
}

void CQVDialogBase::EndDialog(int nCode)
{
    m_bEnded = true;
    m_nEndCode = nCode;
    KillTimer(kTimerFadeIn);
    if (GetCapture() == this)
        ReleaseCapture();
    ShowWindow(false);
    EndModal(nCode);
}

bool CQVDialogBase::OnCommand(unsigned nId, intptr_t lParam)
{
    (void)lParam;
    // A command that arrives after the end (a second click queued behind the first) is void.
    if (m_bEnded)
        return nId == kIdOk || nId == kIdCancel;
    if (nId == kIdOk)
    {
        OnOK();
        return true;
    }
    if (nId == kIdCancel)
    {
        OnCancel();
        return true;
    }
    return false;
}

intptr_t CQVDialogBase::OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
{
    switch (nMsg)
    {
    case kMsgCommand:
        return OnCommand(static_cast<unsigned>(wParam & 0xFFFF), lParam) ? 1 : 0;
    case kMsgDrawBackground:
        DrawBackground(reinterpret_cast<QPainter*>(wParam));
        return 1;
    case kMsgMenuCommand:
        OnMenuCommand(static_cast<int>(lParam));
        return 0;
    case kMsgComboChoice:
        return OnComboChoice(reinterpret_cast<CQVButton*>(wParam), static_cast<int>(lParam));
    default:
        return 0;
    }
}

void CQVDialogBase::OnTimer(unsigned nId)
{
    if (nId != kTimerFadeIn)
        return;
    m_nAlpha += kFadeStep;
    if (m_nAlpha >= 256)
    {
        KillTimer(kTimerFadeIn);
        m_nAlpha = 255;
    }
    SetWindowAlpha(m_nAlpha);
}

void CQVDialogBase::OnPaint()
{
    if (m_pUIManager)
        m_pUIManager->Paint();
}

bool CQVDialogBase::IsCaptionPoint(QPoint pt) const
{
    const int w = GetClientRect().width();
    return pt.x() >= 0 && pt.y() >= 0 && pt.x() < w - 25 && pt.y() < kCaptionHeight;
}

void CQVDialogBase::OnMouseMessage(unsigned nCode, QPoint pt)
{
    if (!m_pUIManager)
        return;
    switch (nCode)
    {
    case kMsgMouseMove:
        m_bTrackingLeave = true;
        m_pUIManager->Mouse(nCode, pt);
        break;
    case kMsgMouseLeave:
        m_bTrackingLeave = false;
        m_pUIManager->Mouse(kMsgMouseLeave, QPoint(-99, -99));
        break;
    case kMsgLButtonDown:
        if (IsCaptionPoint(pt))
            BeginCaptionDrag();
        else
            m_pUIManager->Mouse(nCode, pt);
        break;
    case kMsgLButtonUp:
    case kMsgLButtonDblClk:
    case kMsgRButtonDown:
    case kMsgRButtonUp:
        m_pUIManager->Mouse(nCode, pt);
        break;
    default:
        break;
    }
}

bool CQVDialogBase::OnDialogKey(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || m_bEnded)
        return false;
    if (msg.nVirtualKey == kVkEscape)
    {
        OnCancel();
        return true;
    }
    if (msg.nVirtualKey == kVkReturn && m_pUIManager)
    {
        CQVButton* pOk = m_pUIManager->Find(kIdOk, kKindTextButton);
        if (pOk && pOk->IsVisible() && pOk->IsEnabled())
        {
            OnOK();
            return true;
        }
    }
    return false;
}

bool CQVDialogBase::OnInputMessage(const tagQVInputMessage& msg)
{
    if (!m_pUIManager)
        return false;
    if (msg.nMessage == kMsgMouseWheel)
        return m_pUIManager->Wheel(msg);
    if (m_pUIManager->Key(msg))
        return true;
    return OnDialogKey(msg);
}

void CQVDialogBase::OnActivate(bool bActive)
{
    if (m_pUIManager)
        m_pUIManager->Activate(bActive);
}

void CQVDialogBase::OnSize(int nWidth, int nHeight)
{
    (void)nWidth, (void)nHeight;
    LayoutControls();
    if (m_pUIManager)
        m_pUIManager->Resized();
    Invalidate();
}

void CQVDialogBase::OnClose()
{
    if (!m_bEnded)
        OnCancel();
}

} // namespace qv

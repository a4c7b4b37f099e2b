#include "ui/CQVButton.h"

#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"
#include "ui/CQVToolTipWnd.h"
#include "ui/CQVUIManager.h"

#include <QFontMetricsF>
#include <QPainter>

namespace qv
{

namespace
{

int AlignmentFlags(int nTextAlign)
{
    switch (nTextAlign)
    {
    case CQVButton::kAlignLeft:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case CQVButton::kAlignRight:
        return Qt::AlignRight | Qt::AlignVCenter;
    case CQVButton::kAlignCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case CQVButton::kAlignBottom:
        return Qt::AlignHCenter | Qt::AlignBottom;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// A 1-pixel rectangle covering the pixels x .. x + w and y .. y + h, drawn on pixel centres
// so that it stays sharp with anti-aliasing on.
void DrawFrame(QPainter* pGraphics, int x, int y, int w, int h, const QColor& colour)
{
    pGraphics->save();
    pGraphics->setPen(QPen(colour, 1.0));
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->drawRect(QRectF(x + 0.5, y + 0.5, w, h));
    pGraphics->restore();
}

} // namespace

CQVButton::CQVButton() = default;

CQVButton::~CQVButton() = default;

void CQVButton::Destroy()
{
    m_pImage.reset();
    m_pSavedBackground.reset();
    m_strText = QString();
    m_pToolTip.reset();
}

bool CQVButton::SetImageFromFile(const std::string& path)
{
    m_pImage.reset();
    if (path.empty())
        return false;
    QImage file(QString::fromStdString(path));
    if (file.isNull())
        return false;
    m_pImage = std::make_unique<QImage>(file.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return true;
}

void CQVButton::SetImage(const QImage& image)
{
    if (image.isNull())
        m_pImage.reset();
    else
        m_pImage =
            std::make_unique<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

void CQVButton::Attach(CQVUIManager* pManager, CQVPlatformWindow* pOwner, int nId, int nKind)
{
    m_pManager = pManager;
    m_pOwner = pOwner;
    m_nId = nId;
    m_nKind = nKind;
}

bool CQVButton::HitTest(QPoint pt) const
{
    return pt.x() >= m_nX && pt.x() < m_nX + m_nWidth && pt.y() >= m_nY &&
           pt.y() < m_nY + m_nHeight;
}

bool CQVButton::IsCaptured() const
{
    return m_pOwner && CQVPlatformWindow::GetCapture() == m_pOwner;
}

void CQVButton::ApplyHoverCursor()
{
    if (m_nHoverCursor >= 0 && m_pOwner)
        m_pOwner->SetCursorShape(m_nHoverCursor);
}

bool CQVButton::IsToolTipVisible() const
{
    return m_pToolTip && m_pToolTip->IsWindowVisible();
}

bool CQVButton::FrameGeometry4(const QSize& strip, int nFrame, const QRect& rc, QRect* pSource,
                               QRect* pTarget)
{
    const int nFrameWidth = strip.width() / 4;
    if (nFrameWidth <= 0 || strip.height() <= 0)
        return false;
    int x = rc.x() + (rc.width() - nFrameWidth) / 2;
    int y = rc.y() + (rc.height() - strip.height()) / 2;
    int w = nFrameWidth;
    int h = strip.height();
    if (4 * rc.width() < strip.width())
    {
        w = rc.width();
        x = rc.x();
    }
    if (rc.height() < strip.height())
    {
        h = rc.height();
        y = rc.y();
    }
    *pSource = QRect(nFrame * nFrameWidth, 0, w, h);
    *pTarget = QRect(x, y, w, h);
    return true;
}

void CQVButton::DrawImageFrame(QPainter* pGraphics)
{
    if (!m_pImage)
        return;
    const QImage& image = *m_pImage;
    const QRect rc(m_nX, m_nY, m_nWidth, m_nHeight);
    switch (m_nStripLayout)
    {
    case 4:
    {
        const int nFrame = m_bEnabled ? std::max(0, std::min(m_nState, 2)) : 3;
        QRect source, target;
        if (FrameGeometry4(image.size(), nFrame, rc, &source, &target))
            pGraphics->drawImage(target.topLeft(), image, source);
        break;
    }
    case 2:
    {
        const int nFrameWidth = image.width() / 2;
        if (nFrameWidth <= 0)
            break;
        pGraphics->save();
        pGraphics->setRenderHint(QPainter::SmoothPixmapTransform);
        pGraphics->drawImage(rc, image,
                             QRect(m_bEnabled ? 0 : nFrameWidth, 0, nFrameWidth, image.height()));
        pGraphics->restore();
        break;
    }
    case 1:
        pGraphics->save();
        pGraphics->setRenderHint(QPainter::SmoothPixmapTransform);
        pGraphics->setOpacity(m_bEnabled ? 1.0 : 0.5);
        pGraphics->drawImage(rc, image);
        pGraphics->restore();
        break;
    default:
        break;
    }
}

void CQVButton::Draw(QPainter* pGraphics, const QImage* pComposite)
{
    if (m_nWidth <= 0 || m_nHeight <= 0 || !m_bVisible)
        return;
    const QRect rc(m_nX, m_nY, m_nWidth, m_nHeight);
    if (pGraphics)
    {
        m_pSavedBackground.reset();
        if (pComposite)
            m_pSavedBackground = std::make_unique<QImage>(pComposite->copy(rc));
        pGraphics->save();
        pGraphics->setClipRect(rc, Qt::IntersectClip);
        DrawImageFrame(pGraphics);
        DrawText(pGraphics, rc);
        pGraphics->restore();
        return;
    }

    if (!m_pOwner || !m_pOwner->IsWindow())
        return;
    QImage bitmap(m_nWidth, m_nHeight, QImage::Format_ARGB32_Premultiplied);
    if (m_pSavedBackground && m_pSavedBackground->size() == bitmap.size())
        bitmap = m_pSavedBackground->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    else
        bitmap.fill(CQVTheme::ToQColor(CQVTheme::Colors().clrDlgBK));
    {
        QPainter painter(&bitmap);
        painter.translate(-m_nX, -m_nY);
        DrawImageFrame(&painter);
        DrawText(&painter, rc);
    }
    m_pOwner->BlitImage(bitmap, m_nX, m_nY);
}

bool CQVButton::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    if (!m_bEnabled || !m_bVisible)
        return false;
    CQVPlatformWindow* pCapture = CQVPlatformWindow::GetCapture();
    const bool bCaptured = pOwner && pCapture == pOwner;
    const bool bInside = HitTest(pt);

    if (bInside && bCaptured)
    {
        if (nCode != kMsgLButtonUp)
            return false;
        bool bChanged = false;
        if (m_nState != kStateHover)
        {
            if (m_nState == kStatePressed)
                Clicked(pt);
            m_nState = kStateHover;
            bChanged = true;
        }
        CQVPlatformWindow::ReleaseCapture();
        return bChanged;
    }

    if (bInside)
    {
        // Another window holds the capture: it gets the mouse, not this control.
        if (pCapture)
            return false;
        switch (nCode)
        {
        case kMsgMouseMove:
            ApplyHoverCursor();
            if (m_nState == kStateHover || m_nState == kStatePressed)
                return false;
            ShowToolTip(true);
            m_nState = kStateHover;
            return true;
        case kMsgLButtonDown:
            if (m_nState == kStatePressed)
                return false;
            ApplyHoverCursor();
            m_nState = kStatePressed;
            TakeFocus();
            if (pOwner)
                pOwner->SetCapture();
            return true;
        case kMsgLButtonUp:
            if (m_nState == kStateHover)
                return false;
            ApplyHoverCursor();
            if (m_nState == kStatePressed)
                Clicked(pt);
            m_nState = kStateHover;
            return true;
        default:
            return false;
        }
    }

    if (bCaptured)
    {
        if (nCode != kMsgLButtonUp && nCode != kMsgRButtonUp)
            return false;
        const bool bChanged = m_nState != kStateNormal;
        m_nState = kStateNormal;
        CQVPlatformWindow::ReleaseCapture();
        return bChanged;
    }

    // Outside and not captured; this includes the leave code with (-99, -99).
    ShowToolTip(false);
    const bool bChanged = m_nState != kStateNormal;
    m_nState = kStateNormal;
    return bChanged;
}

bool CQVButton::Key(const tagQVInputMessage& msg)
{
    if (msg.nMessage != kMsgKeyDown || msg.nVirtualKey != kVkReturn)
        return false;
    if (!m_bFocused || !m_bEnabled || !m_bVisible)
        return false;
    Clicked(QPoint(m_nX + 1, m_nY + 1));
    return true;
}

void CQVButton::SetText(const QString& strText, bool bRedraw)
{
    m_strText = strText;
    if (bRedraw && m_bVisible)
        Draw();
}

void CQVButton::GetText(QString& strText) const
{
    strText = m_strText;
}

void CQVButton::Enable(bool bEnable, bool bRedraw)
{
    if (m_bEnabled == bEnable)
        return;
    m_bEnabled = bEnable;
    if (!bEnable)
    {
        ShowToolTip(false);
        m_nState = kStateNormal;
    }
    if (bRedraw && m_bVisible)
        Draw();
}

void CQVButton::Show(bool bShow, bool bRedraw)
{
    if (m_bVisible == bShow)
        return;
    m_bVisible = bShow;
    if (!bShow)
    {
        ShowToolTip(false);
        m_nState = kStateNormal;
    }
    if (!bRedraw)
        return;
    if (bShow)
        Draw();
    else if (m_pOwner)
        m_pOwner->Invalidate();
}

void CQVButton::MoveToRect(int nLeft, int nTop, int nRight, int nBottom, bool bRedraw)
{
    Move(nLeft, nTop, nRight - nLeft, nBottom - nTop, bRedraw);
}

void CQVButton::Move(int x, int y, int nWidth, int nHeight, bool bRedraw)
{
    if (x == m_nX && y == m_nY && nWidth == m_nWidth && nHeight == m_nHeight)
        return;
    if (bRedraw && m_pSavedBackground && m_pOwner)
        m_pOwner->BlitImage(*m_pSavedBackground, m_nX, m_nY);
    m_pSavedBackground.reset();
    m_nX = x;
    m_nY = y;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    if (bRedraw && m_pOwner)
        m_pOwner->Invalidate();
}

bool CQVButton::TakeFocus()
{
    m_bFocused = true;
    if (m_pManager)
        return m_pManager->SetFocus(this, m_nKind);
    return true;
}

void CQVButton::Clicked(QPoint pt)
{
    (void)pt;
    ShowToolTip(false);
    if (m_pOwner)
        m_pOwner->PostMessage(kMsgCommand, static_cast<uintptr_t>(m_nId & 0xFFFF), 0);
}

void CQVButton::RecalcLayout() {}

QSizeF CQVButton::MeasureText(const QString& strText) const
{
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId);
    if (strText.isEmpty() || !pRecord)
        return QSizeF(0, 0);
    const QFontMetricsF metrics(CQVSkinFonts::MakeFont(*pRecord));
    return metrics.boundingRect(QRectF(0, 0, 100, 50), Qt::AlignCenter | Qt::TextWordWrap, strText)
        .size();
}

bool CQVButton::OnFocusGained()
{
    m_bFocused = true;
    return true;
}

void CQVButton::OnFocusLost()
{
    m_bFocused = false;
}

void CQVButton::OnActivate(bool bActive)
{
    (void)bActive;
}

bool CQVButton::Wheel(const tagQVInputMessage& msg)
{
    (void)msg;
    return false;
}

void CQVButton::SetToolTipText(const QString& strText)
{
    m_strToolTip = strText;
    if (m_pToolTip && m_pToolTip->IsWindowVisible())
        m_pToolTip->SetText(strText);
}

void CQVButton::DrawText(QPainter* pGraphics, const QRect& rc)
{
    const tagQVThemeColors& colors = CQVTheme::Colors();
    if (m_bFramed && m_bEnabled && (m_nState == kStateHover || m_nState == kStatePressed))
    {
        const uint32_t clr =
            m_nState == kStatePressed ? colors.clrDlgEdge : CQVTheme::Shift(colors.clrDlgEdge, 40);
        DrawFrame(pGraphics, rc.x(), rc.y(), rc.width() - 1, rc.height() - 1,
                  CQVTheme::ToQColor(clr));
    }
    if (m_strText.isEmpty())
        return;
    const tagQVFontRecord* pRecord = CQVSkinFonts::Find(m_nFontId);
    if (!pRecord)
        return;

    uint32_t clrText = colors.clrText;
    if (!m_bEnabled)
        clrText = CQVTheme::Shift(colors.clrDlgBK, 30);
    else if (m_nState == kStateHover)
        clrText = CQVTheme::Shift(colors.clrText, 40);

    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing);
    pGraphics->setRenderHint(QPainter::TextAntialiasing);
    pGraphics->setRenderHint(QPainter::SmoothPixmapTransform);
    pGraphics->setFont(CQVSkinFonts::MakeFont(*pRecord));
    pGraphics->setPen(CQVTheme::ToQColor(clrText));
    QRect layout = rc;
    if (pRecord->bVertical)
    {
        // Top to bottom, glyphs turned a quarter clockwise.
        pGraphics->translate(rc.x() + rc.width(), rc.y());
        pGraphics->rotate(90);
        layout = QRect(0, 0, rc.height(), rc.width());
    }
    pGraphics->drawText(layout, AlignmentFlags(m_nTextAlign) | Qt::TextWordWrap, m_strText);
    pGraphics->restore();
}

void CQVButton::ShowToolTip(bool bShow)
{
    if (!bShow || m_strToolTip.isEmpty())
    {
        if (m_pToolTip)
            m_pToolTip->Hide();
        return;
    }
    if (!m_pOwner || !m_pOwner->IsWindow())
        return;
    if (!m_pToolTip)
        m_pToolTip = std::make_unique<CQVToolTipWnd>();
    if (!m_pToolTip->Create(m_pOwner))
        return;
    if (m_pToolTip->IsWindowVisible())
        return;
    m_pToolTip->SetText(m_strToolTip);
    const QRect rcAnchor = ToolTipAnchor();
    const QRect rcScreen(m_pOwner->ClientToScreen(rcAnchor.topLeft()), rcAnchor.size());
    const QPoint pt = CQVToolTipWnd::Place(rcScreen, m_pToolTip->MeasureText(),
                                           m_pOwner->GetScreenRect(), m_pOwner->GetWorkArea());
    m_pToolTip->ShowAt(pt);
}

} // namespace qv

#include "ui/CQVToolTipWnd.h"

#include "ui/CQVSkinFonts.h"
#include "ui/CQVTheme.h"

#include <QFontMetrics>
#include <QPainter>

namespace qv
{

namespace
{

const int kPadX = 8;
const int kPadY = 5;
// Corners of the background image that keep their size when it is stretched.
const int kSliceMargin = 6;

void DrawNineSlice(QPainter& painter, const QImage& image, const QRect& target)
{
    const int m = std::min({kSliceMargin, image.width() / 2, image.height() / 2, target.width() / 2,
                            target.height() / 2});
    const int sw = image.width(), sh = image.height();
    const int tw = target.width(), th = target.height();
    const int xs[] = {0, m, sw - m, sw};
    const int ys[] = {0, m, sh - m, sh};
    const int xt[] = {0, m, tw - m, tw};
    const int yt[] = {0, m, th - m, th};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
        {
            const QRect source(xs[col], ys[row], xs[col + 1] - xs[col], ys[row + 1] - ys[row]);
            const QRect dest(target.x() + xt[col], target.y() + yt[row], xt[col + 1] - xt[col],
                             yt[row + 1] - yt[row]);
            if (source.isValid() && dest.isValid())
                painter.drawImage(dest, image, source);
        }
}

} // namespace

bool CQVToolTipWnd::Create(CQVPlatformWindow* pOwner)
{
    if (!pOwner || !pOwner->IsWindow())
        return false;
    if (IsWindow())
        return true;
    return CreateWindowEx(pOwner, 10, 10, EStyle::ToolPopup);
}

void CQVToolTipWnd::SetText(const QString& strText)
{
    m_strText = strText;
    Invalidate();
}

QFont CQVToolTipWnd::Font() const
{
    if (const tagQVFontRecord* pRecord = CQVSkinFonts::Find(CQVSkinFonts::ToolTipFontId()))
        return CQVSkinFonts::MakeFont(*pRecord);
    tagQVFontRecord fallback;
    return CQVSkinFonts::MakeFont(fallback);
}

QSize CQVToolTipWnd::MeasureText() const
{
    const QFontMetrics metrics(Font());
    const QRect bounds = metrics.boundingRect(QRect(0, 0, 600, 400), Qt::AlignLeft, m_strText);
    return QSize(bounds.width() + 2 * kPadX, bounds.height() + 2 * kPadY);
}

void CQVToolTipWnd::ShowAt(QPoint ptScreen)
{
    if (!IsWindow())
        return;
    const QSize size = MeasureText();
    MoveWindow(ptScreen.x(), ptScreen.y(), size.width(), size.height());
    Invalidate();
    ShowWindow(true);
}

void CQVToolTipWnd::Hide()
{
    if (IsWindowVisible())
        ShowWindow(false);
}

QPoint CQVToolTipWnd::Place(const QRect& rcControl, const QSize& tip, const QRect& screen,
                            const QRect& workArea)
{
    int x = rcControl.x();
    int y = rcControl.y() + rcControl.height() + 10;
    if (x < screen.x())
        x = screen.x();
    const int nRightLimit = screen.x() + screen.width() - 2;
    if (x + tip.width() > nRightLimit)
        x = nRightLimit - tip.width();
    // The panels' height at the bottom of the screen is what the work area leaves out.
    const int nBottomLimit = workArea.y() + workArea.height();
    if (y + tip.height() > nBottomLimit)
        y -= rcControl.height() + tip.height() + 20;
    return QPoint(x, y);
}

void CQVToolTipWnd::OnPaint()
{
    const QRect client = GetClientRect();
    if (client.isEmpty())
        return;
    const tagQVThemeColors& colors = CQVTheme::Colors();
    QImage image(client.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(CQVTheme::ToQColor(colors.clrCtrlBK));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const std::string& path = CQVSkinFonts::ToolTipBackground();
    if (path != m_backgroundPath)
    {
        m_backgroundPath = path;
        m_background = path.empty() ? QImage() : QImage(QString::fromStdString(path));
    }
    if (!m_background.isNull())
    {
        DrawNineSlice(painter, m_background, client);
    }
    else
    {
        painter.setPen(CQVTheme::ToQColor(colors.clrDlgEdge));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(client).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.setFont(Font());
    painter.setPen(CQVTheme::ToQColor(colors.clrText));
    painter.drawText(client.adjusted(kPadX, kPadY, -kPadX, -kPadY),
                     Qt::AlignLeft | Qt::AlignVCenter, m_strText);
    painter.end();
    PresentImage(image);
}

} // namespace qv

#include "frontend/CQVWaitingDlg.h"

#include "frontend/FrontEndGlobals.h"
#include "ui/CQVTheme.h"

#include <QFont>
#include <QPainter>
#include <QWidget>

namespace qv
{

namespace
{

constexpr unsigned kSpinPeriodMs = 100;
constexpr int kSpinStep = 10;

} // namespace

CQVWaitingDlg::CQVWaitingDlg()
{
    const QImage loaded(QString::fromStdString(FrontEndGlobals().SkinPath("flag/waiting.png")));
    m_image = MakeImage(loaded, CQVTheme::Colors().clrDlgEdge);
}

CQVWaitingDlg::~CQVWaitingDlg()
{
    Close();
}

QImage CQVWaitingDlg::MakeImage(const QImage& loaded, uint32_t clrEdge)
{
    if (loaded.isNull())
        return QImage();
    QImage image = loaded.convertToFormat(QImage::Format_ARGB32);
    QImage shape(image.size(), QImage::Format_ARGB32);
    const QRgb edge = qRgb(QVGetRValue(clrEdge), QVGetGValue(clrEdge), QVGetBValue(clrEdge));
    for (int y = 0; y < image.height(); ++y)
    {
        QRgb* pImage = reinterpret_cast<QRgb*>(image.scanLine(y));
        QRgb* pShape = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
        {
            const int nAlpha = qAlpha(pImage[x]);
            pShape[x] = (edge & 0x00FFFFFF) | (static_cast<QRgb>(nAlpha) << 24);
            pImage[x] = (pImage[x] & 0x00FFFFFF) | (static_cast<QRgb>(nAlpha / 3) << 24);
        }
    }
    QPainter painter(&shape);
    painter.drawImage(0, 0, image);
    return shape;
}

QImage CQVWaitingDlg::ComposeFrame(const QImage& image, QSize window, int nAngle,
                                   const QString& strText, uint32_t clrEdge)
{
    QImage frame(window, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target(kMargin, kMargin, window.width() - 2 * kMargin,
                        window.height() - 2 * kMargin);
    if (!image.isNull() && target.width() > 0 && target.height() > 0)
    {
        painter.save();
        painter.translate(window.width() / 2.0, window.height() / 2.0);
        painter.rotate(nAngle);
        painter.translate(-window.width() / 2.0, -window.height() / 2.0);
        painter.drawImage(target, image);
        painter.restore();
    }
    if (!strText.isEmpty())
    {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(14);
        painter.setFont(font);
        painter.setPen(CQVTheme::ToQColor(CQVTheme::Shift(clrEdge, 60)));
        painter.drawText(QRect(QPoint(0, 0), window), Qt::AlignCenter, strText);
    }
    return frame;
}

bool CQVWaitingDlg::Open()
{
    if (m_image.isNull() || IsWindow())
        return false;
    const QSize size = m_image.size() + QSize(2 * kMargin, 2 * kMargin);
    if (!CreateWindowEx(nullptr, size.width(), size.height()))
        return false;
    QWidget* pWidget = GetWidget();
    // A tool window that is never activated: the preview dialog keeps the keyboard.
    pWidget->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    pWidget->setAttribute(Qt::WA_TranslucentBackground);
    pWidget->setAttribute(Qt::WA_ShowWithoutActivating);
    SetTopMost(true);
    const QRect screen = GetScreenRect();
    MoveWindow(screen.x() + (screen.width() - size.width()) / 2,
               screen.y() + (screen.height() - size.height()) / 2, size.width(), size.height());
    m_nAngle = 0;
    Invalidate();
    ShowWindow(true);
    SetTimer(kTimerSpin, kSpinPeriodMs);
    return true;
}

void CQVWaitingDlg::Close()
{
    KillTimer(kTimerSpin);
    DestroyWindow();
}

void CQVWaitingDlg::OnTimer(unsigned nId)
{
    if (nId != kTimerSpin)
        return;
    m_nAngle += kSpinStep;
    if (m_nAngle > 360)
        m_nAngle = kSpinStep;
    Invalidate();
    UpdateWindow();
    if (QWidget* pWidget = GetWidget())
        pWidget->raise();
}

void CQVWaitingDlg::OnPaint()
{
    PresentImage(ComposeFrame(m_image, GetClientRect().size(), m_nAngle, GetWindowText(),
                              CQVTheme::Colors().clrDlgEdge));
}

void CQVWaitingDlg::OnMouseMessage(unsigned, QPoint)
{
    SetCursorShape(Qt::WaitCursor);
}

} // namespace qv

// The waiting indicator of a preview start: a small borderless, top-most tool window that
// spins "skin/flag/waiting.png", drawn in the theme's edge colour, 10 degrees every 100 ms,
// with per-pixel alpha (an ARGB visual where the X server has one; without a compositor
// the transparent corners show black). The wait cursor shows over it. GUI thread only.
#pragma once

#include "platform/CQVPlatformWindow.h"

#include <QImage>
#include <QString>

namespace qv
{

class CQVWaitingDlg : public CQVPlatformWindow
{
public:
    static constexpr unsigned kTimerSpin = 1;
    static constexpr int kMargin = 25; // around the image on every side

    // Loads the image and makes its edge-coloured form.
    CQVWaitingDlg();
    ~CQVWaitingDlg() override;

    // Shows the window, (w + 50) x (h + 50) centred on the screen, with its first frame,
    // and starts spinning. False when the image is missing or the window cannot be made.
    bool Open();
    // Stops spinning and destroys the window.
    void Close();

    int Angle() const { return m_nAngle; }
    const QImage& Image() const { return m_image; }

    // The image's shape in the edge colour (the loaded alpha, full colour) with the loaded
    // image at a third of its alpha on top. Null for a null image.
    static QImage MakeImage(const QImage& loaded, uint32_t clrEdge);
    // One frame of a window of the size: transparent, the image rotated by nAngle degrees
    // about the centre and stretched into the window less kMargin on every side, and the
    // text (when not empty) centred in "Arial" 14 px in the edge colour raised by 60.
    static QImage ComposeFrame(const QImage& image, QSize window, int nAngle,
                               const QString& strText, uint32_t clrEdge);

protected:
    void OnTimer(unsigned nId) override;
    void OnPaint() override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;

private:
    QImage m_image;
    int m_nAngle = 0;
};

} // namespace qv

// The theme colours that every skinned window draws with, process-wide. Colours are 32-bit
// values with red in the low byte, green in the next and blue in the third.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

namespace qv
{

constexpr uint32_t QVRGB(int r, int g, int b)
{
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}
constexpr int QVGetRValue(uint32_t clr)
{
    return static_cast<int>(clr & 0xFF);
}
constexpr int QVGetGValue(uint32_t clr)
{
    return static_cast<int>((clr >> 8) & 0xFF);
}
constexpr int QVGetBValue(uint32_t clr)
{
    return static_cast<int>((clr >> 16) & 0xFF);
}

struct tagQVThemeColors
{
    uint32_t clrDlgBK = QVRGB(60, 60, 60);      // window background, caption band
    uint32_t clrDlgEdge = QVRGB(160, 160, 160); // window border, button borders and frames
    uint32_t clrCtrlBK = QVRGB(100, 100, 100);  // control faces
    uint32_t clrText = QVRGB(200, 0, 0);        // caption and control text
    uint32_t clrText2 = QVRGB(236, 143, 9);     // text of highlighted text buttons
};

// Touched only on the GUI thread.
class CQVTheme
{
public:
    static tagQVThemeColors& Colors();
    // Back to the built-in colours (what a process has before the theme file is read).
    static void ResetToBuiltIn();

    // Reads a theme file: the root element's "selID" names the child whose "nID" matches;
    // its integer attributes "clrDlgBK", "clrDlgEdge", "clrCtrlBK" and "clrText" (and
    // "clrText2" when present) replace the colours. False, with the colours unchanged, for a
    // missing or unreadable file or when no child matches.
    static bool LoadFile(const std::string& path);

    // Whether dialogs fade in and out; on unless switched off. Dialogs copy it when built.
    static bool FadeDialogs();
    static void SetFadeDialogs(bool bFade);

    // Each channel moved by nDelta and clamped to 0..255.
    static uint32_t Shift(uint32_t clr, int nDelta);
    static QColor ToQColor(uint32_t clr, int nAlpha = 255);
    // The colour as a style-sheet value: "rgba(r, g, b, a)".
    static QString ToCss(uint32_t clr, int nAlpha = 255);
};

} // namespace qv

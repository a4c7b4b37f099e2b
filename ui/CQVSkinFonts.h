// The process-wide font table that skin descriptions fill, and the tooltip settings.
// Touched only on the GUI thread. The table is emptied when the last UI manager goes.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <string>

namespace qv
{

struct tagQVFontRecord
{
    int nId = 0;    // key by which controls and dialogs name the font
    int nSize = 12; // character height in pixels
    int bBold = 0;
    int bItalic = 0;
    int bVertical = 0; // text runs top to bottom
    int bUnderline = 0;
    uint32_t clrNormal = 0; // per-state text colours, red in the low byte
    uint32_t clrHover = 0;
    uint32_t clrDown = 0;
    uint32_t clrDisable = 0;
    QString szFaceName = QStringLiteral("Arial"); // at most 31 characters
};

class CQVSkinFonts
{
public:
    static constexpr int kMaxFaceName = 31;

    // Appends a copy (the face name cut to 31 characters). Records never move once added.
    static void Append(const tagQVFontRecord& record);
    // The first record with that id, or null: a control with such a font draws no text.
    static const tagQVFontRecord* Find(int nId);
    static int Count();
    static void Clear();

    // The font a record describes (family, pixel size, bold, italic, underline).
    static QFont MakeFont(const tagQVFontRecord& record);

    static int ToolTipFontId();
    static void SetToolTipFontId(int nId);
    // Full path of the tooltip background image; empty when none was named.
    static const std::string& ToolTipBackground();
    static void SetToolTipBackground(const std::string& path);
};

} // namespace qv

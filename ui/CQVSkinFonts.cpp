#include "ui/CQVSkinFonts.h"

#include <memory>
#include <vector>

namespace qv
{

namespace
{

std::vector<std::unique_ptr<tagQVFontRecord>> g_fonts;
int g_nToolTipFontId = 0;
std::string g_toolTipBackground;

} // namespace

void CQVSkinFonts::Append(const tagQVFontRecord& record)
{
    auto pRecord = std::make_unique<tagQVFontRecord>(record);
    pRecord->szFaceName.truncate(kMaxFaceName);
    g_fonts.push_back(std::move(pRecord));
}

const tagQVFontRecord* CQVSkinFonts::Find(int nId)
{
    for (const auto& pRecord : g_fonts)
        if (pRecord->nId == nId)
            return pRecord.get();
    return nullptr;
}

int CQVSkinFonts::Count()
{
    return static_cast<int>(g_fonts.size());
}

void CQVSkinFonts::Clear()
{
    g_fonts.clear();
}

QFont CQVSkinFonts::MakeFont(const tagQVFontRecord& record)
{
    QFont font(record.szFaceName.isEmpty() ? QStringLiteral("Arial") : record.szFaceName);
    font.setPixelSize(record.nSize > 0 ? record.nSize : 12);
    font.setBold(record.bBold != 0);
    font.setItalic(record.bItalic != 0);
    font.setUnderline(record.bUnderline != 0);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

int CQVSkinFonts::ToolTipFontId()
{
    return g_nToolTipFontId;
}

void CQVSkinFonts::SetToolTipFontId(int nId)
{
    g_nToolTipFontId = nId;
}

const std::string& CQVSkinFonts::ToolTipBackground()
{
    return g_toolTipBackground;
}

void CQVSkinFonts::SetToolTipBackground(const std::string& path)
{
    g_toolTipBackground = path;
}

} // namespace qv

#include "ui/CQVTheme.h"

#include <algorithm>
#include <cstring>
#include <tinyxml.h>

namespace qv
{

namespace
{

tagQVThemeColors g_colors;
bool g_bFadeDialogs = true;

int Clamp255(int n)
{
    return std::max(0, std::min(255, n));
}

} // namespace

tagQVThemeColors& CQVTheme::Colors()
{
    return g_colors;
}

void CQVTheme::ResetToBuiltIn()
{
    g_colors = tagQVThemeColors();
}

bool CQVTheme::LoadFile(const std::string& path)
{
    TiXmlDocument document;
    if (path.empty() || !document.LoadFile(path.c_str()))
        return false;
    const TiXmlElement* pRoot = document.RootElement();
    if (!pRoot)
        return false;
    int nSelected = 0;
    if (pRoot->QueryIntAttribute("selID", &nSelected) != TIXML_SUCCESS)
        return false;
    for (const TiXmlElement* pTheme = pRoot->FirstChildElement(); pTheme;
         pTheme = pTheme->NextSiblingElement())
    {
        int nId = 0;
        if (pTheme->QueryIntAttribute("nID", &nId) != TIXML_SUCCESS || nId != nSelected)
            continue;
        tagQVThemeColors colors = g_colors;
        const struct
        {
            const char* szName;
            uint32_t* pColour;
        } fields[] = {{"clrDlgBK", &colors.clrDlgBK},
                      {"clrDlgEdge", &colors.clrDlgEdge},
                      {"clrCtrlBK", &colors.clrCtrlBK},
                      {"clrText", &colors.clrText},
                      {"clrText2", &colors.clrText2}};
        for (const auto& field : fields)
        {
            int nValue = 0;
            if (pTheme->QueryIntAttribute(field.szName, &nValue) == TIXML_SUCCESS)
                *field.pColour = static_cast<uint32_t>(nValue) & 0xFFFFFF;
        }
        g_colors = colors;
        return true;
    }
    return false;
}

bool CQVTheme::FadeDialogs()
{
    return g_bFadeDialogs;
}

void CQVTheme::SetFadeDialogs(bool bFade)
{
    g_bFadeDialogs = bFade;
}

uint32_t CQVTheme::Shift(uint32_t clr, int nDelta)
{
    return QVRGB(Clamp255(QVGetRValue(clr) + nDelta), Clamp255(QVGetGValue(clr) + nDelta),
                 Clamp255(QVGetBValue(clr) + nDelta));
}

QColor CQVTheme::ToQColor(uint32_t clr, int nAlpha)
{
    return QColor(QVGetRValue(clr), QVGetGValue(clr), QVGetBValue(clr), Clamp255(nAlpha));
}

QString CQVTheme::ToCss(uint32_t clr, int nAlpha)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(QVGetRValue(clr))
        .arg(QVGetGValue(clr))
        .arg(QVGetBValue(clr))
        .arg(nAlpha);
}

} // namespace qv

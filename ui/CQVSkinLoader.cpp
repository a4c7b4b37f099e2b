#include "ui/CQVSkinLoader.h"

#include "ui/CQVButton.h"
#include "ui/CQVSkinFonts.h"
#include "ui/CQVStatic.h"
#include "ui/CQVUIManager.h"

#include <QImage>
#include <cstdlib>
#include <cstring>
#include <tinyxml.h>

namespace qv
{

namespace
{

const char* const kControlElements[] = {"button",      "check",      "radio",       "sedit",
                                        "progress",    "vlistbox",   "hlistbox",    "combobox",
                                        nullptr /*8*/, "menubutton", "colorbutton", "slider",
                                        "linkbutton",  "static",     "listctrl"};
const int kElementKinds = static_cast<int>(sizeof(kControlElements) / sizeof(kControlElements[0]));

CQVButton* MakeButton(const QVSkinAttributes&)
{
    return new CQVButton();
}

CQVButton* MakeStatic(const QVSkinAttributes&)
{
    return new CQVStatic();
}

QVControlCreator g_creators[kElementKinds] = {MakeButton, nullptr, nullptr, nullptr,    nullptr,
                                              nullptr,    nullptr, nullptr, nullptr,    nullptr,
                                              nullptr,    nullptr, nullptr, MakeStatic, nullptr};

int IntAttribute(const QVSkinAttributes& attributes, const char* szName, int nDefault)
{
    auto found = attributes.find(szName);
    if (found == attributes.end())
        return nDefault;
    return std::atoi(found->second.c_str());
}

QString ElementText(const TiXmlElement* pElement)
{
    const char* szText = pElement->GetText();
    return szText ? QString::fromUtf8(szText) : QString();
}

tagQVFontRecord ReadFont(const TiXmlElement* pElement)
{
    tagQVFontRecord record;
    pElement->QueryIntAttribute("id", &record.nId);
    pElement->QueryIntAttribute("size", &record.nSize);
    pElement->QueryIntAttribute("bold", &record.bBold);
    pElement->QueryIntAttribute("italic", &record.bItalic);
    pElement->QueryIntAttribute("vertical", &record.bVertical);
    pElement->QueryIntAttribute("underline", &record.bUnderline);
    const struct
    {
        const char* szName;
        uint32_t* pColour;
    } colours[] = {{"colornormal", &record.clrNormal},
                   {"colorhover", &record.clrHover},
                   {"colordown", &record.clrDown},
                   {"colordisable", &record.clrDisable}};
    for (const auto& colour : colours)
    {
        int nValue = 0;
        if (pElement->QueryIntAttribute(colour.szName, &nValue) == TIXML_SUCCESS)
            *colour.pColour = static_cast<uint32_t>(nValue) & 0xFFFFFF;
    }
    if (const TiXmlElement* pName = pElement->FirstChildElement("name"))
    {
        const QString face = ElementText(pName);
        if (!face.isEmpty())
            record.szFaceName = face;
    }
    return record;
}

void ReadControl(CQVUIManager& manager, const std::string& baseFolder, int nKind,
                 const TiXmlElement* pElement)
{
    QVControlCreator pCreator = g_creators[nKind];
    if (!pCreator)
        return;
    QVSkinAttributes attributes;
    for (const TiXmlAttribute* pAttribute = pElement->FirstAttribute(); pAttribute;
         pAttribute = pAttribute->Next())
        attributes[pAttribute->Name()] = pAttribute->Value();
    CQVButton* pControl = pCreator(attributes);
    if (!pControl)
        return;

    pControl->Move(IntAttribute(attributes, "x", 0), IntAttribute(attributes, "y", 0),
                   IntAttribute(attributes, "width", 0), IntAttribute(attributes, "height", 0),
                   false);
    // Progress bars and list boxes have no state strip.
    if (nKind != kKindProgress && nKind != kKindVListBox && nKind != kKindHListBox)
        pControl->SetStripLayout(IntAttribute(attributes, "state", pControl->GetStripLayout()));
    pControl->SetFontId(IntAttribute(attributes, "fontid", pControl->GetFontId()));
    const int nId = IntAttribute(attributes, "id", 0);

    for (const TiXmlElement* pChild = pElement->FirstChildElement(); pChild;
         pChild = pChild->NextSiblingElement())
    {
        const char* szName = pChild->Value();
        const char* szText = pChild->GetText();
        if (std::strcmp(szName, "background") == 0 && szText)
            pControl->SetImageFromFile(CQVSkinLoader::JoinPath(baseFolder, szText));
        else if (std::strcmp(szName, "tooltip") == 0)
            pControl->SetToolTipText(
                QString::fromStdString(CQVSkinLoader::ExpandLineBreaks(szText ? szText : "")));
        else if (std::strcmp(szName, "text") == 0)
            pControl->SetText(ElementText(pChild), false);
    }
    manager.AppendEntry(nId, pControl, nKind);
}

} // namespace

int CQVSkinLoader::KindOfElement(const std::string& name)
{
    for (int nKind = 0; nKind < kElementKinds; ++nKind)
        if (kControlElements[nKind] && name == kControlElements[nKind])
            return nKind;
    return -1;
}

void CQVSkinLoader::RegisterControlClass(int nKind, QVControlCreator pCreator)
{
    if (nKind >= 0 && nKind < kElementKinds && kControlElements[nKind])
        g_creators[nKind] = pCreator;
}

std::string CQVSkinLoader::JoinPath(const std::string& baseFolder, const std::string& relative)
{
    std::string path = relative;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return baseFolder + path;
}

std::string CQVSkinLoader::ExpandLineBreaks(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 4, "\\r\\n") == 0)
        {
            result += '\n';
            i += 3;
        }
        else
        {
            result += text[i];
        }
    }
    return result;
}

bool CQVSkinLoader::Load(CQVUIManager& manager, const std::string& baseFolder,
                         const std::string& relativePath)
{
    TiXmlDocument document;
    const std::string path = JoinPath(baseFolder, relativePath);
    if (!document.LoadFile(path.c_str()))
        return false;
    const TiXmlElement* pRoot = document.RootElement();
    if (!pRoot)
        return false;
    for (const TiXmlElement* pElement = pRoot->FirstChildElement(); pElement;
         pElement = pElement->NextSiblingElement())
    {
        const std::string name = pElement->Value();
        const char* szText = pElement->GetText();
        if (name == "background")
        {
            if (!manager.HasBackgroundImage() && szText)
            {
                const QImage image(QString::fromStdString(JoinPath(baseFolder, szText)));
                if (!image.isNull())
                    manager.SetBackgroundImage(image);
            }
        }
        else if (name == "tooltipbackground")
        {
            int nFontId = 0;
            if (pElement->QueryIntAttribute("fontid", &nFontId) == TIXML_SUCCESS)
                CQVSkinFonts::SetToolTipFontId(nFontId);
            CQVSkinFonts::SetToolTipBackground(szText ? JoinPath(baseFolder, szText)
                                                      : std::string());
        }
        else if (name == "font")
        {
            CQVSkinFonts::Append(ReadFont(pElement));
        }
        else
        {
            const int nKind = KindOfElement(name);
            if (nKind >= 0)
                ReadControl(manager, baseFolder, nKind, pElement);
        }
    }
    return true;
}

} // namespace qv

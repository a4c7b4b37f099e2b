#include "project/SettingsFiles.h"

#include "project/CQVXmlDocument.h"

namespace qv
{

bool ReadH264Settings(const std::string& path, tagQVH264Settings* pSettings)
{
    CQVXmlDocument document;
    if (!document.Load(path))
        return false;
    const CQVXmlNode* settings = document.FirstChildElement(u"Settings");
    if (!settings)
        return false;
    pSettings->nProfileIndex = settings->GetInt(u"nProfileIndex", pSettings->nProfileIndex);
    pSettings->nPFrameIndex = settings->GetInt(u"nPFrameIndex", pSettings->nPFrameIndex);
    pSettings->nBFrameIndex = settings->GetInt(u"nBFrameIndex", pSettings->nBFrameIndex);
    return true;
}

bool WriteH264Settings(const std::string& path, const tagQVH264Settings& settings)
{
    CQVXmlDocument document;
    CQVXmlNode* element = document.AppendElement(u"Settings");
    element->SetInt(u"nProfileIndex", settings.nProfileIndex);
    element->SetInt(u"nPFrameIndex", settings.nPFrameIndex);
    element->SetInt(u"nBFrameIndex", settings.nBFrameIndex);
    return document.Save(path, XmlSaveMode::Utf16Le);
}

bool ReadSmoothingSetting(const std::string& path, int32_t* pEnable)
{
    CQVXmlDocument document;
    if (!document.Load(path))
        return false;
    const CQVXmlNode* smoothing = document.FirstChildElement(u"_3DSmoothing");
    if (!smoothing)
        return false;
    *pEnable = smoothing->GetInt(u"Enable", 0);
    return true;
}

bool WriteSmoothingSetting(const std::string& path, int32_t nEnable)
{
    CQVXmlDocument document;
    document.AppendElement(u"_3DSmoothing")->SetInt(u"Enable", nEnable);
    return document.Save(path, XmlSaveMode::Utf16Le);
}

} // namespace qv

#include "project/SettingsFiles.h"

#include "project/CQVXmlDocument.h"
#include "project/FileKeyTable.h"

namespace qv
{

namespace
{

// "skin/h264.dat": a missing key keeps the value the caller's record holds.
constexpr const char* kH264Element = "Settings";
constexpr tagQVFileKey<tagQVH264Settings> kH264[] = {
    Key<&tagQVH264Settings::nProfileIndex>("nProfileIndex"),
    Key<&tagQVH264Settings::nPFrameIndex>("nPFrameIndex"),
    Key<&tagQVH264Settings::nBFrameIndex>("nBFrameIndex"),
};

// "skin/3dsmoothing.xml": a missing switch is off.
struct tagQVSmoothingFile
{
    int32_t Enable = 0;
};
constexpr const char* kSmoothingElement = "_3DSmoothing";
constexpr tagQVFileKey<tagQVSmoothingFile> kSmoothing[] = {
    Key<&tagQVSmoothingFile::Enable>("Enable").Default(0),
};

// The one top-level element of a settings file. False (nothing read) when the file does
// not load or lacks the element.
template <class R, size_t N>
bool ReadSettingsFile(const std::string& path, const char* pszElement,
                      const tagQVFileKey<R> (&keys)[N], R* pRecord)
{
    CQVXmlDocument document;
    if (!document.Load(path))
        return false;
    CQVXmlElementRef element(document.FirstChildElement(KeyName(pszElement)));
    if (!element)
        return false;
    ReadKeys(KeyTable(keys), element, pRecord);
    return true;
}

template <class R, size_t N>
bool WriteSettingsFile(const std::string& path, const char* pszElement,
                       const tagQVFileKey<R> (&keys)[N], const R& record)
{
    CQVXmlDocument document;
    WriteKeys(KeyTable(keys), record, document.AppendElement(KeyName(pszElement)));
    return document.Save(path, XmlSaveMode::Utf16Le);
}

} // namespace

bool ReadH264Settings(const std::string& path, tagQVH264Settings* pSettings)
{
    return ReadSettingsFile(path, kH264Element, kH264, pSettings);
}

bool WriteH264Settings(const std::string& path, const tagQVH264Settings& settings)
{
    return WriteSettingsFile(path, kH264Element, kH264, settings);
}

bool ReadSmoothingSetting(const std::string& path, int32_t* pEnable)
{
    tagQVSmoothingFile file;
    if (!ReadSettingsFile(path, kSmoothingElement, kSmoothing, &file))
        return false;
    *pEnable = file.Enable;
    return true;
}

bool WriteSmoothingSetting(const std::string& path, int32_t nEnable)
{
    return WriteSettingsFile(path, kSmoothingElement, kSmoothing, tagQVSmoothingFile{nEnable});
}

} // namespace qv

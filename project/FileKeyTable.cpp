#include "project/FileKeyTable.h"

#include <algorithm>
#include <cmath>

namespace qv
{

std::u16string KeyName(const char* pszName)
{
    std::u16string name;
    for (; *pszName; ++pszName)
        name.push_back(static_cast<unsigned char>(*pszName));
    return name;
}

CQVXmlNode* AppendKeyElement(CQVXmlNode* pParent, const char* pszName)
{
    return pParent->AppendElement(KeyName(pszName));
}

void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, int32_t nValue)
{
    pNode->SetInt(KeyName(pszName), nValue);
}

void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, double dValue)
{
    pNode->SetDouble(KeyName(pszName), dValue);
}

void WriteKeyValue(CQVXmlNode* pNode, const char* pszName, const std::string& value)
{
    pNode->SetStringUtf8(KeyName(pszName), value);
}

int32_t ReadKeyValue(CQVXmlElementRef element, const char* pszName, int32_t nIfMissing)
{
    return element.GetInt(pszName, nIfMissing);
}

double ReadKeyValue(CQVXmlElementRef element, const char* pszName, double dIfMissing)
{
    const double value = element.GetDouble(pszName, dIfMissing);
    if (!std::isfinite(value))
        return dIfMissing;
    return std::clamp(value, -kQVMaxFileMagnitude, kQVMaxFileMagnitude);
}

std::string ReadKeyValue(CQVXmlElementRef element, const char* pszName,
                         const std::string& ifMissing)
{
    return element.GetPath(pszName, ifMissing);
}

} // namespace qv

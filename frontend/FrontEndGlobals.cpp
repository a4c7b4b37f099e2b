#include "frontend/FrontEndGlobals.h"

#include "protocol/JobFolder.h"

namespace qv
{

std::string CQVFrontEndGlobals::SettingsWritePath(const std::string& name) const
{
    return qv::SettingsWritePath(SkinRoot(), name);
}

std::string CQVFrontEndGlobals::SettingsReadPath(const std::string& name) const
{
    return qv::SettingsReadPath(SkinRoot(), name);
}

CQVFrontEndGlobals& FrontEndGlobals()
{
    static CQVFrontEndGlobals globals;
    return globals;
}

} // namespace qv

#include "frontend/FrontEndGlobals.h"

#include "platform/ProgramFolder.h"

namespace qv
{

std::string CQVFrontEndGlobals::SettingsReadPath(const std::string& name) const
{
    const std::string written = SettingsWritePath(name);
    return PathExists(written) ? written : SkinPath(name);
}

CQVFrontEndGlobals& FrontEndGlobals()
{
    static CQVFrontEndGlobals globals;
    return globals;
}

} // namespace qv

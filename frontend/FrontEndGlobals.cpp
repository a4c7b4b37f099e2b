#include "frontend/FrontEndGlobals.h"

namespace qv
{

CQVFrontEndGlobals& FrontEndGlobals()
{
    static CQVFrontEndGlobals globals;
    return globals;
}

} // namespace qv

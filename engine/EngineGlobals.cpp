#include "engine/EngineGlobals.h"

namespace qv
{

CQVEngineGlobals& EngineGlobals()
{
    static CQVEngineGlobals globals;
    return globals;
}

} // namespace qv

#include "ui/CQVStatic.h"

namespace qv
{

bool CQVStatic::Mouse(CQVPlatformWindow* pOwner, unsigned nCode, QPoint pt)
{
    (void)pOwner, (void)nCode, (void)pt;
    return false;
}

} // namespace qv

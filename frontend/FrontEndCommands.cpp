#include "frontend/FrontEndCommands.h"

#include "frontend/CQVMainDlg.h"

namespace qv
{

void InstallFrontEndCommands() {}

} // namespace qv

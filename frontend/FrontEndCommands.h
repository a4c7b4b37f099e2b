// Connects the main window's crop, settings and preview commands to their dialogs.
#pragma once

namespace qv
{

void InstallFrontEndCommands();

} // namespace qv

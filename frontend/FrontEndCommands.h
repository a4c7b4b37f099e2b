// Connects the main window's crop, settings and preview commands to their dialogs.
#pragma once

namespace qv
{

class CQVMainDlg;

void InstallFrontEndCommands(CQVMainDlg* pDialog);

} // namespace qv

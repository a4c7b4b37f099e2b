// The program folder: the folder of the running executable, ending in "/".
// Every file either program names is this folder plus a relative path in tmp/ or skin/.
#pragma once

#include <string>

namespace qv
{

// Folder of /proc/self/exe with a trailing "/"; computed once and cached.
// Empty only when the executable's path cannot be read at all.
const std::string& ProgramFolder();

// The folder that holds skin/: the program folder, or <prefix>/share/vantrel/ when the
// programs run from <prefix>/bin/ and that folder exists (an installed layout). Ends in "/".
const std::string& DataFolder();
// Whether the programs run from an installed layout (decided by the layout alone: tests run
// as root, so write access tells nothing).
bool IsInstalledLayout();

// ProgramFolder() + relativePath; a path in "skin/" is under DataFolder() instead. A relative path
// written with "\" separators is accepted and turned into "/" (the job files name paths that way).
std::string ProgramPath(const std::string& relativePath);

// The part of a path after the last "/" or "\" (the whole path when it has neither).
std::string FileNamePart(const std::string& path);

// True when something exists at the path (file, folder or anything else).
bool PathExists(const std::string& path);

// Creates the folder and its missing parents (mode 0700 for new ones). True when it exists after.
bool MakeFolders(const std::string& path);

} // namespace qv

// Emptying the front-end's job folders: the program's "tmp/" at exit and "tmp/tlframe/"
// after each run of the crop dialog.
#pragma once

#include <string>

namespace qv
{

// Deletes every file and every subfolder inside the folder, recursively, and keeps the
// folder itself. Symbolic links are removed as links: nothing outside the folder is ever
// touched. Folders of ours that lack write or search permission get it back first, so
// that their content can go.
//
// Refuses (false, nothing deleted) an empty path, a path of three characters or fewer
// (as written, or once "." and ".." are resolved, such as "/" or "/.."), a path that is
// not a folder, and a folder that does not exist.
// After the first entry that cannot be deleted it deletes nothing more but still walks the
// rest of the tree; the result is then false. True when the folder is left empty.
bool EmptyFolder(const std::string& path);

} // namespace qv

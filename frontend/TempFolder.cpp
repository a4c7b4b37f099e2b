#include "frontend/TempFolder.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace qv
{

namespace fs = std::filesystem;

namespace
{

const size_t kShortestPath = 4; // "/" and other roots are three characters or fewer

// The path without its trailing separators, so that "/a/" counts as the two-character "/a".
std::string WithoutTrailingSlashes(std::string text)
{
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
        text.pop_back();
    return text;
}

// Walks the folder depth first. Until the first failure every entry is deleted; after it
// the walk goes on without deleting, so that one stubborn file does not hide the rest of
// the tree from the caller's count of what is left.
void EmptyInside(const fs::path& folder, bool* pFailed)
{
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    if (error)
        *pFailed = true;
    for (const fs::path& entry : entries)
    {
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(entry, statusError);
        if (!statusError && fs::is_directory(status))
        {
            if (!*pFailed)
            {
                // A folder we own but may not write or enter would keep its content.
                std::error_code ignored;
                fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, ignored);
            }
            EmptyInside(entry, pFailed);
        }
        if (*pFailed)
            continue;
        std::error_code removeError;
        if (!fs::remove(entry, removeError) || removeError)
            *pFailed = true;
    }
}

} // namespace

bool EmptyFolder(const std::string& path)
{
    if (path.empty() || WithoutTrailingSlashes(path).size() < kShortestPath)
        return false;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(path), error);
    if (error)
        return false;
    if (WithoutTrailingSlashes(absolute.lexically_normal().string()).size() < kShortestPath)
        return false;
    if (!fs::is_directory(absolute, error) || error)
        return false;
    bool bFailed = false;
    EmptyInside(absolute, &bFailed);
    return !bFailed;
}

} // namespace qv

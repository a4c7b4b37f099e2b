#include "platform/ProgramFolder.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

const std::string& ProgramFolder()
{
    static const std::string folder = []
    {
        char buffer[PATH_MAX + 1];
        ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
        if (length <= 0)
            return std::string();
        std::string exe(buffer, static_cast<size_t>(length));
        size_t slash = exe.rfind('/');
        return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
    }();
    return folder;
}

std::string ProgramPath(const std::string& relativePath)
{
    std::string path = relativePath;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return ProgramFolder() + path;
}

std::string FileNamePart(const std::string& path)
{
    size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool PathExists(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool MakeFolders(const std::string& path)
{
    if (path.empty())
        return false;
    std::string partial;
    size_t start = 0;
    while (start <= path.size())
    {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        start = slash + 1;
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace qv

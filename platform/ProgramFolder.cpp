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

bool IsInstalledLayout()
{
    return DataFolder() != ProgramFolder();
}

const std::string& DataFolder()
{
    static const std::string folder = []
    {
        const std::string& program = ProgramFolder();
        // <prefix>/bin/ beside <prefix>/share/vantrel/: the programs were installed.
        if (program.size() > 5 && program.compare(program.size() - 5, 5, "/bin/") == 0)
        {
            const std::string prefix = program.substr(0, program.size() - 4);
            const std::string share = prefix + "share/vantrel/";
            struct stat info;
            if (stat((share + "skin").c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                return share;
        }
        return program;
    }();
    return folder;
}

std::string ProgramPath(const std::string& relativePath)
{
    std::string path = relativePath;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.compare(0, 5, "skin/") == 0)
        return DataFolder() + path;
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

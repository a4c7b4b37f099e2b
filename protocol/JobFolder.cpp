#include "protocol/JobFolder.h"

#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

std::string EnvironmentFolder(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return std::string();
    std::string folder = value;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/";
}

// A private folder: made with 0700, and refused when someone else owns it or may enter it.
bool PrivateFolder(const std::string& folder)
{
    if (!MakeFolders(folder))
        return false;
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return false;
    return (info.st_mode & 0077) == 0 || chmod(folder.c_str(), 0700) == 0;
}

} // namespace

std::string JobFolder()
{
    if (!IsInstalledLayout())
    {
        const std::string folder = ProgramFolder() + "tmp/";
        MakeFolders(folder);
        return folder;
    }
    std::string runtime = EnvironmentFolder("XDG_RUNTIME_DIR");
    const std::string folder =
        runtime.empty() ? "/tmp/vantrel-" + std::to_string(getuid()) + "/" : runtime + "vantrel/";
    return PrivateFolder(folder) ? folder : std::string();
}

std::string JobPath(const std::string& name)
{
    const std::string folder = JobFolder();
    return folder.empty() ? std::string() : folder + name;
}

std::string UserConfigFolder()
{
    std::string config = EnvironmentFolder("XDG_CONFIG_HOME");
    if (config.empty())
    {
        std::string home = EnvironmentFolder("HOME");
        if (home.empty())
            if (passwd* entry = getpwuid(getuid()))
                home = std::string(entry->pw_dir) + "/";
        config = home + ".config/";
    }
    return config + "vantrel/";
}

std::string SettingsWritePath(const std::string& dataFolder, const std::string& name)
{
    if (!IsInstalledLayout())
        return dataFolder + "skin/" + name;
    const std::string folder = UserConfigFolder();
    MakeFolders(folder);
    return folder + name;
}

std::string SettingsReadPath(const std::string& dataFolder, const std::string& name)
{
    const std::string written = SettingsWritePath(dataFolder, name);
    if (PathExists(written))
        return written;
    return dataFolder + "skin/" + name;
}

} // namespace qv

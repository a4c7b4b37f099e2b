#include "platform/SettingsStore.h"

#include "platform/ProgramFolder.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace qv
{

namespace
{

using Section = std::vector<std::pair<std::string, uint32_t>>;
using Store = std::vector<std::pair<std::string, Section>>;

std::string ConfigFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
    {
        std::string folder = config;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder + "/vantrel";
    }
    const char* home = std::getenv("HOME");
    std::string homeFolder = home && home[0] ? home : "";
    if (homeFolder.empty())
    {
        if (passwd* entry = getpwuid(getuid()))
            homeFolder = entry->pw_dir;
    }
    return homeFolder + "/.config/vantrel";
}

// Lines: "[key path]", then "name=dword:XXXXXXXX" (hexadecimal). Anything else is skipped.
Store Parse(std::istream& in)
{
    Store store;
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        {
            store.emplace_back(line.substr(1, line.size() - 2), Section());
            continue;
        }
        size_t equals = line.find("=dword:");
        if (store.empty() || equals == std::string::npos || equals == 0)
            continue;
        std::string digits = line.substr(equals + 7);
        if (digits.empty() || digits.size() > 8)
            continue;
        char* end = nullptr;
        unsigned long value = std::strtoul(digits.c_str(), &end, 16);
        if (*end != '\0')
            continue;
        store.back().second.emplace_back(line.substr(0, equals), static_cast<uint32_t>(value));
    }
    return store;
}

Store ReadStore(const std::string& path)
{
    std::ifstream in(path);
    return in ? Parse(in) : Store();
}

// A second writer (the other program) waits for the lock instead of losing values.
class CStoreLock
{
public:
    explicit CStoreLock(const std::string& path)
    {
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && flock(m_fd, LOCK_EX) != 0)
        {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~CStoreLock()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace

std::string CQVSettingsStore::FilePath()
{
    return ConfigFolder() + "/registry.reg";
}

bool CQVSettingsStore::SetDwords(const std::string& keyPath, const std::vector<DwordValue>& values)
{
    std::string folder = ConfigFolder();
    if (!MakeFolders(folder))
        return false;
    std::string path = FilePath();
    CStoreLock lock(path + ".lock");
    if (!lock.Held())
        return false;

    Store store = ReadStore(path);
    Section* section = nullptr;
    for (auto& entry : store)
        if (entry.first == keyPath)
            section = &entry.second;
    if (!section)
    {
        store.emplace_back(keyPath, Section());
        section = &store.back().second;
    }
    for (const auto& value : values)
    {
        bool replaced = false;
        for (auto& existing : *section)
            if (existing.first == value.first)
            {
                existing.second = value.second;
                replaced = true;
            }
        if (!replaced)
            section->push_back(value);
    }

    std::ostringstream text;
    for (const auto& entry : store)
    {
        text << '[' << entry.first << "]\n";
        for (const auto& value : entry.second)
        {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08x", value.second);
            text << value.first << "=dword:" << hex << '\n';
        }
        text << '\n';
    }
    std::string temporary = path + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::string content = text.str();
    bool written =
        write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    written = fsync(fd) == 0 && written;
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0)
    {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool CQVSettingsStore::SetDword(const std::string& keyPath, const std::string& name,
                                uint32_t nValue)
{
    return SetDwords(keyPath, {{name, nValue}});
}

bool CQVSettingsStore::GetDword(const std::string& keyPath, const std::string& name,
                                uint32_t* pValue)
{
    for (const auto& entry : ReadStore(FilePath()))
        if (entry.first == keyPath)
            for (const auto& value : entry.second)
                if (value.first == name)
                {
                    if (pValue)
                        *pValue = value.second;
                    return true;
                }
    return false;
}

} // namespace qv

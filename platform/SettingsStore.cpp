#include "platform/SettingsStore.h"

#include "platform/ProgramFolder.h"

#include <cctype>
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

using Section = std::vector<std::pair<std::string, std::string>>; // name, raw value text
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

// Lines: "[key path]", then "name=dword:XXXXXXXX" (hexadecimal) or "name=sz:TEXT" (UTF-8
// with "%", CR and LF percent-encoded). Anything else is skipped. Values are kept as the text
// after "=", so that a value of a kind this build does not know survives a rewrite.
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
        size_t equals = line.find('=');
        if (store.empty() || equals == std::string::npos || equals == 0)
            continue;
        store.back().second.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return store;
}

bool DecodeDword(const std::string& raw, uint32_t* pValue)
{
    if (raw.compare(0, 6, "dword:") != 0)
        return false;
    std::string digits = raw.substr(6);
    if (digits.empty() || digits.size() > 8)
        return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(digits[0])))
        return false;
    *pValue = static_cast<uint32_t>(value);
    return true;
}

std::string EncodeString(const std::string& value)
{
    std::string out = "sz:";
    for (unsigned char c : value)
    {
        if (c == '%' || c == '\r' || c == '\n' || c == 0)
        {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
        else
            out += static_cast<char>(c);
    }
    return out;
}

bool DecodeString(const std::string& raw, std::string* pValue)
{
    if (raw.compare(0, 3, "sz:") != 0)
        return false;
    std::string out;
    for (size_t i = 3; i < raw.size(); ++i)
    {
        if (raw[i] != '%')
        {
            out += raw[i];
            continue;
        }
        if (i + 2 >= raw.size() || !std::isxdigit(static_cast<unsigned char>(raw[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(raw[i + 2])))
            return false;
        out += static_cast<char>(std::strtoul(raw.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    *pValue = out;
    return true;
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

// The raw text of the last line naming the value under the key.
bool FindRaw(const std::string& keyPath, const std::string& name, std::string* pRaw)
{
    bool bFound = false;
    for (const auto& entry : ReadStore(CQVSettingsStore::FilePath()))
        if (entry.first == keyPath)
            for (const auto& value : entry.second)
                if (value.first == name)
                {
                    *pRaw = value.second;
                    bFound = true;
                }
    return bFound;
}

} // namespace

std::string CQVSettingsStore::FilePath()
{
    return ConfigFolder() + "/registry.reg";
}

namespace
{

bool SetRawValues(const std::string& keyPath,
                  const std::vector<std::pair<std::string, std::string>>& values)
{
    std::string folder = ConfigFolder();
    if (!MakeFolders(folder))
        return false;
    std::string path = CQVSettingsStore::FilePath();
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
            text << value.first << '=' << value.second << '\n';
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

} // namespace

bool CQVSettingsStore::SetDwords(const std::string& keyPath, const std::vector<DwordValue>& values)
{
    std::vector<std::pair<std::string, std::string>> raw;
    for (const auto& value : values)
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", value.second);
        raw.emplace_back(value.first, std::string("dword:") + hex);
    }
    return SetRawValues(keyPath, raw);
}

bool CQVSettingsStore::SetString(const std::string& keyPath, const std::string& name,
                                 const std::string& value)
{
    return SetRawValues(keyPath, {{name, EncodeString(value)}});
}

bool CQVSettingsStore::GetString(const std::string& keyPath, const std::string& name,
                                 std::string* pValue)
{
    std::string raw, value;
    if (!FindRaw(keyPath, name, &raw) || !DecodeString(raw, &value))
        return false;
    if (pValue)
        *pValue = value;
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
    std::string raw;
    uint32_t nValue = 0;
    if (!FindRaw(keyPath, name, &raw) || !DecodeDword(raw, &nValue))
        return false;
    if (pValue)
        *pValue = nValue;
    return true;
}

} // namespace qv

// The per-user settings store: 32-bit values and strings under key paths such as
// "Software\GNU\ffdshow\default", kept in one text file of the user's own
// ($XDG_CONFIG_HOME/vantrel/registry.reg, by default ~/.config/vantrel/registry.reg).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qv
{

class CQVSettingsStore
{
public:
    using DwordValue = std::pair<std::string, uint32_t>;

    // Where the store lives for this user (the file need not exist yet).
    static std::string FilePath();

    // Sets the values under the key in one locked read-modify-write; the file is
    // replaced atomically and is mode 0600. False when it cannot be written.
    static bool SetDwords(const std::string& keyPath, const std::vector<DwordValue>& values);
    static bool SetDword(const std::string& keyPath, const std::string& name, uint32_t nValue);

    // False (and *pValue untouched) when the store, the key or the value is missing or malformed.
    static bool GetDword(const std::string& keyPath, const std::string& name, uint32_t* pValue);

    // A UTF-8 string value (any bytes but NUL). Same locking and replacement as SetDwords.
    static bool SetString(const std::string& keyPath, const std::string& name,
                          const std::string& value);
    // False (and *pValue untouched) when the value is missing, malformed or not a string.
    static bool GetString(const std::string& keyPath, const std::string& name, std::string* pValue);
};

} // namespace qv

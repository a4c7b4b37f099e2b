// Locale identifiers (LCIDs) of the stream descriptions and the language tags (RFC 1766,
// "en-us") that a profile stores, for the languages a desktop is commonly set to.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

constexpr int32_t kQVLcidEnglishUs = 0x0409;

// The LCID of the user's locale (LC_ALL, else LC_MESSAGES, else LANG, as "de_DE.UTF-8"):
// the exact language and region when known, else the language alone, else English (US),
// which is also what a "C" or "POSIX" locale gives.
int32_t SystemDefaultLcid();
int32_t LcidFromLocaleName(const std::string& locale);

// "en-us" for 0x0409, "en" for the language-only 0x0009. False for an LCID outside the
// table (*pTag is then left alone).
bool Rfc1766FromLcid(int32_t nLcid, std::string* pTag);

} // namespace qv

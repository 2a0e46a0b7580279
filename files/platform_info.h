// getPlatformInfo: the machine and the program described by text keys (platform, folders,
// language, time, battery, machine id, GL entry points, the application's build strings).
#pragma once

#include <cstdint>

#include "core/string_value.h"

namespace vantrel {

// key is turned to upper case in place; a key outside the table answers "NO_DATA". The name
// after "GLEXT:" is looked up in the case the caller wrote it.
StringValue getPlatformInfo(StringValue& key);

// The clock the time keys read, in seconds since 1970-01-01 UTC. Tests install a fixed one;
// null restores the system clock.
using PlatformClock = int64_t (*)();
void setPlatformClock(PlatformClock clock);

// The Windows language identifier of a locale name such as "de_AT.UTF-8" (0x0C07): the pair of
// language and territory when it has an identifier of its own, else the language's main one;
// 0x0409 for an empty name, "C" and "POSIX"; 0 for a language without an identifier.
int languageIdForLocale(const char* locale);
// The two lower-case letters that "LOCALE" reports for a language identifier.
const char* localeCodeForLanguageId(int languageId);

}  // namespace vantrel

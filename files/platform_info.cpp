// The platform information keys over platform/system_info.h, the GL procedure lookup, the C
// library's clock and the application's build strings.
#include "files/platform_info.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "core/project_settings.h"
#include "core/string_commands.h"
#include "platform/files.h"
#include "platform/gl_context.h"
#include "platform/system_info.h"

namespace vantrel {

namespace {

constexpr uint32_t FALLBACK_SERIAL = 0xFA17ED;
constexpr uint32_t SERIAL_MASK = 0x6D2E417B;
constexpr int US_ENGLISH = 0x0409;
constexpr std::size_t GL_PREFIX_LENGTH = 6;  // "GLEXT:"

PlatformClock installedClock = nullptr;

// Windows language identifiers of locale names. A row with a territory or a modifier is a
// variant of its language's main row (the one with neither).
struct LocaleRow {
  const char* language;
  const char* territory;
  const char* modifier;
  int id;
};

constexpr LocaleRow LOCALE_ROWS[] = {
    {"ar", "", "", 0x0401}, {"ar", "SA", "", 0x0401}, {"ar", "IQ", "", 0x0801},
    {"ar", "EG", "", 0x0C01}, {"ar", "LY", "", 0x1001}, {"ar", "DZ", "", 0x1401},
    {"ar", "MA", "", 0x1801}, {"ar", "TN", "", 0x1C01}, {"ar", "OM", "", 0x2001},
    {"ar", "YE", "", 0x2401}, {"ar", "SY", "", 0x2801}, {"ar", "JO", "", 0x2C01},
    {"ar", "LB", "", 0x3001}, {"ar", "KW", "", 0x3401}, {"ar", "AE", "", 0x3801},
    {"ar", "BH", "", 0x3C01}, {"ar", "QA", "", 0x4001},
    {"bg", "", "", 0x0402}, {"ca", "", "", 0x0403},
    {"zh", "", "", 0x0804}, {"zh", "TW", "", 0x0404}, {"zh", "CN", "", 0x0804},
    {"zh", "HK", "", 0x0C04}, {"zh", "SG", "", 0x1004}, {"zh", "MO", "", 0x1404},
    {"cs", "", "", 0x0405}, {"da", "", "", 0x0406},
    {"de", "", "", 0x0407}, {"de", "CH", "", 0x0807}, {"de", "AT", "", 0x0C07},
    {"de", "LU", "", 0x1007}, {"de", "LI", "", 0x1407},
    {"el", "", "", 0x0408},
    {"en", "", "", 0x0409}, {"en", "US", "", 0x0409}, {"en", "GB", "", 0x0809},
    {"en", "AU", "", 0x0C09}, {"en", "CA", "", 0x1009}, {"en", "NZ", "", 0x1409},
    {"en", "IE", "", 0x1809}, {"en", "ZA", "", 0x1C09}, {"en", "JM", "", 0x2009},
    {"en", "AG", "", 0x2409}, {"en", "BZ", "", 0x2809}, {"en", "TT", "", 0x2C09},
    {"en", "ZW", "", 0x3009}, {"en", "PH", "", 0x3409}, {"en", "IN", "", 0x4009},
    {"en", "MY", "", 0x4409}, {"en", "SG", "", 0x4809},
    {"es", "", "", 0x0C0A}, {"es", "ES", "", 0x0C0A}, {"es", "MX", "", 0x080A},
    {"es", "GT", "", 0x100A}, {"es", "CR", "", 0x140A}, {"es", "PA", "", 0x180A},
    {"es", "DO", "", 0x1C0A}, {"es", "VE", "", 0x200A}, {"es", "CO", "", 0x240A},
    {"es", "PE", "", 0x280A}, {"es", "AR", "", 0x2C0A}, {"es", "EC", "", 0x300A},
    {"es", "CL", "", 0x340A}, {"es", "UY", "", 0x380A}, {"es", "PY", "", 0x3C0A},
    {"es", "BO", "", 0x400A}, {"es", "SV", "", 0x440A}, {"es", "HN", "", 0x480A},
    {"es", "NI", "", 0x4C0A}, {"es", "PR", "", 0x500A}, {"es", "US", "", 0x540A},
    {"fi", "", "", 0x040B},
    {"fr", "", "", 0x040C}, {"fr", "BE", "", 0x080C}, {"fr", "CA", "", 0x0C0C},
    {"fr", "CH", "", 0x100C}, {"fr", "LU", "", 0x140C}, {"fr", "MC", "", 0x180C},
    {"he", "", "", 0x040D}, {"iw", "", "", 0x040D}, {"hu", "", "", 0x040E},
    {"is", "", "", 0x040F}, {"it", "", "", 0x0410}, {"it", "CH", "", 0x0810},
    {"ja", "", "", 0x0411}, {"ko", "", "", 0x0412},
    {"nl", "", "", 0x0413}, {"nl", "BE", "", 0x0813},
    {"nb", "", "", 0x0414}, {"no", "", "", 0x0414}, {"nn", "", "", 0x0814},
    {"pl", "", "", 0x0415}, {"pt", "", "", 0x0416}, {"pt", "PT", "", 0x0816},
    {"ro", "", "", 0x0418}, {"ro", "MD", "", 0x0818},
    {"ru", "", "", 0x0419}, {"ru", "MD", "", 0x0819},
    {"hr", "", "", 0x041A}, {"hr", "BA", "", 0x101A},
    {"sr", "", "", 0x0C1A}, {"sr", "", "latin", 0x081A},
    {"sk", "", "", 0x041B}, {"sq", "", "", 0x041C},
    {"sv", "", "", 0x041D}, {"sv", "FI", "", 0x081D},
    {"th", "", "", 0x041E}, {"tr", "", "", 0x041F},
    {"ur", "", "", 0x0420}, {"ur", "IN", "", 0x0820},
    {"id", "", "", 0x0421}, {"in", "", "", 0x0421}, {"uk", "", "", 0x0422},
    {"be", "", "", 0x0423}, {"sl", "", "", 0x0424}, {"et", "", "", 0x0425},
    {"lv", "", "", 0x0426}, {"lt", "", "", 0x0427}, {"fa", "", "", 0x0429},
    {"vi", "", "", 0x042A}, {"hy", "", "", 0x042B},
    {"az", "", "", 0x042C}, {"az", "", "cyrillic", 0x082C},
    {"eu", "", "", 0x042D}, {"mk", "", "", 0x042F}, {"af", "", "", 0x0436},
    {"ka", "", "", 0x0437}, {"fo", "", "", 0x0438}, {"hi", "", "", 0x0439},
    {"ms", "", "", 0x043E}, {"ms", "BN", "", 0x083E},
    {"kk", "", "", 0x043F}, {"ky", "", "", 0x0440}, {"sw", "", "", 0x0441},
    {"uz", "", "", 0x0443}, {"uz", "", "cyrillic", 0x0843},
    {"tt", "", "", 0x0444}, {"bn", "", "", 0x0445}, {"bn", "BD", "", 0x0845},
    {"pa", "", "", 0x0446}, {"gu", "", "", 0x0447}, {"or", "", "", 0x0448},
    {"ta", "", "", 0x0449}, {"te", "", "", 0x044A}, {"kn", "", "", 0x044B},
    {"ml", "", "", 0x044C}, {"as", "", "", 0x044D}, {"mr", "", "", 0x044E},
    {"sa", "", "", 0x044F}, {"mn", "", "", 0x0450}, {"gl", "", "", 0x0456},
    {"kok", "", "", 0x0457}, {"syr", "", "", 0x045A}, {"dv", "", "", 0x0465},
};

// The codes "LOCALE" reports; every identifier not listed gives "us".
struct LanguageCode {
  int id;
  const char* code;
};

constexpr LanguageCode LANGUAGE_CODES[] = {
    {0x0401, "ar"}, {0x0801, "ar"}, {0x0C01, "ar"}, {0x1001, "ar"}, {0x1401, "ar"},
    {0x1801, "ar"}, {0x1C01, "ar"}, {0x2001, "ar"}, {0x2401, "ar"}, {0x2801, "ar"},
    {0x2C01, "ar"}, {0x3001, "ar"}, {0x3401, "ar"}, {0x3801, "ar"}, {0x3C01, "ar"},
    {0x4001, "ar"},
    {0x0409, "uk"}, {0x0422, "uk"},
    {0x0407, "de"}, {0x0807, "de"}, {0x0C07, "de"}, {0x1007, "de"}, {0x1407, "de"},
    {0x040A, "es"}, {0x080A, "es"}, {0x0C0A, "es"}, {0x100A, "es"}, {0x140A, "es"},
    {0x180A, "es"}, {0x1C0A, "es"}, {0x200A, "es"}, {0x240A, "es"}, {0x280A, "es"},
    {0x2C0A, "es"}, {0x300A, "es"}, {0x340A, "es"}, {0x380A, "es"}, {0x3C0A, "es"},
    {0x400A, "es"}, {0x440A, "es"}, {0x480A, "es"}, {0x4C0A, "es"}, {0x500A, "es"},
    {0x040C, "fr"}, {0x080C, "fr"}, {0x0C0C, "fr"}, {0x100C, "fr"}, {0x140C, "fr"},
    {0x180C, "fr"},
    {0x0404, "ch"}, {0x0804, "ch"},
    {0x0C04, "zh"}, {0x1004, "zh"}, {0x1404, "zh"},
    {0x0408, "gr"},
    {0x081A, "sr"}, {0x0C1A, "sr"},
    {0x0423, "be"}, {0x0445, "be"},
    {0x0437, "ka"}, {0x044B, "ka"},
    {0x044C, "ma"}, {0x044E, "ma"},
    {0x0410, "it"}, {0x0810, "it"}, {0x0413, "nl"}, {0x0813, "nl"},
    {0x0414, "no"}, {0x0814, "no"}, {0x0416, "pt"}, {0x0816, "pt"},
    {0x041D, "sv"}, {0x081D, "sv"}, {0x0420, "ur"}, {0x0820, "ur"},
    {0x0427, "lt"}, {0x0827, "lt"}, {0x042C, "az"}, {0x082C, "az"},
    {0x043E, "ms"}, {0x083E, "ms"}, {0x0443, "uz"}, {0x0843, "uz"},
    {0x0402, "bg"}, {0x0403, "ca"}, {0x0405, "cs"}, {0x0406, "da"}, {0x040B, "fi"},
    {0x040D, "he"}, {0x040E, "hu"}, {0x040F, "is"}, {0x0411, "jp"}, {0x0412, "ko"},
    {0x0415, "pl"}, {0x0418, "ro"}, {0x0419, "ru"}, {0x041A, "hr"}, {0x041B, "sk"},
    {0x041C, "sq"}, {0x041E, "th"}, {0x041F, "tr"}, {0x0421, "in"}, {0x0424, "sl"},
    {0x0425, "et"}, {0x0426, "lv"}, {0x0429, "fa"}, {0x042A, "vi"}, {0x042B, "hy"},
    {0x042D, "eu"}, {0x042F, "mk"}, {0x0436, "af"}, {0x0438, "fo"}, {0x0439, "hi"},
    {0x043F, "kk"}, {0x0440, "ky"}, {0x0441, "sw"}, {0x0444, "tt"}, {0x0446, "pa"},
    {0x0447, "gu"}, {0x0448, "or"}, {0x0449, "ta"}, {0x044A, "te"}, {0x044D, "as"},
    {0x044F, "sa"}, {0x0450, "mo"}, {0x0456, "gl"}, {0x0457, "kn"}, {0x045A, "sy"},
    {0x0465, "di"},
};

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

StringValue formatTime(bool utc) {
  std::time_t now = installedClock ? static_cast<std::time_t>(installedClock()) : std::time(nullptr);
  // Main thread only, so the C library's shared result is safe to use.
  const std::tm* parts = utc ? std::gmtime(&now) : std::localtime(&now);
  if (!parts) return StringValue("NO_DATA");
  char text[64];
  std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", parts->tm_year + 1900,
                parts->tm_mon + 1, parts->tm_mday, parts->tm_hour, parts->tm_min, parts->tm_sec);
  return StringValue(text);
}

StringValue machineId() {
  uint32_t serial = 0;
  if (!platform::rootVolumeSerial(&serial)) serial = FALLBACK_SERIAL;
  uint32_t id = serial ^ SERIAL_MASK;
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X", id & 0xff, (id >> 8) & 0xff,
                (id >> 16) & 0xff, (id >> 24) & 0xff);
  return StringValue(text);
}

StringValue buildString(StringValue (*supplier)()) {
  return supplier ? supplier() : StringValue("NO_DATA");
}

// base/Vantrel, made with every missing folder above it.
StringValue applicationDataFolder() {
  std::string base = platform::userDataFolder();
  if (base.empty()) return StringValue("NO_DATA");
  std::string folder = base + "/Vantrel";
  if (platform::pathKind(folder.c_str()) != platform::PathKind::Folder) {
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
      std::string step = folder.substr(0, slash);
      if (platform::pathKind(step.c_str()) == platform::PathKind::Missing)
        platform::createFolder(step.c_str());
      if (slash == std::string::npos) break;
    }
  }
  return StringValue(folder.c_str(), folder.size());
}

}  // namespace

void setPlatformClock(PlatformClock clock) { installedClock = clock; }

int languageIdForLocale(const char* locale) {
  if (!locale) return US_ENGLISH;
  // language[_territory][.codeset][@modifier]
  std::string language, territory, modifier;
  const char* c = locale;
  while (*c && *c != '_' && *c != '.' && *c != '@') language.push_back(lowerAscii(*c++));
  if (*c == '_') {
    ++c;
    while (*c && *c != '.' && *c != '@') territory.push_back(upperAscii(*c++));
  }
  while (*c && *c != '@') ++c;
  if (*c == '@') modifier = c + 1;
  if (language.empty() || language == "c" || language == "posix") return US_ENGLISH;

  int best = 0;
  int bestScore = -1;
  for (const LocaleRow& row : LOCALE_ROWS) {
    if (language != row.language) continue;
    if (*row.territory && territory != row.territory) continue;
    if (*row.modifier && modifier != row.modifier) continue;
    int score = (*row.territory ? 2 : 0) + (*row.modifier ? 1 : 0);
    if (score > bestScore) {
      best = row.id;
      bestScore = score;
    }
  }
  return best;
}

const char* localeCodeForLanguageId(int languageId) {
  for (const LanguageCode& entry : LANGUAGE_CODES)
    if (entry.id == languageId) return entry.code;
  return "us";
}

StringValue getPlatformInfo(StringValue& key) {
  const StringValue asWritten = key;
  makeUpper(key);
  const char* k = key.text();
  if (key.isEmpty()) return StringValue("LINUX");
  if (std::strcmp(k, "DEVICE") == 0) return StringValue("DESKTOP");
  if (std::strncmp(k, "GLEXT:", GL_PREFIX_LENGTH) == 0) {
    const char* name = asWritten.text() + GL_PREFIX_LENGTH;
    bool found = platform::hasGlContext() && platform::findGlProcedure(name) != nullptr;
    return StringValue(found ? "1" : "0");
  }
  if (std::strcmp(k, "ID") == 0) return machineId();
  if (std::strcmp(k, "TIME") == 0) return formatTime(false);
  if (std::strcmp(k, "UTCTIME") == 0) return formatTime(true);
  if (std::strcmp(k, "BATTERY") == 0) {
    int percent = platform::batteryCapacity();
    return numberToText(percent < 0 ? 100 : percent);
  }
  if (std::strcmp(k, "COMPILED") == 0) return buildString(buildStrings().buildStamp);
  if (std::strcmp(k, "HOSTID") == 0) return buildString(buildStrings().buildIdentifier);
  if (std::strcmp(k, "VERSION") == 0) return buildString(buildStrings().version);
  if (std::strcmp(k, "LOCALE") == 0) {
    std::string locale = platform::userLocaleName();
    return StringValue(localeCodeForLanguageId(languageIdForLocale(locale.c_str())));
  }
  if (std::strcmp(k, "DOCUMENTS") == 0) {
    std::string folder = platform::documentsFolder();
    return folder.empty() ? StringValue("NO_DATA") : StringValue(folder.c_str(), folder.size());
  }
  if (std::strcmp(k, "APPDATA") == 0) return applicationDataFolder();
  if (std::strcmp(k, "TEMP") == 0) {
    std::string folder = platform::temporaryFolder();
    return StringValue(folder.c_str(), folder.size());
  }
  return StringValue("NO_DATA");
}

}  // namespace vantrel

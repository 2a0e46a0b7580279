// Settings files of "[section]" headers and "key=value" lines: SettingsFile held in memory,
// the program's process-wide settingsStore and its commands.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "core/string_value.h"

namespace vantrel {

struct SettingsEntry {
  StringValue key;
  StringValue value;  // never empty
};

struct SettingsSection {
  StringValue name;
  std::vector<SettingsEntry> entries;
};

// Names and keys compare without regard to ASCII case and keep the spelling they were first
// read or written in. Lookups use the first section of a name and, in it, the first entry of
// a key; later namesakes (a file may repeat them) are never consulted. Removing an element
// moves the last one into its place.
class SettingsFile {
 public:
  std::vector<SettingsSection> sections;
  StringValue fileName;  // after resolution (a memory name for a file from the archive)
  uint8_t modified = 0;

  SettingsFile() = default;
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;
  // Writes the contents back when they were changed.
  ~SettingsFile() { saveSettings(); }

  // Replaces the contents by the file's; a file that cannot be read loads as empty, with
  // fileName kept so that a later save creates it.
  void loadSettings(const char* name);
  StringValue getSetting(const char* section, const char* key, const StringValue& defaultValue) const;
  // An empty key removes the section; an empty value removes the entry.
  void putSetting(const char* section, const char* key, const StringValue& value);
  // Writes every section back when modified, unless fileName is empty or a memory name. The
  // old file is replaced only once the new one is complete.
  void saveSettings();
};

static_assert(!std::is_copy_constructible_v<SettingsFile>);

// The commands on the process-wide store, created empty on first use.
void openSettings(const StringValue& name);
StringValue getSetting(const StringValue& section, const StringValue& key,
                       const StringValue& defaultValue);
void putSetting(const StringValue& section, const StringValue& key, const StringValue& value);

// Writes back the line-file cache and the settings store and releases both; the runtime
// shutdown runs this once, after the program's quit callback.
void flushLineAndSettingsFiles();

}  // namespace vantrel

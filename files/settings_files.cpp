// SettingsFile loading, lookup, change and write-back over resolveFileName, DataStream and
// FileReplacement, and the process-wide settingsStore.
#include "files/settings_files.h"

#include <cstring>
#include <memory>

#include "core/string_commands.h"
#include "files/appended_archive.h"
#include "files/data_stream.h"
#include "files/file_replacement.h"
#include "files/line_files.h"
#include "platform/files.h"

namespace vantrel {

namespace {

constexpr int32_t SETTINGS_LINE_LIMIT = 1024;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool endsName(char c) { return isBlank(c) || c == '=' || c == 0; }
const char* skipBlanks(const char* c) {
  while (isBlank(*c)) ++c;
  return c;
}

bool sameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  return *a == *b;
}

template <typename T, typename NameOf>
int findFirst(const std::vector<T>& items, const char* name, NameOf nameOf) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (sameIgnoringCase(nameOf(items[i]).text(), name)) return static_cast<int>(i);
  return -1;
}

int findSection(const std::vector<SettingsSection>& sections, const char* name) {
  return findFirst(sections, name, [](const SettingsSection& s) -> const StringValue& { return s.name; });
}

int findEntry(const std::vector<SettingsEntry>& entries, const char* key) {
  return findFirst(entries, key, [](const SettingsEntry& e) -> const StringValue& { return e.key; });
}

// The last element takes the place of the removed one.
template <typename T>
void removeByMovingLast(std::vector<T>& items, int index) {
  if (static_cast<std::size_t>(index) + 1 != items.size()) items[index] = std::move(items.back());
  items.pop_back();
}

// One line of the file into the current section name and the collected entries.
void takeLine(const char* line, StringValue& sectionName, std::vector<SettingsEntry>& collected,
              std::vector<SettingsSection>& sections) {
  const char* c = skipBlanks(line);
  if (*c == 0 || *c == ';') return;
  if (*c == '[') {
    if (!collected.empty()) {
      sections.push_back({sectionName, std::move(collected)});
      collected.clear();
    }
    const char* start = skipBlanks(c + 1);
    const char* stop = start;
    while (!endsName(*stop)) ++stop;
    if (stop > start && stop[-1] == ']') --stop;
    if (stop > start) sectionName = StringValue(start, static_cast<std::size_t>(stop - start));
    return;
  }
  const char* keyEnd = c;
  while (!endsName(*keyEnd)) ++keyEnd;
  if (*keyEnd == 0) return;
  const char* value = keyEnd;
  if (*value != '=') {
    value = skipBlanks(value);
    if (*value != '=') return;
  }
  value = skipBlanks(value + 1);
  if (*value == 0) return;
  std::size_t length = std::strlen(value);
  while (length > 0 && static_cast<unsigned char>(value[length - 1]) < 32) --length;
  // Only control bytes after the "=": no value, and a stored value is never empty.
  if (length == 0) return;
  collected.push_back({StringValue(c, static_cast<std::size_t>(keyEnd - c)), StringValue(value, length)});
}

std::unique_ptr<SettingsFile>& storeHolder() {
  static std::unique_ptr<SettingsFile> store;
  return store;
}

SettingsFile& settingsStore() {
  std::unique_ptr<SettingsFile>& store = storeHolder();
  if (!store) store = std::make_unique<SettingsFile>();
  return *store;
}

}  // namespace

void SettingsFile::loadSettings(const char* name) {
  modified = 0;
  fileName.destroy();
  sections.clear();
  if (!name) return;

  char resolved[platform::PATH_BUFFER_SIZE];
  fileName = resolveFileName(mainArchive(), name, resolved, true) ? resolved : name;
  DataStream stream;
  if (!stream.openRead(fileName.text())) return;

  StringValue sectionName;
  std::vector<SettingsEntry> collected;
  char line[SETTINGS_LINE_LIMIT + 1];
  while (stream.readLine(line, SETTINGS_LINE_LIMIT)) takeLine(line, sectionName, collected, sections);
  if (!collected.empty()) sections.push_back({sectionName, std::move(collected)});
}

StringValue SettingsFile::getSetting(const char* section, const char* key,
                                     const StringValue& defaultValue) const {
  int s = findSection(sections, section);
  if (s < 0) return defaultValue;
  const std::vector<SettingsEntry>& entries = sections[s].entries;
  int e = findEntry(entries, key);
  return e < 0 ? defaultValue : entries[e].value;
}

void SettingsFile::putSetting(const char* section, const char* key, const StringValue& value) {
  int s = findSection(sections, section);
  if (*key == 0) {
    if (s >= 0) {
      removeByMovingLast(sections, s);
      modified = 1;
    }
    return;
  }
  if (s < 0) {
    sections.push_back({StringValue(section), {}});
    s = static_cast<int>(sections.size()) - 1;
  }
  std::vector<SettingsEntry>& entries = sections[s].entries;
  int e = findEntry(entries, key);
  bool hasValue = value.text()[0] != 0;
  if (e >= 0) {
    modified = 1;
    if (hasValue) {
      entries[e].value = value;
    } else {
      removeByMovingLast(entries, e);
    }
  } else if (hasValue) {
    entries.push_back({StringValue(key), value});
    modified = 1;
  }
}

void SettingsFile::saveSettings() {
  if (modified != 1 || fileName.isEmpty() || isMemoryName(fileName.text())) return;
  FileReplacement file;
  if (!file.begin(fileName.text())) return;
  for (const SettingsSection& section : sections) {
    file.write("[");
    file.write(section.name.text());
    file.write("]\r\n");
    for (const SettingsEntry& entry : section.entries) {
      file.write(entry.key.text());
      file.write("=");
      file.write(entry.value.text());
      file.write("\r\n");
    }
  }
  if (file.commit()) modified = 0;
}

void openSettings(const StringValue& name) {
  SettingsFile& store = settingsStore();
  store.saveSettings();
  if (!name.isEmpty()) {
    store.loadSettings(name.text());
    return;
  }
  store.modified = 0;
  store.fileName.destroy();
  store.sections.clear();
}

StringValue getSetting(const StringValue& section, const StringValue& key,
                       const StringValue& defaultValue) {
  return settingsStore().getSetting(section.text(), key.text(), defaultValue);
}

void putSetting(const StringValue& section, const StringValue& key, const StringValue& value) {
  settingsStore().putSetting(section.text(), key.text(), value);
}

void flushLineAndSettingsFiles() {
  flushLineFile();
  storeHolder().reset();
}

}  // namespace vantrel

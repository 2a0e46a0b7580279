// Fuzzes the settings loader and the line-file reader over arbitrary bytes, handed to both as
// a memory name so that nothing touches the disk.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/data_stream.h"
#include "files/line_files.h"
#include "files/settings_files.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  // A copy of its own, so that an empty input still has a block address to name.
  std::vector<uint8_t> block(data, data + size);
  block.push_back(0);
  StringValue name = memoryName(block.data(), static_cast<uint32_t>(size));

  {
    SettingsFile settings;
    settings.loadSettings(name.text());
    for (const SettingsSection& section : settings.sections) {
      for (const SettingsEntry& entry : section.entries) {
        if (entry.value.isEmpty()) __builtin_trap();  // a loaded value is never empty
        settings.getSetting(section.name.text(), entry.key.text(), "");
      }
    }
    // Changes to a store read from memory are never written anywhere.
    settings.putSetting("fuzz", "key", "value");
  }

  for (int index = 0; index < LINE_FILE_LINES; index += 17) {
    StringValue line = getFileLine(name, index);
    if (line.length > LINE_FILE_LINE_LIMIT) __builtin_trap();
  }
  flushLineFile();
  return 0;
}

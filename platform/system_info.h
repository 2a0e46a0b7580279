// What the platform information and the file write-back need beyond platform/files.h: the
// volume serial, the battery, the user's folders and locale, atomic replacement of a file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace vantrel::platform {

// The low 32 bits of the root file system's id (statvfs("/")); false when the query fails.
bool rootVolumeSerial(uint32_t* serial);

// The charge in percent of the first battery (the entries of folder taken in name order, a
// battery being one whose "type" reads "Battery" and that has a readable "capacity"); -1 when
// there is none.
int batteryCapacity(const char* folder = "/sys/class/power_supply");

// The first set and non-empty one of LC_ALL, LC_MESSAGES and LANG; "" when none is.
std::string userLocaleName();

// XDG_DOCUMENTS_DIR from the user-dirs file ($XDG_CONFIG_HOME, else $HOME/.config), else
// $HOME/Documents; without a trailing '/'. "" when neither can be told.
std::string documentsFolder();
// The value of key in the text of a user-dirs file ("$HOME/..." or an absolute path in
// double quotes), "$HOME" replaced by home; "" when the key is missing or malformed.
std::string userDirectoryFromText(const std::string& text, const std::string& key,
                                  const std::string& home);
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; "" when neither is set.
std::string userDataFolder();

// Forces what was written to file onto the storage device.
bool syncFile(FileHandle file);
// Moves source over destination in one step: at every moment destination names either the
// old or the new file. Both must lie in the same file system.
bool replaceFile(const char* source, const char* destination);

}  // namespace vantrel::platform

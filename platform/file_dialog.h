// The desktop's open/save file dialog (zenity), run as a child process.
#pragma once

#include <string>
#include <vector>

namespace vantrel::platform {

struct FileFilter {
  std::string description;
  std::string patterns;  // as given: "*.png;*.bmp"
};

// Shows the dialog starting in initialFolder and waits for it. True with the chosen path;
// false when it was cancelled, chose nothing, or could not be started.
bool runFileDialog(bool save, const std::vector<FileFilter>& filters, const std::string& initialFolder,
                   std::string* chosenPath);

}  // namespace vantrel::platform

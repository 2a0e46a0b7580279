// The named-function table, pause callbacks and lazily bound library functions.
#include "core/named_functions.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/library.h"

namespace vantrel {

namespace {

const NamedFunction* functionTable = nullptr;
bool autoPause = true;
bool paused = false;

struct PendingDeclaration {
  std::string library;
  std::string entry;
  void** slot;
};

// Loaded modules and their lower-cased names, kept in the same order.
struct DeclareRegistry {
  std::vector<platform::LibraryHandle> modules;
  std::vector<std::string> moduleNames;
  std::vector<PendingDeclaration> pending;
  DeclareRegistry() {
    modules.reserve(512);
    moduleNames.reserve(512);
    pending.reserve(512);
  }
  ~DeclareRegistry() {
    for (platform::LibraryHandle module : modules) platform::freeLibrary(module);
  }
};

DeclareRegistry& registry() {
  static DeclareRegistry instance;
  return instance;
}

void reportDeclareFailure(const char* what, const std::string& name) {
  std::string line = std::string(what) + name + "\n";
  debugOutput(line.c_str());
  appendToLog(line.c_str());
}

void bindDeclaration(const PendingDeclaration& declaration) {
  DeclareRegistry& known = registry();
  std::string lowered = declaration.library;
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  platform::LibraryHandle module = nullptr;
  for (std::size_t i = 0; i < known.moduleNames.size(); ++i) {
    if (known.moduleNames[i] == lowered) {
      module = known.modules[i];
      break;
    }
  }
  if (!module) {
    module = platform::loadLibrary(declaration.library.c_str());
    if (module) {
      known.modules.push_back(module);
      known.moduleNames.push_back(lowered);
    }
  }
  if (!module) {
    reportDeclareFailure("DECLARE module not found: ", lowered);
    return;
  }
  *declaration.slot = platform::findLibraryEntry(module, declaration.entry.c_str());
  if (!*declaration.slot) reportDeclareFailure("DECLARE entry not found: ", declaration.entry);
}

}  // namespace

void setNamedFunctionTable(const NamedFunction* table) { functionTable = table; }

NamedFunctionPointer lookupFunction(const char* name) {
  if (!functionTable || !name) return nullptr;
  for (const NamedFunction* entry = functionTable; entry->function; ++entry) {
    if (entry->name && std::strcmp(entry->name, name) == 0) return entry->function;
  }
  return nullptr;
}

int callByName(const char* name) {
  NamedFunctionPointer function = lookupFunction(name);
  if (function) {
    function();
    return 1;
  }
  if (!name || (std::strcmp(name, "QZR_ON_QUIT") != 0 && std::strcmp(name, "QZR_WIN32_MSG") != 0)) {
    std::string line = std::string("CALLBYNAME \"") + (name ? name : "") + "\" *** failed ***\n";
    debugOutput(line.c_str());
  }
  return 0;
}

bool isPaused() { return paused; }
bool isAutoPause() { return autoPause; }

void setPaused(int flag) {
  bool wanted = autoPause && flag != 0;
  if (wanted == paused) return;
  paused = wanted;
  callByName(paused ? "QZR_ON_PAUSE" : "QZR_ON_RESUME");
}

void setAutoPause(int flag) {
  autoPause = flag != 0;
  if (!autoPause && paused) {
    paused = false;
    callByName("QZR_ON_RESUME");
  }
}

void declareFunction(const char* library, const char* entry, void** slot) {
  if (!slot) return;
  *slot = nullptr;
  registry().pending.push_back({library ? library : "", entry ? entry : "", slot});
}

void bindDeclarations() {
  DeclareRegistry& known = registry();
  if (known.pending.empty()) return;
  appendToLog("Delay load DLLs\n");
  for (const PendingDeclaration& declaration : known.pending) bindDeclaration(declaration);
  known.pending.clear();
}

void releaseDeclaredLibraries() {
  DeclareRegistry& known = registry();
  for (platform::LibraryHandle module : known.modules) platform::freeLibrary(module);
  known.modules.clear();
  known.moduleNames.clear();
}

}  // namespace vantrel

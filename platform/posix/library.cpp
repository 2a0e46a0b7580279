// Shared libraries through dlopen/dlsym.
#include "platform/library.h"

#include <dlfcn.h>

namespace vantrel::platform {

LibraryHandle loadLibrary(const char* name) { return dlopen(name, RTLD_NOW); }

void* findLibraryEntry(LibraryHandle library, const char* entry) {
  return library ? dlsym(library, entry) : nullptr;
}

void freeLibrary(LibraryHandle library) {
  if (library) dlclose(library);
}

}  // namespace vantrel::platform

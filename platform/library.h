// Loading shared libraries for functions a program declares from outside.
#pragma once

namespace vantrel::platform {

using LibraryHandle = void*;

LibraryHandle loadLibrary(const char* name);  // null on failure
void* findLibraryEntry(LibraryHandle library, const char* entry);
void freeLibrary(LibraryHandle library);

}  // namespace vantrel::platform

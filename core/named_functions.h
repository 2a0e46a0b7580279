// Calls into the program by name, the pause state, and functions declared from libraries.
#pragma once

namespace vantrel {

using NamedFunctionPointer = int (*)();
struct NamedFunction {
  NamedFunctionPointer function;  // null ends the table
  const char* name;
};

void setNamedFunctionTable(const NamedFunction* table);
NamedFunctionPointer lookupFunction(const char* name);
int callByName(const char* name);

bool isPaused();
bool isAutoPause();
void setPaused(int flag);
void setAutoPause(int flag);

void declareFunction(const char* library, const char* entry, void** slot);
void bindDeclarations();
// Releases every loaded library (at process exit).
void releaseDeclaredLibraries();

}  // namespace vantrel

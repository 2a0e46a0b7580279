// What a program on the runtime supplies. The runtime owns main(); the program defines these.
#pragma once

#include "core/named_functions.h"
#include "core/string_value.h"

namespace vantrel::application {

// Fills projectSettings() and windowTitle() before the runtime starts.
void applyProjectSettings();
// The program itself; its result is not used (the process always exits with code 0).
int applicationMain();
// Functions the runtime may call by name; ended by an entry whose function is null.
extern const NamedFunction namedFunctions[];
StringValue buildStamp();
StringValue buildIdentifier();
StringValue buildVersion();

}  // namespace vantrel::application

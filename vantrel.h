// The one header a program on the runtime includes.
#pragma once

#include "app/application.h"
#include "core/array_value.h"
#include "core/errors.h"
#include "core/named_functions.h"
#include "core/project_settings.h"
#include "core/string_commands.h"
#include "core/string_value.h"

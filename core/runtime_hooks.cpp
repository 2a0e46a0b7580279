// The process-wide start-up hook table.
#include "core/runtime_hooks.h"

namespace vantrel {

StartupHooks& startupHooks() {
  static StartupHooks hooks;
  return hooks;
}

}  // namespace vantrel

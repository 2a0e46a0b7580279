// The runtime shutdown: the quit callback once, then every subsystem released in order.
#pragma once

namespace vantrel {

void shutdownRuntime();

}  // namespace vantrel

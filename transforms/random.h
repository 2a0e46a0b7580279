// The runtime's one process-wide pseudo-random generator: ISAAC with its own seeding from a
// single word, and one fresh 256-word block per draw. Main thread only.
#pragma once

#include <cstdint>

namespace vantrel {

// Resets the whole state and seeds it from one word; the same seed always gives the same
// sequence of draws.
void seedGenerator(uint32_t seed);
// One draw: a full generation step, of which the first word is returned.
uint32_t nextRandomWord();

}  // namespace vantrel

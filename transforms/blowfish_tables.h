// Blowfish's published initialisation constants, shared by the key schedule.
#pragma once

#include <cstdint>

namespace vantrel::detail {

constexpr int BLOWFISH_P_WORDS = 18;
extern const uint32_t BLOWFISH_INITIAL_P[BLOWFISH_P_WORDS];
extern const uint32_t BLOWFISH_INITIAL_S[4][256];

}  // namespace vantrel::detail

// The process-wide ISAAC generator: the published block step and initialisation, preceded by
// a seed-dependent pass, and one whole block generated per draw.
#include "transforms/random.h"

namespace vantrel {

namespace {

constexpr int WORDS = 256;
constexpr uint32_t GOLDEN_RATIO = 0x9e3779b9u;

struct RandomGenerator {
  uint32_t results[WORDS];
  uint32_t memory[WORDS];
  uint32_t aa, bb, cc;
};

// All zero until the first seeding.
RandomGenerator generator;

struct MixWords {
  uint32_t w[8];
};

inline void mix(MixWords& m) {
  uint32_t& a = m.w[0];
  uint32_t& b = m.w[1];
  uint32_t& c = m.w[2];
  uint32_t& d = m.w[3];
  uint32_t& e = m.w[4];
  uint32_t& f = m.w[5];
  uint32_t& g = m.w[6];
  uint32_t& h = m.w[7];
  a ^= b << 11; d += a; b += c;
  b ^= c >> 2;  e += b; c += d;
  c ^= d << 8;  f += c; d += e;
  d ^= e >> 16; g += d; e += f;
  e ^= f << 10; h += e; f += g;
  f ^= g >> 4;  a += f; g += h;
  g ^= h << 8;  b += g; h += a;
  h ^= a >> 9;  c += h; a += b;
}

// One step of the block: the published ISAAC update of memory[i] and results[i].
inline void step(RandomGenerator& r, int i, uint32_t mixedAa, uint32_t& aa, uint32_t& bb) {
  const uint32_t x = r.memory[i];
  aa = r.memory[(i + 128) & 255] + mixedAa;
  const uint32_t y = r.memory[(x >> 2) & 255] + aa + bb;
  r.memory[i] = y;
  bb = r.memory[(y >> 10) & 255] + x;
  r.results[i] = bb;
}

// One ISAAC block: 256 fresh words in results. Four steps per pass, one per shift of aa.
void generate(RandomGenerator& r) {
  r.cc += 1;
  r.bb += r.cc;
  uint32_t aa = r.aa;
  uint32_t bb = r.bb;
  for (int i = 0; i < WORDS; i += 4) {
    step(r, i, aa ^ (aa << 13), aa, bb);
    step(r, i + 1, aa ^ (aa >> 6), aa, bb);
    step(r, i + 2, aa ^ (aa << 2), aa, bb);
    step(r, i + 3, aa ^ (aa >> 16), aa, bb);
  }
  r.aa = aa;
  r.bb = bb;
}

// Adds source[i..i+7] to the words (when given), mixes and stores them in memory, per group.
void mixPass(RandomGenerator& r, MixWords& m, const uint32_t* source) {
  for (int i = 0; i < WORDS; i += 8) {
    if (source != nullptr) {
      for (int k = 0; k < 8; ++k) m.w[k] += source[i + k];
    }
    mix(m);
    for (int k = 0; k < 8; ++k) r.memory[i + k] = m.w[k];
  }
}

}  // namespace

void seedGenerator(uint32_t seed) {
  generator = RandomGenerator{};
  MixWords m;
  for (uint32_t& word : m.w) word = GOLDEN_RATIO;
  // The seed-dependent pass of this runtime, ahead of the published initialisation.
  for (int i = 0; i < WORDS; i += 8) {
    m.w[0] += seed;
    mix(m);
    for (int k = 0; k < 8; ++k) generator.memory[i + k] = m.w[k];
  }
  for (int i = 0; i < 4; ++i) mix(m);
  mixPass(generator, m, generator.results);
  mixPass(generator, m, generator.memory);
  // This block is never handed out: the first draw comes from the next one.
  generate(generator);
}

uint32_t nextRandomWord() {
  generate(generator);
  return generator.results[0];
}

}  // namespace vantrel

// PackCodec: entries round-trip through the LZO1X-1 framing; bad data decodes to nothing.
#include "transforms/pack_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

std::vector<uint8_t> encoded(const std::string& data) {
  std::vector<uint8_t> stored;
  EXPECT_TRUE(PackCodec::encodeEntry(reinterpret_cast<const uint8_t*>(data.data()), data.size(), stored));
  return stored;
}

TEST(PackCodec, EntriesRoundTripAndOwnershipMovesOut) {
  std::string random;
  uint32_t state = 12345;
  for (int i = 0; i < 10000; ++i) {
    state = state * 1103515245 + 12345;
    random.push_back(static_cast<char>(state >> 24));
  }
  for (const std::string& data : {std::string(), std::string("a"), std::string(100000, 'z'), random}) {
    std::vector<uint8_t> stored = encoded(data);
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(stored[0] | stored[1] << 8 | stored[2] << 16 | stored[3] << 24, static_cast<int>(data.size()));
    PackCodec codec;
    EXPECT_EQ(codec.decodeEntry(stored.data(), static_cast<int32_t>(stored.size())),
              static_cast<int32_t>(data.size()));
    int32_t length = -1;
    std::unique_ptr<uint8_t[]> block = codec.takeOutput(&length);
    ASSERT_NE(block, nullptr) << "even an empty result has an address";
    EXPECT_EQ(length, static_cast<int32_t>(data.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.get()), static_cast<std::size_t>(length)), data);
    EXPECT_EQ(codec.output, nullptr);
    EXPECT_EQ(codec.outputLength, 0);
  }
}

TEST(PackCodec, BadDataDecodesToNothing) {
  const std::vector<uint8_t> good = encoded(std::string(5000, 'q') + "tail");
  auto withLength = [&good](int32_t length) {
    std::vector<uint8_t> stored = good;
    for (int i = 0; i < 4; ++i) stored[i] = static_cast<uint8_t>(static_cast<uint32_t>(length) >> (8 * i));
    return stored;
  };
  std::vector<std::vector<uint8_t>> cases = {
      {},
      {1, 0, 0},
      withLength(-1),
      withLength(100),                   // output overrun
      withLength(0x7FFFFFFF),            // more than the stream could ever produce
      std::vector<uint8_t>(good.begin(), good.end() - 3),  // no end marker
      {5, 0, 0, 0, 0xFF, 0xFF, 0xFF},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    PackCodec codec;
    EXPECT_EQ(codec.decodeEntry(cases[i].data(), static_cast<int32_t>(cases[i].size())), 0);
    EXPECT_EQ(codec.outputLength, 0);
    codec.resetCodec();
    EXPECT_EQ(codec.output, nullptr);
  }
  PackCodec codec;
  EXPECT_EQ(codec.decodeEntry(nullptr, 10), 0);
  EXPECT_NE(codec.takeOutput(nullptr), nullptr);
}

}  // namespace
}  // namespace vantrel

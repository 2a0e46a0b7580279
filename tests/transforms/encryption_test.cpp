// The Blowfish engine against OpenSSL's implementation (whose block halves are big-endian),
// and encryptText/decryptText: lengths, round trips, case, key sensitivity and odd input.
#include <gtest/gtest.h>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "transforms/encryption.h"

using namespace vantrel;

namespace {

uint32_t byteSwap(uint32_t w) {
  return (w >> 24) | ((w >> 8) & 0xff00u) | ((w << 8) & 0xff0000u) | (w << 24);
}

std::vector<uint8_t> randomBytes(std::mt19937& random, size_t count) {
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

StringValue bytesText(const std::string& bytes) { return StringValue(bytes.data(), bytes.size()); }

}  // namespace

TEST(Blowfish, BlockFunctionMatchesOpenSsl) {
  std::mt19937 random(20240601);
  for (int trial = 0; trial < 200; ++trial) {
    const int keyLength = 1 + trial % 80;  // beyond 72 bytes the rest of the key is unused
    const std::vector<uint8_t> keyBytes = randomBytes(random, static_cast<size_t>(keyLength));
    BlowfishKey key;
    setKey(key, keyBytes.data(), keyLength);
    BF_KEY reference;
    BF_set_key(&reference, keyLength, keyBytes.data());
    for (int block = 0; block < 8; ++block) {
      const uint32_t left = static_cast<uint32_t>(random());
      const uint32_t right = static_cast<uint32_t>(random());
      uint32_t l = left, r = right;
      encryptBlock(key, l, r);
      BF_LONG data[2] = {left, right};
      BF_encrypt(data, &reference);
      ASSERT_EQ(l, data[0]) << "key length " << keyLength;
      ASSERT_EQ(r, data[1]) << "key length " << keyLength;
      decryptBlock(key, l, r);
      ASSERT_EQ(l, left);
      ASSERT_EQ(r, right);
    }
  }
}

TEST(Blowfish, BufferUsesLittleEndianHalves) {
  std::mt19937 random(77);
  const std::vector<uint8_t> keyBytes = randomBytes(random, 16);
  BlowfishKey key;
  setKey(key, keyBytes.data(), 16);
  BF_KEY reference;
  BF_set_key(&reference, 16, keyBytes.data());

  const std::vector<uint8_t> plain = randomBytes(random, 64);
  std::vector<uint8_t> cipher(64);
  EXPECT_EQ(encryptBuffer(key, plain.data(), cipher.data(), 64), 64);
  for (size_t offset = 0; offset < 64; offset += 8) {
    // OpenSSL reads each half most significant byte first: swap both halves around it.
    uint32_t halves[2];
    std::memcpy(halves, plain.data() + offset, 8);  // the test host is little-endian
    unsigned char in[8], out[8];
    const uint32_t swapped[2] = {byteSwap(halves[0]), byteSwap(halves[1])};
    std::memcpy(in, swapped, 8);
    BF_ecb_encrypt(in, out, &reference, BF_ENCRYPT);
    uint32_t outHalves[2];
    std::memcpy(outHalves, out, 8);
    const uint32_t expected[2] = {byteSwap(outHalves[0]), byteSwap(outHalves[1])};
    EXPECT_EQ(std::memcmp(cipher.data() + offset, expected, 8), 0) << "block at " << offset;
  }

  std::vector<uint8_t> back(64);
  decryptBuffer(key, cipher.data(), back.data(), 64);
  EXPECT_EQ(back, plain);
}

TEST(Blowfish, BufferPadsTheLastBlockWithZerosAndWorksInPlace) {
  const uint8_t keyBytes[] = {'k', 'e', 'y'};
  BlowfishKey key;
  setKey(key, keyBytes, 3);
  struct Case {
    int length, padded;
  };
  for (const Case c : {Case{0, 0}, Case{1, 8}, Case{7, 8}, Case{8, 8}, Case{9, 16}, Case{17, 24}}) {
    std::vector<uint8_t> source(static_cast<size_t>(c.length), 0xab);
    std::vector<uint8_t> zeroPadded(static_cast<size_t>(c.padded), 0);
    std::copy(source.begin(), source.end(), zeroPadded.begin());
    std::vector<uint8_t> cipher(static_cast<size_t>(c.padded) + 1, 0xee);
    EXPECT_EQ(encryptBuffer(key, source.data(), cipher.data(), c.length), c.padded);
    EXPECT_EQ(cipher.back(), 0xee) << "nothing written past the padded length " << c.padded;
    cipher.pop_back();

    std::vector<uint8_t> inPlace = zeroPadded;
    EXPECT_EQ(encryptBuffer(key, inPlace.data(), inPlace.data(), c.padded), c.padded);
    EXPECT_EQ(inPlace, cipher) << "zero fill equals encrypting explicit zeros, length " << c.length;
    decryptBuffer(key, inPlace.data(), inPlace.data(), c.padded);
    EXPECT_EQ(inPlace, zeroPadded);
  }
}

TEST(EncryptText, HexLengthIsWholeBlocks) {
  const StringValue key("secret");
  struct Case {
    const char* text;
    uint32_t digits;
  };
  for (const Case c : {Case{"", 0}, Case{"a", 16}, Case{"12345678", 16}, Case{"123456789", 32}}) {
    const StringValue cipher = encryptText(key, StringValue(c.text));
    EXPECT_EQ(cipher.length, c.digits) << '"' << c.text << '"';
    EXPECT_EQ(std::strspn(cipher.text(), "0123456789abcdef"), c.digits) << cipher.text();
  }
  StringValue empty;
  EXPECT_TRUE(decryptText(key, empty).isEmpty());
}

TEST(EncryptText, RoundTripsTextsWithoutZeroBytes) {
  std::string allBytes;
  for (int c = 1; c < 256; ++c) allBytes += static_cast<char>(c);
  const std::string texts[] = {"a", "hello", "exactly8", "nine char", "a somewhat longer line of text\r\n",
                               allBytes, std::string(1000, 'x')};
  const std::string keys[] = {"k", "password", std::string(72, 'q'), std::string(100, 'z'),
                              std::string("with\0zero", 9), ""};
  for (const std::string& keyBytes : keys) {
    const StringValue key = bytesText(keyBytes);
    for (const std::string& text : texts) {
      StringValue cipher = encryptText(key, bytesText(text));
      EXPECT_EQ(std::string(decryptText(key, cipher).text()), text)
          << "key of " << keyBytes.size() << " bytes, text of " << text.size();
    }
  }
}

TEST(EncryptText, ChangingOneKeyCharacterChangesEveryBlock) {
  const StringValue text("three blocks, 24 bytes!!");
  const StringValue base = encryptText(StringValue("password"), text);
  const StringValue changed = encryptText(StringValue("passwore"), text);
  ASSERT_EQ(base.length, 48u);
  for (uint32_t block = 0; block < base.length; block += 16) {
    EXPECT_NE(std::string(base.text() + block, 16), std::string(changed.text() + block, 16))
        << "block " << block / 16 << " did not change with the key";
  }
}

TEST(EncryptText, LongKeysUseTheirFirst72BytesAndAnEmptyKeyIsOneZeroByte) {
  const StringValue text("some text");
  std::string key72;
  for (int i = 0; i < 72; ++i) key72 += static_cast<char>('0' + i % 75);
  const StringValue cipher72 = encryptText(bytesText(key72), text);
  EXPECT_STREQ(encryptText(bytesText(key72 + "more bytes"), text).text(), cipher72.text())
      << "bytes beyond the 72nd are not used";
  EXPECT_STRNE(encryptText(bytesText(key72.substr(0, 71)), text).text(), cipher72.text());
  EXPECT_STREQ(encryptText(StringValue(), text).text(),
               encryptText(StringValue("\0", 1), text).text())
      << "an empty key acts as one zero byte";
}

TEST(DecryptText, UpperCaseHexIsLoweredInPlaceAndDecrypts) {
  const StringValue key("Key");
  const StringValue cipher = encryptText(key, StringValue("Mixed Case"));
  std::string upper = cipher.text();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  StringValue hex(upper.c_str());
  EXPECT_STREQ(decryptText(key, hex).text(), "Mixed Case");
  EXPECT_STREQ(hex.text(), cipher.text()) << "the caller's value is turned to lower case";
}

TEST(DecryptText, StopsAtTheFirstZeroByteAndIgnoresPartialBlocks) {
  const StringValue key("k");
  StringValue withZero = encryptText(key, StringValue("before\0after", 12));
  EXPECT_STREQ(decryptText(key, withZero).text(), "before");

  const StringValue twoBlocks = encryptText(key, StringValue("first 8!second 8"));
  struct Case {
    size_t digits;
    const char* expected;
  };
  for (const Case c : {Case{32, "first 8!second 8"}, Case{33, "first 8!second 8"},
                       Case{31, "first 8!"}, Case{20, "first 8!"}, Case{15, ""}, Case{1, ""}}) {
    StringValue hex(twoBlocks.text(), c.digits);
    EXPECT_STREQ(decryptText(key, hex).text(), c.expected) << c.digits << " digits";
  }
}

TEST(DecryptText, GarbageTextDecryptsToSomethingWithoutFailing) {
  const StringValue key("k");
  StringValue garbage("zz!!~~\x80\xff  ..--++//GG0123");
  const StringValue result = decryptText(key, garbage);
  EXPECT_LE(result.length, 8u) << "one whole block at most, cut at a zero byte";
  EXPECT_EQ(result.length, std::strlen(result.text()));
}

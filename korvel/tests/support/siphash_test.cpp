#include "korvel/siphash.hpp"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

// The reference vectors of SipHash-1-3 with key 00 01 .. 0f over the inputs
// 00, 00 01, 00 01 02, ... (from the reference implementation's vectors_sip13).
TEST(SipHashTest, ReferenceVectors) {
  const std::uint64_t k0 = 0x0706050403020100ULL, k1 = 0x0f0e0d0c0b0a0908ULL;
  const std::uint64_t expected[] = {
      0xabac0158050fc4dcULL, 0xc9f49bf37d57ca93ULL, 0x82cb9b024dc7d44dULL, 0x8bf80ab8e7ddf7fbULL,
      0xcf75576088d38328ULL, 0xdef9d52f49533b67ULL, 0xc50d2b50c59f22a7ULL, 0xd3927d989bb11140ULL,
      0x369095118d299a8eULL, 0x25a48eb36c063de4ULL, 0x79de85ee92ff097fULL, 0x70c118c1f94dc352ULL,
      0x78a384b157b4d9a2ULL, 0x306f760c1229ffa7ULL, 0x605aa111c0f95d34ULL, 0xd320d86d2a519956ULL,
      0xcc4fdd1a7d908b66ULL,
  };
  std::string input;
  for (std::size_t n = 0; n < std::size(expected); ++n) {
    SipHasher13 whole(k0, k1);
    whole.write(input);
    EXPECT_EQ(whole.finish(), expected[n]) << "length " << n;

    SipHasher13 bytewise(k0, k1);  // the same stream in pieces
    for (char c : input) bytewise.write_u8(static_cast<std::uint8_t>(c));
    EXPECT_EQ(bytewise.finish(), expected[n]) << "length " << n;
    input.push_back(static_cast<char>(n));
  }
}

TEST(SipHashTest, MapKeysHashAsTheirBytesAndOneFfByte) {
  const RandomState state(0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL);
  std::string key;
  for (int length = 0; length < 25; ++length) {
    SipHasher13 stream(0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL);
    stream.write(key);
    stream.write_u8(0xff);
    EXPECT_EQ(state(key), stream.finish()) << "length " << length;
    key.push_back(static_cast<char>('a' + length));
  }
}

TEST(SipHashTest, RandomStatesHashConsistentlyButDiffer) {
  const RandomState a, b;
  EXPECT_EQ(a("key"), a("key"));
  EXPECT_NE(a("key"), b("key"));
}

}  // namespace
}  // namespace korvel

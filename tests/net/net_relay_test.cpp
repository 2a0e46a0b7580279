// The packet reader and the relay without sockets: framing in any split, malformed input,
// players and their ids, what the relay answers and forwards.
#include "net/net_relay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

NetPacket packet(uint8_t type, uint16_t to, uint16_t from, std::string payload = std::string()) {
  NetPacket result;
  result.type = type;
  result.to = to;
  result.from = from;
  result.payload = std::move(payload);
  return result;
}

// Feeds bytes to a reader in pieces of step bytes (never more than it wants).
std::vector<NetPacket> readAll(const std::string& bytes, int step, bool& malformed) {
  PacketReader reader;
  std::vector<NetPacket> packets;
  malformed = false;
  std::size_t at = 0;
  while (at < bytes.size() && !malformed) {
    int count = std::min<int>({step, reader.wanted(), static_cast<int>(bytes.size() - at)});
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + count),
              reader.space());
    at += static_cast<std::size_t>(count);
    NetPacket next;
    switch (reader.received(count, next)) {
      case PacketReader::Result::Packet: packets.push_back(next); break;
      case PacketReader::Result::Malformed: malformed = true; break;
      case PacketReader::Result::NeedMore: break;
    }
  }
  return packets;
}

TEST(PacketReader, AssemblesPacketsFromPiecesOfAnySize) {
  std::string stream = encodePacket(packet(PACKET_MESSAGE, 0xFFFF, 101, std::string("hi\0there", 8))) +
                       encodePacket(packet(PACKET_CHECK, 0, 102)) +
                       encodePacket(packet(PACKET_MESSAGE, 300, 101, std::string(1024, 'm')));
  EXPECT_EQ(stream.substr(0, 7), std::string("\x03\x08\x00\xff\xff\x65\x00", 7)) << "little-endian header";
  for (int step : {1, 2, 6, 7, 8, 1000, 5000}) {
    bool malformed;
    std::vector<NetPacket> packets = readAll(stream, step, malformed);
    EXPECT_FALSE(malformed) << step;
    ASSERT_EQ(packets.size(), 3u) << step;
    EXPECT_EQ(packets[0].to, 0xFFFF);
    EXPECT_EQ(packets[0].from, 101);
    EXPECT_EQ(packets[0].payload, std::string("hi\0there", 8));
    EXPECT_EQ(packets[1].type, PACKET_CHECK);
    EXPECT_TRUE(packets[1].payload.empty());
    EXPECT_EQ(packets[2].to, 300);
    EXPECT_EQ(packets[2].payload.size(), 1024u);
  }
}

TEST(PacketReader, ALengthAbove1024IsMalformedAndEndsTheStream) {
  std::string header("\x03\x01\x04\x00\x00\x00\x00", 7);  // length 1025
  bool malformed;
  EXPECT_TRUE(readAll(header + std::string(1025, 'x'), 3, malformed).empty());
  EXPECT_TRUE(malformed);
  PacketReader reader;
  NetPacket out;
  std::copy(header.begin(), header.end(), reader.space());
  EXPECT_EQ(reader.received(7, out), PacketReader::Result::Malformed);
  EXPECT_EQ(reader.wanted(), 0) << "a broken stream asks for nothing more";
  EXPECT_EQ(reader.received(1, out), PacketReader::Result::Malformed);
}

TEST(PacketReader, LongPayloadsAreCutWhenWritten) {
  EXPECT_EQ(encodePacket(packet(PACKET_MESSAGE, 1, 2, std::string(3000, 'a'))).size(), 7u + 1024u);
}

TEST(JoinPayload, HoldsTheFieldsAndATerminatedName) {
  std::string payload = joinPayload(true, false, "Alice");
  ASSERT_EQ(payload.size(), 136u);
  EXPECT_EQ(payload.substr(0, 8), std::string("\xff\xff\xff\xff\xfe\xff\x01\x00", 8));
  JoinRequest join;
  ASSERT_TRUE(parseJoinPayload(payload, join));
  EXPECT_TRUE(join.hidden);
  EXPECT_EQ(join.name, "Alice");
  EXPECT_EQ(joinPayload(false, true, std::string(300, 'n').c_str()).substr(8, 128), std::string(127, 'n') + '\0');

  std::string unterminated = payload.substr(0, 8) + std::string(128, 'x');
  EXPECT_FALSE(parseJoinPayload(unterminated, join));
  EXPECT_FALSE(parseJoinPayload(payload.substr(0, 135), join));
  EXPECT_FALSE(parseJoinPayload(payload + "x", join));
}

class RelayTest : public ::testing::Test {
 protected:
  // Joins a player on a connection and returns its id (0 when the relay gave none).
  int join(int socket, const char* name, bool hidden = false) {
    out.clear();
    EXPECT_TRUE(relay.handle(socket, packet(PACKET_JOIN, 0, 0, joinPayload(hidden, false, name)), true, out, left));
    if (out.size() != 1 || out[0].packet.type != PACKET_ID_ASSIGNED) return 0;
    EXPECT_EQ(out[0].socket, socket);
    return out[0].packet.to;
  }
  // The one answer to a request from connection socket.
  NetPacket ask(int socket, uint8_t type, uint16_t from, std::string payload = std::string()) {
    out.clear();
    EXPECT_TRUE(relay.handle(socket, packet(type, 0, from, std::move(payload)), true, out, left));
    EXPECT_EQ(out.size(), 1u);
    if (out.empty()) return NetPacket();
    EXPECT_EQ(out[0].socket, socket);
    EXPECT_EQ(out[0].packet.to, from);
    EXPECT_EQ(out[0].packet.from, 0);
    return out[0].packet;
  }
  uint16_t word(const NetPacket& reply) {
    uint16_t value = 0xDEAD;
    EXPECT_TRUE(readWord(reply.payload, value));
    return value;
  }

  NetRelay relay;
  std::vector<RelayedPacket> out;
  std::vector<int> left;
};

TEST_F(RelayTest, PlayersGetRisingIdsAndRequestsSeeOnlyVisibleOnes) {
  int query = join(10, "query", true);
  EXPECT_EQ(query, 101);
  EXPECT_EQ(join(10, "Ann"), 102);
  EXPECT_EQ(join(11, "Bob"), 103);
  EXPECT_EQ(join(11, ""), 104);
  EXPECT_EQ(word(ask(10, PACKET_PLAYER_COUNT, 101)), 3);
  EXPECT_EQ(word(ask(10, PACKET_ID_BY_INDEX, 101, wordPayload(0))), 102);
  EXPECT_EQ(word(ask(10, PACKET_ID_BY_INDEX, 101, wordPayload(2))), 104);
  EXPECT_EQ(word(ask(10, PACKET_ID_BY_INDEX, 101, wordPayload(3))), 0);
  EXPECT_EQ(ask(10, PACKET_NAME_BY_ID, 101, wordPayload(103)).payload, "Bob");
  EXPECT_EQ(ask(10, PACKET_NAME_BY_ID, 101, wordPayload(104)).payload, "NO_DATA") << "empty name";
  EXPECT_EQ(ask(10, PACKET_NAME_BY_ID, 101, wordPayload(999)).payload, "NO_DATA");
  EXPECT_EQ(word(ask(11, PACKET_CHECK, 103)), 1);
}

TEST_F(RelayTest, ClosedJoinsGoUnansweredAndIdsAreNeverReused) {
  EXPECT_EQ(join(10, "a"), 101);
  out.clear();
  EXPECT_TRUE(relay.handle(10, packet(PACKET_JOIN, 0, 0, joinPayload(false, false, "b")), false, out, left));
  EXPECT_TRUE(out.empty()) << "no answer while players are not accepted";
  EXPECT_TRUE(relay.handle(10, packet(PACKET_JOIN, 5, 0, joinPayload(false, false, "c")), true, out, left));
  EXPECT_TRUE(out.empty()) << "a join must go to the server";
  relay.dropConnection(10, left);
  EXPECT_EQ(left, std::vector<int>{101});
  EXPECT_EQ(join(12, "d"), 102);
  for (int id = 103; id <= NET_HIGHEST_ID; ++id) ASSERT_EQ(join(12, "x"), id);
  EXPECT_EQ(join(12, "past the range"), 0) << "ids above 65279 are never handed out";
}

TEST_F(RelayTest, BroadcastsReachEveryOtherVisiblePlayerAddressedToEach) {
  int ann = join(10, "Ann");
  int bob = join(11, "Bob");
  join(11, "query", true);
  int cid = join(12, "Cid");
  out.clear();
  ASSERT_TRUE(relay.handle(10, packet(PACKET_MESSAGE, 0xFFFF, static_cast<uint16_t>(ann), "hello"), true, out, left));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].socket, 11);
  EXPECT_EQ(out[0].packet.to, bob);
  EXPECT_EQ(out[1].socket, 12);
  EXPECT_EQ(out[1].packet.to, cid);
  for (const RelayedPacket& copy : out) {
    EXPECT_EQ(copy.packet.from, ann);
    EXPECT_EQ(copy.packet.payload, "hello");
  }
  out.clear();
  ASSERT_TRUE(relay.handle(11, packet(PACKET_MESSAGE, static_cast<uint16_t>(cid), static_cast<uint16_t>(bob), "psst"), true,
                           out, left));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].socket, 12);
}

TEST_F(RelayTest, AConnectionCannotSpeakForAnotherConnectionsPlayers) {
  int ann = join(10, "Ann");
  join(11, "Mallory");
  out.clear();
  EXPECT_TRUE(relay.handle(11, packet(PACKET_MESSAGE, 0xFFFF, static_cast<uint16_t>(ann), "forged"), true, out, left));
  EXPECT_TRUE(out.empty()) << "a message in someone else's name is not forwarded";
  EXPECT_TRUE(relay.handle(11, packet(PACKET_LEAVE, 0, static_cast<uint16_t>(ann)), true, out, left));
  EXPECT_TRUE(left.empty()) << "a leave in someone else's name removes nobody";
  EXPECT_EQ(relay.registry().size(), 2u);
  EXPECT_TRUE(relay.handle(10, packet(PACKET_LEAVE, 0, static_cast<uint16_t>(ann)), true, out, left));
  EXPECT_EQ(left, std::vector<int>{ann});
}

TEST_F(RelayTest, PacketsOutsideTheProtocolAreRefused) {
  join(10, "Ann");
  const NetPacket refused[] = {
      packet(77, 0, 101),
      packet(PACKET_ID_ASSIGNED, 101, 0),
      packet(0, 0, 0),
      packet(PACKET_JOIN, 0, 0, std::string(136, 'x')),
      packet(PACKET_JOIN, 0, 0, "short"),
      packet(PACKET_LEAVE, 0, 101, "x"),
      packet(PACKET_PLAYER_COUNT, 0, 101, "x"),
      packet(PACKET_ID_BY_INDEX, 0, 101, "x"),
      packet(PACKET_NAME_BY_ID, 0, 101, "xyz"),
      packet(PACKET_CHECK, 0, 101, "xy"),
  };
  for (const NetPacket& bad : refused) {
    out.clear();
    EXPECT_FALSE(relay.handle(10, bad, true, out, left)) << "type " << int(bad.type) << " length " << bad.payload.size();
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(relay.registry().size(), 1u) << "refused packets change nothing";
}

}  // namespace
}  // namespace vantrel

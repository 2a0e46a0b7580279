// The network-game wire format: packet header and types, the join payload, and a reader that
// assembles packets from bytes arriving in pieces of any size.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

constexpr int NET_HEADER_SIZE = 7;
constexpr int NET_LARGEST_PAYLOAD = 1024;
constexpr int NET_NAME_SIZE = 128;
constexpr int NET_JOIN_PAYLOAD_SIZE = 136;

constexpr uint8_t PACKET_JOIN = 1;
constexpr uint8_t PACKET_ID_ASSIGNED = 2;
constexpr uint8_t PACKET_MESSAGE = 3;
constexpr uint8_t PACKET_LEAVE = 4;
constexpr uint8_t PACKET_PLAYER_COUNT = 101;
constexpr uint8_t PACKET_ID_BY_INDEX = 102;
constexpr uint8_t PACKET_NAME_BY_ID = 103;
constexpr uint8_t PACKET_CHECK = 104;
// Types from here on are answers to requests.
constexpr uint8_t PACKET_FIRST_REPLY = 100;

// Addresses in the to and from fields.
constexpr uint16_t NET_SERVER = 0;
constexpr uint16_t NET_EVERYONE = 0xFFFF;  // -1
// Player ids lie in this range; the ids above it are the special values.
constexpr int NET_LOWEST_ID = 1;
constexpr int NET_HIGHEST_ID = 65279;
constexpr int NET_FIRST_ID = 101;

inline bool isPlayerId(int id) { return id >= NET_LOWEST_ID && id <= NET_HIGHEST_ID; }

// On the wire: type (1 byte), payload length, to, from (16 bits each, little-endian), payload.
struct NetPacket {
  uint8_t type = 0;
  uint16_t to = 0;
  uint16_t from = 0;
  std::string payload;  // at most NET_LARGEST_PAYLOAD bytes
};

// The 7 + length bytes of a packet; a longer payload is cut to NET_LARGEST_PAYLOAD.
void appendPacket(std::string& out, const NetPacket& packet);
std::string encodePacket(const NetPacket& packet);

std::string wordPayload(uint16_t value);
// The first 16-bit value of a payload; false when it holds fewer than 2 bytes.
bool readWord(const std::string& payload, uint16_t& value);

// Join payload: socket field -1, id -2, hidden flag, created-by-host flag, 128-byte name
// (cut to 127 bytes and zero-padded).
std::string joinPayload(bool hidden, bool createdByHost, const char* name);
struct JoinRequest {
  bool hidden = false;
  std::string name;
};
// False unless the payload has the join size and a name terminated within its 128 bytes.
bool parseJoinPayload(const std::string& payload, JoinRequest& join);

// Assembles packets. The caller reads at most wanted() bytes into space(), then reports how
// many arrived; the reader never asks for bytes beyond the packet it is assembling.
class PacketReader {
 public:
  enum class Result { NeedMore, Packet, Malformed };

  int wanted() const;
  char* space() { return buffer_ + filled_; }
  // Malformed (a payload length above NET_LARGEST_PAYLOAD) leaves the reader unusable: the
  // stream cannot be resynchronised.
  Result received(int count, NetPacket& packet);
  // True while part of a packet has arrived.
  bool midPacket() const { return filled_ > 0; }

 private:
  char buffer_[NET_HEADER_SIZE + NET_LARGEST_PAYLOAD];
  int filled_ = 0;
  int payloadLength_ = -1;  // known once the header is complete
  bool broken_ = false;
};

}  // namespace vantrel

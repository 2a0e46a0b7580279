// Packet encoding, join payloads and the incremental packet reader.
#include "net/net_packets.h"

#include <cstring>

namespace vantrel {

namespace {

void appendWord(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 255));
  out.push_back(static_cast<char>(value >> 8));
}

uint16_t wordAt(const char* bytes) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8));
}

}  // namespace

void appendPacket(std::string& out, const NetPacket& packet) {
  std::size_t length = packet.payload.size();
  if (length > static_cast<std::size_t>(NET_LARGEST_PAYLOAD)) length = NET_LARGEST_PAYLOAD;
  out.push_back(static_cast<char>(packet.type));
  appendWord(out, static_cast<uint16_t>(length));
  appendWord(out, packet.to);
  appendWord(out, packet.from);
  out.append(packet.payload, 0, length);
}

std::string encodePacket(const NetPacket& packet) {
  std::string out;
  appendPacket(out, packet);
  return out;
}

std::string wordPayload(uint16_t value) {
  std::string out;
  appendWord(out, value);
  return out;
}

bool readWord(const std::string& payload, uint16_t& value) {
  if (payload.size() < 2) return false;
  value = wordAt(payload.data());
  return true;
}

std::string joinPayload(bool hidden, bool createdByHost, const char* name) {
  std::string out;
  out.append(4, static_cast<char>(0xFF));
  appendWord(out, static_cast<uint16_t>(-2));
  out.push_back(hidden ? 1 : 0);
  out.push_back(createdByHost ? 1 : 0);
  std::size_t length = std::strlen(name);
  if (length > static_cast<std::size_t>(NET_NAME_SIZE - 1)) length = NET_NAME_SIZE - 1;
  out.append(name, length);
  out.append(NET_NAME_SIZE - length, '\0');
  return out;
}

bool parseJoinPayload(const std::string& payload, JoinRequest& join) {
  if (payload.size() != static_cast<std::size_t>(NET_JOIN_PAYLOAD_SIZE)) return false;
  const char* name = payload.data() + 8;
  const void* end = std::memchr(name, 0, NET_NAME_SIZE);
  if (!end) return false;
  join.hidden = payload[6] != 0;
  join.name.assign(name, static_cast<const char*>(end) - name);
  return true;
}

int PacketReader::wanted() const {
  if (broken_) return 0;
  if (payloadLength_ < 0) return NET_HEADER_SIZE - filled_;
  return NET_HEADER_SIZE + payloadLength_ - filled_;
}

PacketReader::Result PacketReader::received(int count, NetPacket& packet) {
  if (broken_ || count < 0 || count > wanted()) {
    broken_ = true;
    return Result::Malformed;
  }
  filled_ += count;
  if (payloadLength_ < 0) {
    if (filled_ < NET_HEADER_SIZE) return Result::NeedMore;
    payloadLength_ = wordAt(buffer_ + 1);
    if (payloadLength_ > NET_LARGEST_PAYLOAD) {
      broken_ = true;
      return Result::Malformed;
    }
  }
  if (filled_ < NET_HEADER_SIZE + payloadLength_) return Result::NeedMore;
  packet.type = static_cast<uint8_t>(buffer_[0]);
  packet.to = wordAt(buffer_ + 3);
  packet.from = wordAt(buffer_ + 5);
  packet.payload.assign(buffer_ + NET_HEADER_SIZE, static_cast<std::size_t>(payloadLength_));
  filled_ = 0;
  payloadLength_ = -1;
  return Result::Packet;
}

}  // namespace vantrel

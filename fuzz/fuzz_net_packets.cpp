// Fuzzes the network-game packet reader and the relay behind it: bytes from up to four
// connections, in pieces of any size, as a hostile peer would send them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "net/net_packets.h"
#include "net/net_relay.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int connectionCount = 1 + data[0] % 4;
  const bool acceptPlayers = (data[0] & 0x80) == 0;
  PacketReader readers[4];
  bool dropped[4] = {false, false, false, false};
  NetRelay relay;
  std::vector<RelayedPacket> out;
  std::vector<int> departed;

  // Then pieces: connection byte, length byte, that many bytes.
  size_t at = 1;
  while (at + 2 <= size) {
    const int connection = data[at] % connectionCount;
    size_t length = data[at + 1];
    at += 2;
    if (length > size - at) length = size - at;
    const uint8_t* piece = data + at;
    at += length;
    PacketReader& reader = readers[connection];
    while (length > 0 && !dropped[connection]) {
      int count = reader.wanted();
      if (count <= 0) std::abort();
      if (static_cast<size_t>(count) > length) count = static_cast<int>(length);
      std::memcpy(reader.space(), piece, static_cast<size_t>(count));
      piece += count;
      length -= static_cast<size_t>(count);
      NetPacket packet;
      PacketReader::Result result = reader.received(count, packet);
      if (result == PacketReader::Result::NeedMore) continue;
      out.clear();
      if (result == PacketReader::Result::Malformed ||
          !relay.handle(connection, packet, acceptPlayers, out, departed)) {
        relay.dropConnection(connection, departed);
        dropped[connection] = true;
        break;
      }
      if (packet.payload.size() > static_cast<size_t>(NET_LARGEST_PAYLOAD)) std::abort();
      for (const RelayedPacket& relayed : out) {
        if (relayed.socket < 0 || relayed.socket >= connectionCount) std::abort();
        if (encodePacket(relayed.packet).size() > static_cast<size_t>(NET_HEADER_SIZE + NET_LARGEST_PAYLOAD)) {
          std::abort();
        }
      }
    }
  }
  std::set<int> ids;
  for (const RegisteredPlayer& player : relay.registry()) {
    if (!isPlayerId(player.id) || !ids.insert(player.id).second) std::abort();
    if (std::memchr(player.name, 0, sizeof player.name) == nullptr) std::abort();
    if (player.socket < 0 || player.socket >= connectionCount || dropped[player.socket]) std::abort();
  }
  return 0;
}

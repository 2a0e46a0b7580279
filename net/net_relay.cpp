// The relay's packet handling. Packets come from any program that connects, so every field is
// checked before it is used, and a connection may only speak for the players it registered.
#include "net/net_relay.h"

#include <cstring>

namespace vantrel {

namespace {

NetPacket reply(uint8_t type, uint16_t to, std::string payload) {
  NetPacket packet;
  packet.type = type;
  packet.to = to;
  packet.from = NET_SERVER;
  packet.payload = std::move(payload);
  return packet;
}

}  // namespace

void NetRelay::reset() {
  registry_.clear();
  nextPlayerId_ = NET_FIRST_ID;
}

bool NetRelay::ownsPlayer(int socket, int id) const {
  for (const RegisteredPlayer& player : registry_) {
    if (player.id == id && player.socket == socket) return true;
  }
  return false;
}

int NetRelay::visibleCount() const {
  int count = 0;
  for (const RegisteredPlayer& player : registry_) {
    if (!player.hidden && isPlayerId(player.id)) ++count;
  }
  return count;
}

bool NetRelay::handle(int socket, const NetPacket& packet, bool acceptPlayers,
                      std::vector<RelayedPacket>& out, std::vector<int>& departed) {
  const std::size_t length = packet.payload.size();
  switch (packet.type) {
    case PACKET_JOIN: {
      JoinRequest join;
      if (!parseJoinPayload(packet.payload, join)) return false;
      if (packet.to != NET_SERVER || !acceptPlayers || nextPlayerId_ > NET_HIGHEST_ID) return true;
      RegisteredPlayer player;
      player.socket = socket;
      player.id = nextPlayerId_++;
      player.hidden = join.hidden ? 1 : 0;
      std::memset(player.name, 0, sizeof player.name);
      std::memcpy(player.name, join.name.data(), join.name.size());
      registry_.push_back(player);
      out.push_back({socket, reply(PACKET_ID_ASSIGNED, static_cast<uint16_t>(player.id), std::string())});
      return true;
    }
    case PACKET_MESSAGE: {
      // A message in the name of someone else's player is not forwarded.
      if (!ownsPlayer(socket, packet.from)) return true;
      for (const RegisteredPlayer& player : registry_) {
        bool receives = packet.to == NET_EVERYONE ? !player.hidden && player.id != packet.from
                                                  : player.id == packet.to;
        if (!receives) continue;
        NetPacket copy = packet;
        copy.to = static_cast<uint16_t>(player.id);
        out.push_back({player.socket, std::move(copy)});
      }
      return true;
    }
    case PACKET_LEAVE: {
      if (length != 0) return false;
      for (std::size_t i = 0; i < registry_.size();) {
        if (registry_[i].id == packet.from && registry_[i].socket == socket) {
          departed.push_back(registry_[i].id);
          registry_.erase(registry_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
          ++i;
        }
      }
      return true;
    }
    case PACKET_PLAYER_COUNT:
    case PACKET_CHECK: {
      if (length != 0) return false;
      uint16_t value = packet.type == PACKET_CHECK ? 1 : static_cast<uint16_t>(visibleCount());
      out.push_back({socket, reply(packet.type, packet.from, wordPayload(value))});
      return true;
    }
    case PACKET_ID_BY_INDEX: {
      uint16_t index;
      if (length != 2 || !readWord(packet.payload, index)) return false;
      uint16_t id = 0;
      int position = 0;
      for (const RegisteredPlayer& player : registry_) {
        if (player.hidden || !isPlayerId(player.id)) continue;
        if (position++ == index) {
          id = static_cast<uint16_t>(player.id);
          break;
        }
      }
      out.push_back({socket, reply(packet.type, packet.from, wordPayload(id))});
      return true;
    }
    case PACKET_NAME_BY_ID: {
      uint16_t id;
      if (length != 2 || !readWord(packet.payload, id)) return false;
      std::string name = "NO_DATA";
      for (const RegisteredPlayer& player : registry_) {
        if (player.id == id && player.name[0]) {
          name = player.name;
          break;
        }
      }
      out.push_back({socket, reply(packet.type, packet.from, name)});
      return true;
    }
    default:
      return false;
  }
}

void NetRelay::dropConnection(int socket, std::vector<int>& departed) {
  for (std::size_t i = 0; i < registry_.size();) {
    if (registry_[i].socket == socket) {
      departed.push_back(registry_[i].id);
      registry_.erase(registry_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace vantrel

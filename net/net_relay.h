// The server side of a network game without its sockets: the registry of players, the ids it
// hands out, and what it answers or forwards for each packet a connection sends.
#pragma once

#include <cstdint>
#include <vector>

#include "net/net_packets.h"

namespace vantrel {

struct RegisteredPlayer {
  int socket;  // the connection the player joined on
  int id;
  uint8_t hidden;
  char name[NET_NAME_SIZE];
};

// A packet for one connection.
struct RelayedPacket {
  int socket;
  NetPacket packet;
};

class NetRelay {
 public:
  // Empties the registry; the next player gets NET_FIRST_ID.
  void reset();

  // A packet that connection socket sent. Answers and forwarded copies are appended to out,
  // ids of players that left to departed. False when the packet breaks the protocol (a type
  // a client does not send, or a payload of the wrong size): the caller drops the connection.
  bool handle(int socket, const NetPacket& packet, bool acceptPlayers, std::vector<RelayedPacket>& out,
              std::vector<int>& departed);
  // Removes every player that joined on the connection, in registry order.
  void dropConnection(int socket, std::vector<int>& departed);

  const std::vector<RegisteredPlayer>& registry() const { return registry_; }

 private:
  bool ownsPlayer(int socket, int id) const;
  int visibleCount() const;

  std::vector<RegisteredPlayer> registry_;
  // Ids are never reused within one game; once the id range is spent, joins go unanswered.
  int nextPlayerId_ = NET_FIRST_ID;
};

}  // namespace vantrel

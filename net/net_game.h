// Network games: one program hosts (a relay server it is also a client of), others join; each
// registers named players and exchanges messages through the relay. Reading, accepting and
// relaying run on one background thread per game; the commands send on the game's connection
// themselves and share everything else with the thread under one RuntimeMutex.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <type_traits>
#include <vector>

#include "core/string_value.h"
#include "net/net_packets.h"
#include "net/net_relay.h"
#include "transforms/threads.h"

namespace vantrel {

constexpr int NET_DEFAULT_PORT = 27910;

struct LocalPlayer {
  static constexpr int JOIN_SENT = -4;
  int id = JOIN_SENT;  // until the server assigns one
  uint8_t hidden = 0;        // 1 for the query player
  uint8_t createdByHost = 0;
  char name[NET_NAME_SIZE] = {};
  std::deque<NetPacket> inbox;
};

// One game as host, client or idle. The runtime keeps one (netGame()); further instances are
// independent participants, each with its own thread and connection.
class NetGame {
 public:
  NetGame();
  // Resets the game as endNetGame does; no leave packets (see sendLeavePackets).
  ~NetGame();
  NetGame(const NetGame&) = delete;
  NetGame& operator=(const NetGame&) = delete;

  int host(int port);
  int join(const StringValue& host, int port);
  void end();
  void setAcceptPlayers(int flag);
  int createPlayer(const StringValue& name);
  void removePlayer(int id);
  int sendMessage(int from, int to, const StringValue& text);
  StringValue getMessage(int id);
  int lastMessageSender() const { return lastMessageSender_; }
  int playerCount();
  int playerIdByIndex(int index);
  StringValue playerName(int id);
  int nextLeftPlayer();
  // A leave packet for every local player that has an id, the query player included.
  void sendLeavePackets();

 private:
  struct Connection;
  struct Incoming;
  class Guard;

  void reset(bool clearLists);
  int startThread();
  int createLocalPlayer(const char* name, bool hidden);
  bool request(uint8_t type, const std::string& payload, NetPacket& answer);
  bool sendToServer(const std::string& bytes);

  static void* threadMain(void* game);
  void runThread();
  bool readFromServer(std::vector<Incoming>& incoming, bool& lost);
  bool acceptConnections();
  bool readConnections(std::vector<Incoming>& incoming);
  bool flushConnections();
  void closeConnections();

  // Guarded by lock_ (the sockets and isHost_ are set by the main thread while no thread runs).
  // Only the main thread writes to clientSocket_, so packets on it never interleave.
  RuntimeMutex* lock_ = nullptr;
  int queryId_ = 0;
  int listenSocket_ = -1;
  int clientSocket_ = -1;
  std::list<LocalPlayer> localPlayers_;
  std::deque<NetPacket> replies_;
  std::vector<int> leftPlayers_;
  NetRelay relay_;
  uint8_t isHost_ = 0;
  uint8_t stopRequested_ = 1;
  uint8_t acceptPlayers_ = 1;
  uint8_t serverLost_ = 0;
  bool holdsNetwork_ = false;
  ThreadHandle thread_ = THREAD_DETACHED;
  int lastMessageSender_ = 0;

  // The network thread's own state.
  std::vector<Connection> connections_;
  PacketReader serverReader_;
};

static_assert(!std::is_copy_constructible_v<NetGame>);

// The runtime's game object: null before createNetGame and after closeNetGame.
NetGame* netGame();
void createNetGame();
// Leave packets for the local players, then the reset of endNetGame; the object is freed.
void closeNetGame();

// The commands, on the runtime's game object.
int hostNetGame(int port);
int joinNetGame(const StringValue& host, int port);
void endNetGame();
void setAcceptPlayers(int flag);
int createNetPlayer(const StringValue& name);
void removeNetPlayer(int id);
int sendNetMessage(int from, int to, const StringValue& text);
StringValue getNetMessage(int id);
int lastMessageSender();
int netPlayerCount();
int netPlayerIdByIndex(int index);
StringValue netPlayerName(int id);
int nextLeftPlayer();

}  // namespace vantrel

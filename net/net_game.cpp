// The network-game thread and commands. The thread polls: it sleeps 10 ms after a cycle that
// did nothing; request waits poll their answer every 20 ms for at most 250 tries.
#include "net/net_game.h"

#include <chrono>
#include <cstring>

#include "net/sockets.h"

namespace vantrel {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 5000;
constexpr int POLL_TRIES = 250;
constexpr uint32_t POLL_PAUSE_MS = 20;
constexpr uint32_t IDLE_PAUSE_MS = 10;
constexpr std::size_t LARGEST_CONNECTION_TABLE = 128;
constexpr int ACCEPTS_PER_CYCLE = 16;
constexpr int SERVER_PACKETS_PER_CYCLE = 1024;
// A peer that starts a packet and does not finish it within this time is dropped.
constexpr int PACKET_STALL_MS = 5000;
// A peer that does not read what the relay sends it is dropped once this much is waiting.
constexpr std::size_t LARGEST_OUTBOX = 1u << 20;
constexpr std::size_t OUTBOX_COMPACTION = 1u << 16;
// A send to the server that cannot get through within this time gives the connection up.
constexpr int SERVER_SEND_LIMIT_MS = 5000;
// Bounds on what peers can make this program hold.
constexpr std::size_t LARGEST_INBOX = 16384;
constexpr std::size_t LARGEST_REPLY_QUEUE = 64;

using Clock = std::chrono::steady_clock;

NetGame* theGame = nullptr;

std::string payloadText(const std::string& payload) {
  std::size_t end = payload.find('\0');
  return end == std::string::npos ? payload : payload.substr(0, end);
}

}  // namespace

struct NetGame::Connection {
  int socket;
  PacketReader reader;
  std::string outbox;
  std::size_t outboxSent = 0;
  Clock::time_point packetStarted;
  bool dropped = false;
};

// A packet read in this cycle, with where it came from: the server (socket -1) or one of the
// relay's connections.
struct NetGame::Incoming {
  int socket;
  NetPacket packet;
};

class NetGame::Guard {
 public:
  explicit Guard(RuntimeMutex** lock) : lock_(lock) { mutexLock(lock_); }
  ~Guard() { mutexUnlock(lock_); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  RuntimeMutex** lock_;
};

NetGame::NetGame() { mutexInit(&lock_); }

NetGame::~NetGame() {
  reset(true);
  mutexDestroy(&lock_);
}

void NetGame::reset(bool clearLists) {
  if (thread_ != THREAD_DETACHED) {
    {
      Guard guard(&lock_);
      stopRequested_ = 1;
    }
    threadJoin(thread_, nullptr);
    thread_ = THREAD_DETACHED;
  }
  if (listenSocket_ >= 0) closeSocket(listenSocket_);
  if (clientSocket_ >= 0) closeSocket(clientSocket_);
  listenSocket_ = -1;
  clientSocket_ = -1;
  // Only the network use this game took is given back, so sockets the program opened itself
  // stay open.
  if (holdsNetwork_) shutdownNetwork();
  holdsNetwork_ = false;
  serverReader_ = PacketReader();
  Guard guard(&lock_);
  stopRequested_ = 1;
  acceptPlayers_ = 1;
  serverLost_ = 0;
  queryId_ = 0;
  replies_.clear();
  if (clearLists) {
    localPlayers_.clear();
    relay_.reset();
    leftPlayers_.clear();
  }
}

int NetGame::startThread() {
  {
    Guard guard(&lock_);
    stopRequested_ = 0;
  }
  thread_ = threadCreate(threadMain, this, true);
  if (thread_ == THREAD_FAILED) {
    thread_ = THREAD_DETACHED;
    return 0;
  }
  return 1;
}

int NetGame::host(int port) {
  reset(true);
  if (port < 1) port = NET_DEFAULT_PORT;
  initNetwork();
  holdsNetwork_ = true;
  listenSocket_ = tcpListen(port);
  if (listenSocket_ < 0) {
    reset(true);
    return 0;
  }
  // The host reaches its own relay over loopback: that path exists on every machine.
  platform::SocketAddress self{0x7F000001u, static_cast<uint16_t>(port)};
  clientSocket_ = connectAddress(self, CONNECT_TIMEOUT_MS);
  isHost_ = 1;
  if (clientSocket_ < 0 || !startThread()) {
    reset(true);
    return 0;
  }
  return 1;
}

int NetGame::join(const StringValue& host, int port) {
  reset(true);
  if (port < 1) port = NET_DEFAULT_PORT;
  initNetwork();
  holdsNetwork_ = true;
  if (port <= 65535) clientSocket_ = connectAddress(resolveHost(host.text(), port), CONNECT_TIMEOUT_MS);
  isHost_ = 0;
  NetPacket answer;
  if (clientSocket_ < 0 || !startThread() || !request(PACKET_CHECK, std::string(), answer)) {
    reset(false);
    return 0;
  }
  return 1;
}

void NetGame::end() { reset(false); }

void NetGame::setAcceptPlayers(int flag) {
  Guard guard(&lock_);
  acceptPlayers_ = flag != 0 ? 1 : 0;
}

int NetGame::createLocalPlayer(const char* name, bool hidden) {
  std::list<LocalPlayer>::iterator player;
  NetPacket join;
  join.type = PACKET_JOIN;
  join.to = NET_SERVER;
  join.from = 0;
  join.payload = joinPayload(hidden, isHost_ != 0, name);
  {
    // The record waits as "join sent" before the join goes out, so the answer always finds it.
    Guard guard(&lock_);
    player = localPlayers_.emplace(localPlayers_.end());
    player->hidden = hidden ? 1 : 0;
    player->createdByHost = isHost_;
    std::strncpy(player->name, name, NET_NAME_SIZE - 1);
  }
  if (!sendToServer(encodePacket(join))) {
    Guard guard(&lock_);
    localPlayers_.erase(player);
    return 0;
  }
  for (int attempt = 0; attempt < POLL_TRIES; ++attempt) {
    int id;
    {
      Guard guard(&lock_);
      id = player->id;
    }
    if (isPlayerId(id)) return id;
    threadSleep(POLL_PAUSE_MS);
  }
  Guard guard(&lock_);
  localPlayers_.erase(player);
  return 0;
}

int NetGame::createPlayer(const StringValue& name) { return createLocalPlayer(name.text(), false); }

bool NetGame::sendToServer(const std::string& bytes) {
  if (clientSocket_ < 0) return false;
  if (sendAll(clientSocket_, bytes.data(), static_cast<int>(bytes.size()), nullptr, SERVER_SEND_LIMIT_MS) > 0) {
    return true;
  }
  // A packet that went out in part leaves the stream unreadable: the connection is lost.
  Guard guard(&lock_);
  serverLost_ = 1;
  return false;
}

bool NetGame::request(uint8_t type, const std::string& payload, NetPacket& answer) {
  int queryId;
  {
    Guard guard(&lock_);
    queryId = queryId_;
  }
  if (queryId == 0) {
    queryId = createLocalPlayer("query", true);
    if (queryId == 0) return false;
    Guard guard(&lock_);
    queryId_ = queryId;
  }
  {
    Guard guard(&lock_);
    replies_.clear();
  }
  NetPacket packet;
  packet.type = type;
  packet.to = NET_SERVER;
  packet.from = static_cast<uint16_t>(queryId);
  packet.payload = payload;
  if (!sendToServer(encodePacket(packet))) return false;
  for (int attempt = 0; attempt < POLL_TRIES; ++attempt) {
    {
      Guard guard(&lock_);
      // A late answer to an earlier request that timed out is not this one's.
      while (!replies_.empty()) {
        NetPacket reply = std::move(replies_.front());
        replies_.pop_front();
        if (reply.type == type) {
          answer = std::move(reply);
          return true;
        }
      }
    }
    threadSleep(POLL_PAUSE_MS);
  }
  return false;
}

void NetGame::removePlayer(int id) {
  if (!isPlayerId(id)) return;
  NetPacket packet;
  packet.type = PACKET_LEAVE;
  packet.to = NET_SERVER;
  packet.from = static_cast<uint16_t>(id);
  sendToServer(encodePacket(packet));
}

int NetGame::sendMessage(int from, int to, const StringValue& text) {
  NetPacket packet;
  packet.type = PACKET_MESSAGE;
  packet.to = to == 0 ? NET_EVERYONE : static_cast<uint16_t>(to);
  packet.from = static_cast<uint16_t>(from);
  packet.payload.assign(text.buffer, text.length < static_cast<uint32_t>(NET_LARGEST_PAYLOAD)
                                         ? text.length
                                         : static_cast<uint32_t>(NET_LARGEST_PAYLOAD));
  return sendToServer(encodePacket(packet)) ? 1 : 0;
}

StringValue NetGame::getMessage(int id) {
  if (!isPlayerId(id)) return StringValue();
  Guard guard(&lock_);
  for (LocalPlayer& player : localPlayers_) {
    if (player.id != id) continue;
    if (player.inbox.empty()) return StringValue();
    NetPacket packet = std::move(player.inbox.front());
    player.inbox.pop_front();
    lastMessageSender_ = packet.from;
    std::string text = payloadText(packet.payload);
    return StringValue(text.data(), text.size());
  }
  return StringValue();
}

int NetGame::playerCount() {
  NetPacket answer;
  uint16_t count = 0;
  if (!request(PACKET_PLAYER_COUNT, std::string(), answer) || !readWord(answer.payload, count)) return 0;
  return count;
}

int NetGame::playerIdByIndex(int index) {
  NetPacket answer;
  uint16_t id = 0;
  if (!request(PACKET_ID_BY_INDEX, wordPayload(static_cast<uint16_t>(index)), answer) ||
      !readWord(answer.payload, id)) {
    return 0;
  }
  return id;
}

StringValue NetGame::playerName(int id) {
  NetPacket answer;
  if (!request(PACKET_NAME_BY_ID, wordPayload(static_cast<uint16_t>(id)), answer)) return StringValue();
  std::string text = payloadText(answer.payload);
  return StringValue(text.data(), text.size());
}

int NetGame::nextLeftPlayer() {
  Guard guard(&lock_);
  if (leftPlayers_.empty()) return 0;
  int id = leftPlayers_.back();
  leftPlayers_.pop_back();
  return id;
}

void NetGame::sendLeavePackets() {
  std::vector<int> ids;
  {
    Guard guard(&lock_);
    for (const LocalPlayer& player : localPlayers_) {
      if (isPlayerId(player.id)) ids.push_back(player.id);
    }
  }
  for (int id : ids) removePlayer(id);
}

void* NetGame::threadMain(void* game) {
  static_cast<NetGame*>(game)->runThread();
  return nullptr;
}

bool NetGame::readFromServer(std::vector<Incoming>& incoming, bool& lost) {
  bool busy = false;
  for (int packets = 0; packets < SERVER_PACKETS_PER_CYCLE;) {
    int count = receiveSome(clientSocket_, serverReader_.space(), serverReader_.wanted());
    if (count == SOCKET_NOTHING_YET) break;
    busy = true;
    NetPacket packet;
    PacketReader::Result result =
        count > 0 ? serverReader_.received(count, packet) : PacketReader::Result::Malformed;
    if (result == PacketReader::Result::Malformed) {
      // Closed, failed, or a server that does not speak the protocol.
      lost = true;
      break;
    }
    if (result == PacketReader::Result::Packet) {
      incoming.push_back({-1, std::move(packet)});
      ++packets;
    }
  }
  return busy;
}

bool NetGame::acceptConnections() {
  bool busy = false;
  for (int accepted = 0; accepted < ACCEPTS_PER_CYCLE; ++accepted) {
    int ip = 0;
    int socket = tcpAccept(listenSocket_, ip);
    if (socket < 0) break;
    busy = true;
    if (connections_.size() >= LARGEST_CONNECTION_TABLE) {
      // The table is full: the peer learns it at once instead of waiting in the backlog.
      closeSocket(socket);
      continue;
    }
    Connection connection;
    connection.socket = socket;
    connections_.push_back(std::move(connection));
  }
  return busy;
}

bool NetGame::readConnections(std::vector<Incoming>& incoming) {
  bool busy = false;
  const Clock::time_point now = Clock::now();
  for (Connection& connection : connections_) {
    if (connection.dropped) continue;
    // At most one packet per connection and cycle, so no peer can hold the thread.
    for (;;) {
      bool started = connection.reader.midPacket();
      int count = receiveSome(connection.socket, connection.reader.space(), connection.reader.wanted());
      if (count == SOCKET_NOTHING_YET) {
        if (started && now - connection.packetStarted > std::chrono::milliseconds(PACKET_STALL_MS)) {
          connection.dropped = true;
        }
        break;
      }
      busy = true;
      NetPacket packet;
      PacketReader::Result result =
          count > 0 ? connection.reader.received(count, packet) : PacketReader::Result::Malformed;
      if (result == PacketReader::Result::Malformed) {
        connection.dropped = true;
        break;
      }
      if (!started) connection.packetStarted = now;
      if (result == PacketReader::Result::Packet) {
        incoming.push_back({connection.socket, std::move(packet)});
        break;
      }
    }
  }
  return busy;
}

bool NetGame::flushConnections() {
  bool busy = false;
  for (Connection& connection : connections_) {
    if (connection.dropped) continue;
    std::size_t waiting = connection.outbox.size() - connection.outboxSent;
    if (waiting == 0) continue;
    int sent = sendSome(connection.socket, connection.outbox.data() + connection.outboxSent,
                        static_cast<int>(waiting));
    if (sent == SOCKET_NOTHING_YET) {
      if (waiting > LARGEST_OUTBOX) connection.dropped = true;
      continue;
    }
    if (sent < 0) {
      connection.dropped = true;
      continue;
    }
    busy = true;
    connection.outboxSent += static_cast<std::size_t>(sent);
    // Drop what went out once it is large, so a peer that reads slowly but steadily does not
    // make the outbox grow.
    if (connection.outboxSent == connection.outbox.size() || connection.outboxSent >= OUTBOX_COMPACTION) {
      connection.outbox.erase(0, connection.outboxSent);
      connection.outboxSent = 0;
    }
  }
  return busy;
}

void NetGame::closeConnections() {
  for (Connection& connection : connections_) closeSocket(connection.socket);
  connections_.clear();
}

void NetGame::runThread() {
  std::vector<Incoming> incoming;
  std::vector<RelayedPacket> relayed;
  std::vector<int> departed;
  for (;;) {
    bool accept;
    {
      Guard guard(&lock_);
      if (stopRequested_ || serverLost_) break;
      accept = acceptPlayers_ != 0;
    }
    bool lost = false;
    incoming.clear();
    bool busy = readFromServer(incoming, lost);
    if (isHost_) {
      if (accept) busy = acceptConnections() || busy;
      busy = readConnections(incoming) || busy;
    }

    {
      Guard guard(&lock_);
      relayed.clear();
      departed.clear();
      for (Incoming& entry : incoming) {
        NetPacket& packet = entry.packet;
        if (entry.socket >= 0) {
          if (!relay_.handle(entry.socket, packet, acceptPlayers_ != 0, relayed, departed)) {
            for (Connection& connection : connections_) {
              if (connection.socket == entry.socket) connection.dropped = true;
            }
          }
          continue;
        }
        // From the server: messages for local players, ids for joins, answers to requests.
        if (packet.type == PACKET_MESSAGE) {
          for (LocalPlayer& player : localPlayers_) {
            if (player.id == packet.to && player.inbox.size() < LARGEST_INBOX) player.inbox.push_back(packet);
          }
        } else if (packet.from == NET_SERVER && packet.type == PACKET_ID_ASSIGNED) {
          if (!isPlayerId(packet.to)) continue;
          for (LocalPlayer& player : localPlayers_) {
            if (player.id == LocalPlayer::JOIN_SENT) {
              player.id = packet.to;
              break;
            }
          }
        } else if (packet.from == NET_SERVER && packet.type >= PACKET_FIRST_REPLY &&
                   replies_.size() < LARGEST_REPLY_QUEUE) {
          replies_.push_back(std::move(packet));
        }
      }
      for (RelayedPacket& out : relayed) {
        for (Connection& connection : connections_) {
          if (connection.socket == out.socket && !connection.dropped) appendPacket(connection.outbox, out.packet);
        }
      }
      for (Connection& connection : connections_) {
        if (connection.dropped) relay_.dropConnection(connection.socket, departed);
      }
      leftPlayers_.insert(leftPlayers_.end(), departed.begin(), departed.end());
      if (lost) serverLost_ = 1;
    }

    // A dropped connection leaves the table; the last one takes its place.
    for (std::size_t i = 0; i < connections_.size();) {
      if (!connections_[i].dropped) {
        ++i;
        continue;
      }
      busy = true;
      closeSocket(connections_[i].socket);
      if (i + 1 != connections_.size()) connections_[i] = std::move(connections_.back());
      connections_.pop_back();
    }
    busy = flushConnections() || busy;
    if (!busy) threadSleep(IDLE_PAUSE_MS);
  }
  closeConnections();
}

NetGame* netGame() { return theGame; }

void createNetGame() {
  if (!theGame) theGame = new NetGame;
}

void closeNetGame() {
  if (!theGame) return;
  theGame->sendLeavePackets();
  delete theGame;
  theGame = nullptr;
}

int hostNetGame(int port) { return theGame ? theGame->host(port) : 0; }
int joinNetGame(const StringValue& host, int port) { return theGame ? theGame->join(host, port) : 0; }
void endNetGame() {
  if (theGame) theGame->end();
}
void setAcceptPlayers(int flag) {
  if (theGame) theGame->setAcceptPlayers(flag);
}
int createNetPlayer(const StringValue& name) { return theGame ? theGame->createPlayer(name) : 0; }
void removeNetPlayer(int id) {
  if (theGame) theGame->removePlayer(id);
}
int sendNetMessage(int from, int to, const StringValue& text) {
  return theGame ? theGame->sendMessage(from, to, text) : 0;
}
StringValue getNetMessage(int id) { return theGame ? theGame->getMessage(id) : StringValue(); }
int lastMessageSender() { return theGame ? theGame->lastMessageSender() : 0; }
int netPlayerCount() { return theGame ? theGame->playerCount() : 0; }
int netPlayerIdByIndex(int index) { return theGame ? theGame->playerIdByIndex(index) : 0; }
StringValue netPlayerName(int id) { return theGame ? theGame->playerName(id) : StringValue(); }
int nextLeftPlayer() { return theGame ? theGame->nextLeftPlayer() : 0; }

}  // namespace vantrel

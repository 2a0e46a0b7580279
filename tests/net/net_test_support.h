// Helpers for the network tests: bounded polling, free loopback ports and a raw client that
// speaks the network-game packets over plain sockets.
#pragma once

#include <chrono>
#include <string>

#include "net/net_packets.h"
#include "net/sockets.h"
#include "transforms/threads.h"

namespace vantrel::test {

// Polls condition every few milliseconds until it holds or limitMs passed.
template <typename Condition>
bool waitFor(Condition condition, int limitMs = 10000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    threadSleep(2);
  }
}

// A TCP port that nothing listens on right now (the OS picks it).
inline int freeTcpPort() {
  int socket = tcpListen(0);
  int port = remotePort(socket);
  closeSocket(socket);
  return port;
}

// A client of a game relay that writes packets by hand.
class RawPeer {
 public:
  explicit RawPeer(int port) : socket_(tcpConnect("127.0.0.1", port, 5000)) {}
  ~RawPeer() { close(); }
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  bool connected() const { return socket_ >= 0; }
  int socket() const { return socket_; }
  void close() {
    if (socket_ >= 0) closeSocket(socket_);
    socket_ = -1;
  }
  bool sendBytes(const std::string& bytes) {
    return sendAll(socket_, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  }
  bool sendPacket(uint8_t type, uint16_t to, uint16_t from, const std::string& payload) {
    NetPacket packet;
    packet.type = type;
    packet.to = to;
    packet.from = from;
    packet.payload = payload;
    return sendBytes(encodePacket(packet));
  }
  // The next packet from the relay within limitMs; false at once when the relay closed.
  bool readPacket(NetPacket& packet, int limitMs = 10000) {
    bool got = false;
    waitFor([&] {
      int count = receiveSome(socket_, reader_.space(), reader_.wanted());
      if (count == SOCKET_NOTHING_YET) return false;
      got = count > 0 && reader_.received(count, packet) == PacketReader::Result::Packet;
      return got || count <= 0;
    }, limitMs);
    return got;
  }
  // Registers a player and returns the id the relay gave it, 0 when none came.
  int join(const char* name, bool hidden = false) {
    if (!sendPacket(PACKET_JOIN, NET_SERVER, 0, joinPayload(hidden, false, name))) return 0;
    NetPacket packet;
    if (!readPacket(packet) || packet.type != PACKET_ID_ASSIGNED) return 0;
    return packet.to;
  }
  // True once the relay has closed the connection (within limitMs).
  bool closedByRelay(int limitMs = 10000) {
    return waitFor([&] {
      char byte[256];
      return receiveSome(socket_, byte, sizeof byte) == SOCKET_CLOSED;
    }, limitMs);
  }

 private:
  int socket_;
  PacketReader reader_;
};

}  // namespace vantrel::test

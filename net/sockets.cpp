// The socket table and its commands over platform/sockets.h. Taking and freeing slots is
// guarded so that the network-game thread and the main thread can both create sockets.
#include "net/sockets.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel {

namespace {

constexpr int LONGEST_LOCAL_ADDRESS_TEXT = 2047;
// A receive never asks for more than this at once; a UDP datagram is never larger.
constexpr int LARGEST_SINGLE_READ = 65536;

std::mutex tableLock;
SocketSlot table[SOCKET_TABLE_SIZE];
int networkUsers = 0;  // guarded by tableLock

// Each thread sees the errors of its own operations, so the network-game thread cannot
// overwrite what the program is about to read.
thread_local int lastError = 0;

void keepPlatformError() { lastError = platform::socketError(); }

bool inRange(int socket) { return socket >= 0 && socket < SOCKET_TABLE_SIZE; }

// The slot of an open socket, or null (with a bad-handle error) for any other number.
SocketSlot* openSlot(int socket) {
  if (!inRange(socket) || table[socket].socket == platform::NO_SOCKET) {
    lastError = platform::badHandleError();
    return nullptr;
  }
  return &table[socket];
}

// The lowest free slot gets a new OS socket; -1 when the table is full or the OS refuses.
int takeSlot(bool udp, const platform::SocketAddress& address) {
  std::lock_guard<std::mutex> guard(tableLock);
  for (int index = 0; index < SOCKET_TABLE_SIZE; ++index) {
    if (table[index].socket != platform::NO_SOCKET) continue;
    platform::SocketHandle handle = platform::openSocket(udp);
    if (handle == platform::NO_SOCKET) {
      keepPlatformError();
      return -1;
    }
    table[index].socket = handle;
    table[index].address = address;
    table[index].isUdp = udp ? 1 : 0;
    return index;
  }
  lastError = SOCKET_TABLE_FULL;
  return -1;
}

// Frees the slot first, then closes its OS socket.
bool releaseSlot(int socket) {
  platform::SocketHandle handle;
  {
    std::lock_guard<std::mutex> guard(tableLock);
    handle = table[socket].socket;
    table[socket].socket = platform::NO_SOCKET;
  }
  if (handle == platform::NO_SOCKET) {
    lastError = platform::badHandleError();
    return false;
  }
  if (platform::closeSocketHandle(handle)) return true;
  keepPlatformError();
  return false;
}

// Closes the slot and keeps the error that made the operation fail.
int failAndRelease(int socket, int error) {
  releaseSlot(socket);
  lastError = error;
  return -1;
}

bool validPort(int port) {
  if (port >= 0 && port <= 65535) return true;
  lastError = platform::invalidArgumentError();
  return false;
}

}  // namespace

int lastSocketError() { return lastError; }
void setLastSocketError(int error) { lastError = error; }

int initNetwork() {
  std::lock_guard<std::mutex> guard(tableLock);
  ++networkUsers;
  return 1;
}

int shutdownNetwork() {
  std::vector<platform::SocketHandle> open;
  {
    std::lock_guard<std::mutex> guard(tableLock);
    if (--networkUsers > 0) return networkUsers;
    networkUsers = 0;
    for (SocketSlot& slot : table) {
      if (slot.socket == platform::NO_SOCKET) continue;
      open.push_back(slot.socket);
      slot.socket = platform::NO_SOCKET;
    }
  }
  for (platform::SocketHandle handle : open) platform::closeSocketHandle(handle);
  return 0;
}

int tcpListen(int port) {
  if (!validPort(port)) return -1;
  platform::SocketAddress address{0, static_cast<uint16_t>(port)};
  int socket = takeSlot(false, address);
  if (socket < 0) return -1;
  platform::SocketHandle handle = table[socket].socket;
  if (!platform::setReuseAddress(handle) || !platform::bindSocket(handle, address) ||
      !platform::listenOn(handle, SOCKET_LISTEN_BACKLOG) ||
      !platform::boundPort(handle, table[socket].address.port) ||
      !platform::setBlockingMode(handle, false)) {
    return failAndRelease(socket, platform::socketError());
  }
  return socket;
}

int tcpAccept(int listenSocket, int& ip) {
  SocketSlot* listening = openSlot(listenSocket);
  if (!listening) return -1;
  if (listening->isUdp) {
    lastError = 0;
    return -1;
  }
  platform::SocketAddress peer;
  platform::SocketHandle handle = platform::acceptOn(listening->socket, peer);
  if (handle == platform::NO_SOCKET) {
    keepPlatformError();
    return -1;
  }
  int socket = -1;
  {
    std::lock_guard<std::mutex> guard(tableLock);
    for (int index = 0; index < SOCKET_TABLE_SIZE && socket < 0; ++index) {
      if (table[index].socket != platform::NO_SOCKET) continue;
      table[index] = *listening;
      table[index].socket = handle;
      table[index].address = peer;
      socket = index;
    }
  }
  if (socket < 0) {
    platform::closeSocketHandle(handle);
    lastError = SOCKET_TABLE_FULL;
    return -1;
  }
  if (!platform::setBlockingMode(handle, false)) return failAndRelease(socket, platform::socketError());
  ip = static_cast<int>(peer.ip);
  return socket;
}

int connectAddress(const platform::SocketAddress& address, int timeout) {
  if (address.ip == 0 && address.port == 0) return -1;
  int socket = takeSlot(false, address);
  if (socket < 0) return -1;
  platform::SocketHandle handle = table[socket].socket;
  if (!platform::setBlockingMode(handle, false)) return failAndRelease(socket, platform::socketError());
  if (!platform::connectTo(handle, address)) {
    int error = platform::socketError();
    if (!platform::isConnectInProgress(error)) return failAndRelease(socket, error);
    int wait = timeout <= 0 || timeout > SOCKET_LONGEST_CONNECT_MS ? SOCKET_LONGEST_CONNECT_MS : timeout;
    switch (platform::waitUntilWritable(handle, wait)) {
      case platform::WaitOutcome::Ready:
        break;
      case platform::WaitOutcome::TimedOut:
        return failAndRelease(socket, SOCKET_CONNECT_TIMED_OUT);
      case platform::WaitOutcome::Failed:
        return failAndRelease(socket, platform::socketError());
    }
  }
  if (!platform::setBlockingMode(handle, true) || !platform::setBlockingMode(handle, false)) {
    return failAndRelease(socket, platform::socketError());
  }
  return socket;
}

int tcpConnect(const StringValue& host, int port, int timeout) {
  if (!validPort(port)) return -1;
  return connectAddress(resolveHost(host.text(), port), timeout);
}

int sendAll(int socket, const void* bytes, int length, const platform::SocketAddress* to,
            int waitLimitMs) {
  SocketSlot* slot = openSlot(socket);
  if (!slot) return SOCKET_FAILED;
  if (slot->isUdp && (!to || (to->ip == 0 && to->port == 0))) {
    lastError = platform::invalidArgumentError();
    return SOCKET_FAILED;
  }
  if (length <= 0) return 0;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitLimitMs < 0 ? 0 : waitLimitMs);
  const char* next = static_cast<const char*>(bytes);
  int sent = 0;
  while (sent < length) {
    long count = platform::sendOn(slot->socket, next + sent, static_cast<std::size_t>(length - sent),
                                  slot->isUdp ? to : nullptr);
    if (count >= 0) {
      sent += static_cast<int>(count);
      continue;
    }
    int error = platform::socketError();
    if (!platform::isWouldBlock(error)) {
      lastError = error;
      return SOCKET_FAILED;
    }
    // The send buffer is full: wait until the peer has taken some of it.
    int wait = 1000;
    if (waitLimitMs >= 0) {
      long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        lastError = error;
        return SOCKET_FAILED;
      }
      wait = static_cast<int>(left < wait ? left : wait);
    }
    if (platform::waitUntilWritable(slot->socket, wait) == platform::WaitOutcome::Failed) {
      keepPlatformError();
      return SOCKET_FAILED;
    }
  }
  return sent;
}

int sendSome(int socket, const void* bytes, int length) {
  SocketSlot* slot = openSlot(socket);
  if (!slot) return SOCKET_FAILED;
  if (length <= 0) return 0;
  long count = platform::sendOn(slot->socket, bytes, static_cast<std::size_t>(length), nullptr);
  if (count >= 0) return static_cast<int>(count);
  keepPlatformError();
  return platform::isWouldBlock(lastError) ? SOCKET_NOTHING_YET : SOCKET_FAILED;
}

int receiveSome(int socket, void* buffer, int length) {
  SocketSlot* slot = openSlot(socket);
  if (!slot) return SOCKET_FAILED;
  if (length <= 0) {
    lastError = platform::invalidArgumentError();
    return SOCKET_FAILED;
  }
  platform::SocketAddress sender;
  long count = platform::receiveOn(slot->socket, buffer, static_cast<std::size_t>(length),
                                   slot->isUdp ? &sender : nullptr);
  if (slot->isUdp) slot->address = count >= 0 ? sender : platform::SocketAddress{};
  if (count >= 0) return static_cast<int>(count);
  keepPlatformError();
  if (platform::isWouldBlock(lastError)) return SOCKET_NOTHING_YET;
  if (platform::isConnectionReset(lastError)) return SOCKET_CLOSED;
  return SOCKET_FAILED;
}

int tcpSend(int socket, const StringValue& data) {
  return sendAll(socket, data.buffer, static_cast<int>(data.length));
}

int udpOpen(int port) {
  if (!validPort(port)) return -1;
  platform::SocketAddress address{0, static_cast<uint16_t>(port)};
  int socket = takeSlot(true, address);
  if (socket < 0) return -1;
  platform::SocketHandle handle = table[socket].socket;
  if (!platform::setReuseAddress(handle) || (port != 0 && !platform::bindSocket(handle, address)) ||
      !platform::setBroadcast(handle) || !platform::setBlockingMode(handle, false)) {
    return failAndRelease(socket, platform::socketError());
  }
  return socket;
}

int udpSend(int socket, const StringValue& data, int ip, int port) {
  if (!validPort(port)) return SOCKET_FAILED;
  platform::SocketAddress to{static_cast<uint32_t>(ip), static_cast<uint16_t>(port)};
  return sendAll(socket, data.buffer, static_cast<int>(data.length), &to);
}

int socketReceive(int socket, StringValue& buffer, int maximum) {
  StringValue received;
  int count;
  if (maximum <= 0) {
    lastError = platform::invalidArgumentError();
    count = SOCKET_FAILED;
  } else {
    int room = maximum < LARGEST_SINGLE_READ ? maximum : LARGEST_SINGLE_READ;
    char* bytes = writableBuffer(received, static_cast<uint32_t>(room));
    count = receiveSome(socket, bytes, room);
    if (count > 0) {
      // Zero bytes inside the data are kept: the length is the byte count.
      received.length = static_cast<uint32_t>(count);
      received.buffer[count] = 0;
    } else {
      received.destroy();
    }
  }
  buffer.swap(received);
  return count;
}

platform::SocketAddress resolveHost(const char* name, int port) {
  platform::SocketAddress address;
  uint32_t ip = 0;
  bool found;
  if (name && *name) {
    found = platform::resolveName(name, ip);
  } else {
    std::vector<uint32_t> local;
    found = platform::machineAddresses(local) && !local.empty() &&
            platform::resolveName(ipToText(static_cast<int>(local.front())).text(), ip);
    found = found || platform::resolveName("127.0.0.1", ip) || platform::resolveName("localhost.local", ip);
  }
  if (!found) {
    keepPlatformError();
    return address;
  }
  address.ip = ip;
  address.port = static_cast<uint16_t>(port);
  return address;
}

int hostToIp(const StringValue& host) {
  platform::SocketAddress address = resolveHost(host.text(), 0);
  if (address.ip == 0 && address.port == 0) return -1;
  return static_cast<int>(address.ip);
}

StringValue ipToText(int ip) {
  uint32_t value = static_cast<uint32_t>(ip);
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(value >> 24),
                static_cast<int>((value >> 16) & 255), static_cast<int>((value >> 8) & 255),
                static_cast<int>(value & 255));
  return StringValue(text);
}

int remoteIp(int socket) {
  if (!inRange(socket) || table[socket].socket == platform::NO_SOCKET) return 0;
  return static_cast<int>(table[socket].address.ip);
}

int remotePort(int socket) {
  if (!inRange(socket) || table[socket].socket == platform::NO_SOCKET) return 0;
  return table[socket].address.port;
}

int closeSocket(int socket) {
  if (!openSlot(socket)) return 0;
  return releaseSlot(socket) ? 1 : 0;
}

int setBlocking(int socket, int flag) {
  SocketSlot* slot = openSlot(socket);
  if (!slot) return lastError;
  if (!platform::setBlockingMode(slot->socket, flag != 0)) {
    keepPlatformError();
    return lastError;
  }
  return 0;
}

StringValue localAddresses() {
  initNetwork();
  std::vector<uint32_t> addresses;
  platform::machineAddresses(addresses);
  const uint32_t loopback = 0x7F000001u;
  bool hasLoopback = false;
  std::string text;
  auto add = [&text](uint32_t ip) {
    StringValue entry = ipToText(static_cast<int>(ip));
    if (text.size() + entry.length + 1 > static_cast<std::size_t>(LONGEST_LOCAL_ADDRESS_TEXT) + 1) return false;
    text.append(entry.text(), entry.length);
    text.push_back('|');
    return true;
  };
  bool room = true;
  for (uint32_t ip : addresses) {
    if (ip == loopback) {
      hasLoopback = true;
      continue;
    }
    if (!(room = add(ip))) break;
  }
  if (room && hasLoopback) add(loopback);
  if (!text.empty()) text.pop_back();
  shutdownNetwork();
  return StringValue(text.c_str(), text.size());
}

StringValue socketErrorText() {
  std::string message;
  if (lastError == SOCKET_TABLE_FULL) {
    message = "socket table is full";
  } else if (lastError == SOCKET_CONNECT_TIMED_OUT) {
    message = "connection timed out";
  } else {
    message = platform::socketErrorMessage(lastError);
  }
  if (message.empty()) return StringValue();
  char number[16];
  std::snprintf(number, sizeof number, "%d ", lastError);
  return StringValue((number + message).c_str());
}

}  // namespace vantrel

// POSIX sockets behind platform/sockets.h: IPv4 only, errno kept per thread, MSG_NOSIGNAL on
// every send, getaddrinfo for names and getifaddrs for the machine's addresses.
#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace vantrel::platform {

namespace {

thread_local int lastError = 0;

bool fail() {
  lastError = errno;
  return false;
}

sockaddr_in toNative(const SocketAddress& address) {
  sockaddr_in native;
  std::memset(&native, 0, sizeof native);
  native.sin_family = AF_INET;
  native.sin_port = htons(address.port);
  native.sin_addr.s_addr = htonl(address.ip);
  return native;
}

SocketAddress fromNative(const sockaddr_in& native) {
  SocketAddress address;
  address.ip = ntohl(native.sin_addr.s_addr);
  address.port = ntohs(native.sin_port);
  return address;
}

}  // namespace

int socketError() { return lastError; }
bool isWouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
bool isConnectInProgress(int error) { return error == EINPROGRESS || isWouldBlock(error); }
bool isConnectionReset(int error) { return error == ECONNRESET; }
int badHandleError() { return EBADF; }
int invalidArgumentError() { return EINVAL; }

std::string socketErrorMessage(int error) {
  // Negative numbers are the resolver's own codes (EAI_*), which strerror does not know.
  const char* text = error < 0 ? ::gai_strerror(error) : ::strerror(error);
  return text ? text : "";
}

SocketHandle openSocket(bool udp) {
  int handle = ::socket(AF_INET, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
  if (handle < 0) fail();
  return handle < 0 ? NO_SOCKET : handle;
}

bool setReuseAddress(SocketHandle socket) {
  int on = 1;
  return ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 || fail();
}

bool setBroadcast(SocketHandle socket) {
  int on = 1;
  if (::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0) return true;
  char one = 1;
  return ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) == 0 || fail();
}

bool setBlockingMode(SocketHandle socket, bool blocking) {
  int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0) return fail();
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return ::fcntl(socket, F_SETFL, flags) == 0 || fail();
}

bool bindSocket(SocketHandle socket, const SocketAddress& address) {
  sockaddr_in native = toNative(address);
  return ::bind(socket, reinterpret_cast<sockaddr*>(&native), sizeof native) == 0 || fail();
}

bool listenOn(SocketHandle socket, int backlog) {
  return ::listen(socket, backlog) == 0 || fail();
}

bool boundPort(SocketHandle socket, uint16_t& port) {
  sockaddr_in native;
  socklen_t size = sizeof native;
  std::memset(&native, 0, sizeof native);
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&native), &size) != 0) return fail();
  port = ntohs(native.sin_port);
  return true;
}

SocketHandle acceptOn(SocketHandle socket, SocketAddress& peer) {
  sockaddr_in native;
  socklen_t size = sizeof native;
  std::memset(&native, 0, sizeof native);
  int handle = ::accept4(socket, reinterpret_cast<sockaddr*>(&native), &size, SOCK_CLOEXEC);
  if (handle < 0) {
    fail();
    return NO_SOCKET;
  }
  peer = fromNative(native);
  return handle;
}

bool connectTo(SocketHandle socket, const SocketAddress& address) {
  sockaddr_in native = toNative(address);
  return ::connect(socket, reinterpret_cast<sockaddr*>(&native), sizeof native) == 0 || fail();
}

WaitOutcome waitUntilWritable(SocketHandle socket, int milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left < 0) left = 0;
    pollfd entry{socket, POLLOUT, 0};
    int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready < 0) {
      if (errno == EINTR) continue;
      fail();
      return WaitOutcome::Failed;
    }
    if (ready == 0) return WaitOutcome::TimedOut;
    // A connect that failed also reports the socket ready; its outcome is in SO_ERROR.
    int pending = 0;
    socklen_t size = sizeof pending;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &size) != 0) {
      fail();
      return WaitOutcome::Failed;
    }
    if (pending != 0) {
      lastError = pending;
      return WaitOutcome::Failed;
    }
    if (entry.revents & POLLOUT) return WaitOutcome::Ready;
    lastError = ECONNABORTED;
    return WaitOutcome::Failed;
  }
}

long sendOn(SocketHandle socket, const void* bytes, std::size_t count, const SocketAddress* to) {
  ssize_t sent;
  if (to) {
    sockaddr_in native = toNative(*to);
    sent = ::sendto(socket, bytes, count, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&native),
                    sizeof native);
  } else {
    sent = ::send(socket, bytes, count, MSG_NOSIGNAL);
  }
  if (sent < 0) fail();
  return static_cast<long>(sent);
}

long receiveOn(SocketHandle socket, void* buffer, std::size_t count, SocketAddress* from) {
  sockaddr_in native;
  socklen_t size = sizeof native;
  std::memset(&native, 0, sizeof native);
  ssize_t got = ::recvfrom(socket, buffer, count, 0, reinterpret_cast<sockaddr*>(&native), &size);
  if (got < 0) {
    fail();
    return -1;
  }
  if (from) *from = fromNative(native);
  return static_cast<long>(got);
}

bool closeSocketHandle(SocketHandle socket) {
  linger option{0, 0};
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  ::shutdown(socket, SHUT_RDWR);
  return ::close(socket) == 0 || fail();
}

bool resolveName(const char* name, uint32_t& ip) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  int result = ::getaddrinfo(name, nullptr, &hints, &answer);
  if (result != 0) {
    lastError = result == EAI_SYSTEM ? errno : result;
    return false;
  }
  bool found = false;
  for (addrinfo* entry = answer; entry; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET) continue;
    ip = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    found = true;
    break;
  }
  ::freeaddrinfo(answer);
  if (!found) lastError = EAI_NONAME;
  return found;
}

bool machineAddresses(std::vector<uint32_t>& addresses) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return fail();
  for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
    bool seen = false;
    for (uint32_t known : addresses) seen = seen || known == ip;
    if (!seen) addresses.push_back(ip);
  }
  ::freeifaddrs(list);
  return true;
}

}  // namespace vantrel::platform

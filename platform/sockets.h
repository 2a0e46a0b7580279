// IPv4 TCP and UDP sockets, name resolution and the machine's addresses: the OS calls behind
// the socket table (net/sockets.h). Implemented over POSIX sockets in platform/posix/sockets.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::platform {

using SocketHandle = int;
constexpr SocketHandle NO_SOCKET = -1;

// An IPv4 endpoint, both fields in host order (a.b.c.d is a * 2^24 + b * 2^16 + c * 2^8 + d).
struct SocketAddress {
  uint32_t ip = 0;
  uint16_t port = 0;
};

// Every call below that fails leaves its error number for socketError(), per thread. The
// numbers are the OS's (errno); a failed name lookup leaves a negative resolver code.
int socketError();
bool isWouldBlock(int error);
bool isConnectInProgress(int error);
bool isConnectionReset(int error);
// Error numbers for handles that name no socket and for arguments that make no sense.
int badHandleError();
int invalidArgumentError();
// The system's text for an error number; empty when it has none.
std::string socketErrorMessage(int error);

// New sockets are closed on exec, so child processes never hold the runtime's connections.
SocketHandle openSocket(bool udp);
bool setReuseAddress(SocketHandle socket);
// Broadcasting on, as a 4-byte value, retried as the 1-byte value 1 when refused.
bool setBroadcast(SocketHandle socket);
bool setBlockingMode(SocketHandle socket, bool blocking);
bool bindSocket(SocketHandle socket, const SocketAddress& address);
bool listenOn(SocketHandle socket, int backlog);
// The local port a socket is bound to (the one the OS chose for port 0).
bool boundPort(SocketHandle socket, uint16_t& port);
// NO_SOCKET with socketError() would-block when nothing is pending.
SocketHandle acceptOn(SocketHandle socket, SocketAddress& peer);
// True when connected at once; false with socketError() in-progress or would-block while a
// non-blocking connect goes on, or another error.
bool connectTo(SocketHandle socket, const SocketAddress& address);

enum class WaitOutcome { Ready, TimedOut, Failed };
// Waits up to milliseconds until the socket can be written; a connect that failed meanwhile
// gives Failed with its error.
WaitOutcome waitUntilWritable(SocketHandle socket, int milliseconds);

// One send or receive call. Sends never raise SIGPIPE. to = null sends to the connected
// peer; from (when not null) receives the sender of a datagram. -1 on failure; a receive of
// 0 means the peer closed the connection.
long sendOn(SocketHandle socket, const void* bytes, std::size_t count, const SocketAddress* to);
long receiveOn(SocketHandle socket, void* buffer, std::size_t count, SocketAddress* from);

// Default linger, both directions shut down, handle closed; false when closing failed.
bool closeSocketHandle(SocketHandle socket);

// The first IPv4 address of a host name or dotted address.
bool resolveName(const char* name, uint32_t& ip);
// Every IPv4 address of this machine's interfaces, in the order the OS lists them.
bool machineAddresses(std::vector<uint32_t>& addresses);

}  // namespace vantrel::platform

// The socket commands: a table of 1024 slots over platform/sockets.h, TCP servers and clients,
// UDP endpoints, name resolution and the last socket error as a number or as text.
#pragma once

#include <cstdint>

#include "core/string_value.h"
#include "platform/sockets.h"

namespace vantrel {

constexpr int SOCKET_TABLE_SIZE = 1024;
// The runtime's own error numbers, beside the OS's.
constexpr int SOCKET_TABLE_FULL = 8;
constexpr int SOCKET_CONNECT_TIMED_OUT = 10036;
constexpr int SOCKET_LISTEN_BACKLOG = 10;
// A connect timeout of 0 or less, or above this, waits this long.
constexpr int SOCKET_LONGEST_CONNECT_MS = 30000;

// Results of socketReceive and receiveSome besides a byte count.
constexpr int SOCKET_CLOSED = 0;
constexpr int SOCKET_FAILED = -1;
constexpr int SOCKET_NOTHING_YET = -2;

// One entry of the table; free while socket is NO_SOCKET. A slot belongs to the code that
// created it: the table only guards taking and freeing slots across threads.
struct SocketSlot {
  platform::SocketHandle socket = platform::NO_SOCKET;
  // The peer of a TCP connection; the bound port of a UDP endpoint, and after a receive the
  // sender of the last datagram.
  platform::SocketAddress address;
  uint8_t isUdp = 0;
};

// Addresses are IPv4 in host order held in an int (a.b.c.d = a * 2^24 + ... + d).
int initNetwork();
int shutdownNetwork();
int tcpListen(int port);
int tcpAccept(int listenSocket, int& ip);
int tcpConnect(const StringValue& host, int port, int timeout);
int tcpSend(int socket, const StringValue& data);
int udpOpen(int port);
int udpSend(int socket, const StringValue& data, int ip, int port);
int socketReceive(int socket, StringValue& buffer, int maximum);
int hostToIp(const StringValue& host);
StringValue ipToText(int ip);
int remoteIp(int socket);
int remotePort(int socket);
int closeSocket(int socket);
int setBlocking(int socket, int flag);
StringValue localAddresses();
StringValue socketErrorText();

// The error of the last failed operation on this thread: an OS error number,
// SOCKET_TABLE_FULL or SOCKET_CONNECT_TIMED_OUT.
int lastSocketError();
void setLastSocketError(int error);

// Sends every byte, to the given address for UDP (required there) or to the connected peer.
// A full send buffer waits until the socket takes more: without limit when waitLimitMs is
// negative, else failing once that many milliseconds passed. Bytes sent, 0 for length <= 0,
// or SOCKET_FAILED.
int sendAll(int socket, const void* bytes, int length, const platform::SocketAddress* to = nullptr,
            int waitLimitMs = -1);
// One send call: bytes sent, SOCKET_NOTHING_YET when the send buffer is full, or SOCKET_FAILED.
int sendSome(int socket, const void* bytes, int length);
// One read: bytes received, SOCKET_CLOSED (also for a reset connection), SOCKET_NOTHING_YET or
// SOCKET_FAILED. For UDP the slot's address becomes the sender of the datagram.
int receiveSome(int socket, void* buffer, int length);
// A host name or dotted address with a port; the empty name is this machine. Address and
// port both 0 when it cannot be resolved.
platform::SocketAddress resolveHost(const char* name, int port);
// The connect of tcpConnect for an address already resolved: a slot index or -1.
int connectAddress(const platform::SocketAddress& address, int timeout);

}  // namespace vantrel

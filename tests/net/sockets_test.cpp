// The socket table on loopback: TCP and UDP traffic, receive results, the table limit, the
// connect timeout, user counting and error texts.
#include "net/sockets.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/net/net_test_support.h"

namespace vantrel {
namespace {

using test::freeTcpPort;
using test::waitFor;

constexpr int LOOPBACK = 0x7F000001;

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(initNetwork(), 1); }
  // The last user closes every socket a test left open.
  void TearDown() override { shutdownNetwork(); }
};

int acceptWithin(int listener, int& ip) {
  int accepted = -1;
  waitFor([&] { return (accepted = tcpAccept(listener, ip)) >= 0; });
  return accepted;
}

int receiveWithin(int socket, StringValue& buffer, int maximum) {
  int count = SOCKET_NOTHING_YET;
  waitFor([&] { return (count = socketReceive(socket, buffer, maximum)) != SOCKET_NOTHING_YET; });
  return count;
}

// A UDP port that is free right now, found with a socket bound to port 0.
int freeUdpPort() {
  int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(probe);
    return 0;
  }
  ::close(probe);
  return ntohs(address.sin_port);
}

TEST(SocketAddresses, DottedTextAndNumberConvertBothWays) {
  EXPECT_EQ(hostToIp("127.0.0.1"), 0x7F000001);
  EXPECT_EQ(ipToText(0x7F000001), "127.0.0.1");
  EXPECT_EQ(ipToText(static_cast<int>(0xC0A80AFEu)), "192.168.10.254");
  EXPECT_EQ(hostToIp("10.1.2.3"), 0x0A010203);
}

TEST(SocketAddresses, LocalAddressesEndWithLoopback) {
  std::string text = localAddresses().text();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '|') << text;
  std::size_t at = text.rfind("127.0.0.1");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(at + 9, text.size()) << "127.0.0.1 should come last: " << text;
  EXPECT_EQ(text.find("127.0.0.1"), at) << "listed once: " << text;
}

TEST_F(SocketTest, TcpConnectionCarriesBytesBothWaysAndReportsClose) {
  int listener = tcpListen(0);
  ASSERT_GE(listener, 0) << socketErrorText().text();
  int port = remotePort(listener);
  ASSERT_GT(port, 0) << "a listener on port 0 reports the port the OS chose";

  int client = tcpConnect("127.0.0.1", port, 2000);
  ASSERT_GE(client, 0) << socketErrorText().text();
  EXPECT_EQ(remoteIp(client), LOOPBACK);
  EXPECT_EQ(remotePort(client), port);

  int peerIp = 0;
  int server = acceptWithin(listener, peerIp);
  ASSERT_GE(server, 0) << socketErrorText().text();
  EXPECT_EQ(peerIp, LOOPBACK);
  EXPECT_EQ(remoteIp(server), LOOPBACK);

  StringValue buffer("stale");
  EXPECT_EQ(socketReceive(server, buffer, 100), SOCKET_NOTHING_YET) << "nothing queued yet";
  EXPECT_EQ(buffer, "") << "a receive without data leaves the string empty";

  const char data[] = {'a', 0, 'b', 'c'};
  EXPECT_EQ(tcpSend(client, StringValue(data, 4)), 4);
  ASSERT_EQ(receiveWithin(server, buffer, 100), 4);
  ASSERT_EQ(buffer.length, 4u) << "zero bytes inside received data are kept";
  EXPECT_EQ(std::string(buffer.text(), 4), std::string(data, 4));

  EXPECT_EQ(tcpSend(server, "reply"), 5);
  ASSERT_EQ(receiveWithin(client, buffer, 3), 3) << "at most the maximum per receive";
  EXPECT_EQ(buffer, "rep");
  ASSERT_EQ(receiveWithin(client, buffer, 100), 2);
  EXPECT_EQ(buffer, "ly");

  EXPECT_EQ(closeSocket(client), 1);
  EXPECT_EQ(receiveWithin(server, buffer, 100), SOCKET_CLOSED) << "a closed peer reads as 0";
  EXPECT_EQ(buffer, "");
  EXPECT_EQ(closeSocket(client), 0) << "a closed slot cannot be closed again";
}

TEST_F(SocketTest, SendingToAClosedPeerFailsWithoutSignal) {
  int listener = tcpListen(0);
  int client = tcpConnect("127.0.0.1", remotePort(listener), 2000);
  int ip;
  int server = acceptWithin(listener, ip);
  ASSERT_GE(server, 0);
  closeSocket(server);
  std::string block(65536, 'x');
  int result = 0;
  // The first sends may still be buffered; a reset or broken pipe follows.
  for (int attempt = 0; attempt < 100 && result >= 0; ++attempt) result = tcpSend(client, block.c_str());
  EXPECT_EQ(result, SOCKET_FAILED) << "the process survives: no SIGPIPE";
  EXPECT_NE(lastSocketError(), 0);
}

TEST_F(SocketTest, FreedSlotIsTakenAgainLowestFirst) {
  int first = udpOpen(0);
  int second = udpOpen(0);
  int third = udpOpen(0);
  ASSERT_EQ(second, first + 1);
  ASSERT_EQ(third, first + 2);
  EXPECT_EQ(closeSocket(second), 1);
  EXPECT_EQ(udpOpen(0), second);
}

TEST_F(SocketTest, NumbersOutsideTheTableFailQuietly) {
  StringValue buffer("x");
  for (int socket : {-1, SOCKET_TABLE_SIZE, 123456}) {
    EXPECT_EQ(tcpSend(socket, "a"), SOCKET_FAILED) << socket;
    EXPECT_EQ(socketReceive(socket, buffer, 10), SOCKET_FAILED) << socket;
    EXPECT_EQ(buffer, "");
    EXPECT_EQ(closeSocket(socket), 0) << socket;
    EXPECT_EQ(remoteIp(socket), 0) << socket;
    EXPECT_EQ(remotePort(socket), 0) << socket;
    int ip = 7;
    EXPECT_EQ(tcpAccept(socket, ip), -1) << socket;
    EXPECT_NE(setBlocking(socket, 1), 0) << socket;
  }
}

TEST_F(SocketTest, TheSocketAfterTheLastSlotFailsWithTableFull) {
  // 1024 sockets need more descriptors than the usual soft limit allows.
  rlimit limit;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 1200) GTEST_SKIP() << "descriptor limit too low";
  rlimit raised = limit;
  raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 4096 : std::min<rlim_t>(limit.rlim_max, 4096);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &raised), 0);

  std::vector<int> opened;
  int socket;
  while ((socket = udpOpen(0)) >= 0) opened.push_back(socket);
  EXPECT_EQ(lastSocketError(), SOCKET_TABLE_FULL) << socketErrorText().text();
  EXPECT_EQ(socketErrorText(), "8 socket table is full");
  EXPECT_EQ(opened.back(), SOCKET_TABLE_SIZE - 1);
  EXPECT_EQ(tcpListen(0), -1);
  EXPECT_EQ(lastSocketError(), SOCKET_TABLE_FULL);

  // An accepted connection with no slot left is refused the same way.
  closeSocket(opened.back());
  closeSocket(opened[opened.size() - 2]);
  int listener = tcpListen(0);
  int client = tcpConnect("127.0.0.1", remotePort(listener), 2000);
  ASSERT_GE(client, 0);
  int ip;
  int accepted = -1;
  waitFor([&] { return (accepted = tcpAccept(listener, ip)) >= 0 || lastSocketError() == SOCKET_TABLE_FULL; });
  EXPECT_EQ(accepted, -1);
  EXPECT_EQ(lastSocketError(), SOCKET_TABLE_FULL);
  ::setrlimit(RLIMIT_NOFILE, &limit);
}

TEST_F(SocketTest, ConnectToAFullBacklogTimesOutWith10036) {
  // Once the listener's accept queue is full the kernel drops further SYNs, so a connect
  // waits without an answer; nothing leaves the machine.
  int listener = tcpListen(0);
  int port = remotePort(listener);
  std::vector<int> queued;
  int result = 0;
  std::chrono::milliseconds waited{0};
  for (int attempt = 0; attempt < 64; ++attempt) {
    auto start = std::chrono::steady_clock::now();
    result = tcpConnect("127.0.0.1", port, 300);
    waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (result < 0) break;
    queued.push_back(result);
  }
  ASSERT_EQ(result, -1) << "the backlog never filled";
  EXPECT_GE(queued.size(), static_cast<std::size_t>(SOCKET_LISTEN_BACKLOG));
  EXPECT_EQ(lastSocketError(), SOCKET_CONNECT_TIMED_OUT);
  EXPECT_EQ(socketErrorText(), "10036 connection timed out");
  EXPECT_GE(waited.count(), 290);
  EXPECT_LT(waited.count(), 3000);
}

TEST_F(SocketTest, RefusedConnectReportsTheSystemError) {
  int port = freeTcpPort();
  EXPECT_EQ(tcpConnect("127.0.0.1", port, 2000), -1);
  EXPECT_NE(lastSocketError(), 0);
  EXPECT_NE(lastSocketError(), SOCKET_CONNECT_TIMED_OUT) << "a refusal is not a timeout";
  std::string text = socketErrorText().text();
  EXPECT_EQ(text.rfind(std::to_string(lastSocketError()) + " ", 0), 0u) << text;
  EXPECT_GT(text.size(), std::to_string(lastSocketError()).size() + 1) << text;
}

TEST_F(SocketTest, UdpDatagramsReportTheirSender) {
  int port = freeUdpPort();
  ASSERT_GT(port, 0);
  int receiver = udpOpen(port);
  ASSERT_GE(receiver, 0) << socketErrorText().text();
  EXPECT_EQ(remotePort(receiver), port);
  int sender = udpOpen(0);
  ASSERT_GE(sender, 0);

  StringValue buffer;
  EXPECT_EQ(socketReceive(receiver, buffer, 100), SOCKET_NOTHING_YET);
  EXPECT_EQ(udpSend(sender, "ping", LOOPBACK, 0), SOCKET_FAILED) << "UDP needs an address";
  EXPECT_EQ(udpSend(sender, "ping", LOOPBACK, port), 4);
  ASSERT_EQ(receiveWithin(receiver, buffer, 100), 4);
  EXPECT_EQ(buffer, "ping");
  EXPECT_EQ(remoteIp(receiver), LOOPBACK);
  int senderPort = remotePort(receiver);
  ASSERT_GT(senderPort, 0) << "an unbound sender got a port when it sent";

  EXPECT_EQ(udpSend(receiver, "pong!", remoteIp(receiver), senderPort), 5);
  ASSERT_EQ(receiveWithin(sender, buffer, 100), 5);
  EXPECT_EQ(buffer, "pong!");
  EXPECT_EQ(remoteIp(sender), LOOPBACK);
  EXPECT_EQ(remotePort(sender), port) << "the sender of the last datagram";

  int ip;
  EXPECT_EQ(tcpAccept(receiver, ip), -1);
  EXPECT_EQ(lastSocketError(), 0) << "accept on a UDP endpoint fails with error 0";
}

TEST(SocketUsers, ShutdownCountsUsersAndTheLastOneClosesEverything) {
  EXPECT_EQ(initNetwork(), 1);
  EXPECT_EQ(initNetwork(), 1);
  int listener = tcpListen(0);
  ASSERT_GE(listener, 0);
  EXPECT_EQ(shutdownNetwork(), 1) << "one user remains";
  EXPECT_NE(remotePort(listener), 0) << "still open while a user remains";
  EXPECT_EQ(shutdownNetwork(), 0);
  EXPECT_EQ(remotePort(listener), 0) << "the last user closed every slot";
  EXPECT_EQ(closeSocket(listener), 0);
  EXPECT_EQ(shutdownNetwork(), 0) << "a surplus call is harmless";
  EXPECT_EQ(initNetwork(), 1);
  EXPECT_EQ(shutdownNetwork(), 0) << "the count did not go below zero";
}

}  // namespace
}  // namespace vantrel

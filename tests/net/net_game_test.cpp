// Network games on loopback: a host and clients in one process (each NetGame has its own
// thread and connection), players, messages, requests, departures, and peers that break the
// protocol on purpose.
#include "net/net_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/sockets.h"
#include "tests/net/net_test_support.h"

namespace vantrel {
namespace {

using test::RawPeer;
using test::freeTcpPort;
using test::waitFor;

std::string text(const StringValue& value) { return std::string(value.text(), value.length); }

// The next message for a local player within a bounded wait.
std::string awaitMessage(NetGame& game, int id) {
  std::string message;
  waitFor([&] { return !(message = text(game.getMessage(id))).empty(); });
  return message;
}

// Every departure the host reports, until it reports none.
std::vector<int> drainLeft(NetGame& host) {
  std::vector<int> ids;
  while (int id = host.nextLeftPlayer()) ids.push_back(id);
  return ids;
}

bool departed(NetGame& host, int id, std::vector<int>& seen) {
  for (int next : drainLeft(host)) seen.push_back(next);
  return std::count(seen.begin(), seen.end(), id) > 0;
}

class NetGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initNetwork();
    port = freeTcpPort();
    ASSERT_EQ(host.host(port), 1) << socketErrorText().text();
  }
  void TearDown() override {
    clients.clear();
    host.end();
    shutdownNetwork();
  }
  NetGame& addClient() {
    clients.push_back(std::make_unique<NetGame>());
    EXPECT_EQ(clients.back()->join("127.0.0.1", port), 1);
    return *clients.back();
  }

  int port = 0;
  NetGame host;
  std::vector<std::unique_ptr<NetGame>> clients;
};

TEST_F(NetGameTest, TheHostsFirstPlayerIs101UntilAQueryTookAnId) {
  EXPECT_EQ(host.createPlayer("first"), 101);
  EXPECT_EQ(host.playerCount(), 1) << "the query player is not counted";

  NetGame other;
  int otherPort = freeTcpPort();
  ASSERT_EQ(other.host(otherPort), 1);
  EXPECT_EQ(other.playerCount(), 0);
  EXPECT_EQ(other.createPlayer("first"), 102) << "the query player took 101";
}

TEST_F(NetGameTest, RequestsListVisiblePlayersInJoinOrder) {
  int ann = host.createPlayer("Ann");
  NetGame& client = addClient();
  int bob = client.createPlayer("Bob");
  int nameless = client.createPlayer("");
  ASSERT_TRUE(ann && bob && nameless);
  EXPECT_GT(bob, ann);

  for (NetGame* asker : {&host, &client}) {
    EXPECT_EQ(asker->playerCount(), 3) << "query players are hidden";
    EXPECT_EQ(asker->playerIdByIndex(0), ann);
    EXPECT_EQ(asker->playerIdByIndex(1), bob);
    EXPECT_EQ(asker->playerIdByIndex(2), nameless);
    EXPECT_EQ(asker->playerIdByIndex(3), 0);
    EXPECT_EQ(asker->playerIdByIndex(-1), 0);
    EXPECT_EQ(text(asker->playerName(bob)), "Bob");
    EXPECT_EQ(text(asker->playerName(nameless)), "NO_DATA") << "an empty name";
    EXPECT_EQ(text(asker->playerName(4321)), "NO_DATA") << "no such player";
  }
}

TEST_F(NetGameTest, MessagesReachTheirPlayersAndBroadcastsEveryoneButTheSender) {
  int ann = host.createPlayer("Ann");
  NetGame& first = addClient();
  NetGame& second = addClient();
  int bob = first.createPlayer("Bob");
  int cid = second.createPlayer("Cid");
  int dan = second.createPlayer("Dan");

  ASSERT_EQ(first.sendMessage(bob, 0, "to all"), 1);
  EXPECT_EQ(awaitMessage(host, ann), "to all");
  EXPECT_EQ(host.lastMessageSender(), bob);
  EXPECT_EQ(awaitMessage(second, cid), "to all");
  EXPECT_EQ(awaitMessage(second, dan), "to all") << "each player gets its own copy";
  EXPECT_EQ(second.lastMessageSender(), bob);
  // Anything sent later arrives later: if the sender had got a copy, it would come first.
  ASSERT_EQ(host.sendMessage(ann, bob, "direct"), 1);
  EXPECT_EQ(awaitMessage(first, bob), "direct") << "the sender gets no copy of its broadcast";
  EXPECT_EQ(first.lastMessageSender(), ann);

  ASSERT_EQ(second.sendMessage(cid, ann, std::string(2000, 'x').c_str()), 1);
  EXPECT_EQ(awaitMessage(host, ann), std::string(1024, 'x')) << "texts are cut to 1024 bytes";
  ASSERT_EQ(host.sendMessage(ann, dan, "one\0two"), 1);
  ASSERT_EQ(host.sendMessage(ann, cid, "last"), 1);
  EXPECT_EQ(awaitMessage(second, cid), "last");
  EXPECT_EQ(awaitMessage(second, dan), "one");
  EXPECT_EQ(text(second.getMessage(dan)), "") << "nothing else was queued";
  EXPECT_EQ(text(second.getMessage(bob)), "") << "not a player of this program";
}

TEST_F(NetGameTest, ClosedJoinsMakeNewPlayersTimeOut) {
  NetGame& client = addClient();
  ASSERT_NE(client.createPlayer("early"), 0);
  host.setAcceptPlayers(0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.createPlayer("late"), 0);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GT(waited, std::chrono::milliseconds(4000)) << "the answer was awaited about 5 seconds";
  EXPECT_LT(waited, std::chrono::milliseconds(9000));

  NetGame newcomer;
  EXPECT_EQ(newcomer.join("127.0.0.1", port), 0) << "a new connection is not accepted";

  host.setAcceptPlayers(1);
  EXPECT_NE(client.createPlayer("again"), 0);
  EXPECT_EQ(client.playerCount(), 2);
}

TEST_F(NetGameTest, DeparturesAreReportedOnce) {
  int ann = host.createPlayer("Ann");
  NetGame& leaver = addClient();
  int bob = leaver.createPlayer("Bob");
  int cid = leaver.createPlayer("Cid");
  ASSERT_TRUE(bob && cid);
  EXPECT_EQ(host.nextLeftPlayer(), 0);

  leaver.removePlayer(bob);
  leaver.removePlayer(0);
  std::vector<int> seen;
  ASSERT_TRUE(waitFor([&] { return departed(host, bob, seen); }));
  EXPECT_EQ(host.playerCount(), 2);

  leaver.end();  // the connection closes: every player left on it departs
  ASSERT_TRUE(waitFor([&] { return departed(host, cid, seen); }));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), bob), 1) << "a leave is reported once";
  EXPECT_EQ(std::count(seen.begin(), seen.end(), cid), 1);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), ann), 0);
  EXPECT_EQ(host.nextLeftPlayer(), 0);
  EXPECT_EQ(host.playerCount(), 1);
}

TEST_F(NetGameTest, AClientSeesTheHostGoAway) {
  NetGame& client = addClient();
  int bob = client.createPlayer("Bob");
  ASSERT_NE(bob, 0);
  host.end();
  EXPECT_EQ(client.sendMessage(bob, 0, "anyone?"), 1) << "the send itself may still go out";
  EXPECT_EQ(client.playerCount(), 0) << "no answer: the request times out";
}

// Peers that break the protocol: each is dropped, its player reported as departed, and the
// game goes on for everyone else.
TEST_F(NetGameTest, HostilePeersAreDroppedAndTheGameGoesOn) {
  int ann = host.createPlayer("Ann");
  NetGame& client = addClient();
  int bob = client.createPlayer("Bob");
  ASSERT_TRUE(ann && bob);

  struct Attack {
    const char* name;
    std::string bytes;
    bool closeAfterwards;
  };
  const std::string header = std::string("\x03\xFF\x0F\x00\x00", 5);  // a message of 4095 bytes
  const Attack attacks[] = {
      {"a length above 1024", header + "\x00\x00" + std::string(64, 'x'), false},
      {"an unknown type", encodePacket(NetPacket{77, 0, 0, "?"}), false},
      {"a join whose name is not terminated",
       encodePacket(NetPacket{PACKET_JOIN, 0, 0, joinPayload(false, false, "x").substr(0, 8) + std::string(128, 'n')}),
       false},
      {"a request of the wrong size", encodePacket(NetPacket{PACKET_NAME_BY_ID, 0, 0, "abc"}), false},
      {"a close in the middle of a packet", std::string("\x03\x10\x00", 3), true},
  };
  std::vector<int> seen;
  for (const Attack& attack : attacks) {
    RawPeer peer(port);
    ASSERT_TRUE(peer.connected()) << attack.name;
    int id = peer.join("raw");
    ASSERT_NE(id, 0) << attack.name;
    ASSERT_TRUE(peer.sendBytes(attack.bytes)) << attack.name;
    if (attack.closeAfterwards) {
      peer.close();
    } else {
      EXPECT_TRUE(peer.closedByRelay()) << attack.name << ": the relay drops the connection";
    }
    EXPECT_TRUE(waitFor([&] { return departed(host, id, seen); })) << attack.name << ": reported as departed";
    ASSERT_EQ(host.sendMessage(ann, bob, attack.name), 1);
    EXPECT_EQ(awaitMessage(client, bob), attack.name) << "the game goes on";
  }
  EXPECT_EQ(host.playerCount(), 2);
  EXPECT_EQ(client.playerCount(), 2);
}

TEST_F(NetGameTest, ForgedSendersChangeNothing) {
  int ann = host.createPlayer("Ann");
  NetGame& client = addClient();
  int bob = client.createPlayer("Bob");
  RawPeer mallory(port);
  int eve = mallory.join("Eve");
  ASSERT_TRUE(ann && bob && eve);
  ASSERT_TRUE(mallory.sendPacket(PACKET_LEAVE, 0, static_cast<uint16_t>(ann), ""));
  ASSERT_TRUE(mallory.sendPacket(PACKET_MESSAGE, static_cast<uint16_t>(bob), static_cast<uint16_t>(ann), "forged"));
  ASSERT_TRUE(mallory.sendPacket(PACKET_MESSAGE, static_cast<uint16_t>(bob), static_cast<uint16_t>(eve), "honest"));
  EXPECT_EQ(awaitMessage(client, bob), "honest") << "the forged message was not forwarded";
  EXPECT_EQ(client.lastMessageSender(), eve);
  EXPECT_EQ(host.playerCount(), 3) << "nobody was removed by the forged leave";
  EXPECT_EQ(host.nextLeftPlayer(), 0);
}

TEST_F(NetGameTest, AStalledHalfPacketDoesNotHoldTheRelay) {
  int ann = host.createPlayer("Ann");
  NetGame& client = addClient();
  int bob = client.createPlayer("Bob");
  RawPeer staller(port);
  int id = staller.join("slow");
  ASSERT_TRUE(ann && bob && id);
  ASSERT_TRUE(staller.sendBytes(std::string("\x03\x05", 2)));
  // While the half header waits, everyone else is served.
  ASSERT_EQ(client.sendMessage(bob, ann, "meanwhile"), 1);
  EXPECT_EQ(awaitMessage(host, ann), "meanwhile");
  EXPECT_TRUE(staller.closedByRelay(15000)) << "the stalled peer is dropped after a while";
  std::vector<int> seen;
  EXPECT_TRUE(waitFor([&] { return departed(host, id, seen); }));
  EXPECT_EQ(client.playerCount(), 2);
}

TEST_F(NetGameTest, AFloodOfConnectionsPastTheTableIsTurnedAway) {
  int ann = host.createPlayer("Ann");
  ASSERT_NE(ann, 0);
  // Each peer registers a player before the next connects. The host's own connection holds
  // one of the 128 entries; every connection past the table is closed at once.
  const int floodSize = 160;
  std::vector<std::unique_ptr<RawPeer>> flood;
  std::vector<int> ids;
  int turnedAway = 0;
  for (int i = 0; i < floodSize; ++i) {
    flood.push_back(std::make_unique<RawPeer>(port));
    ASSERT_TRUE(flood.back()->connected()) << i << ": " << socketErrorText().text();
    if (int id = flood.back()->join("flood")) {
      ids.push_back(id);
    } else {
      EXPECT_TRUE(flood.back()->closedByRelay()) << i;
      ++turnedAway;
    }
  }
  EXPECT_EQ(ids.size(), 127u);
  EXPECT_EQ(turnedAway, floodSize - 127);
  EXPECT_EQ(host.playerCount(), 128);
  flood.clear();
  std::vector<int> seen;
  EXPECT_TRUE(waitFor([&] {
    for (int id : drainLeft(host)) seen.push_back(id);
    return seen.size() >= ids.size();
  })) << "every flood player departs";
  NetGame& client = addClient();
  EXPECT_NE(client.createPlayer("after the flood"), 0) << "room again once the flood left";
  EXPECT_EQ(client.playerCount(), 2);
}

TEST(NetGameClient, AServerThatBreaksTheProtocolEndsTheGameWithoutHarm) {
  initNetwork();
  int listener = tcpListen(0);
  // A fake server that answers the first join with a header claiming 60000 bytes.
  std::thread server([listener] {
    int ip;
    int connection = -1;
    if (!waitFor([&] { return (connection = tcpAccept(listener, ip)) >= 0; })) return;
    StringValue request;
    waitFor([&] { return socketReceive(connection, request, 2000) > 0; });
    std::string bad("\x02\x60\xEA\x65\x00\x00\x00", 7);
    sendAll(connection, bad.data(), 7);
    StringValue rest;
    waitFor([&] { return socketReceive(connection, rest, 2000) == SOCKET_CLOSED; });
    closeSocket(connection);
  });
  NetGame client;
  EXPECT_EQ(client.join("127.0.0.1", remotePort(listener)), 0) << "no valid answer came";
  client.end();
  server.join();
  closeSocket(listener);
  EXPECT_EQ(client.join("127.0.0.1", freeTcpPort()), 0) << "nothing listens there";
  shutdownNetwork();
}

TEST(NetGameObject, CommandsWorkOnTheRuntimeObjectAndClosingSendsLeaves) {
  initNetwork();
  EXPECT_EQ(netGame(), nullptr);
  EXPECT_EQ(hostNetGame(1), 0) << "no object yet";
  NetGame host;
  int port = freeTcpPort();
  ASSERT_EQ(host.host(port), 1);
  int ann = host.createPlayer("Ann");

  createNetGame();
  ASSERT_NE(netGame(), nullptr);
  ASSERT_EQ(joinNetGame("127.0.0.1", port), 1);
  int bob = createNetPlayer("Bob");
  ASSERT_NE(bob, 0);
  EXPECT_EQ(netPlayerCount(), 2);
  EXPECT_EQ(netPlayerIdByIndex(1), bob);
  EXPECT_EQ(text(netPlayerName(ann)), "Ann");
  ASSERT_EQ(sendNetMessage(bob, ann, "hi host"), 1);
  EXPECT_EQ(awaitMessage(host, ann), "hi host");
  ASSERT_EQ(host.sendMessage(ann, bob, "hi Bob"), 1);
  std::string got;
  waitFor([&] { return !(got = text(getNetMessage(bob))).empty(); });
  EXPECT_EQ(got, "hi Bob");
  EXPECT_EQ(lastMessageSender(), ann);

  closeNetGame();
  EXPECT_EQ(netGame(), nullptr);
  std::vector<int> seen;
  EXPECT_TRUE(waitFor([&] { return departed(host, bob, seen); }));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), bob), 1);
  host.end();
  shutdownNetwork();
}

}  // namespace
}  // namespace vantrel

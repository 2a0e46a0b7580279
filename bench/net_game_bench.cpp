// Load on the network-game relay: one host and 100 clients on loopback that speak the packet
// protocol over plain sockets, exchanging messages for a fixed time. Reports messages relayed
// per second and the median and 99th percentile delivery latency.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/net_game.h"
#include "net/net_packets.h"
#include "net/sockets.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

constexpr int CLIENTS = 100;
constexpr auto RUN_TIME = std::chrono::seconds(3);

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

struct Client {
  int socket = -1;
  int id = 0;
  PacketReader reader;
  int outstanding = 0;  // sent by this client, not yet delivered

  bool send(const NetPacket& packet) {
    std::string bytes = encodePacket(packet);
    return sendAll(socket, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  }
  // One packet if a whole one is there now.
  bool poll(NetPacket& packet) {
    for (;;) {
      int count = receiveSome(socket, reader.space(), reader.wanted());
      if (count <= 0) return false;
      if (reader.received(count, packet) == PacketReader::Result::Packet) return true;
    }
  }
};

struct Game {
  NetGame host;
  std::vector<std::unique_ptr<Client>> clients;
  std::vector<int> indexOfId;
  bool ready = false;

  Game() {
    initNetwork();
    int probe = tcpListen(0);
    int port = remotePort(probe);
    closeSocket(probe);
    if (!host.host(port)) return;
    indexOfId.assign(NET_HIGHEST_ID + 1, -1);
    for (int i = 0; i < CLIENTS; ++i) {
      auto client = std::make_unique<Client>();
      client->socket = tcpConnect("127.0.0.1", port, 5000);
      NetPacket join{PACKET_JOIN, NET_SERVER, 0, joinPayload(false, false, "bench")};
      if (client->socket < 0 || !client->send(join)) return;
      NetPacket answer;
      auto deadline = Clock::now() + std::chrono::seconds(5);
      while (!client->poll(answer)) {
        if (Clock::now() > deadline) return;
      }
      client->id = answer.to;
      indexOfId[answer.to] = i;
      clients.push_back(std::move(client));
    }
    ready = true;
  }
  ~Game() {
    for (auto& client : clients) closeSocket(client->socket);
    host.end();
    shutdownNetwork();
  }
};

double percentile(std::vector<double>& values, double fraction) {
  if (values.empty()) return 0;
  std::size_t at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

// Every client keeps up to window messages in flight to the next client; window 0 means one
// message in flight for the whole game (an idle relay).
void runExchange(benchmark::State& state, int window) {
  Game game;
  if (!game.ready) {
    state.SkipWithError("the game could not be set up");
    return;
  }
  std::vector<double> latencies;
  int64_t delivered = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    int next = 0;
    bool oneInFlight = false;
    while (Clock::now() - start < RUN_TIME) {
      for (int i = 0; i < CLIENTS; ++i) {
        Client& client = *game.clients[i];
        bool may = window > 0 ? client.outstanding < window : !oneInFlight && i == next;
        if (!may) continue;
        NetPacket message{PACKET_MESSAGE, static_cast<uint16_t>(game.clients[(i + 1) % CLIENTS]->id),
                          static_cast<uint16_t>(client.id), std::string(8, '\0')};
        int64_t stamp = nowNs();
        std::memcpy(&message.payload[0], &stamp, sizeof stamp);
        if (!client.send(message)) {
          state.SkipWithError("send failed");
          return;
        }
        ++client.outstanding;
        oneInFlight = true;
        next = (next + 1) % CLIENTS;
      }
      for (auto& client : game.clients) {
        NetPacket packet;
        while (client->poll(packet)) {
          if (packet.type != PACKET_MESSAGE || packet.payload.size() != 8) continue;
          int64_t stamp;
          std::memcpy(&stamp, packet.payload.data(), sizeof stamp);
          latencies.push_back(static_cast<double>(nowNs() - stamp) / 1e6);
          ++delivered;
          int sender = game.indexOfId[packet.from];
          if (sender >= 0) --game.clients[sender]->outstanding;
          oneInFlight = false;
        }
      }
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  double seconds = std::chrono::duration<double>(RUN_TIME).count();
  state.counters["relayed_per_s"] = static_cast<double>(delivered) / seconds;
  state.counters["median_ms"] = percentile(latencies, 0.5);
  state.counters["p99_ms"] = percentile(latencies, 0.99);
  state.counters["clients"] = CLIENTS;
}

void BM_RelayUnderLoad(benchmark::State& state) { runExchange(state, static_cast<int>(state.range(0))); }
BENCHMARK(BM_RelayUnderLoad)->Arg(1)->Arg(4)->Arg(16)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RelayOneMessageAtATime(benchmark::State& state) { runExchange(state, 0); }
BENCHMARK(BM_RelayOneMessageAtATime)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

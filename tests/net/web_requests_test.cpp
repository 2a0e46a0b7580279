// Web requests: the response scanner fed in every split, a scripted loopback server for the
// exact request and awkward responses, and a real HTTP server (python3 -m http.server).
#include "net/web_requests.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "files/data_stream.h"
#include "net/sockets.h"
#include "tests/net/net_test_support.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace vantrel {
namespace {

using test::TemporaryFolder;
using test::freeTcpPort;
using test::readWholeFile;
using test::waitFor;

// webGetToString with its bytes as a std::string.
std::string fetchText(const char* host, const char* path, int port, int maximum, int timeout) {
  StringValue text = webGetToString(host, path, port, maximum, timeout);
  return std::string(text.text(), text.length);
}

// Runs one response through a reader in pieces cut at the given offsets.
std::string bodyOf(const std::string& response, const std::vector<std::size_t>& cuts, int64_t room,
                   bool* headerEnded = nullptr) {
  ResponseReader reader(nullptr, room);
  std::size_t start = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(response.size());
  for (std::size_t end : ends) {
    EXPECT_TRUE(reader.take(response.data() + start, static_cast<int>(end - start)));
    start = end;
  }
  if (headerEnded) *headerEnded = reader.inBody();
  return reader.text();
}

TEST(ResponseReader, HeaderBlockEndsAtTheFirstEmptyLineWhereverThePiecesSplit) {
  struct Case {
    const char* name;
    std::string response;
    std::string body;
  };
  const Case cases[] = {
      {"CR LF lines", "HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody\r\n\r\nmore", "body\r\n\r\nmore"},
      {"bare line feeds", "HTTP/1.0 200 OK\nA: b\n\nbody", "body"},
      {"mixed ends", "HTTP/1.0 200 OK\r\nA: b\n\r\nbody", "body"},
      {"carriage returns inside the run", "H\n\r\r\nbody", "body"},
      {"empty body", "HTTP/1.0 204 No Content\r\n\r\n", ""},
      {"a zero byte breaks the run", std::string("H\n\0\nX\n\nbody", 12), "body"},
  };
  for (const Case& c : cases) {
    for (std::size_t cut = 0; cut <= c.response.size(); ++cut) {
      EXPECT_EQ(bodyOf(c.response, {cut}, 1000), c.body) << c.name << ", cut at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < c.response.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(bodyOf(c.response, everyByte, 1000), c.body) << c.name << ", one byte per read";
  }
}

TEST(ResponseReader, WithoutAnEmptyLineEverythingIsHeader) {
  bool ended = true;
  EXPECT_EQ(bodyOf("HTTP/1.0 200 OK\r\nA: b\r\nno blank line", {5, 20}, 1000, &ended), "");
  EXPECT_FALSE(ended);
}

TEST(ResponseReader, TextStopsAtItsRoomAndAtAZeroByte) {
  std::string response = "H\r\n\r\n" + std::string(100, 'x');
  ResponseReader limited(nullptr, 11);
  EXPECT_TRUE(limited.take(response.data(), static_cast<int>(response.size())));
  EXPECT_EQ(limited.text(), std::string(10, 'x'));
  EXPECT_TRUE(limited.textFinished());

  ResponseReader none(nullptr, 1);
  EXPECT_TRUE(none.textFinished()) << "no room: the text is finished from the start";

  std::string zero = std::string("H\n\nab\0cd", 8);
  ResponseReader stopped(nullptr, 100);
  EXPECT_TRUE(stopped.take(zero.data(), 5));
  EXPECT_FALSE(stopped.textFinished());
  EXPECT_TRUE(stopped.take(zero.data() + 5, 3));
  EXPECT_EQ(stopped.text(), "ab");
  EXPECT_TRUE(stopped.textFinished());
}

TEST(WebRequestText, IsTheExactGetRequest) {
  EXPECT_EQ(webRequestText("example.org", "/a%20b?c=1"),
            "GET /a%20b?c=1 HTTP/1.0\r\nHost:example.org\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n");
}

// A loopback server for one connection: it records the request, then sends the chunks of
// its script and closes, unless told to hold the connection open.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::vector<std::string> chunks, bool holdOpen = false)
      : chunks_(std::move(chunks)), holdOpen_(holdOpen) {
    initNetwork();
    listener_ = tcpListen(0);
    port_ = remotePort(listener_);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedServer() {
    release_ = true;
    thread_.join();
    closeSocket(listener_);
    shutdownNetwork();
  }
  int port() const { return port_; }
  std::string request() const { return request_; }
  bool requestComplete() const { return requestDone_; }
  void release() { release_ = true; }

 private:
  void serve() {
    int ip;
    int connection = -1;
    if (!waitFor([&] { return (connection = tcpAccept(listener_, ip)) >= 0 || release_; })) return;
    if (connection < 0) return;
    std::string got;
    waitFor([&] {
      StringValue piece;
      if (socketReceive(connection, piece, 4096) > 0) got.append(piece.text(), piece.length);
      return got.find("\r\n\r\n") != std::string::npos || release_;
    });
    request_ = got;
    requestDone_ = true;
    for (const std::string& chunk : chunks_) {
      sendAll(connection, chunk.data(), static_cast<int>(chunk.size()));
      // Give the client a chance to read each piece on its own; the result must not depend on it.
      threadSleep(20);
    }
    if (holdOpen_) waitFor([&] { return release_.load(); }, 60000);
    closeSocket(connection);
  }

  std::vector<std::string> chunks_;
  bool holdOpen_;
  int listener_;
  int port_;
  std::string request_;
  std::atomic<bool> requestDone_{false};
  std::atomic<bool> release_{false};
  std::thread thread_;
};

TEST(WebGet, SendsTheExactRequestAndReturnsTheBodyAfterASplitHeaderBlock) {
  ScriptedServer server({"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n", "\r\n", "hello ", "world"});
  std::string body = fetchText("127.0.0.1", "/path/to?x=1", server.port(), 100, 2000);
  EXPECT_EQ(body, "hello world");
  EXPECT_EQ(server.request(),
            "GET /path/to?x=1 HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n");
}

TEST(WebGet, BareLineFeedsEndTheHeaderBlock) {
  ScriptedServer server({"HTTP/1.0 200 OK\nServer: x\n", "\nbody\nline"});
  EXPECT_EQ(fetchText("127.0.0.1", "/", server.port(), 100, 2000), "body\nline");
}

TEST(WebGet, AnErrorStatusStillDeliversItsPage) {
  ScriptedServer server({"HTTP/1.0 404 Not Found\r\n\r\nmissing"});
  TemporaryFolder folder;
  EXPECT_EQ(webGetToFile("127.0.0.1", "/nothing", server.port(), folder.file("page").c_str(), 2000), 1);
  EXPECT_EQ(readWholeFile(folder.file("page")), "missing");
}

TEST(WebGet, AZeroByteEndsTheTextButTheFileKeepsEveryByte) {
  std::string body("ab\0cd", 5);
  {
    ScriptedServer server({"HTTP/1.0 200 OK\r\n\r\n" + body});
    EXPECT_EQ(fetchText("127.0.0.1", "/", server.port(), 100, 2000), "ab");
  }
  ScriptedServer server({"HTTP/1.0 200 OK\r\n\r\n" + body});
  TemporaryFolder folder;
  EXPECT_EQ(webGetToFile("127.0.0.1", "/", server.port(), folder.file("out.bin").c_str(), 2000), 1);
  EXPECT_EQ(readWholeFile(folder.file("out.bin")), body);
}

TEST(WebGet, TheTextStopsAtItsMaximumWithoutWaitingForTheRest) {
  // The server holds the connection open after 100 bytes: only a call that stops at its
  // maximum returns before the server lets go.
  ScriptedServer server({"HTTP/1.0 200 OK\r\n\r\n" + std::string(100, 'z')}, true);
  EXPECT_EQ(fetchText("127.0.0.1", "/", server.port(), 10, 2000), std::string(10, 'z'));
  server.release();
}

TEST(WebGet, ASilentServerKeepsTheCallWaitingUntilItCloses) {
  ScriptedServer server({}, true);
  TemporaryFolder folder;
  std::atomic<int> result{-1};
  std::thread caller([&] {
    result = webGetToFile("127.0.0.1", "/", server.port(), folder.file("silent").c_str(), 2000);
  });
  ASSERT_TRUE(waitFor([&] { return server.requestComplete(); }));
  // The call has sent its request and is reading; it must still be waiting a while later.
  EXPECT_FALSE(waitFor([&] { return result != -1; }, 300));
  server.release();
  caller.join();
  EXPECT_EQ(result, 1) << "a closed connection completes the response";
  EXPECT_EQ(readWholeFile(folder.file("silent")), "");
}

TEST(WebGet, FailuresReturnNothingAndKeepTheSocketError) {
  int port = freeTcpPort();
  EXPECT_EQ(fetchText("127.0.0.1", "/", port, 100, 2000), "");
  int refused = lastSocketError();
  EXPECT_NE(refused, 0) << "the connect error survives the network shutdown";
  EXPECT_EQ(std::string(socketErrorText().text()).rfind(std::to_string(refused) + " ", 0), 0u);

  TemporaryFolder folder;
  EXPECT_EQ(webGetToFile("127.0.0.1", "/", port, folder.file("x").c_str(), 2000), 0);
  EXPECT_TRUE(test::fileExists(folder.file("x"))) << "the file was created before the connect";

  static const char block[] = "data";
  StringValue memory = memoryName(block, 4);
  EXPECT_EQ(webGetToFile("127.0.0.1", "/", port, memory, 2000), 0) << "memory names cannot be written";
  EXPECT_EQ(webGetToFile("127.0.0.1", "/", port, folder.file("no/such/folder/x").c_str(), 2000), 0);
}

// python3 -m http.server on a free loopback port, in its own folder; stopped at the end.
class PythonHttpServer {
 public:
  explicit PythonHttpServer(const std::string& folder) : port_(freeTcpPort()) {
    std::string portText = std::to_string(port_);
    std::vector<std::string> arguments = {"python3", "-m", "http.server", portText, "--bind", "127.0.0.1",
                                          "--directory", folder};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~PythonHttpServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status;
    ::waitpid(pid_, &status, 0);
  }
  int port() const { return port_; }
  // Polls until the server accepts connections (bounded).
  bool ready() {
    if (pid_ <= 0) return false;
    return waitFor([&] {
      int probe = tcpConnect("127.0.0.1", port_, 200);
      if (probe < 0) return false;
      closeSocket(probe);
      return true;
    }, 20000);
  }

 private:
  int port_;
  pid_t pid_ = 0;
};

TEST(WebGet, FetchesFilesFromARealHttpServer) {
  if (std::system("python3 -c 'import http.server' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  TemporaryFolder served;
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7) % 256));
  test::writeWholeFile(served.file("data.bin"), binary);
  test::writeWholeFile(served.file("hello.txt"), "Hello from the server\n");
  initNetwork();
  PythonHttpServer server(served.path());
  ASSERT_TRUE(server.ready()) << "the HTTP server did not come up";

  TemporaryFolder folder;
  EXPECT_EQ(webGetToFile("127.0.0.1", "/data.bin", server.port(), folder.file("copy.bin").c_str(), 5000), 1);
  EXPECT_EQ(readWholeFile(folder.file("copy.bin")), binary) << "the whole body, zero bytes included";
  EXPECT_EQ(fetchText("127.0.0.1", "/hello.txt", server.port(), 1000, 5000), "Hello from the server\n");
  EXPECT_EQ(fetchText("127.0.0.1", "/hello.txt", server.port(), 5, 5000), "Hello");
  std::string missing = fetchText("127.0.0.1", "/missing", server.port(), 4000, 5000);
  EXPECT_NE(missing.find("404"), std::string::npos) << "the error page is the body: " << missing;
  shutdownNetwork();
}

}  // namespace
}  // namespace vantrel

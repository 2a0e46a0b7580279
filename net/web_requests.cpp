// webGetToFile and webGetToString: one synchronous GET over a non-blocking connection, read
// until the server closes it, with the socket error kept across the network shutdown.
#include "net/web_requests.h"

#include "files/data_stream.h"
#include "net/sockets.h"
#include "transforms/threads.h"

namespace vantrel {

namespace {

constexpr int READ_SIZE = 1023;
constexpr int NOTHING_YET_PAUSE_MS = 5;
constexpr int DEFAULT_HTTP_PORT = 80;

// Releases the network while keeping the error that made the request fail readable.
int finish(int result) {
  int error = lastSocketError();
  shutdownNetwork();
  setLastSocketError(error);
  return result;
}

int webGet(const StringValue& host, const StringValue& path, int port, const StringValue* fileName,
           std::string* text, int64_t textRoom, int timeout) {
  DataStream file;
  if (fileName && !file.openWrite(fileName->text())) return 0;
  initNetwork();
  if (port < 0 || port > 65535) {
    setLastSocketError(platform::invalidArgumentError());
    return finish(0);
  }
  platform::SocketAddress address = resolveHost(host.text(), port == 0 ? DEFAULT_HTTP_PORT : port);
  if (address.ip == 0 && address.port == 0) return finish(0);
  int socket = connectAddress(address, timeout);
  if (socket < 0) return finish(0);

  std::string request = webRequestText(host.text(), path.text());
  if (sendAll(socket, request.data(), static_cast<int>(request.size())) < 0) {
    int error = lastSocketError();
    closeSocket(socket);
    setLastSocketError(error);
    return finish(0);
  }

  ResponseReader response(fileName ? &file : nullptr, textRoom);
  char bytes[READ_SIZE];
  for (;;) {
    int count = receiveSome(socket, bytes, READ_SIZE);
    if (count == SOCKET_NOTHING_YET) {
      threadSleep(NOTHING_YET_PAUSE_MS);
      continue;
    }
    if (count == SOCKET_CLOSED) break;
    if (count < 0 || !response.take(bytes, count)) {
      int error = lastSocketError();
      closeSocket(socket);
      setLastSocketError(error);
      return finish(0);
    }
    if (response.textFinished() && !fileName) break;
  }
  file.close();
  closeSocket(socket);
  if (text) *text = response.text();
  return finish(1);
}

}  // namespace

std::string webRequestText(const char* host, const char* path) {
  std::string request = "GET ";
  request += path;
  request += " HTTP/1.0\r\nHost:";
  request += host;
  request += "\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n";
  return request;
}

ResponseReader::ResponseReader(DataStream* file, int64_t textRoom)
    : file_(file), textRoom_(textRoom), textFinished_(textRoom <= 1) {}

bool ResponseReader::take(const char* bytes, int count) {
  int start = 0;
  while (!headerDone_ && start < count) {
    char byte = bytes[start++];
    if (byte == '\n') {
      headerDone_ = ++lineEnds_ == 2;
    } else if (byte != '\r') {
      lineEnds_ = 0;
    }
  }
  if (!headerDone_ || start == count) return true;
  const char* body = bytes + start;
  int length = count - start;
  if (file_ && !file_->writeBytes(body, length)) return false;
  for (int i = 0; i < length && !textFinished_; ++i) {
    if (body[i] == 0) {
      textFinished_ = true;
    } else {
      text_.push_back(body[i]);
      textFinished_ = static_cast<int64_t>(text_.size()) >= textRoom_ - 1;
    }
  }
  return true;
}

int webGetToFile(const StringValue& host, const StringValue& path, int port,
                 const StringValue& fileName, int timeout) {
  return webGet(host, path, port, &fileName, nullptr, 0, timeout);
}

StringValue webGetToString(const StringValue& host, const StringValue& path, int port,
                           int maximum, int timeout) {
  std::string text;
  int64_t room = static_cast<int64_t>(maximum < 0 ? 0 : maximum) + 1;
  if (!webGet(host, path, port, nullptr, &text, room, timeout)) return StringValue();
  return StringValue(text.data(), text.size());
}

}  // namespace vantrel

// HTTP/1.0 GET requests over the socket table, the response body going to a file or a text,
// and the scanner that finds where the body of a response starts.
#pragma once

#include <cstdint>
#include <string>

#include "core/string_value.h"

namespace vantrel {

class DataStream;

// Both fetch path (sent unchanged) from host; port 0 means 80; timeout bounds the connect only
// (0 or above 30000 means 30000). Whatever follows the header block is the body.
int webGetToFile(const StringValue& host, const StringValue& path, int port,
                 const StringValue& fileName, int timeout);
StringValue webGetToString(const StringValue& host, const StringValue& path, int port,
                           int maximum, int timeout);

// "GET path HTTP/1.0" with the Host, Accept and User-Agent lines and the empty line.
std::string webRequestText(const char* host, const char* path);

// Splits a response, read in pieces of any size, into header block and body. The header block
// ends at the line feed that makes two line ends in a row (carriage returns do not break the
// run), also when the run spans two pieces.
class ResponseReader {
 public:
  // file (may be null) receives every body byte; the text keeps the body up to its first zero
  // byte and at most textRoom - 1 bytes (no text when textRoom <= 1).
  ResponseReader(DataStream* file, int64_t textRoom);

  // False when the file could not take the body bytes.
  bool take(const char* bytes, int count);
  bool inBody() const { return headerDone_; }
  // True once the text can take nothing more (full, or ended by a zero byte).
  bool textFinished() const { return textFinished_; }
  const std::string& text() const { return text_; }

 private:
  DataStream* file_;
  int64_t textRoom_;
  int lineEnds_ = 0;
  bool headerDone_ = false;
  bool textFinished_;
  std::string text_;
};

}  // namespace vantrel

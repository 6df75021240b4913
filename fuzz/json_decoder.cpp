// Request and reply bodies as they arrive from the network. Any body is either refused with a
// WireError or decoded; whatever decodes must encode to a text that decodes to the same message.
// A record set read straight from the text must be the one the document decoder reads, and its
// streamed text the document's text.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz_check.h"
#include "protocol/wire.h"

namespace {

using namespace qk::protocol;
using qk::fuzz::fail;

template <typename T>
void decode(const Json& body, const char* what) {
  T message;
  try {
    message = fromJson<T>(body);
  } catch (const WireError&) {
    return;  // refused with a text: the server answers 400
  }
  const std::string once = dump(toJson(message));
  std::string twice;
  try {
    twice = dump(toJson(fromJson<T>(parseBody(once))));
  } catch (const WireError& e) {
    fail(std::string(what) + ": the encoder wrote what the decoder refuses",
         once + "\n" + e.what());
  }
  if (once != twice)
    fail(std::string(what) + ": a message changed in a round trip", once + "\n" + twice);
}

// The straight reader accepts nothing the document decoder refuses, and reads it the same.
void readStraight(std::string_view text) {
  std::optional<RecordSet> straight = parseRecordSet(text);
  if (!straight) return;
  std::string viaDocument;
  try {
    viaDocument = dump(toJson(fromJson<RecordSet>(parseBody(text))));
  } catch (const WireError& e) {
    fail("record set: read straight, yet the document decoder refuses it", e.what());
  }
  const std::string once = dump(toJson(*straight));
  if (once != viaDocument) fail("record set: the two decoders disagree", once + "\n" + viaDocument);
  if (encode(*straight) != once) fail("record set: the streamed text differs", once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    readStraight(text);
    Json body;
    try {
      body = parseBody(text);
    } catch (const WireError&) {
      return 0;
    }
    // Requests the server decodes, then replies the client decodes.
    decode<LoginRequest>(body, "login request");
    decode<StatementRequest>(body, "statement request");
    decode<ApplyRequest>(body, "apply request");
    decode<UpdateBasDataRequest>(body, "UpdateBasData request");
    decode<UpdateDataRequest>(body, "UpdateData request");
    decode<LoginReply>(body, "login reply");
    decode<RecordSet>(body, "record set");
    decode<ExecResult>(body, "execute reply");
    decode<ApplyReply>(body, "apply reply");
    decode<TextReply>(body, "text reply");
    decode<ErrorReply>(body, "error reply");
    if (auto e = errorReplyOf(body)) dump(toJson(*e));
  } catch (const std::exception& e) {
    fail("the decoder threw something other than WireError", e.what());
  }
  return 0;
}

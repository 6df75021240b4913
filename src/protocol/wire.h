// The messages of the client/server protocol and their JSON form. Every endpoint's request and
// reply is a struct here with toJson/fromJson; decoding never trusts its input and reports a
// malformed message as WireError with a readable text.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "protocol/value.h"

namespace qk::protocol {

using Json = nlohmann::json;

class WireError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Endpoint paths, fixed so that other tools can talk to the server.
namespace path {
inline constexpr const char* kLogin = "/api/login";
inline constexpr const char* kLogout = "/api/logout";
inline constexpr const char* kOpen = "/api/open";
inline constexpr const char* kExecute = "/api/execute";
inline constexpr const char* kApply = "/api/apply";
inline constexpr const char* kUpdateBasData = "/api/UpdateBasData";
inline constexpr const char* kUpdateData = "/api/UpdateData";
inline constexpr const char* kEchoString = "/api/EchoString";
inline constexpr const char* kHealth = "/api/health";
}  // namespace path

// Machine-readable kinds of failure, sent as "code" beside the text of every error a reply
// carries. Clients decide on these, never on the wording; a reply without a code is "error".
namespace code {
inline constexpr const char* kDuplicate = "duplicate";     // a unique key already holds the value
inline constexpr const char* kNotFound = "not_found";      // an update or delete found no row
inline constexpr const char* kConstraint = "constraint";   // a missing value or another rule
inline constexpr const char* kTooLong = "too_long";        // a text longer than its field
inline constexpr const char* kBusy = "busy";               // the database is locked elsewhere
inline constexpr const char* kRefused = "refused";         // not allowed for clients
inline constexpr const char* kDiskFull = "disk_full";      // the server's disk is full
inline constexpr const char* kStorage = "storage";         // the database file cannot be used
inline constexpr const char* kSession = "session";         // not logged in or expired
inline constexpr const char* kBadRequest = "bad_request";  // the request is malformed
inline constexpr const char* kInternal = "internal";       // a fault of the server itself
inline constexpr const char* kError = "error";             // any other failure
}  // namespace code

// Field types of record sets. Decimal is a fixed-point column (quantities, prices) carried as a
// JSON number; date-time is text in the form described in value.h.
enum class FieldType { String, Integer, Float, Decimal, Boolean, DateTime, Blob };
const char* fieldTypeName(FieldType t);
FieldType fieldTypeFromName(std::string_view name);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int size = 0;  // characters for strings, 0 when not limited
  bool operator==(const FieldDef&) const = default;
};

using Row = std::vector<Value>;
using Params = NamedValues;

struct RecordSet {
  std::vector<FieldDef> fields;
  std::vector<Row> rows;
  Params outParams;
};

struct ExecResult {
  std::int64_t rowsAffected = 0;
  std::int64_t lastInsertId = 0;
  Params outParams;
};

// One entry of a dataset's change log.
enum class ChangeOp { Insert, Update, Delete };
struct Change {
  ChangeOp op = ChangeOp::Insert;
  NamedValues oldValues;  // update and delete: the row as it was read
  NamedValues newValues;  // insert and update: the values to write
};
struct Delta {
  std::vector<Change> rows;
  bool empty() const { return rows.empty(); }
};

struct LoginRequest {
  std::string account, user, password;
};
struct LoginReply {
  std::string result;  // "OK" or the reason shown to the user
  std::string token;
  std::string notice;  // after "OK": a text the user must read once (a failed backup); or empty
};

struct StatementRequest {  // open and execute
  std::string provider, sql;
  Params params;
};

struct ApplyRequest {
  std::string provider, sql;
  Delta delta;
  int maxErrors = 0;  // negative: no limit
};
// The failure of one request or row: the text for the user, its code, and for failures of a
// table's rules the table as the schema spells it (empty otherwise).
struct RowError {
  int row = 0;  // index into the delta's rows
  std::string message;
  std::string code;
  std::string table;
};
struct ApplyReply {
  std::vector<RowError> errors;
  bool committed = true;  // false when the error limit was exceeded and nothing was written
};

struct UpdateBasDataRequest {
  Delta delta;
  std::string table, key1, key2;
};
struct UpdateDataRequest {
  Delta deltaA;
  std::string tableA, keyA1, keyA2;
  Delta deltaB;
  std::string tableB, keyB1, keyB2;
};
// UpdateData and UpdateBasData: "OK", or the reason nothing was written with its code.
struct TextReply {
  std::string result;
  std::string code;   // empty for "OK"
  std::string table;  // the table whose rule refused the change, when one did
};

// {"error": text, "code": …}: the answer to a request that failed as a whole.
struct ErrorReply {
  std::string error;
  std::string code;
  std::string table;
};

// Values
Json valueToJson(const Value& v);
Value valueFromJson(const Json& j);
Json namedToJson(const NamedValues& values);
NamedValues namedFromJson(const Json& j, const char* what);

// Messages
Json toJson(const LoginRequest&);
Json toJson(const LoginReply&);
Json toJson(const StatementRequest&);
Json toJson(const RecordSet&);
Json toJson(const ExecResult&);
Json toJson(const Delta&);
Json toJson(const ApplyRequest&);
Json toJson(const ApplyReply&);
Json toJson(const UpdateBasDataRequest&);
Json toJson(const UpdateDataRequest&);
Json toJson(const TextReply&);
Json toJson(const ErrorReply&);

template <typename T>
T fromJson(const Json& j);

// Limits a body must keep before it is turned into a document.
inline constexpr int kMaxJsonDepth = 64;
inline constexpr std::size_t kMaxJsonString = 72u << 20;
// Parses a body; a text that is not JSON, nests deeper than kMaxJsonDepth, holds a text longer
// than kMaxJsonString or an integer outside 64 bits becomes a WireError, before any of it grows.
Json parseBody(std::string_view body);
std::string errorBody(std::string_view message, std::string_view code = code::kError);
// Serialises a reply; text that is not valid UTF-8 is replaced, never thrown on.
std::string dump(const Json& j);
// The text of a record set, byte for byte what dump(toJson(r)) gives, written straight from its
// rows: a large reply never becomes a document first.
std::string encode(const RecordSet& r);
// Decodes a record set straight from its text, within parseBody's limits. Anything that is not a
// plain record set (an error reply, a malformed or unusual text) gives nullopt: the caller then
// decodes it as a document, which says what is wrong.
std::optional<RecordSet> parseRecordSet(std::string_view body);
// The "error" member of a reply, if it has one.
std::optional<std::string> errorOf(const Json& j);
// The whole error of a reply that has an "error" member; the code is "error" when none came.
std::optional<ErrorReply> errorReplyOf(const Json& j);

}  // namespace qk::protocol

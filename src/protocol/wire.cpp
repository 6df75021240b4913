#include "protocol/wire.h"

#include <sodium.h>

#include <cstdint>

#include <nlohmann/json.hpp>

namespace qk::protocol {

template <>
Delta fromJson<Delta>(const Json& j);

namespace {

const Json& member(const Json& j, const char* name, const char* what) {
  if (!j.is_object()) throw WireError(std::string(what) + ": expected a JSON object");
  auto it = j.find(name);
  if (it == j.end()) throw WireError(std::string(what) + ": missing \"" + name + "\"");
  return *it;
}

std::string stringMember(const Json& j, const char* name, const char* what, bool required = true) {
  if (!j.is_object()) throw WireError(std::string(what) + ": expected a JSON object");
  auto it = j.find(name);
  if (it == j.end() || it->is_null()) {
    if (required) throw WireError(std::string(what) + ": missing \"" + name + "\"");
    return {};
  }
  if (!it->is_string()) throw WireError(std::string(what) + ": \"" + name + "\" must be text");
  return it->get<std::string>();
}

std::int64_t intMember(const Json& j, const char* name, const char* what, std::int64_t dflt) {
  auto it = j.find(name);
  if (it == j.end() || it->is_null()) return dflt;
  if (!it->is_number_integer())
    throw WireError(std::string(what) + ": \"" + name + "\" must be an integer");
  return it->get<std::int64_t>();
}

// The code of a failure; a message without one (from an older peer) gets dflt.
std::string codeMember(const Json& j, const char* what, const char* dflt) {
  std::string c = stringMember(j, "code", what, false);
  return c.empty() ? std::string(dflt) : c;
}

// Adds the code and table of a failure to its object; a success carries neither.
void addFailure(Json& j, const std::string& code, const std::string& table) {
  if (!code.empty()) j["code"] = code;
  if (!table.empty()) j["table"] = table;
}

std::string toBase64(const std::vector<std::uint8_t>& bytes) {
  const auto variant = sodium_base64_VARIANT_ORIGINAL;
  std::string out(sodium_base64_encoded_len(bytes.size(), variant), '\0');
  sodium_bin2base64(out.data(), out.size(), bytes.data(), bytes.size(), variant);
  out.resize(out.size() - 1);  // drop the terminating NUL written by libsodium
  return out;
}

std::vector<std::uint8_t> fromBase64(const std::string& text) {
  std::vector<std::uint8_t> out(text.size() / 4 * 3 + 3);
  std::size_t len = 0;
  if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), " \r\n", &len, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0)
    throw WireError("blob: invalid base64 text");
  out.resize(len);
  return out;
}

Params paramsMember(const Json& j, const char* what) {
  auto it = j.find("params");
  if (it == j.end() || it->is_null()) return {};
  return namedFromJson(*it, what);
}

Delta deltaMember(const Json& j, const char* name) {
  auto it = j.find(name);
  if (it == j.end() || it->is_null()) return {};
  return fromJson<Delta>(*it);
}

}  // namespace

const char* fieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::String:
      return "string";
    case FieldType::Integer:
      return "integer";
    case FieldType::Float:
      return "float";
    case FieldType::Decimal:
      return "decimal";
    case FieldType::Boolean:
      return "boolean";
    case FieldType::DateTime:
      return "datetime";
    case FieldType::Blob:
      return "blob";
  }
  return "string";
}

FieldType fieldTypeFromName(std::string_view name) {
  for (auto t : {FieldType::String, FieldType::Integer, FieldType::Float, FieldType::Decimal,
                 FieldType::Boolean, FieldType::DateTime, FieldType::Blob})
    if (name == fieldTypeName(t)) return t;
  throw WireError("unknown field type \"" + std::string(name) + "\"");
}

Json valueToJson(const Value& v) {
  struct Visitor {
    Json operator()(std::monostate) const { return nullptr; }
    Json operator()(bool b) const { return b; }
    Json operator()(std::int64_t i) const { return i; }
    Json operator()(double d) const { return d; }
    Json operator()(const std::string& s) const { return s; }
    Json operator()(const Blob& b) const { return Json{{"base64", toBase64(b.bytes)}}; }
  };
  return std::visit(Visitor{}, v);
}

Value valueFromJson(const Json& j) {
  switch (j.type()) {
    case Json::value_t::null:
      return std::monostate{};
    case Json::value_t::boolean:
      return j.get<bool>();
    case Json::value_t::number_integer:
      return j.get<std::int64_t>();
    case Json::value_t::number_unsigned: {
      auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(INT64_MAX))
        throw WireError("the integer " + std::to_string(u) + " is outside the 64-bit range");
      return static_cast<std::int64_t>(u);
    }
    case Json::value_t::number_float:
      return j.get<double>();
    case Json::value_t::string:
      return j.get<std::string>();
    case Json::value_t::object: {
      auto it = j.find("base64");
      if (j.size() == 1 && it != j.end() && it->is_string())
        return Blob{fromBase64(it->get<std::string>())};
      throw WireError("value: an object must be {\"base64\": \"…\"}");
    }
    default:
      throw WireError("value: arrays and binary values are not accepted");
  }
}

Json namedToJson(const NamedValues& values) {
  Json j = Json::object();
  for (const auto& [name, v] : values) j[name] = valueToJson(v);
  return j;
}

NamedValues namedFromJson(const Json& j, const char* what) {
  if (!j.is_object()) throw WireError(std::string(what) + ": expected an object of values");
  NamedValues out;
  for (const auto& [name, v] : j.items()) {
    if (!out.emplace(name, valueFromJson(v)).second)
      throw WireError(std::string(what) + ": \"" + name + "\" given twice");
  }
  return out;
}

Json toJson(const LoginRequest& r) {
  return {{"account", r.account}, {"user", r.user}, {"password", r.password}};
}
template <>
LoginRequest fromJson<LoginRequest>(const Json& j) {
  return {stringMember(j, "account", "login"), stringMember(j, "user", "login"),
          stringMember(j, "password", "login")};
}

Json toJson(const LoginReply& r) {
  Json j{{"result", r.result}};
  if (!r.token.empty()) j["token"] = r.token;
  if (!r.notice.empty()) j["notice"] = r.notice;
  return j;
}
template <>
LoginReply fromJson<LoginReply>(const Json& j) {
  return {stringMember(j, "result", "login reply"), stringMember(j, "token", "login reply", false),
          stringMember(j, "notice", "login reply", false)};
}

Json toJson(const StatementRequest& r) {
  return {{"provider", r.provider}, {"sql", r.sql}, {"params", namedToJson(r.params)}};
}
template <>
StatementRequest fromJson<StatementRequest>(const Json& j) {
  return {stringMember(j, "provider", "statement", false),
          stringMember(j, "sql", "statement", false), paramsMember(j, "params")};
}

Json toJson(const RecordSet& r) {
  Json fields = Json::array();
  for (const auto& f : r.fields)
    fields.push_back({{"name", f.name}, {"type", fieldTypeName(f.type)}, {"size", f.size}});
  Json rows = Json::array();
  for (const auto& row : r.rows) {
    Json cells = Json::array();
    for (const auto& v : row) cells.push_back(valueToJson(v));
    rows.push_back(std::move(cells));
  }
  return {{"fields", std::move(fields)},
          {"rows", std::move(rows)},
          {"outParams", namedToJson(r.outParams)}};
}
template <>
RecordSet fromJson<RecordSet>(const Json& j) {
  RecordSet r;
  const Json& fields = member(j, "fields", "record set");
  if (!fields.is_array()) throw WireError("record set: \"fields\" must be an array");
  for (const auto& f : fields)
    r.fields.push_back({stringMember(f, "name", "field"),
                        fieldTypeFromName(stringMember(f, "type", "field")),
                        static_cast<int>(intMember(f, "size", "field", 0))});
  const Json& rows = member(j, "rows", "record set");
  if (!rows.is_array()) throw WireError("record set: \"rows\" must be an array");
  r.rows.reserve(rows.size());
  for (const auto& row : rows) {
    if (!row.is_array() || row.size() != r.fields.size())
      throw WireError("record set: every row must be an array with one value per field");
    Row cells;
    cells.reserve(row.size());
    for (const auto& v : row) cells.push_back(valueFromJson(v));
    r.rows.push_back(std::move(cells));
  }
  if (auto it = j.find("outParams"); it != j.end() && !it->is_null())
    r.outParams = namedFromJson(*it, "outParams");
  return r;
}

Json toJson(const ExecResult& r) {
  return {{"rowsAffected", r.rowsAffected},
          {"lastInsertId", r.lastInsertId},
          {"outParams", namedToJson(r.outParams)}};
}
template <>
ExecResult fromJson<ExecResult>(const Json& j) {
  ExecResult r;
  r.rowsAffected = intMember(j, "rowsAffected", "execute reply", 0);
  r.lastInsertId = intMember(j, "lastInsertId", "execute reply", 0);
  if (auto it = j.find("outParams"); it != j.end() && !it->is_null())
    r.outParams = namedFromJson(*it, "outParams");
  return r;
}

Json toJson(const Delta& d) {
  Json rows = Json::array();
  for (const auto& c : d.rows) {
    Json row;
    switch (c.op) {
      case ChangeOp::Insert:
        row = {{"op", "insert"}, {"new", namedToJson(c.newValues)}};
        break;
      case ChangeOp::Update:
        row = {
            {"op", "update"}, {"old", namedToJson(c.oldValues)}, {"new", namedToJson(c.newValues)}};
        break;
      case ChangeOp::Delete:
        row = {{"op", "delete"}, {"old", namedToJson(c.oldValues)}};
        break;
    }
    rows.push_back(std::move(row));
  }
  return {{"rows", std::move(rows)}};
}
template <>
Delta fromJson<Delta>(const Json& j) {
  Delta d;
  const Json& rows = member(j, "rows", "delta");
  if (!rows.is_array()) throw WireError("delta: \"rows\" must be an array");
  for (const auto& row : rows) {
    Change c;
    const std::string op = stringMember(row, "op", "delta row");
    auto part = [&](const char* name) {
      return namedFromJson(member(row, name, "delta row"), "delta row");
    };
    if (op == "insert") {
      c.op = ChangeOp::Insert;
      c.newValues = part("new");
    } else if (op == "update") {
      c.op = ChangeOp::Update;
      c.oldValues = part("old");
      c.newValues = part("new");
    } else if (op == "delete") {
      c.op = ChangeOp::Delete;
      c.oldValues = part("old");
    } else {
      throw WireError("delta row: unknown op \"" + op + "\"");
    }
    d.rows.push_back(std::move(c));
  }
  return d;
}

Json toJson(const ApplyRequest& r) {
  return {{"provider", r.provider},
          {"sql", r.sql},
          {"delta", toJson(r.delta)},
          {"maxErrors", r.maxErrors}};
}
template <>
ApplyRequest fromJson<ApplyRequest>(const Json& j) {
  ApplyRequest r;
  r.provider = stringMember(j, "provider", "apply", false);
  r.sql = stringMember(j, "sql", "apply", false);
  r.delta = fromJson<Delta>(member(j, "delta", "apply"));
  r.maxErrors = static_cast<int>(intMember(j, "maxErrors", "apply", 0));
  return r;
}

Json toJson(const ApplyReply& r) {
  Json errors = Json::array();
  for (const auto& e : r.errors) {
    Json error{{"row", e.row}, {"message", e.message}};
    addFailure(error, e.code, e.table);
    errors.push_back(std::move(error));
  }
  return {{"errors", std::move(errors)}, {"committed", r.committed}};
}
template <>
ApplyReply fromJson<ApplyReply>(const Json& j) {
  ApplyReply r;
  const Json& errors = member(j, "errors", "apply reply");
  if (!errors.is_array()) throw WireError("apply reply: \"errors\" must be an array");
  for (const auto& e : errors)
    r.errors.push_back({static_cast<int>(intMember(e, "row", "apply error", 0)),
                        stringMember(e, "message", "apply error"),
                        codeMember(e, "apply error", code::kError),
                        stringMember(e, "table", "apply error", false)});
  if (auto it = j.find("committed"); it != j.end() && it->is_boolean()) r.committed = *it;
  return r;
}

Json toJson(const UpdateBasDataRequest& r) {
  return {{"delta", toJson(r.delta)}, {"table", r.table}, {"key1", r.key1}, {"key2", r.key2}};
}
template <>
UpdateBasDataRequest fromJson<UpdateBasDataRequest>(const Json& j) {
  return {deltaMember(j, "delta"), stringMember(j, "table", "UpdateBasData"),
          stringMember(j, "key1", "UpdateBasData"),
          stringMember(j, "key2", "UpdateBasData", false)};
}

Json toJson(const UpdateDataRequest& r) {
  return {
      {"deltaA", toJson(r.deltaA)}, {"tableA", r.tableA}, {"keyA1", r.keyA1}, {"keyA2", r.keyA2},
      {"deltaB", toJson(r.deltaB)}, {"tableB", r.tableB}, {"keyB1", r.keyB1}, {"keyB2", r.keyB2}};
}
template <>
UpdateDataRequest fromJson<UpdateDataRequest>(const Json& j) {
  const char* w = "UpdateData";
  return {deltaMember(j, "deltaA"),    stringMember(j, "tableA", w),
          stringMember(j, "keyA1", w), stringMember(j, "keyA2", w, false),
          deltaMember(j, "deltaB"),    stringMember(j, "tableB", w),
          stringMember(j, "keyB1", w), stringMember(j, "keyB2", w, false)};
}

Json toJson(const TextReply& r) {
  Json j{{"result", r.result}};
  addFailure(j, r.code, r.table);
  return j;
}
template <>
TextReply fromJson<TextReply>(const Json& j) {
  TextReply r{stringMember(j, "result", "reply"), {}, stringMember(j, "table", "reply", false)};
  // An older server sends no code: any text but "OK" is still a failure.
  r.code = codeMember(j, "reply", r.result == "OK" ? "" : code::kError);
  return r;
}

Json toJson(const ErrorReply& r) {
  Json j{{"error", r.error}};
  addFailure(j, r.code, r.table);
  return j;
}
template <>
ErrorReply fromJson<ErrorReply>(const Json& j) {
  return {stringMember(j, "error", "error reply"), codeMember(j, "error reply", code::kError),
          stringMember(j, "table", "error reply", false)};
}

namespace {

// Builds the document like the library's own parser but stops at the limits, before a hostile
// body can nest, grow or round a number: an integer literal that reaches number_float (no '.' or
// exponent) did not fit in 64 bits.
class LimitedParser : public nlohmann::detail::json_sax_dom_parser<Json> {
 public:
  using Base = nlohmann::detail::json_sax_dom_parser<Json>;
  explicit LimitedParser(Json& root) : Base(root, false) {}

  bool start_object(std::size_t n) { return deeper() && Base::start_object(n); }
  bool start_array(std::size_t n) { return deeper() && Base::start_array(n); }
  bool end_object() {
    --depth_;
    return Base::end_object();
  }
  bool end_array() {
    --depth_;
    return Base::end_array();
  }
  bool string(string_t& s) { return shortEnough(s) && Base::string(s); }
  bool key(string_t& s) { return shortEnough(s) && Base::key(s); }
  bool number_unsigned(number_unsigned_t u) {
    if (u > static_cast<number_unsigned_t>(INT64_MAX)) return tooBig(std::to_string(u));
    return Base::number_unsigned(u);
  }
  bool number_float(number_float_t d, const string_t& literal) {
    if (literal.find_first_of(".eE") == string_t::npos) return tooBig(literal);
    return Base::number_float(d, literal);
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    if (error.empty()) error = "the request body is not valid JSON";
    return false;
  }

  std::string error;

 private:
  bool deeper() {
    if (++depth_ <= kMaxJsonDepth) return true;
    error = "JSON nesting deeper than " + std::to_string(kMaxJsonDepth) + " levels";
    return false;
  }
  bool shortEnough(const string_t& s) {
    if (s.size() <= kMaxJsonString) return true;
    error = "a text longer than " + std::to_string(kMaxJsonString) + " bytes";
    return false;
  }
  bool tooBig(const std::string& literal) {
    error = "the integer " + literal.substr(0, 40) + " is outside the 64-bit range";
    return false;
  }
  int depth_ = 0;
};

}  // namespace

Json parseBody(std::string_view body) {
  Json j;
  LimitedParser parser(j);
  const bool ok = Json::sax_parse(body, &parser);
  if (!ok || j.is_discarded())
    throw WireError(parser.error.empty() ? "the request body is not valid JSON" : parser.error);
  return j;
}

std::string dump(const Json& j) {
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string errorBody(std::string_view message, std::string_view code) {
  return dump(toJson(ErrorReply{std::string(message), std::string(code), {}}));
}

std::optional<std::string> errorOf(const Json& j) {
  if (!j.is_object()) return std::nullopt;
  auto it = j.find("error");
  if (it == j.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::optional<ErrorReply> errorReplyOf(const Json& j) {
  if (!errorOf(j)) return std::nullopt;
  return fromJson<ErrorReply>(j);
}

}  // namespace qk::protocol

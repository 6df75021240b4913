#include "server/db/pg_translate.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "protocol/value.h"

namespace qk::db {

namespace {

enum class Tok { Space, Comment, Word, Quoted, String, Number, Param, TempName, Punct };

struct Token {
  Tok kind;
  std::string_view text;
};

bool isPgNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool isPgNameChar(char c) {
  return isPgNameStart(c) || (c >= '0' && c <= '9');
}

// End of a literal or quoted name opened at i by `open` and closed by `close`; a doubled closing
// quote stays inside, and so does a backslash escape when `backslash` is set (E'…').
std::size_t quotedEnd(std::string_view s, std::size_t i, char close, bool backslash) {
  std::size_t j = i + 1;
  while (j < s.size()) {
    if (backslash && s[j] == '\\') {
      j += 2;
      continue;
    }
    if (s[j] == close) {
      if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return s.size();  // unterminated: the database reports it
}

// "$tag$" at i (tag possibly empty): the length of the opening tag, or 0.
std::size_t dollarTag(std::string_view s, std::size_t i) {
  std::size_t j = i + 1;
  if (j < s.size() && s[j] == '$') return 2;
  if (j >= s.size() || !isPgNameStart(s[j])) return 0;
  while (j < s.size() && isPgNameChar(s[j])) ++j;
  return j < s.size() && s[j] == '$' ? j + 1 - i : 0;
}

std::vector<Token> lexPg(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  auto push = [&](Tok kind, std::size_t end) {
    out.push_back({kind, s.substr(i, end - i)});
    i = end;
  };
  while (i < s.size()) {
    const char c = s[i];
    const char next = i + 1 < s.size() ? s[i + 1] : '\0';
    if (std::isspace(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      push(Tok::Space, j);
    } else if (c == '-' && next == '-') {
      const auto end = s.find('\n', i);
      push(Tok::Comment, end == std::string_view::npos ? s.size() : end + 1);
    } else if (c == '/' && next == '*') {
      int depth = 0;  // PostgreSQL's block comments nest
      std::size_t j = i;
      while (j < s.size()) {
        if (s.substr(j, 2) == "/*") {
          ++depth;
          j += 2;
        } else if (s.substr(j, 2) == "*/") {
          j += 2;
          if (--depth == 0) break;
        } else {
          ++j;
        }
      }
      push(Tok::Comment, j);
    } else if (c == '\'') {
      push(Tok::String, quotedEnd(s, i, '\'', false));
    } else if ((c == 'e' || c == 'E') && next == '\'' && (i == 0 || !isPgNameChar(s[i - 1]))) {
      const std::size_t start = i;
      i += 1;
      const std::size_t end = quotedEnd(s, i, '\'', true);
      i = start;
      push(Tok::String, end);
    } else if (c == '"' || c == '`') {
      push(Tok::Quoted, quotedEnd(s, i, c, false));
    } else if (c == '[' && isPgNameStart(next)) {
      push(Tok::Quoted, quotedEnd(s, i, ']', false));
    } else if (c == '$' && dollarTag(s, i) > 0) {
      const std::size_t n = dollarTag(s, i);
      const std::string_view tag = s.substr(i, n);
      const auto close = s.find(tag, i + n);
      push(Tok::String, close == std::string_view::npos ? s.size() : close + n);
    } else if ((c == ':' || c == '@') && isPgNameStart(next) && (i == 0 || s[i - 1] != ':')) {
      std::size_t j = i + 1;
      while (j < s.size() && isPgNameChar(s[j])) ++j;
      push(Tok::Param, j);
    } else if (c == ':' && next == ':') {
      push(Tok::Punct, i + 2);
    } else if (c == '#' && next == '#' && i + 2 < s.size() && isPgNameChar(s[i + 2])) {
      std::size_t j = i + 2;
      while (j < s.size() && isPgNameChar(s[j])) ++j;
      push(Tok::TempName, j);
    } else if (isPgNameStart(c)) {
      std::size_t j = i;
      while (j < s.size() && (isPgNameChar(s[j]) || s[j] == '$')) ++j;
      push(Tok::Word, j);
    } else if (c >= '0' && c <= '9') {
      std::size_t j = i;
      while (j < s.size() &&
             (isPgNameChar(s[j]) || s[j] == '.' ||
              ((s[j] == '+' || s[j] == '-') && (s[j - 1] == 'e' || s[j - 1] == 'E'))))
        ++j;
      push(Tok::Number, j);
    } else {
      push(Tok::Punct, i + 1);
    }
  }
  return out;
}

bool significant(const Token& t) {
  return t.kind != Tok::Space && t.kind != Tok::Comment;
}

bool isWord(const Token& t, std::string_view lowerWord) {
  return t.kind == Tok::Word && protocol::iequals(t.text, lowerWord);
}

bool isPunct(const Token& t, std::string_view p) {
  return t.kind == Tok::Punct && t.text == p;
}

// A name token's text without quotes and in lower case ("Sys_User", "[x]", `"X"`).
std::string bareName(const Token& t) {
  std::string_view v = t.text;
  if (t.kind == Tok::Quoted && v.size() >= 2) v = v.substr(1, v.size() - 2);
  return protocol::toLower(v);
}

// Indices of the significant tokens, so that parsing can look ahead past blanks and comments.
std::vector<std::size_t> significantIndices(const std::vector<Token>& toks) {
  std::vector<std::size_t> idx;
  for (std::size_t i = 0; i < toks.size(); ++i)
    if (significant(toks[i])) idx.push_back(i);
  return idx;
}

std::string quotedLower(const Token& t) {
  std::string out = "\"";
  for (char ch : bareName(t)) {
    out += ch;
    if (ch == '"') out += '"';
  }
  return out + '"';
}

std::string tempTableName(std::string_view tempName) {
  return "pg_temp.\"" + protocol::toLower(tempName) + "\"";
}

// The closing parentheses of derived tables without a name ("FROM (SELECT …) WHERE"): SQLite
// takes them, PostgreSQL 15 wants a name.
std::set<std::size_t> unnamedDerivedTables(const std::vector<Token>& toks,
                                           const std::vector<std::size_t>& sig) {
  static const std::set<std::string, std::less<>> clauses{
      "where",     "group",  "order",  "limit",   "offset", "join",     "inner", "left",
      "right",     "full",   "cross",  "natural", "on",     "using",    "union", "except",
      "intersect", "having", "window", "fetch",   "for",    "returning"};
  std::set<std::size_t> out;
  for (std::size_t k = 1; k + 1 < sig.size(); ++k) {
    if (!isPunct(toks[sig[k]], "(") ||
        !(isWord(toks[sig[k - 1]], "from") || isWord(toks[sig[k - 1]], "join")))
      continue;
    const Token& first = toks[sig[k + 1]];
    if (!isWord(first, "select") && !isWord(first, "with") && !isWord(first, "values")) continue;
    int depth = 0;
    std::size_t m = k;
    for (; m < sig.size(); ++m) {
      if (isPunct(toks[sig[m]], "("))
        ++depth;
      else if (isPunct(toks[sig[m]], ")") && --depth == 0)
        break;
    }
    if (m == sig.size()) continue;
    const Token* after = m + 1 < sig.size() ? &toks[sig[m + 1]] : nullptr;
    const bool named = after && (after->kind == Tok::Quoted ||
                                 (after->kind == Tok::Word && !clauses.count(bareName(*after))));
    if (!named) out.insert(sig[m]);
  }
  return out;
}

}  // namespace

PgStatement translateForPostgres(std::string_view sql) {
  const std::vector<Token> toks = lexPg(sql);
  const std::vector<std::size_t> sig = significantIndices(toks);
  auto sigAt = [&](std::size_t k) -> const Token* {
    return k < sig.size() ? &toks[sig[k]] : nullptr;
  };

  PgStatement st;
  std::map<std::string, int> numbers;  // lower-case parameter name -> its $n
  std::string out;
  out.reserve(sql.size() + 32);
  std::size_t endOfStatement = 0;  // where the last significant token of the text ends in `out`
  bool ignoreConflicts = false;
  std::size_t k = 0;  // position in sig of the token being written
  const std::set<std::size_t> unnamed = unnamedDerivedTables(toks, sig);
  int derived = 0;

  for (std::size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (!significant(t)) {
      out.append(t.text);
      continue;
    }
    const Token* next = sigAt(k + 1);
    const Token* prev = k > 0 ? sigAt(k - 1) : nullptr;
    ++k;
    switch (t.kind) {
      case Tok::Param: {
        const std::string key = protocol::toLower(t.text.substr(1));
        auto [it, added] = numbers.emplace(key, static_cast<int>(numbers.size()) + 1);
        if (added) st.params.emplace_back(t.text.substr(1));
        out += '$' + std::to_string(it->second);
        break;
      }
      case Tok::TempName:
        out += tempTableName(t.text);
        break;
      case Tok::Quoted:
        out += quotedLower(t);
        break;
      case Tok::Word: {
        const bool call = next && isPunct(*next, "(");
        const bool qualifier = next && isPunct(*next, ".") && !(prev && isPunct(*prev, "."));
        if (qualifier && isWord(t, "temp")) {
          out += "pg_temp";
        } else if (qualifier && isWord(t, "main")) {
          ++i;  // the dot as well: the search path finds the schema's tables
          while (i < toks.size() && !significant(toks[i])) ++i;
          ++k;
        } else if (call && (isWord(t, "isnull") || isWord(t, "ifnull")) &&
                   !(prev && isWord(*prev, "function"))) {  // not where the migrations define it
          out += "coalesce";
        } else if (call && isWord(t, "last_insert_rowid")) {
          out += "lastval";
        } else if (isWord(t, "collate") && next && next->kind == Tok::Word &&
                   protocol::iequals(next->text, "nocase")) {
          // Text columns are case-insensitive already; drop both words.
          ++i;
          while (i < toks.size() && !significant(toks[i])) ++i;
          ++k;
        } else if (isWord(t, "insert") && next && isWord(*next, "or")) {
          const Token* how = sigAt(k + 1);
          out += t.text;
          if (how && (isWord(*how, "ignore") || isWord(*how, "replace"))) {
            (isWord(*how, "ignore") ? ignoreConflicts : st.replaceRows) = true;
            // Skip "or" and "ignore" with what lies between them.
            for (int skipped = 0; skipped < 2; ++k) {
              ++i;
              while (i < toks.size() && !significant(toks[i])) ++i;
              ++skipped;
            }
          }
        } else {
          if (isWord(t, "returning")) st.returning = true;
          if (isWord(t, "into") && prev &&
              (isWord(*prev, "insert") || isWord(*prev, "ignore") || isWord(*prev, "replace")) &&
              next && (next->kind == Tok::Word || next->kind == Tok::Quoted)) {
            // The target: the last part of a qualified name.
            std::size_t m = k;
            const Token* name = next;
            while (sigAt(m + 1) && isPunct(*sigAt(m + 1), ".") && sigAt(m + 2)) {
              name = sigAt(m + 2);
              m += 2;
            }
            if (sig.front() < toks.size() && isWord(toks[sig.front()], "insert"))
              st.insertTable = bareName(*name);
          }
          out += t.text;
        }
        break;
      }
      default:
        out += t.text;
    }
    if (unnamed.count(i)) out += " AS qk_sub" + std::to_string(++derived);
    if (!(t.kind == Tok::Punct && t.text == ";")) endOfStatement = out.size();
  }
  if (ignoreConflicts) {
    const std::string clause = " ON CONFLICT DO NOTHING";
    out.insert(endOfStatement, clause);
    endOfStatement += clause.size();
  }
  st.sql = std::move(out);
  st.clauseAt = endOfStatement;
  return st;
}

std::map<std::string, std::string> aliasSpellings(std::string_view sql) {
  std::map<std::string, std::string> out;
  const std::vector<Token> toks = lexPg(sql);
  const std::vector<std::size_t> sig = significantIndices(toks);
  for (std::size_t k = 0; k + 1 < sig.size(); ++k) {
    const Token& name = toks[sig[k + 1]];
    if (!isWord(toks[sig[k]], "as") || (name.kind != Tok::Word && name.kind != Tok::Quoted))
      continue;
    std::string_view spelled = name.text;
    if (name.kind == Tok::Quoted && spelled.size() >= 2)
      spelled = spelled.substr(1, spelled.size() - 2);
    out.emplace(bareName(name), std::string(spelled));
  }
  return out;
}

SessionTableDefinition sessionTableDefinition(std::string_view sql) {
  SessionTableDefinition def;
  const std::vector<Token> toks = lexPg(sql);
  std::vector<const Token*> sig;
  for (const Token& t : toks)
    if (significant(t)) sig.push_back(&t);
  auto wordAt = [&](std::size_t k, std::string_view w) {
    return k < sig.size() && isWord(*sig[k], w);
  };
  auto punctAt = [&](std::size_t k, std::string_view p) {
    return k < sig.size() && isPunct(*sig[k], p);
  };
  auto offsetOf = [&](const Token* t) {
    return static_cast<std::size_t>(t->text.data() - sql.data());
  };
  std::size_t k = 1;
  if (!wordAt(0, "create") || !(wordAt(k, "temp") || wordAt(k, "temporary"))) return def;
  if (!wordAt(++k, "table")) return def;
  ++k;
  if (wordAt(k, "if") && wordAt(k + 1, "not") && wordAt(k + 2, "exists")) k += 3;
  if (wordAt(k, "temp") && punctAt(k + 1, ".")) k += 2;
  if (k >= sig.size()) return def;
  const Token& name = *sig[k];
  if (name.kind == Tok::TempName)
    def.name = std::string(name.text);
  else if (name.kind == Tok::Quoted && name.text.size() > 4 && name.text.substr(0, 3) == "\"##")
    def.name = std::string(name.text.substr(1, name.text.size() - 2));
  else
    return def;
  if (!punctAt(++k, "(")) return def;  // CREATE … AS SELECT
  // The definitions between the outer parentheses: a name, then a type with its arguments.
  for (++k; k < sig.size() && !punctAt(k, ")");) {
    const std::size_t first = k;
    int depth = 0;
    while (k < sig.size() && !(depth == 0 && (punctAt(k, ",") || punctAt(k, ")")))) {
      if (punctAt(k, "(")) ++depth;
      if (punctAt(k, ")")) --depth;
      ++k;
    }
    const Token& column = *sig[first];
    const bool constraint =
        column.kind == Tok::Word &&
        (isWord(column, "primary") || isWord(column, "unique") || isWord(column, "check") ||
         isWord(column, "foreign") || isWord(column, "constraint"));
    if ((column.kind == Tok::Word || column.kind == Tok::Quoted) && !constraint) {
      std::string_view spelled = column.text;
      if (column.kind == Tok::Quoted) spelled = spelled.substr(1, spelled.size() - 2);
      std::string type;
      if (first + 1 < k && sig[first + 1]->kind == Tok::Word) {
        std::size_t end = offsetOf(sig[first + 1]) + sig[first + 1]->text.size();
        if (punctAt(first + 2, "("))
          for (std::size_t j = first + 3; j < k; ++j)
            if (punctAt(j, ")")) {
              end = offsetOf(sig[j]) + 1;
              break;
            }
        type = std::string(sql.substr(offsetOf(sig[first + 1]), end - offsetOf(sig[first + 1])));
      }
      def.columns.emplace_back(std::string(spelled), std::move(type));
    }
    if (punctAt(k, ",")) ++k;
  }
  return def;
}

std::string withPostgresColumnTypes(std::string_view sql) {
  const std::vector<Token> toks = lexPg(sql);
  std::string out;
  out.reserve(sql.size() + 16);
  for (std::size_t i = 0; i < toks.size(); ++i) {
    const Token& t = toks[i];
    if (isWord(t, "datetime")) {
      out += "TEXT";
    } else if (isWord(t, "nvarchar")) {
      out += "VARCHAR";
    } else if (isWord(t, "decimal")) {
      // DECIMAL ( p , s ): the significant tokens after it, blanks between them allowed.
      static constexpr std::string_view kShape[] = {"(", "9", ",", "9", ")"};
      std::size_t j = i + 1, matched = 0;
      for (; j < toks.size() && matched < std::size(kShape); ++j) {
        if (!significant(toks[j])) continue;
        const bool ok = kShape[matched] == "9" ? toks[j].kind == Tok::Number
                                               : isPunct(toks[j], kShape[matched]);
        if (!ok) break;
        ++matched;
      }
      if (matched == std::size(kShape)) {
        out += "DOUBLE PRECISION";
        i = j - 1;
      } else {
        out += t.text;
      }
    } else {
      out += t.text;
    }
  }
  return out;
}

std::vector<std::string> splitPostgresScript(std::string_view sql) {
  std::vector<std::string> out;
  std::string current;
  bool any = false;
  for (const Token& t : lexPg(sql)) {
    if (t.kind == Tok::Punct && t.text == ";") {
      if (any) out.push_back(std::move(current));
      current.clear();
      any = false;
      continue;
    }
    current.append(t.text);
    any = any || significant(t);
  }
  if (any) out.push_back(std::move(current));
  return out;
}

namespace {

// Functions that reach the server, its files or settings, other sessions or sequences; the
// client role lacks the rights to most of them as well, this refuses them by name first.
bool isForbiddenFunction(const std::string& name) {
  static const char* const exact[] = {"set_config",       "current_setting",
                                      "nextval",          "setval",
                                      "currval",          "lastval",
                                      "current_query",    "version",
                                      "query_to_xml",     "table_to_xml",
                                      "cursor_to_xml",    "database_to_xml",
                                      "schema_to_xml",    "query_to_xml_and_xmlschema",
                                      "inet_server_addr", "inet_server_port",
                                      "inet_client_addr", "inet_client_port"};
  for (const char* e : exact)
    if (name == e) return true;
  for (const char* prefix : {"pg_", "lo_", "dblink", "txid_"})
    if (name.rfind(prefix, 0) == 0) return true;
  return false;
}

constexpr const char* kSchemaChange = "不允许修改数据库结构 (CREATE/DROP)";

class ClientStatementJudge {
 public:
  explicit ClientStatementJudge(std::string_view sql) : toks_(lexPg(sql)) {
    for (const Token& t : toks_)
      if (significant(t)) sig_.push_back(&t);
  }

  ClientStatementCheck judge() {
    if (sig_.empty() || (sig_.size() == 1 && isPunct(*sig_[0], ";"))) {
      check_.blank = true;
      return check_;
    }
    for (std::size_t k = 0; k + 1 < sig_.size(); ++k)
      if (isPunct(*sig_[k], ";") && !isPunct(*sig_[k + 1], ";"))
        return refuse("一次请求只能执行一条 SQL 语句");
    if (!judgeLeadingKeyword()) return check_;
    for (std::size_t k = 0; k < sig_.size() && check_.refusal.empty(); ++k) judgeToken(k);
    if (!check_.refusal.empty()) check_.writes.clear();
    return check_;
  }

 private:
  const Token* at(std::size_t k) const { return k < sig_.size() ? sig_[k] : nullptr; }
  bool wordAt(std::size_t k, std::string_view w) const { return at(k) && isWord(*at(k), w); }
  bool punctAt(std::size_t k, std::string_view p) const { return at(k) && isPunct(*at(k), p); }

  ClientStatementCheck refuse(std::string why) {
    if (check_.refusal.empty()) check_.refusal = std::move(why);
    return check_;
  }

  bool judgeLeadingKeyword() {
    const Token& first = *sig_[0];
    if (isPunct(first, "(")) return true;
    const std::string w = first.kind == Tok::Word ? protocol::toLower(first.text) : "";
    if (w == "select" || w == "with" || w == "insert" || w == "update" || w == "delete" ||
        w == "values")
      return true;
    if (w == "create") {
      std::size_t k = 1;
      if (wordAt(k, "temp") || wordAt(k, "temporary")) ++k;
      if (!wordAt(k, "table")) return refuse(kSchemaChange), false;
      ++k;
      if (wordAt(k, "if") && wordAt(k + 1, "not") && wordAt(k + 2, "exists")) k += 3;
      if (at(k)) check_.createdTable = bareName(*at(k));
      if (!at(k) || at(k)->kind != Tok::TempName) return refuse(kSchemaChange), false;
      return true;
    }
    if (w == "drop") {
      std::size_t k = 1;
      if (!wordAt(k, "table")) return refuse(kSchemaChange), false;
      ++k;
      if (wordAt(k, "if") && wordAt(k + 1, "exists")) k += 2;
      for (;;) {
        if (!at(k) || at(k)->kind != Tok::TempName) return refuse(kSchemaChange), false;
        if (!punctAt(k + 1, ",")) break;
        k += 2;
      }
      return true;
    }
    static const char* const transaction[] = {"begin", "commit",    "rollback", "end",    "start",
                                              "abort", "savepoint", "release",  "prepare"};
    for (const char* t : transaction)
      if (w == t) return refuse("事务由服务器控制，不允许客户端开始或提交事务"), false;
    if (w == "copy") return refuse("不允许导入或导出文件 (COPY)"), false;
    if (w == "set" || w == "reset") return refuse("不允许修改会话设置 (SET)"), false;
    if (w == "alter" || w == "truncate" || w == "grant" || w == "revoke" || w == "comment")
      return refuse(kSchemaChange), false;
    return refuse("不允许执行此语句 (" + std::string(first.text) + ")"), false;
  }

  // The name at k (possibly schema-qualified): its bare last part, and whether it is a
  // session's temporary table. Moves k past it.
  std::string nameAt(std::size_t& k, bool& temp) {
    temp = false;
    std::string name;
    if (wordAt(k, "only")) ++k;
    for (;;) {
      const Token* t = at(k);
      if (!t) return name;
      if (t->kind == Tok::TempName) {
        temp = true;
        name = protocol::toLower(t->text);
      } else if (t->kind == Tok::Word || t->kind == Tok::Quoted) {
        if (!name.empty() && (name == "temp" || name == "pg_temp")) temp = true;
        name = bareName(*t);
      } else {
        return name;
      }
      ++k;
      if (!punctAt(k, ".")) return name;
      ++k;
    }
  }

  void addWrite(WriteKind kind, const std::string& table, bool temp, std::string column = {}) {
    if (temp || table.empty()) return;
    if (kind == WriteKind::Update && table == "sys_user" && column == "pwd") {
      refuse("密码只能通过修改密码功能更改");
      return;
    }
    check_.writes.push_back({kind, table, std::move(column)});
  }

  // The columns of "SET a = …, (b, c) = …" from k (just past SET) to the end of the list.
  void setList(std::size_t k, const std::string& table, bool temp) {
    int depth = 0;
    bool expectColumn = true;
    for (; k < sig_.size(); ++k) {
      const Token& t = *sig_[k];
      if (isPunct(t, "(")) {
        if (expectColumn && depth == 0) {
          // (a, b) = (…): the names up to the closing parenthesis.
          for (++k; k < sig_.size() && !isPunct(*sig_[k], ")"); ++k)
            if (sig_[k]->kind == Tok::Word || sig_[k]->kind == Tok::Quoted)
              addWrite(WriteKind::Update, table, temp, bareName(*sig_[k]));
          expectColumn = false;
          continue;
        }
        ++depth;
      } else if (isPunct(t, ")")) {
        if (--depth < 0) return;
      } else if (isPunct(t, ";")) {
        return;
      } else if (depth == 0 && isPunct(t, ",")) {
        expectColumn = true;
      } else if (depth == 0 &&
                 (isWord(t, "from") || isWord(t, "where") || isWord(t, "returning"))) {
        return;
      } else if (expectColumn && (t.kind == Tok::Word || t.kind == Tok::Quoted)) {
        std::string column = bareName(t);
        while (punctAt(k + 1, ".") && at(k + 2)) {  // alias.column
          k += 2;
          column = bareName(*sig_[k]);
        }
        addWrite(WriteKind::Update, table, temp, column);
        expectColumn = false;
      }
    }
  }

  void judgeToken(std::size_t k) {
    const Token& t = *sig_[k];
    const bool call = punctAt(k + 1, "(");
    if (t.kind == Tok::Word || t.kind == Tok::Quoted) {
      const std::string name = bareName(t);
      if (name.rfind("pg_", 0) == 0 || name == "information_schema")
        return void(refuse("不允许读取数据库内部信息 (" + name + ")"));
      if (call && isForbiddenFunction(name)) return void(refuse("不允许调用函数 " + name));
      if (!call && name.rfind("qk_", 0) == 0) return void(refuse("不允许访问服务器内部表"));
    }
    if (t.kind != Tok::Word) return;
    if (isWord(t, "returning")) return void(refuse("不允许使用 RETURNING"));
    if (isWord(t, "into")) {
      const bool ofInsert =
          k > 0 && (wordAt(k - 1, "insert") || wordAt(k - 1, "ignore") || wordAt(k - 1, "replace"));
      if (!ofInsert) {
        if (!at(k + 1) || at(k + 1)->kind != Tok::TempName)
          return void(refuse("SELECT INTO 只能写入临时表 (##名称)"));
        return;
      }
      std::size_t m = k + 1;
      bool temp = false;
      insertTable_ = nameAt(m, temp);
      insertTemp_ = temp;
      addWrite(WriteKind::Insert, insertTable_, temp);
      return;
    }
    if (isWord(t, "update")) {
      // FOR UPDATE / FOR NO KEY UPDATE lock rows; they write nothing.
      if (k > 0 && (wordAt(k - 1, "for") || wordAt(k - 1, "key") || wordAt(k - 1, "on"))) return;
      if (k > 0 && wordAt(k - 1, "do")) {  // ON CONFLICT DO UPDATE SET …
        if (wordAt(k + 1, "set")) setList(k + 2, insertTable_, insertTemp_);
        return;
      }
      std::size_t m = k + 1;
      bool temp = false;
      const std::string table = nameAt(m, temp);
      if (table.empty()) return void(refuse("无法识别 UPDATE 的表名"));
      while (m < sig_.size() && !wordAt(m, "set")) ++m;  // past an alias
      if (m == sig_.size()) return;
      setList(m + 1, table, temp);
      return;
    }
    if (isWord(t, "delete") && wordAt(k + 1, "from")) {
      std::size_t m = k + 2;
      bool temp = false;
      const std::string table = nameAt(m, temp);
      if (table.empty()) return void(refuse("无法识别 DELETE 的表名"));
      addWrite(WriteKind::Delete, table, temp);
    }
  }

  std::vector<Token> toks_;
  std::vector<const Token*> sig_;
  ClientStatementCheck check_;
  std::string insertTable_;
  bool insertTemp_ = false;
};

}  // namespace

ClientStatementCheck checkClientStatement(std::string_view sql) {
  return ClientStatementJudge(sql).judge();
}

}  // namespace qk::db

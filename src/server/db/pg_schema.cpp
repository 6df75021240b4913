#include "server/db/pg_schema.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

namespace qk::db {

// The translator's parts live apart from the other files' helpers of this library (they share
// unity batches).
namespace pgddl {
namespace {

enum class TokKind { Blank, Word, Quoted, Punct };

struct Tok {
  TokKind kind;
  std::string_view text;
};

using Toks = std::vector<Tok>;

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool isWord(const Tok& t, std::string_view upperWord) {
  return t.kind == TokKind::Word && upper(t.text) == upperWord;
}

Toks lexDdl(std::string_view s) {
  Toks out;
  std::size_t i = 0;
  auto push = [&](TokKind k, std::size_t n) {
    out.push_back({k, s.substr(i, n)});
    i += n;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      push(TokKind::Blank, j - i);
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      const auto end = s.find('\n', i);
      push(TokKind::Blank, (end == std::string_view::npos ? s.size() : end + 1) - i);
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const auto end = s.find("*/", i + 2);
      push(TokKind::Blank, (end == std::string_view::npos ? s.size() : end + 2) - i);
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      while (j < s.size()) {
        if (s[j] == close) {
          if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
            j += 2;  // a doubled quote stays inside
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      push(TokKind::Quoted, j - i);
    } else if (isWordChar(c)) {
      std::size_t j = i;
      while (j < s.size() && isWordChar(s[j])) ++j;
      push(TokKind::Word, j - i);
    } else {
      static constexpr std::string_view kPairs[] = {"||", "==", "!=", "<>", "<=", ">="};
      const auto two = s.substr(i, 2);
      const bool pair = std::find(std::begin(kPairs), std::end(kPairs), two) != std::end(kPairs);
      push(TokKind::Punct, pair ? 2 : 1);
    }
  }
  return out;
}

// The next token from i on that is not blank, or end.
std::size_t nextSig(const Toks& t, std::size_t i, std::size_t end) {
  while (i < end && t[i].kind == TokKind::Blank) ++i;
  return i;
}

bool isPunct(const Toks& t, std::size_t i, std::string_view p) {
  return i < t.size() && t[i].kind == TokKind::Punct && t[i].text == p;
}

// The ")" closing the "(" at open (or end when unbalanced).
std::size_t closingParen(const Toks& t, std::size_t open, std::size_t end) {
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")") && --depth == 0) return i;
  }
  return end;
}

// Positions of the commas at the top level of [from, to).
std::vector<std::size_t> topLevelCommas(const Toks& t, std::size_t from, std::size_t to) {
  std::vector<std::size_t> out;
  int depth = 0;
  for (std::size_t i = from; i < to; ++i) {
    if (isPunct(t, i, "(")) ++depth;
    if (isPunct(t, i, ")")) --depth;
    if (depth == 0 && isPunct(t, i, ",")) out.push_back(i);
  }
  return out;
}

// ---- types ---------------------------------------------------------------------------------

struct PgColumnType {
  std::string type;
  bool text = false;
};

// The PostgreSQL type of a SQLite declared type (its first word, upper case).
PgColumnType pgTypeFor(const std::string& word, bool nocase) {
  static const std::map<std::string, std::string> kTypes{
      {"", "text"},
      {"VARCHAR", "text"},
      {"NVARCHAR", "text"},
      {"CHAR", "text"},
      {"NCHAR", "text"},
      {"CHARACTER", "text"},
      {"TEXT", "text"},
      {"NTEXT", "text"},
      {"CLOB", "text"},
      {"INTEGER", "bigint"},
      {"INT", "bigint"},
      {"BIGINT", "bigint"},
      {"SMALLINT", "bigint"},
      {"TINYINT", "bigint"},
      {"BOOLEAN", "smallint"},
      {"BOOL", "smallint"},
      {"BIT", "smallint"},
      {"DECIMAL", "double precision"},
      {"NUMERIC", "double precision"},
      {"REAL", "double precision"},
      {"FLOAT", "double precision"},
      {"DOUBLE", "double precision"},
      {"MONEY", "double precision"},
      {"DATETIME", "text"},
      {"DATE", "text"},
      {"TIME", "text"},
      {"TIMESTAMP", "text"},
      {"BLOB", "bytea"},
      {"IMAGE", "bytea"},
      {"VARBINARY", "bytea"},
  };
  const auto it = kTypes.find(word);
  if (it == kTypes.end()) throw std::invalid_argument("no PostgreSQL type for SQLite type " + word);
  const bool text = it->second == "text" && !word.empty() &&
                    word.find("DATE") == std::string::npos &&
                    word.find("TIME") == std::string::npos;
  // A sized text column is compared with NOCASE keys even when declared without NOCASE (SQLite
  // takes the left column's collation; PostgreSQL compares citext with text as text).
  const bool citext = text && (nocase || word != "TEXT");
  return {citext ? "citext" : it->second, text};
}

// ---- rendering -----------------------------------------------------------------------------

class Renderer {
 public:
  explicit Renderer(const Toks& t) : t_(t) {}

  // [from, to) with the expression spellings PostgreSQL lacks rewritten.
  std::string range(std::size_t from, std::size_t to) const {
    std::string out;
    for (std::size_t i = from; i < to;) i = one(i, to, out);
    return out;
  }

 private:
  // Renders the token at i (with what belongs to it) into out; returns the next position.
  std::size_t one(std::size_t i, std::size_t to, std::string& out) const {
    const Tok& tok = t_[i];
    if (tok.kind == TokKind::Punct && tok.text == "==") {
      out += "=";
      return i + 1;
    }
    if (tok.kind == TokKind::Punct && tok.text == "(") return subquery(i, to, out);
    if (tok.kind != TokKind::Word) {
      out += tok.text;
      return i + 1;
    }
    const std::string w = upper(tok.text);
    const std::size_t n = nextSig(t_, i + 1, to);
    const bool call = isPunct(t_, n, "(") && n < to;
    if (w == "COLLATE" && n < to && t_[n].kind == TokKind::Word) {
      if (!out.empty() && out.back() == ' ') out.pop_back();
      return n + 1;
    }
    if (w == "WITHOUT" && n < to && isWord(t_[n], "ROWID")) return n + 1;
    // The schema names the main database where SQLite needs it; PostgreSQL's is the search path.
    if (w == "MAIN" && isPunct(t_, i + 1, ".") && (i == 0 || !isPunct(t_, i - 1, ".")))
      return i + 2;
    if (w == "IS") return isOperator(i, n, to, out);
    if (call && w == "CAST") return cast(n, to, out);
    if (call && (w == "ROUND" || w == "MAX" || w == "MIN")) {
      const std::size_t close = closingParen(t_, n, to);
      const auto commas = topLevelCommas(t_, n + 1, close);
      if (w == "ROUND" && commas.empty()) {
        out += std::string(tok.text) + "(" + range(n + 1, close) + ", 0)";
        return close + 1;
      }
      if (w != "ROUND" && !commas.empty()) {
        // SQLite's scalar max()/min() of several values.
        out += (w == "MAX" ? "greatest(" : "least(") + range(n + 1, close) + ")";
        return close + 1;
      }
    }
    out += tok.text;
    return i + 1;
  }

  // PostgreSQL 15 wants a name for every subquery in FROM; SQLite lets it go without.
  std::size_t subquery(std::size_t open, std::size_t to, std::string& out) const {
    const std::size_t close = closingParen(t_, open, to);
    std::size_t before = open;
    while (before > 0 && t_[before - 1].kind == TokKind::Blank) --before;
    const bool inFrom =
        before > 0 && (isWord(t_[before - 1], "FROM") || isWord(t_[before - 1], "JOIN"));
    const std::size_t inner = nextSig(t_, open + 1, close);
    if (!inFrom || inner >= close || !isWord(t_[inner], "SELECT")) {
      out += "(";
      return open + 1;
    }
    out += "(" + range(open + 1, close) + ")";
    const std::size_t after = nextSig(t_, close + 1, to);
    static const std::vector<std::string> kFollowers{
        "WHERE", "GROUP",  "ORDER",  "JOIN",      "LEFT",  "INNER",   "CROSS", "ON",  "UNION",
        "LIMIT", "HAVING", "EXCEPT", "INTERSECT", "OUTER", "NATURAL", "RIGHT", "FULL"};
    const bool named =
        after < to &&
        (t_[after].kind == TokKind::Quoted ||
         (t_[after].kind == TokKind::Word && std::find(kFollowers.begin(), kFollowers.end(),
                                                       upper(t_[after].text)) == kFollowers.end()));
    if (!named) out += " AS qk_sub" + std::to_string(++subqueries_);
    return close + 1;
  }

  // SQLite's "a IS b" / "a IS NOT b" compare any two values; PostgreSQL says DISTINCT FROM.
  std::size_t isOperator(std::size_t i, std::size_t n, std::size_t to, std::string& out) const {
    static const std::vector<std::string> kPostfix{"NULL", "TRUE", "FALSE", "UNKNOWN", "DISTINCT"};
    auto postfix = [&](std::size_t k) {
      return k < to && t_[k].kind == TokKind::Word &&
             std::find(kPostfix.begin(), kPostfix.end(), upper(t_[k].text)) != kPostfix.end();
    };
    if (n < to && isWord(t_[n], "NOT")) {
      const std::size_t k = nextSig(t_, n + 1, to);
      if (postfix(k)) {
        out += t_[i].text;
        return i + 1;
      }
      out += "IS DISTINCT FROM";
      return n + 1;
    }
    if (postfix(n)) {
      out += t_[i].text;
      return i + 1;
    }
    out += "IS NOT DISTINCT FROM";
    return i + 1;
  }

  // CAST(x AS type) with the type as the PostgreSQL schema stores it; a text cast to BLOB keeps
  // its bytes (a cast of a literal to bytea would read backslashes as escapes).
  std::size_t cast(std::size_t open, std::size_t to, std::string& out) const {
    const std::size_t close = closingParen(t_, open, to);
    std::size_t as = close;
    int depth = 0;
    for (std::size_t k = open + 1; k < close; ++k) {
      if (isPunct(t_, k, "(")) ++depth;
      if (isPunct(t_, k, ")")) --depth;
      if (depth == 0 && isWord(t_[k], "AS")) as = k;
    }
    if (as == close) throw std::invalid_argument("CAST without AS");
    const std::size_t typeAt = nextSig(t_, as + 1, close);
    const std::string typeWord = typeAt < close ? upper(t_[typeAt].text) : "";
    std::string expr = range(open + 1, as);
    while (!expr.empty() && std::isspace(static_cast<unsigned char>(expr.back()))) expr.pop_back();
    if (typeWord == "BLOB") {
      out += "convert_to(" + expr + ", 'UTF8')";
    } else {
      out += "CAST(" + expr + " AS " + pgTypeFor(typeWord, false).type + ")";
    }
    return close + 1;
  }

  const Toks& t_;
  mutable int subqueries_ = 0;
};

// ---- statements ----------------------------------------------------------------------------

struct Statement {
  std::size_t from;  // first token (leading blanks included)
  std::size_t to;    // one past the last token before the ";" (or the end)
  bool terminated;
};

// The statements of a script; a trigger's body runs to its END, past the ";" inside it.
std::vector<Statement> splitStatements(const Toks& t) {
  std::vector<Statement> out;
  std::size_t start = 0;
  int depth = 0;
  bool trigger = false;
  std::vector<std::string> head;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind == TokKind::Word) {
      const std::string w = upper(t[i].text);
      if (head.size() < 3) {
        head.push_back(w);
        trigger = head.size() >= 2 && head[0] == "CREATE" &&
                  (head[1] == "TRIGGER" ||
                   (head.size() == 3 && (head[1] == "TEMP" || head[1] == "TEMPORARY") &&
                    head[2] == "TRIGGER"));
      }
      if (trigger && (w == "BEGIN" || (depth > 0 && w == "CASE"))) ++depth;
      if (trigger && depth > 0 && w == "END") --depth;
    }
    if (isPunct(t, i, ";") && depth == 0) {
      out.push_back({start, i, true});
      start = i + 1;
      head.clear();
      trigger = false;
    }
  }
  if (start < t.size()) out.push_back({start, t.size(), false});
  return out;
}

class Translator {
 public:
  explicit Translator(const Toks& t) : t_(t), r_(t) {}

  std::string statement(const Statement& s, bool& isTrigger) {
    const std::size_t a = nextSig(t_, s.from, s.to);
    isTrigger = false;
    if (a >= s.to) return r_.range(s.from, s.to);
    std::vector<std::size_t> sig;
    for (std::size_t k = a; k < s.to && sig.size() < 6; k = nextSig(t_, k + 1, s.to))
      sig.push_back(k);
    auto word = [&](std::size_t n) {
      return n < sig.size() && t_[sig[n]].kind == TokKind::Word ? upper(t_[sig[n]].text) : "";
    };
    const std::string lead = r_.range(s.from, a);
    if ((word(0) == "CREATE" &&
         (word(1) == "TRIGGER" ||
          ((word(1) == "TEMP" || word(1) == "TEMPORARY") && word(2) == "TRIGGER"))) ||
        (word(0) == "DROP" && word(1) == "TRIGGER")) {
      isTrigger = true;
      // Comments before a trigger stay; the blank lines between trigger statements go.
      return lead.find_first_not_of(" \t\r\n") == std::string::npos ? std::string() : lead;
    }
    if (word(0) == "CREATE" && (word(1) == "TABLE" || word(2) == "TABLE"))
      return lead + table(a, s.to);
    const std::size_t add = word(3) == "ADD" ? 3 : word(5) == "ADD" ? 5 : 0;  // [main.]table
    if (word(0) == "ALTER" && word(1) == "TABLE" && add > 0) {
      std::size_t col = nextSig(t_, sig[add] + 1, s.to);
      if (isWord(t_[col], "COLUMN")) col = nextSig(t_, col + 1, s.to);
      const std::string tableName(t_[sig[add - 1]].text);
      return lead + r_.range(a, sig[add]) + "ADD COLUMN " + column(tableName, col, s.to);
    }
    if (word(0) == "INSERT" && word(1) == "OR") {
      if (word(2) != "IGNORE")
        throw std::invalid_argument("no PostgreSQL form of INSERT OR " + word(2));
      return lead + "INSERT" + r_.range(sig[2] + 1, s.to) + " ON CONFLICT DO NOTHING";
    }
    return r_.range(s.from, s.to);
  }

  // Identity columns made by the tables so far: each gets the trigger that keeps its sequence
  // past the values rows arrive with.
  std::vector<std::pair<std::string, std::string>> identities;

 private:
  std::string table(std::size_t a, std::size_t to) {
    const std::size_t open = [&] {
      for (std::size_t k = a; k < to; ++k)
        if (isPunct(t_, k, "(") || isWord(t_[k], "AS")) return k;
      return to;
    }();
    if (open >= to || !isPunct(t_, open, "(")) return r_.range(a, to);  // CREATE TABLE … AS
    std::size_t nameAt = open;
    do --nameAt;
    while (t_[nameAt].kind == TokKind::Blank);
    std::string name(t_[nameAt].text);
    if (t_[nameAt].kind == TokKind::Quoted) name = name.substr(1, name.size() - 2);
    const std::size_t close = closingParen(t_, open, to);
    std::string out = r_.range(a, open + 1);
    std::size_t itemStart = open + 1;
    auto commas = topLevelCommas(t_, open + 1, close);
    commas.push_back(close);
    for (std::size_t comma : commas) {
      const std::size_t first = nextSig(t_, itemStart, comma);
      static const std::vector<std::string> kConstraints{"PRIMARY", "UNIQUE", "CHECK", "CONSTRAINT",
                                                         "FOREIGN"};
      const bool constraint = first < comma && t_[first].kind == TokKind::Word &&
                              std::find(kConstraints.begin(), kConstraints.end(),
                                        upper(t_[first].text)) != kConstraints.end();
      out += r_.range(itemStart, first);
      out += constraint ? r_.range(first, comma) : column(name, first, comma);
      if (comma < close) out += ",";
      itemStart = comma + 1;
    }
    return out + r_.range(close, to);
  }

  // One column definition [from, to) of table.
  std::string column(const std::string& table, std::size_t from, std::size_t to) {
    std::size_t last = to;  // one past the last significant token: trailing comments stay last
    while (last > from && t_[last - 1].kind == TokKind::Blank) --last;
    std::string name(t_[from].text);
    if (t_[from].kind == TokKind::Quoted) name = name.substr(1, name.size() - 2);
    static const std::vector<std::string> kStops{"PRIMARY",    "NOT",       "NULL",  "DEFAULT",
                                                 "COLLATE",    "UNIQUE",    "CHECK", "REFERENCES",
                                                 "CONSTRAINT", "GENERATED", "AS"};
    std::size_t k = nextSig(t_, from + 1, last);
    std::string typeWord;
    int size = 0;
    while (k < last && t_[k].kind == TokKind::Word &&
           std::find(kStops.begin(), kStops.end(), upper(t_[k].text)) == kStops.end()) {
      if (typeWord.empty()) typeWord = upper(t_[k].text);
      k = nextSig(t_, k + 1, last);
    }
    if (isPunct(t_, k, "(")) {
      const std::size_t close = closingParen(t_, k, last);
      const std::size_t n = nextSig(t_, k + 1, close);
      if (n < close) size = std::atoi(std::string(t_[n].text).c_str());
      k = nextSig(t_, close + 1, last);
    }
    bool nocase = false, primary = false;
    for (std::size_t j = k; j < last; ++j) {
      if (isWord(t_[j], "COLLATE")) {
        const std::size_t n = nextSig(t_, j + 1, last);
        nocase = nocase || (n < last && isWord(t_[n], "NOCASE"));
      }
      if (isWord(t_[j], "PRIMARY")) primary = true;
    }
    // AUTOINCREMENT goes: an identity never gives a number twice anyway.
    std::string rest;
    for (std::size_t j = k, piece = k; j <= last; ++j) {
      if (j == last || isWord(t_[j], "AUTOINCREMENT")) {
        rest += r_.range(piece, j);
        piece = j + 1;
      }
    }
    const PgColumnType type = pgTypeFor(typeWord, nocase);
    std::string out = std::string(t_[from].text) + " " + type.type;
    if (typeWord == "INTEGER" && primary) {
      out += " GENERATED BY DEFAULT AS IDENTITY";
      identities.emplace_back(table, name);
    }
    rest.erase(0, rest.find_first_not_of(' '));
    if (!rest.empty()) out += " " + rest;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (type.text && size > 0)
      out += " CHECK (qk_text_fits(" + std::string(t_[from].text) + ", " + std::to_string(size) +
             ", '" + table + "', '" + name + "'))";
    return out + r_.range(last, to);
  }

  const Toks& t_;
  Renderer r_;
};

}  // namespace
}  // namespace pgddl

std::string toPostgresDdl(std::string_view sqliteScript) {
  const pgddl::Toks toks = pgddl::lexDdl(sqliteScript);
  pgddl::Translator tr(toks);
  std::string out;
  bool marked = false;
  for (const pgddl::Statement& s : pgddl::splitStatements(toks)) {
    bool trigger = false;
    std::string text = tr.statement(s, trigger);
    out += text;
    if (trigger) {
      if (!marked) out += std::string("\n") + std::string(kTwinMarker);
      marked = true;
      continue;
    }
    if (s.terminated) out += ";";
    for (const auto& [table, column] : tr.identities)
      out += "\nCREATE TRIGGER qk_identity_" + table + " BEFORE INSERT ON " + table +
             " FOR EACH ROW EXECUTE FUNCTION qk_identity_follow('" + column + "');";
    tr.identities.clear();
  }
  return out;
}

std::vector<PgSchemaFile> postgresMigrations(const std::vector<SchemaSource>& sqliteFiles,
                                             const std::vector<SchemaSource>& twins) {
  std::map<std::string, PgSchemaFile> byName;
  for (const auto& f : sqliteFiles)
    byName[std::string(f.name)] = {std::string(f.name), toPostgresDdl(f.text)};
  for (const auto& twin : twins) {
    auto& file = byName[std::string(twin.name)];
    file.name = twin.name;
    const auto at = file.text.find(kTwinMarker);
    if (at == std::string::npos)
      file.text += "\n" + std::string(twin.text);
    else
      file.text.replace(at, kTwinMarker.size(), std::string(twin.text) + "\n");
  }
  std::vector<PgSchemaFile> out;
  for (auto& [name, file] : byName) out.push_back(std::move(file));
  return out;
}

}  // namespace qk::db

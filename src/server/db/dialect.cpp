#include "server/db/dialect.h"

#include <algorithm>
#include <cctype>

namespace qk::db {

namespace {

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Length of the quoted token or comment starting at i, or 0 when none starts there.
std::size_t skipOpaque(std::string_view s, std::size_t i) {
  const char c = s[i];
  auto until = [&](char close) {
    std::size_t j = i + 1;
    while (j < s.size()) {
      if (s[j] == close) {
        if (j + 1 < s.size() && s[j + 1] == close && close != ']') {
          j += 2;  // doubled quote inside the literal
          continue;
        }
        return j + 1 - i;
      }
      ++j;
    }
    return s.size() - i;  // unterminated: the database reports it
  };
  if (c == '\'' || c == '"' || c == '`') return until(c);
  if (c == '[') return until(']');
  if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
    auto end = s.find('\n', i);
    return (end == std::string_view::npos ? s.size() : end + 1) - i;
  }
  if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
    auto end = s.find("*/", i + 2);
    return (end == std::string_view::npos ? s.size() : end + 2) - i;
  }
  return 0;
}

}  // namespace

std::string translateClientSql(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 16);
  std::size_t i = 0;
  while (i < sql.size()) {
    if (std::size_t n = skipOpaque(sql, i)) {
      out.append(sql.substr(i, n));
      i += n;
      continue;
    }
    if (sql[i] == '#' && i + 2 < sql.size() && sql[i + 1] == '#' && isNameChar(sql[i + 2]) &&
        (i == 0 || !isNameChar(sql[i - 1]))) {
      std::size_t j = i + 2;
      while (j < sql.size() && isNameChar(sql[j])) ++j;
      out += "temp.\"";
      out.append(sql.substr(i, j - i));
      out += '"';
      i = j;
      continue;
    }
    if (isNameChar(sql[i]) && (i == 0 || !isNameChar(sql[i - 1]))) {
      std::size_t j = i;
      while (j < sql.size() && isNameChar(sql[j])) ++j;
      const std::string_view word = sql.substr(i, j - i);
      std::size_t k = j;
      while (k < sql.size() && (sql[k] == ' ' || sql[k] == '\t')) ++k;
      // isnull(a, b) is a function in the client's dialect but an operator keyword in SQLite.
      if (k < sql.size() && sql[k] == '(' && word.size() == 6 &&
          std::equal(word.begin(), word.end(), "isnull",
                     [](char a, char b) { return (a | 0x20) == b; })) {
        out += "ifnull";
      } else {
        out.append(word);
      }
      i = j;
      continue;
    }
    out += sql[i++];
  }
  return out;
}

namespace {

// Past blanks, semicolons and comments from i on.
std::size_t skipBlanks(std::string_view sql, std::size_t i) {
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';')
      ++i;
    else if ((c == '-' || c == '/') && skipOpaque(sql, i) > 0)
      i += skipOpaque(sql, i);
    else
      break;
  }
  return i;
}

}  // namespace

std::string leadingKeyword(std::string_view sql) {
  std::string word;
  for (std::size_t i = skipBlanks(sql, 0); i < sql.size() && isNameChar(sql[i]); ++i)
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i])));
  return word;
}

bool isBlankSql(std::string_view sql) {
  return skipBlanks(sql, 0) == sql.size();
}

}  // namespace qk::db

// Rewrites the client's SQL dialect into SQLite's where the two differ in ways the stored SQL
// texts rely on. Token-aware: string literals, quoted names and comments are never touched.
#pragma once

#include <string>
#include <string_view>

namespace qk::db {

// "##name" (a global temporary table on the original server) becomes a table of the temp
// schema, so each session's connection has its own and two clients never mix their rows.
std::string translateClientSql(std::string_view sql);

// The statement's first word in lower case, past blanks and comments ("vacuum", "select", …).
std::string leadingKeyword(std::string_view sql);

// True when nothing but blanks, semicolons and comments remain in the text.
bool isBlankSql(std::string_view sql);

}  // namespace qk::db

// Rewrites the SQL texts written for SQLite (the server's and the clients') into PostgreSQL's
// dialect, and judges a client's statement before PostgreSQL sees it. Token-aware: string
// literals (also dollar-quoted ones) and comments are never touched.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/db/connection.h"

namespace qk::db {

struct PgStatement {
  std::string sql;                  // the PostgreSQL text, parameters as $1, $2, …
  std::vector<std::string> params;  // the name of $1, $2, … as first written (":name" → "name")
  std::string insertTable;   // the table an INSERT statement writes, as written; empty otherwise
  bool replaceRows = false;  // INSERT OR REPLACE: the connection adds ON CONFLICT (key) DO UPDATE
  bool returning = false;    // the statement has a RETURNING clause of its own
  std::size_t clauseAt = 0;  // where a clause can be added at the statement's end in `sql`
};

// One statement: ":name" parameters become "$n" (one number per name, case-insensitive);
// "##name" becomes the session's temporary table pg_temp."##name" (quoted, so it can never
// shadow a table of the schema); "temp." becomes "pg_temp.", "main." goes; INSERT OR IGNORE
// becomes ON CONFLICT DO NOTHING (INSERT OR REPLACE needs the table's key: see replaceRows);
// isnull()/ifnull() become coalesce(); COLLATE NOCASE goes (the text columns compare without case
// already); quoted names are folded to lower case, as the schema's names were created unquoted.
PgStatement translateForPostgres(std::string_view sql);

// The names given with AS in the statement ("qty AS TotalQty"), by lower-case name, as written:
// PostgreSQL reports result columns in lower case, SQLite as the statement spells them.
std::map<std::string, std::string> aliasSpellings(std::string_view sql);

// A session table the server creates ("create temp table ##name (…)"): its name as written,
// with the "##", and each column's name and declared type as written ("DECIMAL(18,4)").
struct SessionTableDefinition {
  std::string name;  // empty when the statement creates no session table
  std::vector<std::pair<std::string, std::string>> columns;
};
SessionTableDefinition sessionTableDefinition(std::string_view sql);

// The statement with the types of the SQLite schema as PostgreSQL's schema stores them:
// DECIMAL(p,s) becomes DOUBLE PRECISION, DATETIME TEXT, NVARCHAR VARCHAR.
std::string withPostgresColumnTypes(std::string_view sql);

// The statements of a script, each with its trailing semicolon removed; blank ones left out.
std::vector<std::string> splitPostgresScript(std::string_view sql);

// A write a client statement makes, found in its text (CTEs included).
struct ClientWrite {
  WriteKind kind = WriteKind::Insert;
  std::string table;   // as written, without a schema
  std::string column;  // for an update: the column it sets
};

struct ClientStatementCheck {
  bool blank = false;               // nothing but blanks and comments
  std::string refusal;              // why the statement is refused; empty when it may run
  std::vector<ClientWrite> writes;  // writes to tables other than the session's temporary ones
  std::string createdTable;         // the table a CREATE TABLE names, as written
};

// What the guard decides from the text alone: exactly one statement; a query or a write of
// rows, or creating/dropping a "##" temporary table; no transaction or session statements, no
// COPY/DO/CALL, no RETURNING, no names of the engine's catalogs or the server's own tables, no
// functions that reach the server or its settings; and never a change of a password.
ClientStatementCheck checkClientStatement(std::string_view sql);

}  // namespace qk::db

// The PostgreSQL form of the schema migrations. The SQLite files stay the one source: their
// tables, views, indexes and seed rows are translated here; what cannot be translated (the
// triggers) is written by hand as a twin file of the same name under src/server/schema/pg/.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qk::db {

// Translates a SQLite migration script into PostgreSQL statements: declared types as the
// PostgreSQL schema stores them (text with NOCASE → citext with its size checked, DECIMAL and
// FLOAT → double precision, BOOLEAN → smallint, DATETIME → text, INTEGER PRIMARY KEY → identity),
// INSERT OR IGNORE, WITHOUT ROWID, CAST … AS BLOB and the SQLite-only spellings of expressions.
// Token-aware: string literals, quoted names and comments are copied as they stand.
// CREATE TRIGGER and DROP TRIGGER statements are left out; the text `kTwinMarker` stands where
// the first of them was, so the hand-written twin can be put in its place.
std::string toPostgresDdl(std::string_view sqliteScript);

// Where a script's first trigger statement was (a comment line, so the text runs without a twin).
inline constexpr std::string_view kTwinMarker = "-- qk:pg-twin\n";

struct PgSchemaFile {
  std::string name;
  std::string text;
};

struct SchemaSource {
  std::string_view name;
  std::string_view text;
};

// The migrations to apply on PostgreSQL, in name order: each SQLite file translated with its twin
// put where its triggers were (at the end when it has none), and twins without a SQLite file
// (the compatibility functions) as they stand.
std::vector<PgSchemaFile> postgresMigrations(const std::vector<SchemaSource>& sqliteFiles,
                                             const std::vector<SchemaSource>& twins);

}  // namespace qk::db

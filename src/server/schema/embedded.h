// The schema migrations compiled into the server (generated from src/server/schema/*.sql).
#pragma once

#include <string_view>
#include <vector>

namespace qk::server {

struct EmbeddedFile {
  std::string_view name;  // e.g. "0001_tables.sql"; the number orders the migrations
  std::string_view text;
};

const std::vector<EmbeddedFile>& schemaFiles();
// The hand-written PostgreSQL parts (src/server/schema/pg/*.sql), same names as their SQLite files.
const std::vector<EmbeddedFile>& postgresTwinFiles();
// The migrations as PostgreSQL applies them: the SQLite files translated, with their parts.
const std::vector<EmbeddedFile>& postgresSchemaFiles();

}  // namespace qk::server

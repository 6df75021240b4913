// PostgreSQL behind the Connection interface (libpq). Texts written for SQLite run through the
// runtime translation of pg_translate.h; names, columns and declared types come from the schema
// model, so callers see the schema's spelling exactly as on SQLite.
#pragma once

#include <memory>
#include <string>

#include "server/db/connection.h"
#include "server/db/schema_model.h"

namespace qk::db {

// Connects to the database named by the libpq URL (the password, if any, from libpq's password
// file or environment). The model must be the one of the migrations the database was made with.
std::unique_ptr<Connection> openPostgres(const std::string& url,
                                         std::shared_ptr<const SchemaModel> model);

// Makes (or brings up to date) the role client statements run under, "qk_client_<database>":
// no login, no CREATE on the schema, no rights on the server's own tables (qk_*), no password
// column of sys_user; and the view qk_client.sys_user that clients read instead of that table,
// with null for the password. Run by the owner after every migration, since tables added later
// have no grants yet. Idempotent.
void preparePostgresDatabase(Connection& owner);

// Whether a libpq URL or connection string carries a password (user:pw@ or password=...).
// Throws std::invalid_argument with libpq's reason for a text it cannot read.
bool postgresUrlHasPassword(const std::string& url);

}  // namespace qk::db

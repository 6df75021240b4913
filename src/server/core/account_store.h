// The account sets ("账套") of a data directory: a SQLite file each, or a small file naming the
// PostgreSQL database that holds the set. Creates them (schema, administrator, optional demo
// data), brings existing ones up to the current schema, and opens connections for sessions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/db/connection.h"
#include "server/db/schema_model.h"

namespace qk::server {

class AccountStore {
 public:
  explicit AccountStore(std::filesystem::path dataDir);

  // The SQLite file of the set. Throws std::invalid_argument with a readable text for a name
  // that cannot be a file name.
  std::filesystem::path fileFor(std::string_view account) const;
  // The file naming the PostgreSQL database of the set (its libpq URL, one line).
  std::filesystem::path postgresFileFor(std::string_view account) const;
  bool exists(std::string_view account) const;
  // Whether the set lives in PostgreSQL; false for a SQLite set and for none.
  bool isPostgres(std::string_view account) const;
  // The libpq URL of a PostgreSQL set; throws std::runtime_error when there is none.
  std::string postgresUrl(std::string_view account) const;
  // Both kinds, sorted by name.
  std::vector<std::string> list() const;
  // A connection to the account set, with its configured statement limits.
  std::unique_ptr<db::Connection> open(std::string_view account) const;

  // Creates the account set with user "admin" holding every right. Leaves nothing behind when
  // it fails half-way.
  void create(std::string_view account, std::string_view adminPassword, bool demo) const;
  // The same in the PostgreSQL database the URL names, which must exist and hold no tables
  // yet. The URL must not carry a password: libpq finds it in its password file or the
  // environment. Only the URL is recorded in the data directory.
  void createPostgres(std::string_view account, const std::string& url,
                      std::string_view adminPassword, bool demo) const;

  // Applies the pending schema migrations of its kind to a connection open() gave.
  void upgrade(std::string_view account, db::Connection& db) const;
  // Applies pending schema migrations to every account set; returns how many sets it checked.
  int migrateAll() const;

  const std::filesystem::path& dataDir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

// The bounds on client statements the account set's settings (sys_config) ask for; the defaults
// where a setting is missing or not a positive whole number. Sessions' connections get them when
// they are opened.
db::StatementLimits configuredLimits(db::Connection& db);

// Applies the migrations compiled into the server that the database has not seen yet, each in
// its own transaction, in file-name order. `upTo` stops after that many of them, which makes an
// account set as an older server left it (for the tests of upgrades).
void migrate(db::Connection& db, std::size_t upTo = SIZE_MAX);
// The same on a PostgreSQL database: the migrations in their PostgreSQL form.
void migratePostgres(db::Connection& db, std::size_t upTo = SIZE_MAX);
// migratePostgres, then the role and grants client statements run under (tables a migration
// added need their grants).
void upgradePostgres(db::Connection& db, std::size_t upTo = SIZE_MAX);

// The schema as the migrations spell it, which PostgreSQL connections answer names from; made
// once per process.
std::shared_ptr<const db::SchemaModel> schemaModel();

inline constexpr const char* kAccountFileSuffix = ".qkdb";
inline constexpr const char* kPostgresFileSuffix = ".qkpg";

}  // namespace qk::server

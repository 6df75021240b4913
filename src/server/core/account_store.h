// The account sets ("账套") of a data directory: one SQLite file each. Creates them (schema,
// administrator, optional demo data), brings existing ones up to the current schema, and opens
// connections for sessions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/db/connection.h"

namespace qk::server {

class AccountStore {
 public:
  explicit AccountStore(std::filesystem::path dataDir);

  // Throws std::invalid_argument with a readable text for a name that cannot be a file name.
  std::filesystem::path fileFor(std::string_view account) const;
  bool exists(std::string_view account) const;
  std::vector<std::string> list() const;
  // A connection to the account set, with its configured statement limits.
  std::unique_ptr<db::Connection> open(std::string_view account) const;

  // Creates the account set with user "admin" holding every right. Leaves nothing behind when
  // it fails half-way.
  void create(std::string_view account, std::string_view adminPassword, bool demo) const;

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

inline constexpr const char* kAccountFileSuffix = ".qkdb";

}  // namespace qk::server

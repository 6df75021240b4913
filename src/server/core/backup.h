// Copies of account sets: taken while clients keep working, checked before they count, and put
// back in place of an account set. It never deletes a file it did not write itself: the account
// set a restore replaces is kept aside under a new name.
#pragma once

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "server/core/account_store.h"

namespace qk::server {

// A copy that cannot be taken, read or put back; what() says why, for the administrator.
class BackupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a copy (or an account set) holds: the schema migrations applied to it.
struct SchemaVersion {
  int applied = 0;   // how many migrations
  std::string last;  // the newest one's file name
};

// Writes a consistent copy of the account set to `out`, which must not exist yet: read from one
// snapshot in steps (savers are not held up), written to a temporary file beside `out`, synced,
// checked with integrity_check, then renamed. Returns the copy's schema version.
SchemaVersion backupAccountSet(const AccountStore& store, std::string_view account,
                               const std::filesystem::path& out);

// Checks a copy (integrity, an account set of this server or an older one) and returns its
// schema version; throws BackupError for anything that could not be restored.
SchemaVersion inspectBackup(const std::filesystem::path& copy);

struct RestoreResult {
  SchemaVersion copy;               // as the copy was written
  SchemaVersion restored;           // after the migrations this server adds
  std::filesystem::path keptAside;  // the account set it replaced; empty when there was none
};

// Puts the copy in place of the account set, upgraded through the migrations. Refuses while a
// server serves the data folder unless `force`; the account set it replaces stays in the folder
// as NAME.before-restore-YYYYMMDD-HHMMSS.
RestoreResult restoreAccountSet(const AccountStore& store, std::string_view account,
                                const std::filesystem::path& copy, bool force);

// Local time as YYYYMMDD-HHMMSS, the stamp in the names of copies and of replaced account sets.
std::string fileStamp(std::chrono::system_clock::time_point when);

// Held by a running server over its data folder (shared: several servers may serve one folder);
// a restore takes it exclusively. Released by the destructor.
class DataDirLock {
 public:
  enum class Mode { Serve, Restore };
  // Throws BackupError when the folder is held in a way that excludes `mode`.
  DataDirLock(const std::filesystem::path& dataDir, Mode mode);
  ~DataDirLock();
  DataDirLock(const DataDirLock&) = delete;
  DataDirLock& operator=(const DataDirLock&) = delete;
  // True when the restore lock could not be had because a server holds the folder.
  bool contended() const { return contended_; }

 private:
  int fd_ = -1;
  bool contended_ = false;
};

}  // namespace qk::server

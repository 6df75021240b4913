#include "server/core/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <thread>

#include "server/schema/embedded.h"

// The engine-specific half of copies. An account set is a SQLite file today, copied with the
// online backup API; a PostgreSQL account set gets its branch in backupAccountSet and
// restoreAccountSet (pg_dump --format=custom and pg_restore), beside the SQLite one.

namespace qk::server {

namespace {

namespace fs = std::filesystem;

struct SqliteClose {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteClose>;

SqliteHandle openFile(const fs::path& file, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
  SqliteHandle db(raw);
  if (rc != SQLITE_OK)
    throw BackupError("无法打开 " + file.string() + ": " +
                      (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(db.get(), 10000);
  return db;
}

void exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw BackupError(text);
  }
}

// The first column of every row of a statement the server writes itself.
std::vector<std::string> column(sqlite3* db, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
    throw BackupError(sqlite3_errmsg(db));
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
  std::vector<std::string> out;
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    const auto* text = sqlite3_column_text(raw, 0);
    out.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
  }
  if (rc != SQLITE_DONE) throw BackupError(sqlite3_errmsg(db));
  return out;
}

void checkIntegrity(sqlite3* db, const fs::path& file) {
  const auto result = column(db, "PRAGMA integrity_check");
  if (result.size() != 1 || result[0] != "ok")
    throw BackupError(file.string() +
                      " 未通过完整性检查: " + (result.empty() ? std::string("无结果") : result[0]));
}

// Refuses a database that is no account set, or one written by a newer server: its tables
// would not be what this server's statements expect.
SchemaVersion versionOf(sqlite3* db, const fs::path& file) {
  if (column(db, "select name from sqlite_master where type = 'table' and name = 'qk_migrations'")
          .empty())
    throw BackupError(file.string() + " 不是 QK 账套或其备份");
  const auto applied = column(db, "select name from main.qk_migrations order by name");
  std::set<std::string_view> known;
  for (const auto& f : schemaFiles()) known.insert(f.name);
  for (const auto& name : applied)
    if (!known.count(name))
      throw BackupError(file.string() + " 来自较新版本的 qk-server（数据库结构 " + name +
                        "），请先升级本程序");
  return {static_cast<int>(applied.size()), applied.empty() ? std::string() : applied.back()};
}

void syncPath(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) throw BackupError("无法打开 " + path.string() + ": " + std::strerror(errno));
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw BackupError("无法写入磁盘 " + path.string() + ": " + std::strerror(err));
}

// Copies the main database of `from` into `to` with the online backup API. The source keeps
// one read transaction for the whole copy, so in WAL mode the copy is one consistent snapshot
// and savers are never blocked; the steps only bound how long each call holds the destination.
void copyDatabase(sqlite3* from, sqlite3* to) {
  exec(from, "BEGIN; SELECT count(*) FROM main.sqlite_master;");
  sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
  if (!backup) {
    const std::string why = sqlite3_errmsg(to);
    exec(from, "ROLLBACK");
    throw BackupError("无法开始复制: " + why);
  }
  int rc;
  do {
    rc = sqlite3_backup_step(backup, 256);
    // The destination is busy only when it is a live account set being restored over.
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
  sqlite3_backup_finish(backup);
  exec(from, "ROLLBACK");
  if (rc != SQLITE_DONE) throw BackupError(std::string("复制失败: ") + sqlite3_errstr(rc));
}

// A file of its own beside `target`, for a copy that becomes `target` only once it is sound.
fs::path temporaryBeside(const fs::path& target) {
  return target.parent_path() /
         ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()));
}

void removeDatabaseFiles(const fs::path& file) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    fs::remove(file.string() + suffix, ec);
}

// Writes a self-contained, checked copy of `source` (an open connection) to `out` via a
// temporary file; nothing is left at `out` unless every step succeeded.
SchemaVersion writeCopy(sqlite3* source, const fs::path& out) {
  const fs::path tmp = temporaryBeside(out);
  removeDatabaseFiles(tmp);
  try {
    SchemaVersion version;
    {
      auto dest = openFile(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      copyDatabase(source, dest.get());
      // One file with no journal beside it, so it can be moved to another disk as it is.
      exec(dest.get(), "PRAGMA journal_mode=DELETE");
      checkIntegrity(dest.get(), out);
      version = versionOf(dest.get(), out);
    }
    syncPath(tmp, O_RDONLY);
    fs::rename(tmp, out);
    syncPath(out.parent_path().empty() ? fs::path(".") : out.parent_path(), O_RDONLY | O_DIRECTORY);
    return version;
  } catch (const fs::filesystem_error& e) {
    removeDatabaseFiles(tmp);
    throw BackupError(std::string("无法写入备份: ") + e.what());
  } catch (...) {
    removeDatabaseFiles(tmp);
    throw;
  }
}

fs::path accountFile(const AccountStore& store, std::string_view account) {
  // A copy of the data directory's pointer file would restore nothing: the database server
  // holds the data, and its own tools copy it consistently.
  if (store.isPostgres(account))
    throw BackupError("账套“" + std::string(account) +
                      "”存放在 PostgreSQL 数据库中，不能由 qk-server 备份或恢复：请用 pg_dump "
                      "备份、pg_restore 恢复该数据库");
  try {
    return store.fileFor(account);
  } catch (const std::invalid_argument& e) {
    throw BackupError(e.what());
  }
}

}  // namespace

std::string fileStamp(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

SchemaVersion backupAccountSet(const AccountStore& store, std::string_view account,
                               const fs::path& out) {
  const fs::path file = accountFile(store, account);
  if (!fs::is_regular_file(file))
    throw BackupError("账套“" + std::string(account) + "”不存在于 " + store.dataDir().string());
  if (fs::exists(out)) throw BackupError(out.string() + " 已存在，不会覆盖");
  // A read-write connection: a read-only one could not join the server's WAL index.
  auto source = openFile(file, SQLITE_OPEN_READWRITE);
  return writeCopy(source.get(), out);
}

SchemaVersion inspectBackup(const fs::path& copy) {
  if (!fs::is_regular_file(copy)) throw BackupError(copy.string() + " 不存在");
  auto db = openFile(copy, SQLITE_OPEN_READONLY);
  checkIntegrity(db.get(), copy);
  return versionOf(db.get(), copy);
}

RestoreResult restoreAccountSet(const AccountStore& store, std::string_view account,
                                const fs::path& copy, bool force) {
  const fs::path file = accountFile(store, account);
  RestoreResult result;
  result.copy = inspectBackup(copy);

  std::error_code ec;
  fs::create_directories(store.dataDir(), ec);  // a copy may be restored into a new folder
  DataDirLock lock(store.dataDir(), DataDirLock::Mode::Restore);
  if (lock.contended() && !force)
    throw BackupError("qk-server 正在使用数据目录 " + store.dataDir().string() +
                      "：请先停止服务，或以 --force 覆盖正在使用的账套");

  // The copy is staged and upgraded beside the account set, so a failure leaves the set as it was.
  const fs::path staged = temporaryBeside(file);
  removeDatabaseFiles(staged);
  try {
    {
      auto from = openFile(copy, SQLITE_OPEN_READONLY);
      auto to = openFile(staged, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      copyDatabase(from.get(), to.get());
    }
    {
      auto db = db::openSqlite(staged, db::OpenMode::Existing);
      migrate(*db);
    }
    auto stagedDb = openFile(staged, SQLITE_OPEN_READWRITE);
    checkIntegrity(stagedDb.get(), staged);
    result.restored = versionOf(stagedDb.get(), staged);

    if (fs::exists(file)) {
      const std::string stem =
          file.stem().string() + ".before-restore-" + fileStamp(std::chrono::system_clock::now());
      fs::path aside = file.parent_path() / stem;
      for (int n = 2; fs::exists(aside); ++n)
        aside = file.parent_path() / (stem + "-" + std::to_string(n));
      // Copied through the database, not moved: a server may hold the file open (--force), and
      // its journal belongs to it.
      auto live = openFile(file, SQLITE_OPEN_READWRITE);
      writeCopy(live.get(), aside);
      copyDatabase(stagedDb.get(), live.get());
      result.keptAside = aside;
    } else {
      auto fresh = openFile(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      copyDatabase(stagedDb.get(), fresh.get());
      exec(fresh.get(), "PRAGMA journal_mode=WAL");
    }
  } catch (const fs::filesystem_error& e) {
    removeDatabaseFiles(staged);
    throw BackupError(e.what());
  } catch (const db::DbError& e) {
    removeDatabaseFiles(staged);
    throw BackupError(e.what());
  } catch (...) {
    removeDatabaseFiles(staged);
    throw;
  }
  removeDatabaseFiles(staged);
  return result;
}

DataDirLock::DataDirLock(const fs::path& dataDir, Mode mode) {
  const fs::path file = dataDir / ".qk-server.lock";
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) throw BackupError("无法打开 " + file.string() + ": " + std::strerror(errno));
  if (::flock(fd_, (mode == Mode::Serve ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) return;
  const int err = errno;
  if (err == EWOULDBLOCK && mode == Mode::Restore) {
    contended_ = true;
    return;
  }
  ::close(fd_);
  fd_ = -1;
  if (err == EWOULDBLOCK)
    throw BackupError("数据目录 " + dataDir.string() + " 正在恢复账套，请稍后再启动");
  throw BackupError("无法锁定 " + file.string() + ": " + std::strerror(err));
}

DataDirLock::~DataDirLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace qk::server

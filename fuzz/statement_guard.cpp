// Statements as a client sends them to /api/open, run the way the server runs them against a
// real account set (every migration, the administrator, the seeded rows). A statement may be
// refused or fail; it must never crash the server, answer with an internal fault, show the
// database's path, leave a file beside the database or in the working directory, change the
// main schema or touch the migration records.
//
// An input holds up to four statements separated by NUL bytes, run in order on one connection,
// so that a temporary object made by one can be used by the next. Every input starts from the
// account set as created, so a finding replays on its own.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "protocol/wire.h"
#include "server/core/account_store.h"
#include "server/core/data_requests.h"
#include "server/core/rights.h"
#include "server/db/connection.h"
#include "server/procedures/registry.h"

namespace fs = std::filesystem;

namespace {

using namespace qk;
using fuzz::fail;

constexpr const char* kAccount = "fuzz";
constexpr std::size_t kMaxStatements = 4;

const protocol::Params kParams{{"p1", std::string("A")},
                               {"p2", std::int64_t{2}},
                               {"@TotalCount", std::int64_t{0}},
                               {"@TotalPageCount", std::int64_t{0}}};

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The rows of a server query as one text, to compare before and after a statement.
std::string snapshot(db::Connection& db, std::string_view sql) {
  std::string out;
  for (const auto& row : db.query(sql).rows) {
    for (const auto& v : row) out += protocol::toDisplayText(v) + '\x1f';
    out += '\n';
  }
  return out;
}

std::set<fs::path> entriesOf(const fs::path& dir) {
  std::set<fs::path> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

struct AccountSet {
  fs::path dir;
  fs::path file;
  std::string pristine;  // the database file as created
  std::set<fs::path> allowedFiles;
  // A relative file name in a statement would land in the working directory.
  fs::path workDir = fs::current_path();
  std::set<fs::path> workDirEntries = entriesOf(workDir);
  std::string schema;
  std::string migrations;
  std::unique_ptr<db::Connection> db;
  // The administrator's rights: every table his screens write is open to the input.
  std::unique_ptr<server::Rights> rights;
  std::string baseline;  // changes counted and temporary objects right after opening
  bool dirty = true;

  AccountSet() {
    // Shared memory keeps the restored copies and the synchronous writes off the disk.
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "qk-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) fail("cannot make a temporary directory", pattern);
    dir = pattern;
    server::AccountStore store(dir);
    store.create(kAccount, "fuzz-admin", false);
    file = store.fileFor(kAccount);
    pristine = readFile(file);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      allowedFiles.insert(file.filename().string() + suffix);
    restore();
    schema = snapshot(*db, kSchemaSql);
    migrations = snapshot(*db, kMigrationsSql);
  }

  ~AccountSet() {
    rights.reset();
    db.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // Back to the account set as created. Opening is slow (the schema is parsed again), so it is
  // done only after an input that wrote something or left a temporary object behind.
  void restore() {
    rights.reset();
    db.reset();
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(file.string() + suffix);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << pristine;
    db = server::AccountStore(dir).open(kAccount);
    // Well inside the fuzzer's per-input timeout, so a slow statement is stopped, not reported.
    db->setLimits({.maxRows = 200000,
                   .maxBytes = std::int64_t{64} << 20,
                   .timeLimit = std::chrono::seconds(2)});
    rights = std::make_unique<server::Rights>(*db, "admin");
    baseline = state();
    dirty = false;
  }

  void check(std::string_view sql) {
    for (const auto& name : entriesOf(dir))
      if (!allowedFiles.contains(name))
        fail("a client statement made a file beside the database: " + name.string(), sql);
    for (const auto& name : entriesOf(workDir))
      if (!workDirEntries.contains(name))
        fail("a client statement made a file in the working directory: " + name.string(), sql);
    if (snapshot(*db, kMigrationsSql) != migrations)
      fail("a client statement changed the migration records", sql);
    dirty = dirty || state() != baseline;
    // The schema's own counter moves with any change; its text is compared after any write.
    if (dirty && snapshot(*db, kSchemaSql) != schema)
      fail("a client statement changed the main schema", sql);
  }

  // Where the server keeps its data is nobody's business on the client's side.
  void checkReply(std::string_view text, std::string_view sql) const {
    if (text.find(dir.string()) != std::string_view::npos)
      fail("a reply to a client statement shows where the database file is", sql);
  }

  static constexpr const char* kSchemaSql =
      "select type, name, tbl_name, sql from main.sqlite_schema order by type, name";
  static constexpr const char* kMigrationsSql =
      "select name, appliedAt from main.qk_migrations order by name";
  // Rows changed since opening, temporary objects, and the main schema's change counter.
  std::string state() {
    return snapshot(*db, "select total_changes(), (select count(*) from temp.sqlite_schema)") +
           snapshot(*db, "PRAGMA main.schema_version");
  }
};

AccountSet* accountSet = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  server::registerAllProcedures();
  accountSet = new AccountSet;
  // libFuzzer ends the process with exit(), never returning here: clean up the directory then.
  std::atexit([] { delete accountSet; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  AccountSet& set = *accountSet;
  if (set.dirty) set.restore();
  std::size_t start = 0;
  for (std::size_t n = 0; n < kMaxStatements && start <= input.size(); ++n) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    const std::string sql(input.substr(start, end - start));
    start = end + 1;
    try {
      const protocol::RecordSet rs =
          server::openStatement(*set.db, *set.rights, {"pubDSP", sql, kParams});
      for (const auto& row : rs.rows)
        for (const auto& v : row) set.checkReply(protocol::toDisplayText(v), sql);
    } catch (const db::DbError& e) {
      set.checkReply(e.what(), sql);  // refused or failed with a text for the user
    } catch (const std::invalid_argument& e) {
      set.checkReply(e.what(), sql);  // answered as an error with its text, as the HTTP front does
    } catch (const std::exception& e) {
      fail("a client statement made the server answer with an internal fault",
           std::string(e.what()) + "\n" + sql);
    }
    set.check(sql);
  }
  return 0;
}

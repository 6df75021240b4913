// qk-server: creates account sets and serves them to QK clients.
#include <pthread.h>
#include <sys/stat.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "server/core/account_store.h"
#include "server/core/backup.h"
#include "server/core/backup_scheduler.h"
#include "server/demo/bulk_data.h"
#include "server/http/api_server.h"

namespace {

constexpr const char* kUsage = R"(qk-server — the QK application server

Usage:
  qk-server init  --data DIR --account NAME --admin-password PW [--demo]
                  [--database postgresql://USER@HOST/DB]
      Creates account set NAME (one database file in DIR) with the user "admin",
      who holds every right. --demo adds sample master data. With --database the
      set lives in that PostgreSQL database instead, which must exist and be
      empty; DIR keeps only its address (NAME.qkpg). The address carries no
      password: libpq reads it from ~/.pgpass or PGPASSWORD.
  qk-server serve --data DIR [--listen HOST:PORT] [--idle-minutes N] [--log FILE]
                  [--tls-cert FILE --tls-key FILE] [--allow-plain-http]
                  [--threads N] [--max-body-mb N] [--sessions-per-user N]
                  [--sessions-total N] [--backup-time HH:MM --backup-dir DIR]
                  [--backup-keep N] [--config FILE]
      Serves every account set in DIR. Default address 127.0.0.1:8686; sessions
      idle longer than N minutes (default 30) must log in again. Requests are
      logged to FILE, or to standard error. With --tls-cert and --tls-key (PEM
      files) the server speaks HTTPS only. An address other than loopback is
      refused without TLS unless --allow-plain-http is given. --threads sets the
      workers for queries (default 8; saves have two of their own), --max-body-mb
      the largest request
      (default 80), --sessions-per-user and --sessions-total the logins held at
      once (default 30 and 500). With --backup-time and --backup-dir every account
      set is copied daily at that time to DIR/<account>-YYYYMMDD-HHMMSS.qkbak,
      keeping the newest N (default 14); a failure is logged and told to the next
      administrator who logs in. --config reads any of these options from FILE,
      one "name = value" a line (data, listen, backup_time, tls_cert, ...;
      allow_plain_http = yes); options on the command line win.
  qk-server backup --data DIR --account NAME --out FILE
      Writes a checked copy of account set NAME to FILE while the server runs.
  qk-server restore --data DIR --account NAME --from FILE [--force]
      Puts the copy FILE in place of account set NAME, upgraded to this server's
      schema. Refused while a server serves DIR unless --force; the account set it
      replaces is kept as NAME.before-restore-YYYYMMDD-HHMMSS in DIR.
  qk-server bulk  --data DIR --account NAME --products N [--receipts M]
      Adds N generated products (numbered BK00000001 ...) and M warehouse
      receipts over them to the existing account set NAME, for benchmarks.
  qk-server --help
)";

int usageError(const std::string& message) {
  std::fprintf(stderr, "qk-server: %s\n(see qk-server --help)\n", message.c_str());
  return 2;
}

// Options of the form --name value, or bare flags listed in `flags`. Options already in `out`
// (from a configuration file) are overridden.
bool parseOptions(int argc, char** argv, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, std::map<std::string, std::string>& out,
                  std::string& error) {
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto known = [&](const std::vector<std::string>& list) {
      for (const auto& n : list)
        if (arg == "--" + n) return true;
      return false;
    };
    if (known(flags)) {
      out[arg.substr(2)] = "1";
    } else if (known(valued)) {
      if (i + 1 >= argc) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out[arg.substr(2)] = argv[++i];
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

int runInit(int argc, char** argv) {
  std::map<std::string, std::string> o;
  std::string error;
  if (!parseOptions(argc, argv, {"data", "account", "admin-password", "database"}, {"demo"}, o,
                    error))
    return usageError(error);
  for (const char* required : {"data", "account", "admin-password"})
    if (o[required].empty()) return usageError(std::string("init needs --") + required);
  if (o.count("database") && o["database"].empty())
    return usageError("--database needs a PostgreSQL address");
  try {
    qk::server::AccountStore store(o["data"]);
    const bool demo = o.count("demo") > 0;
    if (o.count("database")) {
      store.createPostgres(o["account"], o["database"], o["admin-password"], demo);
      std::printf("created account set '%s' in PostgreSQL %s, recorded in %s (user admin)%s\n",
                  o["account"].c_str(), o["database"].c_str(),
                  store.postgresFileFor(o["account"]).c_str(), demo ? " with demo data" : "");
      return 0;
    }
    store.create(o["account"], o["admin-password"], demo);
    std::printf("created account set '%s' in %s (user admin)%s\n", o["account"].c_str(),
                store.fileFor(o["account"]).c_str(), demo ? " with demo data" : "");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qk-server: cannot create account set: %s\n", e.what());
    return 1;
  }
}

// A whole number from 0 to `max`; -1 for anything else.
long long countOption(const std::string& text, long long max) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
    return -1;
  const long long n = std::stoll(text);
  return n <= max ? n : -1;
}

int runBulk(int argc, char** argv) {
  std::map<std::string, std::string> o;
  std::string error;
  if (!parseOptions(argc, argv, {"data", "account", "products", "receipts"}, {}, o, error))
    return usageError(error);
  for (const char* required : {"data", "account", "products"})
    if (o[required].empty()) return usageError(std::string("bulk needs --") + required);
  const long long products = countOption(o["products"], 99'999'999);
  if (products < 0) return usageError("--products must be a whole number from 0 to 99999999");
  const long long receipts = o.count("receipts") ? countOption(o["receipts"], 9'999'999) : 0;
  if (receipts < 0) return usageError("--receipts must be a whole number from 0 to 9999999");
  qk::server::AccountStore store(o["data"]);
  try {
    if (!store.exists(o["account"]))
      return usageError("account set '" + o["account"] + "' does not exist in " + o["data"]);
  } catch (const std::invalid_argument& e) {
    return usageError(e.what());
  }
  try {
    auto db = store.open(o["account"]);
    store.upgrade(o["account"], *db);
    const auto start = std::chrono::steady_clock::now();
    // All or nothing: a failed run leaves the account set as it was.
    qk::db::Transaction tx(*db);
    qk::server::addBulkProducts(*db, static_cast<int>(products));
    qk::server::addBulkReceipts(*db, static_cast<int>(receipts));
    tx.commit();
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("added %lld products and %lld receipts to '%s' in %.1f s\n", products, receipts,
                o["account"].c_str(), secs);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qk-server: cannot add bulk data: %s\n", e.what());
    return 1;
  }
}

int runBackup(int argc, char** argv) {
  std::map<std::string, std::string> o;
  std::string error;
  if (!parseOptions(argc, argv, {"data", "account", "out"}, {}, o, error)) return usageError(error);
  for (const char* required : {"data", "account", "out"})
    if (o[required].empty()) return usageError(std::string("backup needs --") + required);
  try {
    const auto version =
        qk::server::backupAccountSet(qk::server::AccountStore(o["data"]), o["account"], o["out"]);
    std::printf("backup of '%s' written to %s (schema version %d, %s), integrity check ok\n",
                o["account"].c_str(), o["out"].c_str(), version.applied, version.last.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qk-server: backup failed: %s\n", e.what());
    return 1;
  }
}

int runRestore(int argc, char** argv) {
  std::map<std::string, std::string> o;
  std::string error;
  if (!parseOptions(argc, argv, {"data", "account", "from"}, {"force"}, o, error))
    return usageError(error);
  for (const char* required : {"data", "account", "from"})
    if (o[required].empty()) return usageError(std::string("restore needs --") + required);
  try {
    const auto r = qk::server::restoreAccountSet(qk::server::AccountStore(o["data"]), o["account"],
                                                 o["from"], o.count("force") > 0);
    std::printf("restored '%s' from %s: copy at schema version %d (%s), now %d (%s)\n",
                o["account"].c_str(), o["from"].c_str(), r.copy.applied, r.copy.last.c_str(),
                r.restored.applied, r.restored.last.c_str());
    if (!r.keptAside.empty())
      std::printf("the account set it replaced is kept as %s\n", r.keptAside.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qk-server: restore failed: %s\n", e.what());
    return 1;
  }
}

// Reads "name = value" lines of a configuration file into `out` as if they were options:
// underscores stand for dashes; [sections], blank lines and # or ; comments are skipped.
bool readConfig(const std::string& file, const std::vector<std::string>& valued,
                const std::vector<std::string>& flags, std::map<std::string, std::string>& out,
                std::string& error) {
  std::ifstream in(file);
  if (!in) {
    error = "cannot read configuration file " + file;
    return false;
  }
  auto trim = [](std::string s) {
    const auto b = s.find_first_not_of(" \t\r");
    const auto e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  };
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    line = trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    const auto eq = line.find('=');
    std::string name = trim(line.substr(0, eq)), value;
    if (eq != std::string::npos) value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    std::replace(name.begin(), name.end(), '_', '-');
    const auto where = file + ":" + std::to_string(n) + ": ";
    if (eq == std::string::npos) {
      error = where + "expected name = value";
      return false;
    }
    if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
      if (value == "yes" || value == "true" || value == "1") {
        out[name] = "1";
      } else if (value == "no" || value == "false" || value == "0") {
        out.erase(name);
      } else {
        error = where + name + " must be yes or no";
        return false;
      }
    } else if (std::find(valued.begin(), valued.end(), name) != valued.end() && name != "config") {
      // An empty value leaves the option unset, as a commented-out line would.
      if (value.empty())
        out.erase(name);
      else
        out[name] = value;
    } else {
      error = where + "unknown setting '" + name + "'";
      return false;
    }
  }
  return true;
}

// Whether clients can reach host only from this machine, where passwords in clear stay local.
bool isLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

int runServe(int argc, char** argv) {
  std::map<std::string, std::string> o;
  std::string error;
  const std::vector<std::string> valued{"data",
                                        "listen",
                                        "idle-minutes",
                                        "log",
                                        "tls-cert",
                                        "tls-key",
                                        "threads",
                                        "max-body-mb",
                                        "sessions-per-user",
                                        "sessions-total",
                                        "backup-time",
                                        "backup-dir",
                                        "backup-keep",
                                        "config"};
  const std::vector<std::string> flags{"allow-plain-http"};
  for (int i = 2; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--config" && !readConfig(argv[i + 1], valued, flags, o, error))
      return usageError(error);
  if (!parseOptions(argc, argv, valued, flags, o, error)) return usageError(error);
  if (o["data"].empty()) return usageError("serve needs --data");
  std::string listen = o.count("listen") ? o["listen"] : "127.0.0.1:8686";
  const auto colon = listen.rfind(':');
  int port = -1;
  if (colon != std::string::npos) {
    try {
      std::size_t used = 0;
      port = std::stoi(listen.substr(colon + 1), &used);
      if (used != listen.size() - colon - 1) port = -1;
    } catch (...) {
      port = -1;
    }
  }
  if (colon == std::string::npos || colon == 0 || port < 1 || port > 65535)
    return usageError("--listen must be HOST:PORT with a port from 1 to 65535");
  std::string host = listen.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);

  if (o.count("tls-cert") != o.count("tls-key"))
    return usageError("--tls-cert and --tls-key must be given together");
  const bool tls = o.count("tls-cert") > 0;
  if (!tls && !isLoopback(host) && !o.count("allow-plain-http"))
    return usageError("refusing to serve " + host +
                      " without TLS: passwords would cross the network in clear; give "
                      "--tls-cert and --tls-key, or --allow-plain-http");

  qk::server::ServerOptions options;
  options.dataDir = o["data"];
  options.tlsCert = o["tls-cert"];
  options.tlsKey = o["tls-key"];
  struct Count {
    const char* name;
    long long max;
    std::function<void(long long)> set;
  };
  for (const Count& c : {
           Count{"threads", 256, [&](long long n) { options.threads = static_cast<int>(n); }},
           Count{"max-body-mb", 4096,
                 [&](long long n) { options.maxBodyBytes = static_cast<std::size_t>(n) << 20; }},
           Count{"sessions-per-user", 100000,
                 [&](long long n) { options.sessionsPerUser = static_cast<int>(n); }},
           Count{"sessions-total", 100000,
                 [&](long long n) { options.sessionsTotal = static_cast<int>(n); }},
       }) {
    if (!o.count(c.name)) continue;
    const long long n = countOption(o[c.name], c.max);
    if (n < 1)
      return usageError(std::string("--") + c.name + " must be a whole number from 1 to " +
                        std::to_string(c.max));
    c.set(n);
  }
  if (o.count("idle-minutes")) {
    int minutes = 0;
    try {
      minutes = std::stoi(o["idle-minutes"]);
    } catch (...) {
    }
    if (minutes < 1) return usageError("--idle-minutes must be a whole number of minutes >= 1");
    options.idleLimit = std::chrono::minutes(minutes);
  }
  std::FILE* logFile = nullptr;
  if (o.count("log")) {
    logFile = std::fopen(o["log"].c_str(), "a");
    if (!logFile) return usageError("cannot open log file " + o["log"]);
    options.log = logFile;
  }
  qk::server::BackupSchedule schedule;
  if (o.count("backup-time") || o.count("backup-dir")) {
    schedule.minuteOfDay = qk::server::parseTimeOfDay(o["backup-time"]);
    if (schedule.minuteOfDay < 0) return usageError("--backup-time must be HH:MM, e.g. 02:30");
    if (o["backup-dir"].empty()) return usageError("--backup-time needs --backup-dir");
    schedule.dir = o["backup-dir"];
  }
  if (o.count("backup-keep")) {
    schedule.keep = static_cast<int>(countOption(o["backup-keep"], 10000));
    if (schedule.keep < 1)
      return usageError("--backup-keep must be a whole number from 1 to 10000");
  }
  if (!std::filesystem::is_directory(options.dataDir))
    return usageError("data directory " + options.dataDir.string() + " does not exist");

  try {
    // Held while serving: a restore then refuses to replace an account set under the server.
    qk::server::DataDirLock serving(options.dataDir, qk::server::DataDirLock::Mode::Serve);
    qk::server::AccountStore store(options.dataDir);
    const int sets = store.migrateAll();

    std::FILE* log = options.log ? options.log : stderr;
    qk::server::BackupScheduler backups(store, schedule, [log](const std::string& line) {
      const std::time_t t = std::time(nullptr);
      std::tm tm{};
      localtime_r(&t, &tm);
      char when[32];
      std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
      std::fprintf(log, "%s %s\n", when, line.c_str());
      std::fflush(log);
    });
    options.adminNotice = [&backups] { return backups.takeNotice(); };
    backups.start();

    // SIGINT and SIGTERM stop the server cleanly: a thread waits for them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    qk::server::ApiServer server(options);
    const int bound = server.bind(host, port);
    std::thread waiter([&] {
      int sig = 0;
      sigwait(&signals, &sig);
      server.stop();
    });
    waiter.detach();
    std::printf("qk-server: serving %d account set(s) from %s on %s://%s:%d\n", sets,
                options.dataDir.c_str(), tls ? "https" : "http", listen.substr(0, colon).c_str(),
                bound);
    std::fflush(stdout);
    server.run();
    std::printf("qk-server: stopped\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qk-server: %s\n", e.what());
    return 1;
  }
  if (logFile) std::fclose(logFile);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Account sets, their journals and the log are the company's books: readable by the server's
  // user only, whatever the umask of whoever starts it.
  ::umask(077);
  if (argc < 2) return usageError("missing command: init, serve, backup, restore or bulk");
  const std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd == "init") return runInit(argc, argv);
  if (cmd == "serve") return runServe(argc, argv);
  if (cmd == "bulk") return runBulk(argc, argv);
  if (cmd == "backup") return runBackup(argc, argv);
  if (cmd == "restore") return runRestore(argc, argv);
  return usageError("unknown command '" + cmd + "'");
}

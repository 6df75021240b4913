// The daily copies `serve` takes of every account set of its data folder: at a time of day, into
// a folder, keeping the newest few of each set. Every copy and every failure is logged; failures
// are also kept until an administrator has been told at login. It removes no file but its own
// older copies (<account>-YYYYMMDD-HHMMSS.qkbak).
#pragma once

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "server/core/account_store.h"

namespace qk::server {

struct BackupSchedule {
  int minuteOfDay = -1;  // local time; -1: no scheduled copies
  std::filesystem::path dir;
  int keep = 14;  // copies of each account set
};

// "HH:MM" (00:00 to 23:59) as minutes after midnight; -1 for anything else.
int parseTimeOfDay(std::string_view text);

inline constexpr const char* kBackupSuffix = ".qkbak";

class BackupScheduler {
 public:
  using Log = std::function<void(const std::string& line)>;
  BackupScheduler(AccountStore store, BackupSchedule schedule, Log log);
  ~BackupScheduler();
  BackupScheduler(const BackupScheduler&) = delete;
  BackupScheduler& operator=(const BackupScheduler&) = delete;

  // Starts the thread that waits for the time of day.
  void start();
  // One round now: a copy of every account set, then the oldest beyond `keep` removed. Returns
  // how many account sets could not be copied.
  int runOnce();
  // What failed since an administrator was last told, as one text (empty when nothing did);
  // whoever takes it is the one who tells.
  std::string takeNotice();

 private:
  void loop();
  void prune(const std::string& account);

  AccountStore store_;
  BackupSchedule schedule_;
  Log log_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::string notice_;
  std::thread thread_;
};

}  // namespace qk::server

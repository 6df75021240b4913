#include "server/core/backup_scheduler.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "server/core/backup.h"

namespace qk::server {

namespace fs = std::filesystem;
using SystemClock = std::chrono::system_clock;

namespace {

// The next moment after `now` that the local clock shows minuteOfDay.
SystemClock::time_point nextRun(SystemClock::time_point now, int minuteOfDay) {
  const std::time_t t = SystemClock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_hour = minuteOfDay / 60;
  tm.tm_min = minuteOfDay % 60;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;  // mktime decides, so a change of summer time keeps the clock time
  auto at = SystemClock::from_time_t(std::mktime(&tm));
  if (at <= now) {
    ++tm.tm_mday;
    tm.tm_isdst = -1;
    at = SystemClock::from_time_t(std::mktime(&tm));
  }
  return at;
}

bool isStamp(std::string_view s) {
  if (s.size() != 15 || s[8] != '-') return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (i != 8 && (s[i] < '0' || s[i] > '9')) return false;
  return true;
}

std::string readableTime(SystemClock::time_point when) {
  const std::time_t t = SystemClock::to_time_t(when);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
  return buf;
}

}  // namespace

int parseTimeOfDay(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return -1;
  for (std::size_t i : {0, 1, 3, 4})
    if (text[i] < '0' || text[i] > '9') return -1;
  const int hours = (text[0] - '0') * 10 + (text[1] - '0');
  const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
  if (hours > 23 || minutes > 59) return -1;
  return hours * 60 + minutes;
}

BackupScheduler::BackupScheduler(AccountStore store, BackupSchedule schedule, Log log)
    : store_(std::move(store)), schedule_(std::move(schedule)), log_(std::move(log)) {}

BackupScheduler::~BackupScheduler() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackupScheduler::start() {
  if (schedule_.minuteOfDay < 0 || thread_.joinable()) return;
  thread_ = std::thread([this] { loop(); });
}

void BackupScheduler::loop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const auto at = nextRun(SystemClock::now(), schedule_.minuteOfDay);
    if (wake_.wait_until(lock, at, [this] { return stopping_; })) return;
    lock.unlock();
    runOnce();
    lock.lock();
  }
}

int BackupScheduler::runOnce() {
  const auto now = SystemClock::now();
  const std::string stamp = fileStamp(now);
  int failed = 0;
  std::string failures;
  std::error_code ec;
  fs::create_directories(schedule_.dir, ec);
  for (const auto& account : store_.list()) {
    const fs::path out = schedule_.dir / (account + "-" + stamp + kBackupSuffix);
    try {
      const auto version = backupAccountSet(store_, account, out);
      log_("backup of '" + account + "' written to " + out.string() + " (schema " +
           std::to_string(version.applied) + ", " + version.last + ")");
      prune(account);
    } catch (const std::exception& e) {
      ++failed;
      log_("backup of '" + account + "' to " + out.string() + " FAILED: " + e.what());
      failures += "\n账套“" + account + "”: " + e.what();
    }
  }
  if (failed) {
    std::lock_guard lock(mutex_);
    notice_ += "自动备份失败（" + readableTime(now) + "）:" + failures + "\n";
  }
  return failed;
}

void BackupScheduler::prune(const std::string& account) {
  const std::string prefix = account + "-";
  std::vector<fs::path> copies;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(schedule_.dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || !name.starts_with(prefix) || !name.ends_with(kBackupSuffix))
      continue;
    const std::string_view stamp = std::string_view(name).substr(
        prefix.size(), name.size() - prefix.size() - std::string_view(kBackupSuffix).size());
    if (isStamp(stamp)) copies.push_back(entry.path());
  }
  if (copies.size() <= static_cast<std::size_t>(schedule_.keep)) return;
  std::sort(copies.begin(), copies.end());  // the stamp orders them by age
  for (std::size_t i = 0; i + schedule_.keep < copies.size(); ++i) {
    if (fs::remove(copies[i], ec))
      log_("old backup " + copies[i].string() + " removed");
    else
      log_("old backup " + copies[i].string() + " could not be removed: " + ec.message());
  }
}

std::string BackupScheduler::takeNotice() {
  std::lock_guard lock(mutex_);
  return std::exchange(notice_, {});
}

}  // namespace qk::server

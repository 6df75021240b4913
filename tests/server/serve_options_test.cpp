// qk-server as an administrator starts it: what it refuses to serve, and the file modes of what
// it creates.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_server.h"

namespace qk::test {
namespace {

namespace fs = std::filesystem;

// Runs qk-server with the arguments; standard output and error together.
ProgramRun runServer(const TempDir& dir, const std::string& args) {
  return runProgram(QK_SERVER_BIN, args, dir.path());
}

unsigned mode(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 0777;
}

TEST(ServeOptionsTest, AnAddressBeyondThisMachineIsRefusedWithoutTls) {
  TempDir dir;
  const ProgramRun r =
      runServer(dir, "serve --data '" + dir.path().string() + "' --listen 0.0.0.0:1");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("refusing to serve 0.0.0.0 without TLS"), std::string::npos) << r.output;
  const ProgramRun half = runServer(
      dir, "serve --data '" + dir.path().string() + "' --listen 0.0.0.0:1 --tls-cert x.pem");
  EXPECT_EQ(half.exitCode, 2);
  EXPECT_NE(half.output.find("--tls-cert and --tls-key must be given together"), std::string::npos);
}

TEST(ServeOptionsTest, ANewAccountSetAndItsFolderArePrivateToTheServersUser) {
  TempDir dir;
  const mode_t old = ::umask(022);
  const fs::path data = dir.path() / "data";
  const ProgramRun r =
      runServer(dir, "init --data '" + data.string() + "' --account 账套 --admin-password pw");
  ::umask(old);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(mode(data), 0700u);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(data)) {
    EXPECT_EQ(mode(entry.path()), 0600u) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 1);
}

}  // namespace
}  // namespace qk::test

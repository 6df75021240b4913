// A real server with a logged-in client data module, a test prompter and a temporary program
// folder (for path.ini): the ground every client test stands on.
#pragma once

#include <QDir>

#include "client/app/client_config.h"
#include "client/data/connection.h"
#include "client/data/data_module.h"
#include "support/test_prompter.h"
#include "support/test_server.h"

namespace qk::test {

class ClientTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    programDir_ = std::make_unique<TempDir>();
    client::setProgramDir(QString::fromStdString(programDir_->path().string()));
    conn_ = std::make_unique<client::Connection>(QString("http://127.0.0.1:%1").arg(port_));
    dm_ = std::make_unique<client::DataModule>(*conn_);
    client::setDm(dm_.get());
    client::setPrompter(&prompter_);
  }
  void TearDown() override {
    client::setPrompter(nullptr);
    dm_.reset();
    conn_.reset();
    client::setProgramDir({});
    ServerTest::TearDown();
  }
  // Opens the connection and logs in as the administrator.
  void loginAdmin() {
    conn_->open();
    ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "admin", QString::fromUtf8(kAdminPassword)),
              "OK");
  }
  QString programFile(const char* name) const {
    return QDir(QString::fromStdString(programDir_->path().string())).filePath(name);
  }
  // A value through a second, independent session, to see what the database really holds.
  protocol::Value scalar(const std::string& sql) {
    auto probe = newClient();
    probe->login();
    auto rs = probe->open(sql);
    return rs.rows.empty() ? protocol::Value{} : rs.rows[0][0];
  }

  std::unique_ptr<TempDir> programDir_;
  std::unique_ptr<client::Connection> conn_;
  std::unique_ptr<client::DataModule> dm_;
  TestPrompter prompter_;
};

}  // namespace qk::test

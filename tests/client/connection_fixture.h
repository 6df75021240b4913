// A real server and a client connection to it (the data layer only), and the same with the
// data module and a scripted prompter for widget tests: the fixtures client tests build on.
#pragma once

#include <functional>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "support/test_prompter.h"
#include "support/test_server.h"

namespace qk::test {

// The text of the DataError a call throws ("<no error>" when it throws none).
inline QString dataErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const client::DataError& e) {
    return e.text();
  }
  return "<no error>";
}

class ConnectedTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    conn_ = std::make_unique<client::Connection>(QString("http://127.0.0.1:%1").arg(port_));
  }
  void TearDown() override {
    conn_.reset();
    ServerTest::TearDown();
  }
  // Opens the connection and logs in as the administrator.
  void loginAdmin() {
    conn_->open();
    ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "admin", QString::fromUtf8(kAdminPassword)),
              "OK");
  }
  // A dataset of its own, open on a statement.
  std::unique_ptr<client::Dataset> open(const QString& sql, const char* provider = "pubDSP") {
    auto ds = std::make_unique<client::Dataset>(*conn_, provider);
    ds->setCommandText(sql);
    ds->open();
    return ds;
  }
  // Runs a statement through a dataset of its own, so no dataset under test is disturbed.
  void exec(const QString& sql) {
    client::Dataset ds(*conn_, "pubDSP");
    ds.setCommandText(sql);
    ds.execute();
  }

  std::unique_ptr<client::Connection> conn_;
};

class DataModuleTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    dm_ = std::make_unique<client::DataModule>(*conn_);
    client::setDm(dm_.get());
    client::setPrompter(&prompter_);
  }
  void TearDown() override {
    client::setPrompter(nullptr);
    client::setDm(nullptr);
    dm_.reset();
    ConnectedTest::TearDown();
  }

  std::unique_ptr<client::DataModule> dm_;
  TestPrompter prompter_;
};

}  // namespace qk::test

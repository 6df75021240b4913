// A real server with a client data module, a test prompter, a scripted desktop that answers the
// dialogs screens open, and a temporary program folder (for path.ini and the report cache): the
// ground of every screen test.
#pragma once

#include <QDir>
#include <QLineEdit>

#include "client/app/client_config.h"
#include "client/app/login_dialog.h"
#include "client/query/filter_form.h"
#include "client/report/sys_report_form.h"
#include "connection_fixture.h"
#include "support/scripted_desktop.h"

namespace qk::test {

class ClientTest : public DataModuleTest {
 protected:
  void SetUp() override {
    programDir_ = std::make_unique<TempDir>();
    client::setProgramDir(QString::fromStdString(programDir_->path().string()));
    DataModuleTest::SetUp();
    client::setDesktop(&desktop_);
    client::Tsys_reportForm::setCacheDir(programFile("report"));
  }
  void TearDown() override {
    client::Tsys_reportForm::setCacheDir({});
    client::setDesktop(nullptr);
    DataModuleTest::TearDown();
    client::setProgramDir({});
  }
  // The conditions dialog answers with its defaults, after `edit` changed its rows.
  void answerConditions(std::function<void(client::TfilterForm&)> edit = {}) {
    desktop_.on<client::TfilterForm>([edit](client::TfilterForm& f) {
      if (edit) edit(f);
      return f.qryActionExecute() ? QDialog::Accepted : QDialog::Rejected;
    });
  }
  // The login dialog the main window opens at its first show answers as the user would: this
  // user and password (the administrator's by default) for the test's account set.
  void answerLogin(const QString& user = "admin", const QString& password = {}) {
    desktop_.on<client::TloginForm>([user, password](client::TloginForm& dlg) {
      dlg.accEdit->setText(QString::fromUtf8(kAccount));
      dlg.Edit3->setText(user);
      dlg.Edit1->setText(password.isEmpty() ? QString::fromUtf8(kAdminPassword) : password);
      dlg.BitBtn1Click();
      return dlg.result();
    });
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
  // A number or a flag the database holds (a flag reads 0/1); -1 when it is neither.
  qint64 count(const std::string& sql) {
    const protocol::Value v = scalar(sql);
    if (const bool* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : -1;
  }
  std::string text(const std::string& sql) {
    const protocol::Value v = scalar(sql);
    return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : std::string();
  }
  // A user without rights, added through the administrator's own session.
  void addUser(const std::string& name, const std::string& password) {
    auto admin = newClient();
    admin->login();
    admin->addUser(name, password);
  }

  std::unique_ptr<TempDir> programDir_;
  ScriptedDesktop desktop_;
};
// A document screen's test: logged in as the administrator, the conditions dialog of a find
// answered with its defaults.
class DocumentScreenTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    dm_->userName = "admin";
    desktop_.on<client::TfilterForm>([](client::TfilterForm&) { return QDialog::Accepted; });
  }
};

// One field of every row, in row order.
inline QStringList column(const client::Dataset& d, const char* field) {
  QStringList out;
  for (int r = 0; r < d.recordCount(); ++r) out << d.valueAt(r, field).toString();
  return out;
}

}  // namespace qk::test

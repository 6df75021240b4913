// Tsys_logForm ("系统日志"): the logins of one day and, for the login clicked, the screens it
// opened. Read only.
#pragma once

#include <QDialog>
#include <memory>

class QDateEdit;

namespace qk::client {

class DataGrid;
class Dataset;

class Tsys_logForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tsys_logForm(QWidget* parent = nullptr);
  ~Tsys_logForm() override;

  void qryExecute();       // "查询": the logins of the day in dt
  void loginRowClicked();  // the screens opened by the current login

  QDateEdit* dt = nullptr;
  std::unique_ptr<Dataset> mCDS, dCDS;
  DataGrid *loginGrid = nullptr, *detailGrid = nullptr;
};

}  // namespace qk::client

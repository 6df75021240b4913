// Tsys_rightsForm ("用户权限设置"): the users on the left; on the right the chosen user's rights
// per main-window action, grouped as the ribbon groups them. Every post and delete of a right
// reaches the server at once; a refusal is shown with the server's text and the row marked.
#pragma once

#include <QDialog>

class QAction;

namespace qk::client {

class DataGrid;

class Tsys_rightsForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tsys_rightsForm(QWidget* parent = nullptr);

  // Opens the rights of the user row chosen on the left (what a click on it does).
  void DBGridEh2CellClick();

  DataGrid* userGrid() const { return DBGridEh2; }
  DataGrid* rightsGrid() const { return DBGridEh1; }

  QAction *insertAction, *editAction, *deleteAction, *saveAction, *cancelAction, *closeAction;

 protected:
  void reject() override;

 private:
  DataGrid* DBGridEh2 = nullptr;  // users
  DataGrid* DBGridEh1 = nullptr;  // rights
};

}  // namespace qk::client

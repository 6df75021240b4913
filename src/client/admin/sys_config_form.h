// Tsys_configForm ("系统选项设置"): the system settings grouped by category, each value edited
// through the dialog its valType names (list, text, colour, font, picture), checked, and stored
// at once. Closing reloads the settings, so screens opened afterwards use the new values.
#pragma once

#include <QDialog>

namespace qk::client {

class DataGrid;

class Tsys_configForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tsys_configForm(QWidget* parent = nullptr);

  // The ellipsis of the current row's value.
  void editValueExecute();
  void saveExecute();  // "保存": posts the current row

  DataGrid* grid() const { return DBGridEh1; }
  // Closing: the settings are read again for the screens opened afterwards.
  void reject() override;

 private:
  void store(const QString& value);

  DataGrid* DBGridEh1 = nullptr;
};

}  // namespace qk::client

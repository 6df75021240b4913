// TlistForm: the one maintenance screen of every master-data list (customers, suppliers,
// departments, staff, devices, processes, document types, warehouses). A ListConfig says what is
// particular to a list; the screen supplies the toolbar, navigation, printing, the picker mode
// and the dataset rules (number/name check, applying the change log, showing refusals and
// marking the refused rows in the grid until they are saved or cancelled).
//
// It never decides what a list's fields mean and never keeps rows of its own: the dataset
// belongs to the data module and outlives the screen, pending changes included.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "client/widgets/data_grid.h"

class QAction;

namespace qk::client {

class Dataset;
class Tsys_reportForm;

inline constexpr const char* kNumberEmpty = "编号不能为空!";
inline constexpr const char* kNameEmpty = "名称不能为空!";
inline constexpr const char* kPersonNameEmpty = "姓名不能为空!";
inline constexpr const char* kConfirmDeleteRecord = "确定要删除此记录吗?";

struct ListConfig {
  QString caption{};
  Dataset* dataset = nullptr;
  QString layoutKey{};      // sys_col layout; empty: the columns keep their own titles
  QString printCategory{};  // report dialog category; empty: no print action
  // Number/name check before a row is saved; an empty number field means no check.
  QString numberField{}, nameField{};
  QString nameMessage = kNameEmpty;
  std::vector<GridColumn> columns{};
  bool applyAfterPost = true;
  bool applyAfterDelete = true;
  bool picker = false;  // offers "选择", hidden until the screen is opened as a picker
  // Runs before the dataset opens: lookup fields and the datasets they read.
  std::function<void(Dataset&)> prepare{};
  // Sends the pending changes; empty: the dataset's own provider with no refusal tolerated.
  std::function<void(Dataset&)> apply{};
};

// Installs the list's rules on its dataset (they stay with the dataset after the screen closes,
// as every other user of the data module relies on them). While `grid` lives, the rows the
// server refused are marked in it.
void installListRules(const ListConfig& config, DataGrid* grid = nullptr);

class TlistForm : public QDialog {
  Q_OBJECT
 public:
  explicit TlistForm(ListConfig config, QWidget* parent = nullptr);
  ~TlistForm() override;

  const ListConfig& config() const { return config_; }
  Dataset& dataset() const { return *config_.dataset; }
  DataGrid* grid() const { return grid_; }

  // Picker mode: "选择" becomes visible and closes the screen with the OK result.
  void setPickerMode(bool on);

  void insertActionExecute();
  void editActionExecute();
  void deleteActionExecute();
  void saveActionExecute();
  void cancelActionExecute();
  void printActionExecute();
  void selectActionExecute();

  // Typed but not saved, or refused by the server and not yet saved or cancelled.
  bool hasUnsavedWork() const;

  QAction *insertAction, *editAction, *deleteAction, *saveAction, *cancelAction,
      *printAction = nullptr, *closeAction, *selectAction = nullptr;
  QAction *firstAction, *priorAction, *nextAction, *lastAction;

 protected:
  // Closing with unsaved work asks first; a typed row the user gives up is cancelled.
  void reject() override;

 private:
  void updateActions();

  ListConfig config_;
  DataGrid* grid_ = nullptr;
};

}  // namespace qk::client

// Opening stock: the quantity and price of each product in each warehouse when stock keeping
// began. Twh_initForm lists the rows of view_stock_view page by page; Twh_iniEditForm edits one.
// Saves go through UpdateBasData keyed by (whNo, productNo); deletes are executed at once.
//
// Rows belong to the data module's stockCDS. The screen never splices a user's text into SQL,
// and every refusal or failure of the server is shown, never swallowed.
#pragma once

#include <QDialog>
#include <QHash>
#include <QString>

#include "client/query/query_page.h"

class QAction;
class QComboBox;
class QLineEdit;

namespace qk::client {

class DataGrid;
class Dataset;
class PageBar;

inline constexpr const char* kStockProductEmpty = "物料编号不能为空!";
inline constexpr const char* kStockWarehouseEmpty = "仓库不能为空!";
inline constexpr const char* kStockConfirmDelete = "确定要删除此项吗";

class Twh_iniEditForm : public QDialog {
  Q_OBJECT
 public:
  explicit Twh_iniEditForm(QWidget* parent = nullptr);

  static const QStringList& fieldOrder();
  QWidget* editor(const QString& field) const { return editors_.value(field); }
  QComboBox* whNameBox() const { return whName_; }

  // Writes what the editors hold into the current row (starting an edit when needed).
  void commitEditors();
  void productButtonClick();  // picks a product through the query dialog
  void okBtnClick();          // the checks, then closes with OK

 private:
  void loadEditors();

  Dataset& ds_;
  QHash<QString, QWidget*> editors_;
  QComboBox* whName_ = nullptr;
};

class Twh_initForm : public QDialog {
  Q_OBJECT
 public:
  explicit Twh_initForm(QWidget* parent = nullptr);
  ~Twh_initForm() override;

  void qryActionExecute();  // "查询": conditions, then page 1
  void showPage(int page);
  void editActionExecute();  // "修改": the keys of an existing row stay as they are
  void newActionExecute();   // "增加" (hidden on the tool bar)
  void delActionExecute();   // "删除": deleted on the server at once
  void printActionExecute();

  DataGrid* grid() const { return grid_; }
  PageBar* pageBar() const { return pageBar_; }
  QAction *qryAction, *editAction, *delAction, *printAction, *closeAction, *newAction;

 private:
  PageRequest pageRequest(int page) const;
  void save();  // sends the change log and shows the answer; kept pending unless "OK"

  Dataset& ds_;
  DataGrid* grid_;
  PageBar* pageBar_;
  QString where_;
  int total_ = 0;
};

}  // namespace qk::client

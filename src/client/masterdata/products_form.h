// The products screen (a paged query over view_bas_prd_des with the product edit dialog, the
// product rules, printing and the picker mode) and the product edit dialog.
//
// Rows and pending changes belong to the data module's productsCDS and outlive the screen; the
// screen keeps only its where clause and page state. It never splices a user's text into SQL.
#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace qk::client {

class DataGrid;
class Dataset;
class PageBar;

inline constexpr const char* kProductNameEmpty = "品名不能为空!";
inline constexpr const char* kProductSizeEmpty = "规格不能为空!";
inline constexpr const char* kProductNumbersUsedUp = "物料编号已用完（PRDS999999），请手工输入编号";

// A screen the products screen opens for its current product, registered under the action's
// name by the library that owns it; without one the button stays disabled.
using ProductScreen = std::function<void(QWidget* parent, const QString& productNo)>;
void registerProductScreen(const QString& actionName, ProductScreen open);
// The screen registered under the action's name; null when none is.
const ProductScreen* findProductScreen(const QString& actionName);

// The next free generated product number after the highest "PRDS" number (read through `pub`).
// Tells the user and throws Abort when the six-digit range is used up.
QString nextProductNo(Dataset& pub);

// The product rule before a row is saved and the product save after it, on productsCDS. While
// `grid` lives, a product the server refused is marked in it.
void installProductRules(Dataset& products, DataGrid* grid = nullptr);

class Tbas_prdEditForm : public QDialog {
  Q_OBJECT
 public:
  // `marks`: the grid in which a product the server refused is marked (the products screen's).
  explicit Tbas_prdEditForm(QWidget* parent = nullptr, DataGrid* marks = nullptr);

  // The rows of the form, in order.
  static const QStringList& fieldOrder();
  QWidget* editor(const QString& field) const { return editors_.value(field); }

  // Writes what the editors hold into the current row (starting an edit when needed).
  void commitEditors();
  // Saves the row being typed, or sends again what the server refused.
  void saveActionExecute();
  // Gives up the row being typed, or else what the server refused.
  void cancelActionExecute();

  QAction *insertAction, *editAction, *deleteAction, *saveAction, *cancelAction, *closeAction;

 private:
  void loadEditors();
  void commit(const QString& field);
  void updateActions();

  Dataset& ds_;
  QPointer<DataGrid> marks_;
  QHash<QString, QWidget*> editors_;
  bool loading_ = false;
};

class Tbas_productsForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tbas_productsForm(QWidget* parent = nullptr);
  ~Tbas_productsForm() override;

  void setPickerMode(bool on);  // shows selBtn and the grid's check boxes
  // The rows chosen in picker mode: the ticked ones in ticking order, else the selected ones.
  std::vector<QVariantMap> chosenRows() const;
  // Shows the screen as a picker; the chosen rows when closed with 选择, none otherwise.
  static std::vector<QVariantMap> pick(QWidget* parent);

  void qryActionExecute();
  void showPage(int page);  // the page chooser
  void newActionExecute();
  void editActionExecute();
  void delActionExecute();
  void printActionExecute();
  void selBtnClick();

  // A product being typed, or refused by the server and not yet saved or given up.
  bool hasUnsavedWork() const;

  DataGrid* grid() const { return grid_; }
  PageBar* pageBar() const { return pageBar_; }
  const QString& whereClause() const { return where_; }
  int totalCount() const { return total_; }
  int pageCount() const { return pages_; }

  QAction *selBtn, *ToolButton12, *newAction, *editAction, *delAction, *bomAction, *drawingAction,
      *quoteAction, *supAction, *printAction, *closeAction;

 protected:
  // Closing with unsaved work asks first; a typed product the user gives up is cancelled.
  void reject() override;

 private:
  void updateActions();
  void openProductScreen(const QString& actionName);

  Dataset& ds_;
  DataGrid* grid_;
  PageBar* pageBar_;
  QString where_;
  int total_ = 0, pages_ = 0;
};

}  // namespace qk::client

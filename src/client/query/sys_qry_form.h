// The query and lookup dialog: runs a stored query (definition in sys_filter_sql and
// sys_filter) with conditions from the conditions dialog, one page at a time through the paging
// procedure. It is the report centre of the main window, the find dialog of every document and
// the picker of document lines (pick()/find() below are the one-line caller protocol).
#pragma once

#include <QDialog>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qk::client {

class DataGrid;
class DataModule;
class Dataset;
class PageBar;

class Tsys_qryForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tsys_qryForm(DataModule& dm, QWidget* parent = nullptr);
  ~Tsys_qryForm() override;

  // ---- caller protocol
  QString queryId;
  QString modeText;  // set by a preset of the main window before the caption
  void loadQuery(const QString& id);
  void setTreeVisible(bool on);
  void setSelectVisible(bool on);  // shows selBtn and the check-box column
  void setDetailVisible(bool on);

  // A finder: runs the query at once and returns the chosen row (all fields, hidden ones too).
  static std::optional<QVariantMap> find(QWidget* parent, const QString& caption,
                                         const QString& queryId);
  // A picker: the rows marked in the grid in marking order; empty when cancelled or when
  // nothing was marked.
  static std::vector<QVariantMap> pick(QWidget* parent, const QString& caption,
                                       const QString& queryId);

  // ---- operations
  void qryActionExecute();  // asks for conditions, shows page 1
  void showPage(int page);  // the page selector
  void selBtnClick();       // closes with OK unless the result is empty
  void detail();            // detail of the current row
  void print();
  // Asks for the file and exports the shown page to it; the file, empty when nothing was written.
  QString exportToSpreadsheet();
  void treeClicked(QTreeWidgetItem* item);

  // ---- state, for callers and tests
  Dataset& listSP();
  DataGrid* listGrid() const { return listGrid_; }
  QTreeWidget* repView() const { return repView_; }
  PageBar* pageBar() const { return pageBar_; }
  int totalCount() const { return total_; }
  int pageCount() const { return pages_; }
  QVariantMap rowValues(int row) const;  // every field of a visible row of listSP
  const QString& preSQL() const { return preSQL_; }
  const QString& keyName() const { return keyName_; }
  const QString& sortName() const { return sortName_; }

  // The detail of a row (the "明细" button, a double-click) is whatever the screen that owns the
  // query registered here under its identifier; without one, nothing happens.
  static std::function<void(Tsys_qryForm&, const QVariantMap& row)>& detailHandler(
      const QString& queryId);

  // Runs the paging procedure for the current definition with explicit texts.
  void callPage(const QString& table, const QString& fields, const QString& key,
                const QString& where, const QString& order, int pageSize, int page,
                bool knownTotal);

 private:
  static bool runAsPicker(Tsys_qryForm& dlg, const QString& caption, const QString& id);
  void buildTree();
  void buildColumns();
  QString outputTitle() const;  // the chosen query's name in the report centre, else the caption

  DataModule& dm_;
  std::unique_ptr<Dataset> listSP_;
  QTreeWidget* repView_;
  DataGrid* listGrid_;
  QPushButton* selBtn_;
  QPushButton* detBtn_;
  PageBar* pageBar_;
  QString preSQL_, keyName_, sortName_;
  QString fieldList_, where_;
  int total_ = 0, pages_ = 0, page_ = 0;
};

}  // namespace qk::client

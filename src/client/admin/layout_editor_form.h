// LayoutEditorForm: the editor of stored column definitions — grid layouts (sys_col) and the
// fields of stored queries (sys_filter). A tree of the definitions' names on the left, the rows
// of the chosen one in a grid on the right, moved up and down, renamed, shown or hidden, their
// captions restored to the defaults, and saved. A LayoutEditorConfig says what is particular.
//
// It never inserts or deletes definition rows: a save sends the edited rows, renumbered 0..n-1
// in the shown order, as one change set, so the server writes all of it or none of it.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "client/widgets/data_grid.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace qk::client {

class Dataset;

struct LayoutEditorConfig {
  QString caption{};
  QString rootText{};  // the tree's one root node
  QString namesSql{};  // one column: the names shown under the root, in order
  QString rowsSql{};   // the rows of one definition; :p1 is the chosen name
  QString table{};     // what a save writes, by these keys
  QString key1{}, key2{};
  QString positionField{};  // 0-based place of a row
  QString captionField{}, defaultCaptionField{};
  // Captions must differ within one definition (compared as the database does, ignoring case).
  bool uniqueCaptions = false;
  std::vector<GridColumn> columns{};  // the editable ones; other fields stay hidden
};

inline constexpr const char* kSaved = "保存成功!";

class LayoutEditorForm : public QDialog {
  Q_OBJECT
 public:
  explicit LayoutEditorForm(LayoutEditorConfig config, QWidget* parent = nullptr);
  ~LayoutEditorForm() override;

  // The names under the root, in tree order.
  QStringList names() const;
  // Opens the rows of the definition with this name (what a click on its node does).
  void chooseName(const QString& name);
  QString chosenName() const { return chosen_; }

  void moveUpExecute();           // "上移"
  void moveDownExecute();         // "下移"
  void restoreCaptionsExecute();  // "恢复默认列名"
  void saveExecute();             // "保存"

  Dataset& colCds() const { return *colCds_; }
  DataGrid* grid() const { return grid_; }
  QTreeWidget* tree() const { return repView; }

  QAction *saveAction, *closeAction, *upAction, *downAction, *restoreAction;

 private:
  void nodeClicked(QTreeWidgetItem* item);
  // Swaps the current row with the row `step` places away, renumbering the shown order.
  void moveBy(int step);
  void renumber(const std::vector<int>& order);
  QString duplicateCaption() const;

  LayoutEditorConfig config_;
  std::unique_ptr<Dataset> colCds_;
  QTreeWidget* repView = nullptr;
  DataGrid* grid_ = nullptr;
  QString chosen_;
};

}  // namespace qk::client

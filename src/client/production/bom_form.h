// The bill-of-materials screen: one product's multi-level bill as an expanded, editable tree.
// The database builds the tree (sp_createBomTree, sp_getBomTree, provider bomDSP); every change
// of a line is written at once with its own statement by the line's database identity, which an
// inserted line takes from the insert itself.
//
// The tree's rows are never applied as a change log, and a user's values only ever reach the
// server as bound parameters.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>

class QAction;

namespace qk::client {

class Dataset;
class TreeGrid;

inline constexpr const char* kBomRootNotEditable = "首层数据不允许修改!";
inline constexpr const char* kBomRootNotDeletable = "首层数据不允许删除!";
inline constexpr const char* kBomPartEmpty = "物料编号不能为空!";
inline constexpr const char* kBomQtyEmpty = "用量不能为空!";
inline constexpr const char* kBomConfirmDelete = "确定要删除此项吗?";
inline constexpr const char* kBomLineGone = "此项已被删除，请重新查找后再修改";

// Reads a product's bill into `tree` (provider bomDSP) as the database builds it, every level
// below the product; closes it without a product.
void loadBomTree(Dataset& tree, const QString& productNo);

class TbomForm : public QDialog {
  Q_OBJECT
 public:
  explicit TbomForm(QWidget* parent = nullptr);
  ~TbomForm() override;

  // Shows a product's bill at once, with find hidden (the products screen passes its product).
  void openForProduct(const QString& productNo);
  const QString& productNo() const { return productNo_; }

  void loadTree();             // the tree of the shown product; empty without one
  void findActionExecute();    // "查找": picks the product
  void addActionExecute();     // "增加": a new line under the current one
  void editActionExecute();    // "修改"
  void delActionExecute();     // "删除"
  void saveActionExecute();    // "保存"
  void cancelActionExecute();  // "取消"
  void gNoButtonClick();       // the part of a line
  void drwNoButtonClick();     // the drawing of a line

  Dataset& treeCDS() { return *tree_; }
  TreeGrid* grid() const { return grid_; }

  QAction *addAction, *editAction, *delAction, *saveAction, *cancelAction, *findAction,
      *closeAction;

 protected:
  // Closing on a line being typed asks first.
  void reject() override;

 private:
  void saveLine(Dataset& ds);  // before a line is posted: the checks, then the statement
  void updateActions();
  // Rows of the tree whose `field` holds `value` (part numbers without regard to case).
  int occurrences(const QString& field, const QVariant& value) const;
  // After a change to a sub-assembly shown in several places, reads the tree again (every place
  // shows the change) and returns to the line with identity `sysId`.
  void reloadIfShared();

  std::unique_ptr<Dataset> tree_;
  TreeGrid* grid_;
  QString productNo_;   // the product whose tree is shown
  QString parentPart_;  // the part a line being inserted goes into
  // Set by a save or delete whose sub-assembly occurs more than once: the line to return to
  // once the tree has been read again.
  std::optional<qlonglong> reloadAt_;
};

}  // namespace qk::client

// The production task: a document-editor configuration for the work of one sales-order line.
// Its header shows that line (by item number); the line's product's bill of materials stands
// left of the lines as a tree, and a new line is made from a node of it with the ordered
// quantity scaled by the usages up to the root. Each line gets its task-line number at save:
// the item number with a two-digit suffix.
//
// Unless the setting hideBom is on: then the tree is neither shown nor read, and a new line is
// the ordered product itself.
#pragma once

#include <memory>

#include "client/documents/document_editor.h"

namespace qk::client {

class TreeGrid;

inline constexpr const char* kTaskNoGsNo = "物项号不能为空!";
inline constexpr const char* kTaskLineIncomplete = "物料编号和数量不能为空!";
inline constexpr const char* kTaskChooseGsNo = "主表请先选择一物项号！";
inline constexpr const char* kTaskChooseBomNode = "请选中左边物料清单某一项！";

// The tree's dataset and grid; made before the editor asks for its side widget.
struct TaskBom;

class Tbus_taskForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Tbus_taskForm(QWidget* parent = nullptr);
  ~Tbus_taskForm() override;

  // The tree of the header's product, closed when there is none or the tree is hidden.
  void loadBom();
  // The "…" of the item number: a sales-order line chosen in the query dialog.
  void gsNoButtonClick();
  // A click on a node: the lines of that component only; the root shows them all.
  void bomCellClick();
  // 增行: a line for the current node (or the ordered product with the tree hidden).
  void addLineFromBom();

  Dataset& treeCDS();
  TreeGrid* bomGrid() const;
  bool bomHidden() const;

 private:
  Tbus_taskForm(std::shared_ptr<TaskBom> bom, QWidget* parent);
  std::shared_ptr<TaskBom> bom_;
};

}  // namespace qk::client

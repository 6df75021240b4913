// The production flow card: for one item number, every task line with its plan and every
// process record made against it, grouped by item and task line with the sums of each group.
// From a row the process-record and receipt dialogs add records to its task line; the drawings
// of the chosen product and the process cards of the row open through their registries.
//
// The screen itself writes nothing: its rows are read (item and task numbers as bound values)
// and only the dialogs write their own tables. A record entered in a dialog shows after the next
// query.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "client/production/flow_record_dialog.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qk::client {

class DataGrid;
class Dataset;

inline constexpr const char* kFlowAllProducts = "---全部---";
inline constexpr const char* kFlowNoDrawings = "图纸画面尚未提供。";

class Tbus_flowForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tbus_flowForm(QWidget* parent = nullptr);
  ~Tbus_flowForm() override;

  void formShow();     // grid style, the staff and department lists, the cursor to the item
  void qryBtnClick();  // the item's products, then its rows
  // The header of the item and its rows: replacing the shown ones when "清空当前数据" is set,
  // added after them otherwise. The product list is left as it is.
  void loadFlowCard(const QString& gsNo);
  void gCmbChange();        // shows only the chosen product's rows, or all of them
  void newProcessRecord();  // the "+" of the process columns, for the current row
  void newReceipt();        // the "+" of 接收数
  void processCardClick();  // the "+" of 工艺控制
  void drawingClick();      // "图纸": the drawings of the chosen product
  void printClick();        // "打印"

  Dataset& flowCDS() { return *flow_; }
  DataGrid* grid() const { return grid_; }
  FlowRowInfo currentRow() const;

  QLineEdit* taskEdit;
  QComboBox* gCmb;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5;
  QCheckBox* CheckBox1;
  QPushButton* qryBtn;
  QAction *ToolButton1, *ToolButton2, *ToolButton3;  // 打印, 图纸, 关闭

 private:
  void onButton(const QString& field, int row);
  void readRows(const QString& gsNo);

  std::unique_ptr<Dataset> flow_;
  DataGrid* grid_;
};

}  // namespace qk::client

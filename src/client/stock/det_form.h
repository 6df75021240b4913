// The stock ledger screen ("查看存货明细"): the rows sp_stock_det left in the session's
// ##tmp_stock_det as a tree (a pair's opening row over its movements and totals), every node
// expanded, zero amounts shown as empty cells. It only shows what the database computed.
#pragma once

#include <QDialog>
#include <memory>

class QAction;

namespace qk::client {

class Dataset;
class TreeGrid;

class TdetForm : public QDialog {
  Q_OBJECT
 public:
  explicit TdetForm(QWidget* parent = nullptr);
  ~TdetForm() override;

  void open();                // reads ##tmp_stock_det
  void printActionExecute();  // "打印"

  Dataset& selectCDS() { return *rows_; }
  TreeGrid* tree() const { return tree_; }

  QAction *printAction, *closeAction, *expandAction, *collapseAction;

 private:
  std::unique_ptr<Dataset> rows_;
  TreeGrid* tree_;
};

}  // namespace qk::client

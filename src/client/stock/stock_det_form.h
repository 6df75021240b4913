// The item-in-warehouse detail ("查看库存明细"): every movement of one item in one warehouse,
// grouped by kind of document, as sp_stock_Detail left them in the session's ##stock_detail.
// Opened from the stock query's detail.
#pragma once

#include <QDialog>
#include <memory>

class QAction;

namespace qk::client {

class Dataset;
class TreeGrid;

class Tstock_detForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tstock_detForm(QWidget* parent = nullptr);
  ~Tstock_detForm() override;

  // Runs the detail of the product in the warehouse and shows its rows.
  void open(const QString& productNo, const QString& whNo);
  void printActionExecute();  // "打印"

  Dataset& pubCDS() { return *rows_; }
  TreeGrid* tree() const { return tree_; }

  QAction *closeAction, *printAction;

 private:
  std::unique_ptr<Dataset> rows_;
  TreeGrid* tree_;
};

}  // namespace qk::client

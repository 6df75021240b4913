// The stock figures screen ("存货统计"): the period summary per warehouse and item computed by
// the database, closing figures added on the client, items without movement hidden on request,
// and the ledger of the current or of every item. It keeps the last query's period and
// warehouses for the ledger; it never computes stock itself.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <memory>

class QAction;

namespace qk::client {

class DataGrid;
class Dataset;
class TindexForm;

inline constexpr const char* kStockNoWarehouse = "请选择仓库!";

class TStockQryForm : public QDialog {
  Q_OBJECT
 public:
  explicit TStockQryForm(QWidget* parent = nullptr);
  ~TStockQryForm() override;

  void FormShow();             // the query at once, as the screen opens
  void qryActionExecute();     // "查询"
  void curDetActionExecute();  // "当前明细" and a double-click
  void allDetActionExecute();  // "所有明细"
  void printActionExecute();   // "打印"

  Dataset& stockCDS() { return *stock_; }
  DataGrid* grid() const { return grid_; }
  const QString& warehouses() const { return warehouses_; }

  QAction *qryAction, *detAction, *curDetAction, *allDetAction, *printAction, *closeAction;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showLedger(const QString& item);

  std::unique_ptr<Dataset> stock_;
  DataGrid* grid_;
  QDateTime from_, to_;  // the last query's period; invalid before the first
  QString warehouses_;
  bool hideIdle_ = true;
  bool shown_ = false;
};

// Dates as the stock procedures read them: the date, and the time of day when it is not midnight.
QString stockDateText(const QDateTime& t);

}  // namespace qk::client

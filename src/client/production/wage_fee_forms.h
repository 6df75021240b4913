// The piece-wage statistics per employee (Tqry_wageForm) and the outsourcing-fee statistics per
// department (Tqry_feeForm): one screen of two shapes. A summary grid of the period's totals on
// the left, the records behind the clicked total on the right, both computed by the database's
// procedures; the screen only shows them. The period travels as bound parameters.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "client/widgets/data_grid.h"

class QAction;

namespace qk::client {

class Dataset;

struct WageStatistics {
  QString caption;
  QString summaryProcedure, detailProcedure;  // called with start, end (and the key)
  QString keyField;                           // staffNo or depNo
  std::vector<GridColumn> summaryColumns;
  QString printTitle;  // the page heading of both prints
};

class WageStatisticsForm : public QDialog {
  Q_OBJECT
 public:
  WageStatisticsForm(WageStatistics kind, QWidget* parent);
  ~WageStatisticsForm() override;

  void qryActionExecute();  // asks for the period, loads the totals, clears the detail
  void queryPeriod(const QDateTime& start, const QDateTime& end);  // the same for a given period
  // The detail of the summary's row `row` for the period of the last query.
  void DBGridEh1CellClick(int row);
  void N1Click();  // "汇总表"
  void N2Click();  // "明细表"

  Dataset& summaryCDS() { return *summary_; }
  Dataset& detailCDS() { return *detail_; }
  DataGrid* DBGridEh1 = nullptr;  // the totals
  DataGrid* DBGridEh2 = nullptr;  // the records behind one total
  QAction *qryAction, *printAction, *exitAction;
  const QDateTime& startDate() const { return start_; }
  const QDateTime& endDate() const { return end_; }

 private:
  void openSummary();                   // for the kept period
  void openDetail(const QString& key);  // the records behind one total of the kept period
  WageStatistics kind_;
  std::unique_ptr<Dataset> summary_, detail_;
  QDateTime start_, end_;
};

class Tqry_wageForm : public WageStatisticsForm {
  Q_OBJECT
 public:
  explicit Tqry_wageForm(QWidget* parent = nullptr);
};

class Tqry_feeForm : public WageStatisticsForm {
  Q_OBJECT
 public:
  explicit Tqry_feeForm(QWidget* parent = nullptr);
};

}  // namespace qk::client

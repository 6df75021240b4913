#include "client/production/wage_fee_forms.h"

#include <QAction>
#include <QDate>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/sel_date_form.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

// The form the database reads a date-time in.
QString dateText(const QDateTime& t) {
  return t.toString("yyyy-MM-dd HH:mm:ss");
}

GridColumn column(const char* field, const char* title, int width,
                  FooterKind footer = FooterKind::None, const char* format = "") {
  GridColumn c;
  c.field = field;
  c.title = title;
  c.width = width;
  c.footer = footer;
  c.displayFormat = format;
  return c;
}

std::vector<GridColumn> detailColumns() {
  return {column("inspDate", "日期", 90, FooterKind::None, "yyyy-MM-dd"),
          column("taskNo", "任务号", 110),
          column("des", "产品描述", 200),
          column("procName", "工序名称", 80),
          column("gqty", "数量", 70, FooterKind::Sum),
          column("quote", "定额", 70),
          column("wage", "工资", 80, FooterKind::Sum, "#,##0.00")};
}

DataGrid* statisticsGrid(QWidget* parent, std::vector<GridColumn> columns, Dataset* ds) {
  auto* grid = new DataGrid(parent);
  grid->setColumns(std::move(columns));
  grid->setReadOnly(true);
  grid->setRowNumbers(true);
  grid->setFooterVisible(true);
  grid->setDataset(ds);
  grid->applyStyle();
  return grid;
}

}  // namespace

WageStatisticsForm::WageStatisticsForm(WageStatistics kind, QWidget* parent)
    : QDialog(parent),
      kind_(std::move(kind)),
      summary_(std::make_unique<Dataset>(dm().connection(), "selectDSP")),
      detail_(std::make_unique<Dataset>(dm().connection(), "selectDetailDSP")) {
  setWindowTitle(kind_.caption);
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"查询", 0, "query", {}, [this] { qryActionExecute(); }, &qryAction},
                           {.caption = "打印",
                            .icon = "print",
                            .member = &printAction,
                            .menu = {{"汇总表", 0, {}, {}, [this] { N1Click(); }},
                                     {"明细表", 0, {}, {}, [this] { N2Click(); }}}},
                           {"关闭", 0, "close", {}, [this] { reject(); }, &exitAction},
                       });

  DBGridEh1 = statisticsGrid(this, kind_.summaryColumns, summary_.get());
  DBGridEh2 = statisticsGrid(this, detailColumns(), detail_.get());
  connect(DBGridEh1->view(), &QTableView::clicked, this,
          [this](const QModelIndex& index) { guarded([&] { DBGridEh1CellClick(index.row()); }); });

  // Both grids show their columns before the first query: the calls for a period that holds
  // nothing (it ends before it starts).
  start_ = QDateTime(QDate(1900, 1, 2), QTime(0, 0));
  end_ = QDateTime(QDate(1900, 1, 1), QTime(0, 0));
  openSummary();
  openDetail({});
  start_ = end_ = QDateTime();

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(DBGridEh1);
  split->addWidget(DBGridEh2);
  split->setStretchFactor(1, 1);
  split->setSizes({340, 760});  // the totals' three columns whole, the records the rest
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(1100, 620));
}

WageStatisticsForm::~WageStatisticsForm() {
  DBGridEh1->setDataset(nullptr);
  DBGridEh2->setDataset(nullptr);
}

void WageStatisticsForm::openSummary() {
  summary_->setCommandText(QString("exec %1 :p1, :p2").arg(kind_.summaryProcedure));
  summary_->params().byName("p1").value = dateText(start_);
  summary_->params().byName("p2").value = dateText(end_);
  summary_->open();
  DBGridEh1->refresh();
}

void WageStatisticsForm::openDetail(const QString& key) {
  detail_->setCommandText(QString("exec %1 :p1, :p2, :p3").arg(kind_.detailProcedure));
  detail_->params().byName("p1").value = dateText(start_);
  detail_->params().byName("p2").value = dateText(end_);
  detail_->params().byName("p3").value = key;
  detail_->open();
  DBGridEh2->refresh();
}

void WageStatisticsForm::qryActionExecute() {
  TselDateForm period(this);
  if (desktop().exec(period) != QDialog::Accepted) return;
  queryPeriod(period.startDate(), period.endDate());
}

void WageStatisticsForm::queryPeriod(const QDateTime& start, const QDateTime& end) {
  start_ = start;
  end_ = end;
  openSummary();
  // The records of an earlier period or total would pass for the new one's: nobody's are shown.
  openDetail({});
}

void WageStatisticsForm::DBGridEh1CellClick(int row) {
  if (!start_.isValid() || row < 0 || row >= summary_->recordCount()) return;
  openDetail(summary_->valueAt(row, kind_.keyField).toString());
}

void WageStatisticsForm::N1Click() {
  DBGridEh1->printPreview(kind_.printTitle);
}

void WageStatisticsForm::N2Click() {
  DBGridEh2->printPreview(kind_.printTitle);
}

Tqry_wageForm::Tqry_wageForm(QWidget* parent)
    : WageStatisticsForm({"工资统计",
                          "sp_getWage_m",
                          "sp_getWage_d",
                          "staffNo",
                          {column("staffNo", "员工编号", 80), column("staffName", "员工姓名", 90),
                           column("wage", "工资", 90, FooterKind::Sum, "#,##0.00")},
                          "工资统计"},
                         parent) {}

Tqry_feeForm::Tqry_feeForm(QWidget* parent)
    : WageStatisticsForm({"外协加工费统计",
                          "sp_getFee_m",
                          "sp_getFee_d",
                          "depNo",
                          {column("depNo", "编号", 80), column("depName", "名称", 120),
                           column("wage", "加工费", 90, FooterKind::Sum, "#,##0.00")},
                          "加工费统计"},
                         parent) {}

}  // namespace qk::client

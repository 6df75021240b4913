#include "client/stock/stock_qry_form.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/stock/det_form.h"
#include "client/stock/index_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

constexpr const char* kAmountFormat = "##,###,###,##0.#0";

double numberOf(const Record& r, const char* field) {
  return r.value(field).toDouble();
}

std::vector<GridColumn> summaryColumns() {
  struct Title {
    const char *field, *title;
  };
  const Title titles[] = {
      {"gNo", "物品编号"},       {"des", "物料描述"},           {"iniQty", "期初|数量"},
      {"iniMoney", "期初|金额"}, {"bq1", "本期入库|数量"},      {"bq1Money", "本期入库|金额"},
      {"bq2", "本期出库|数量"},  {"bq2Money", "本期出库|金额"}, {"qmQty", "结存|数量"},
      {"qmMoney", "结存|金额"},
  };
  std::vector<GridColumn> cols;
  for (const Title& t : titles) {
    GridColumn c;
    c.field = t.field;
    c.title = t.title;
    c.width = 95;
    if (cols.size() >= 2) {
      c.displayFormat = kAmountFormat;
      c.footer = FooterKind::Sum;
    }
    cols.push_back(std::move(c));
  }
  cols[0].width = 110;
  cols[1].width = 220;
  cols[0].footer = FooterKind::Count;
  return cols;
}

}  // namespace

QString stockDateText(const QDateTime& t) {
  if (!t.isValid()) return {};
  return t.time() == QTime(0, 0) ? t.date().toString("yyyy-MM-dd")
                                 : t.toString("yyyy-MM-dd HH:mm:ss");
}

TStockQryForm::TStockQryForm(QWidget* parent)
    : QDialog(parent), stock_(std::make_unique<Dataset>(dm().connection(), "selectDSP")) {
  setWindowTitle("存货统计");
  stock_->addCalculatedField("qmQty", protocol::FieldType::Decimal, [](const Record& r) {
    return numberOf(r, "iniQty") + numberOf(r, "bq1") - numberOf(r, "bq2");
  });
  stock_->addCalculatedField("qmMoney", protocol::FieldType::Decimal, [](const Record& r) {
    return numberOf(r, "iniMoney") + numberOf(r, "bq1Money") - numberOf(r, "bq2Money");
  });

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar,
                 {
                     {"查询", 0, "query", {}, [this] { qryActionExecute(); }, &qryAction},
                     {"明细",
                      0,
                      "detail",
                      {},
                      [this] { curDetActionExecute(); },
                      &detAction,
                      true,
                      {{"当前明细", 0, {}, {}, [this] { curDetActionExecute(); }, &curDetAction},
                       {"所有明细", 0, {}, {}, [this] { allDetActionExecute(); }, &allDetAction}}},
                     {"打印", 0, "print", {}, [this] { printActionExecute(); }, &printAction},
                     {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction},
                 });

  grid_ = new DataGrid(this);
  grid_->setColumns(summaryColumns());
  grid_->setReadOnly(true);
  grid_->setFooterVisible(true);
  grid_->setDataset(stock_.get());
  grid_->applyStyle();
  connect(grid_, &DataGrid::rowDoubleClicked, this, [this](int) { curDetActionExecute(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(1100, 620));
}

TStockQryForm::~TStockQryForm() {
  grid_->setDataset(nullptr);
}

void TStockQryForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TStockQryForm::FormShow() {
  guarded([this] { qryActionExecute(); });
}

void TStockQryForm::qryActionExecute() {
  TindexForm dlg(this);
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select * from bas_dep where isWh = 1");
  pub.open();
  for (int r = 0; r < pub.recordCount(); ++r)
    dlg.addWarehouse(pub.valueAt(r, "depNo").toString(), pub.valueAt(r, "depName").toString());
  if (desktop().exec(dlg) != QDialog::Accepted) return;
  const QString warehouses = dlg.warehouses();
  if (warehouses.isEmpty()) {
    prompter().message(kStockNoWarehouse, Prompter::Icon::Information);
    return;
  }
  from_ = dlg.DateTimePicker1->dateTime();
  to_ = dlg.DateTimePicker2->dateTime();
  warehouses_ = warehouses;
  hideIdle_ = dlg.CheckBox1->isChecked();

  stock_->clearFilter();
  stock_->setCommandText("exec sp_stock_history :p1, :p2, :p3");
  stock_->params().byName("p1").value = stockDateText(from_);
  stock_->params().byName("p2").value = stockDateText(to_);
  stock_->params().byName("p3").value = warehouses_;
  stock_->open();
  // An opening value alone does not make a row worth showing.
  if (hideIdle_)
    stock_->setFilter([](const Record& r) {
      return numberOf(r, "iniQty") != 0 || numberOf(r, "bq1") != 0 || numberOf(r, "bq2") != 0;
    });
  grid_->refresh();
}

void TStockQryForm::curDetActionExecute() {
  if (!stock_->active() || stock_->isEmpty()) return;
  showLedger(stock_->valueAt(stock_->currentRow(), "gNo").toString());
}

void TStockQryForm::allDetActionExecute() {
  showLedger("all");
}

void TStockQryForm::showLedger(const QString& item) {
  TdetForm det(this);
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_stock_det :p1, :p2, :p3, :p4");
  pub.params().byName("p1").value = stockDateText(from_);
  pub.params().byName("p2").value = stockDateText(to_);
  pub.params().byName("p3").value = warehouses_;
  pub.params().byName("p4").value = item;
  pub.execute();
  det.open();
  desktop().exec(det);
}

void TStockQryForm::printActionExecute() {
  grid_->printPreview("存货统计");
}

}  // namespace qk::client

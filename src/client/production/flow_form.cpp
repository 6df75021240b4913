#include "client/production/flow_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/values.h"
#include "client/masterdata/products_form.h"
#include "client/production/flow_edit_form.h"
#include "client/production/flow_rec_form.h"
#include "client/production/process_card_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

// One row per process record of each task line of the item, one for a line without any.
constexpr const char* kFlowRows =
    "select * from view_bus_flow_card where gsKey = :gsNo order by taskNo, sysid";

std::vector<GridColumn> flowColumns() {
  auto col = [](const char* field, const char* title, int width) {
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.readOnly = true;
    return c;
  };
  auto hidden = [&](const char* field, const char* title) {
    GridColumn c = col(field, title, 80);
    c.visible = false;
    return c;
  };
  auto plan = [&](const char* field, const char* title, int width) {
    GridColumn c = col(field, title, width);
    c.repeatOnce = true;
    return c;
  };
  auto record = [&](const char* field, const char* title, int width, FooterKind footer) {
    GridColumn c = col(field, title, width);
    c.button = CellButton::Plus;
    c.footer = footer;
    return c;
  };
  GridColumn taskNo = plan("taskNo", "任务号", 110);
  taskNo.footer = FooterKind::Text;
  taskNo.footerText = "合计";
  GridColumn recQty = plan("recQty", "接收数", 70);
  recQty.button = CellButton::Plus;
  GridColumn pDate = plan("pDate", "计划完成日期", 90);
  pDate.displayFormat = "yyyy-MM-dd";
  GridColumn inspDate = col("inspDate", "加工检验过程|检验日期", 90);
  inspDate.displayFormat = "yyyy-MM-dd";
  GridColumn tech = record("tech", "加工检验过程|工艺控制", 64, FooterKind::None);
  return {
      hidden("gsNo", "物项号"),
      taskNo,
      hidden("des", "物料描述"),
      plan("procName", "工序名称", 80),
      plan("depName", "部门名称", 80),
      plan("pQty", "计划数", 60),
      pDate,
      recQty,
      record("staffName", "加工检验过程|操作者", 70, FooterKind::None),
      record("dev", "加工检验过程|加工设备", 160, FooterKind::None),
      record("gqty", "加工检验过程|合格数", 60, FooterKind::Sum),
      record("gfqty", "加工检验过程|因工报废数", 70, FooterKind::Sum),
      record("lfqty", "加工检验过程|因料报废数", 70, FooterKind::Sum),
      record("fxqty", "加工检验过程|返工数", 60, FooterKind::Sum),
      col("inspName", "加工检验过程|检验员", 70),
      inspDate,
      tech,
      hidden("taskDes", "任务号"),
  };
}

// A record dialog for the row's task line, opened on a new record.
template <class Dialog>
void appendInDialog(QWidget* parent, const FlowRowInfo& row) {
  if (row.taskNo.isEmpty()) return;
  Dialog dlg(row, parent);
  dlg.appendRecord();
  desktop().exec(dlg);
}

QLineEdit* headerEdit(QWidget* parent, int width) {
  auto* e = new QLineEdit(parent);
  e->setReadOnly(true);
  e->setMinimumWidth(width);
  return e;
}

}  // namespace

Tbus_flowForm::Tbus_flowForm(QWidget* parent)
    : QDialog(parent), flow_(std::make_unique<Dataset>(dm().connection(), "selectDSP")) {
  setWindowTitle("工序流转卡片");

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"图纸", 0, "detail", {}, [this] { drawingClick(); }, &ToolButton2},
                           {"打印", 0, "print", {}, [this] { printClick(); }, &ToolButton1},
                           {"关闭", 0, "close", {}, [this] { reject(); }, &ToolButton3},
                       });

  taskEdit = new QLineEdit(this);
  taskEdit->setInputMask("99-99-9999");
  taskEdit->setFixedWidth(100);
  connect(taskEdit, &QLineEdit::returnPressed, this,
          [this] { guarded([this] { qryBtnClick(); }); });
  gCmb = new QComboBox(this);
  gCmb->setEditable(false);
  gCmb->setMinimumWidth(160);
  connect(gCmb, &QComboBox::currentIndexChanged, this,
          [this] { guarded([this] { gCmbChange(); }); });
  CheckBox1 = new QCheckBox("清空当前数据", this);
  CheckBox1->setChecked(true);
  qryBtn = new QPushButton("查询", this);
  connect(qryBtn, &QPushButton::clicked, this, [this] { guarded([this] { qryBtnClick(); }); });
  Edit1 = headerEdit(this, 260);
  Edit3 = headerEdit(this, 80);
  Edit2 = headerEdit(this, 100);
  Edit4 = headerEdit(this, 160);
  Edit5 = headerEdit(this, 260);

  auto* header = new QGridLayout;
  auto label = [this](const char* text) { return new QLabel(text, this); };
  header->addWidget(label("物项号"), 0, 0);
  header->addWidget(taskEdit, 0, 1);
  header->addWidget(label("物料编号"), 0, 2);
  header->addWidget(gCmb, 0, 3);
  header->addWidget(CheckBox1, 0, 4);
  header->addWidget(qryBtn, 0, 5);
  header->addWidget(label("产品描述"), 1, 0);
  header->addWidget(Edit1, 1, 1, 1, 3);
  header->addWidget(label("订单数量 "), 1, 4);
  header->addWidget(Edit3, 1, 5);
  header->addWidget(label("交货日期"), 1, 6);
  header->addWidget(Edit2, 1, 7);
  header->addWidget(label("标识要求"), 2, 0);
  header->addWidget(Edit4, 2, 1, 1, 3);
  header->addWidget(label("订单备注"), 2, 4);
  header->addWidget(Edit5, 2, 5, 1, 3);
  header->setColumnStretch(8, 1);

  grid_ = new DataGrid(this);
  grid_->setColumns(flowColumns());
  grid_->setReadOnly(true);
  grid_->setGroupLevels({"gsNo", "taskDes"});
  connect(grid_, &DataGrid::buttonClicked, this,
          [this](const QString& field, int row) { guarded([&] { onButton(field, row); }); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addLayout(header);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(1200, 700));
}

Tbus_flowForm::~Tbus_flowForm() {
  // The grid watches the rows; it goes first.
  delete grid_;
}

void Tbus_flowForm::formShow() {
  grid_->applyStyle();
  DataModule& m = dm();
  if (!m.staffCDS.active()) m.staffCDS.open();
  if (!m.depCDS.active()) m.depCDS.open();
  taskEdit->setFocus();
}

void Tbus_flowForm::qryBtnClick() {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select distinct productNo as productNo from bus_task_det where gsNo = :gsNo");
  pub.params().byName("gsNo").value = taskEdit->text();
  pub.open();
  {
    const QSignalBlocker block(gCmb);
    gCmb->clear();
    gCmb->addItem(kFlowAllProducts);
    for (int r = 0; r < pub.recordCount(); ++r)
      gCmb->addItem(pub.valueAt(r, "productNo").toString());
    gCmb->setCurrentIndex(0);
  }
  loadFlowCard(taskEdit->text());
}

void Tbus_flowForm::loadFlowCard(const QString& gsNo) {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText(
      "select a.qty, b.dlvDate, b.marking, b.remarkM, c.des from bus_so_det a"
      " left join bus_so b on a.keyNo = b.keyNo"
      " left join view_bas_prd_des c on a.productNo = c.productNo where a.gsNo = :gsNo");
  pub.params().byName("gsNo").value = gsNo;
  pub.open();
  const bool found = !pub.isEmpty();
  auto text = [&](const char* field) {
    return found ? valueText(pub.valueAt(0, field)) : QString();
  };
  Edit1->setText(text("des"));
  Edit3->setText(text("qty"));
  const QDateTime dlv = found ? pub.fieldByName("dlvDate").asDateTime() : QDateTime();
  Edit2->setText(dlv.isValid() ? dlv.date().toString("yyyy-MM-dd") : QString());
  Edit4->setText(text("marking"));
  Edit5->setText(text("remarkM"));
  readRows(gsNo);
}

void Tbus_flowForm::readRows(const QString& gsNo) {
  Dataset& flow = *flow_;
  flow.clearFilter();
  if (CheckBox1->isChecked() || !flow.active()) {
    flow.setCommandText(kFlowRows);
    flow.params().byName("gsNo").value = gsNo;
    flow.open();
    grid_->setDataset(&flow);
    return;
  }
  // Kept rows stay and the item's rows follow them, even when it is the same item again.
  Dataset more(dm().connection(), "selectDSP");
  more.setCommandText(kFlowRows);
  more.params().byName("gsNo").value = gsNo;
  more.open();
  grid_->setDataset(nullptr);  // one regrouping at the end, not one per row
  for (int r = 0; r < more.recordCount(); ++r) {
    flow.append();
    for (int i = 0; i < more.fieldCount(); ++i) {
      const Field& f = more.field(i);
      flow.fieldByName(f.name()).setValue(more.valueAt(r, i));
    }
    flow.post();
  }
  flow.mergeChangeLog();  // the rows are only shown; nothing is ever sent
  flow.first();
  grid_->setDataset(&flow);
}

void Tbus_flowForm::gCmbChange() {
  Dataset& flow = *flow_;
  if (!flow.active()) return;
  if (gCmb->currentIndex() <= 0) {
    flow.clearFilter();
    return;
  }
  const QString product = gCmb->currentText().trimmed();
  flow.setFilter([product](const Record& r) { return r.value("productNo").toString() == product; });
}

FlowRowInfo Tbus_flowForm::currentRow() const {
  const Dataset& flow = *flow_;
  const int row = flow.currentRow();
  if (!flow.active() || row < 0) return {};
  auto text = [&](const char* field) { return flow.valueAt(row, field).toString(); };
  return {text("taskNo"), text("des"), text("procName"), text("depName")};
}

void Tbus_flowForm::onButton(const QString& field, int row) {
  if (!flow_->active() || row < 0 || row >= flow_->recordCount()) return;
  flow_->moveTo(row);
  if (field.compare("recQty", Qt::CaseInsensitive) == 0)
    newReceipt();
  else if (field.compare("tech", Qt::CaseInsensitive) == 0)
    processCardClick();
  else
    newProcessRecord();
}

void Tbus_flowForm::newProcessRecord() {
  appendInDialog<Tbus_flowEditForm>(this, currentRow());
}

void Tbus_flowForm::newReceipt() {
  appendInDialog<Tbus_flowRecForm>(this, currentRow());
}

void Tbus_flowForm::processCardClick() {
  const FlowRowInfo row = currentRow();
  if (row.taskNo.isEmpty()) return;
  showProcessCards(this, {row.taskNo, flow_->fieldByName("pQty").asFloat()});
}

void Tbus_flowForm::drawingClick() {
  const ProductScreen* open = findProductScreen("drawingAction");
  if (!open) {
    prompter().message(kFlowNoDrawings, Prompter::Icon::Information);
    return;
  }
  // With "---全部---" chosen no product has that number: the screen shows no drawings.
  (*open)(this, gCmb->currentText().trimmed());
}

void Tbus_flowForm::printClick() {
  if (!flow_->active()) {
    grid_->printPreview("工序流转卡");
    return;
  }
  // The card prints through its report template, which gives every task line its QR code for
  // the shop-floor page.
  Tsys_reportForm report(this);
  report.category = "bus_flow";
  report.addDataset("流转卡", *flow_);
  report.loadReports();
  desktop().exec(report);
}

}  // namespace qk::client

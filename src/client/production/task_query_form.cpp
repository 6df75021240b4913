#include "client/production/task_query_form.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

// The task lines as the task screen shows them, in design order.
std::vector<GridColumn> taskLineColumns() {
  std::vector<GridColumn> cols = gridColumns(
      {"taskNo", "taskIdName", "productNo", "pName", "pSize", "pPre",  "pMat",   "pSta",
       "pUnit",  "procName",   "depName",   "qty",   "pDate", "keyNo", "itemNo", "des",
       "def1",   "def2",       "def3",      "def4",  "def5",  "def6",  "gsNo",   "taskIdNo",
       "fQty",   "done",       "procNo",    "depNo", "ylgg",  "ylz",   "remark"});
  cols[0].footer = FooterKind::Count;
  cols[0].width = 110;
  return cols;
}

// A LIKE pattern for the texts that start with `prefix`, whatever characters it holds.
QString startsWith(const QString& prefix) {
  QString p = prefix;
  p.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
  return p + '%';
}

QDateTimeEdit* dateEdit(QWidget* parent, const QDateTime& start) {
  auto* edit = new QDateTimeEdit(start, parent);
  edit->setCalendarPopup(true);
  edit->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
  return edit;
}

}  // namespace

Tbus_task_qryForm::Tbus_task_qryForm(QWidget* parent)
    : QDialog(parent), list_(std::make_unique<Dataset>(dm().connection(), "selectDSP")) {
  setWindowTitle("生产任务单分类查询");

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"查询", 0, "query", {}, [this] { qryActionExecute(); }, &qryAction},
                           {"打印", 0, "print", {}, [this] { printActionExecute(); }, &printAction},
                           {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction},
                       });

  depCmb = new QComboBox(this);
  depCmb->setMaxVisibleItems(20);
  depCmb->setMinimumWidth(140);
  Dataset& pub = dm().pubCDS;
  pub.setCommandText(
      "select depName from bas_dep where isOw = 1 or isPlant = 1 or isWh = 1 order by depName");
  pub.open();
  for (int r = 0; r < pub.recordCount(); ++r) depCmb->addItem(pub.valueAt(r, "depName").toString());
  depCmb->setCurrentIndex(-1);

  CheckBox1 = new QCheckBox("物项号从", this);
  MaskEdit1 = new QLineEdit(this);
  MaskEdit2 = new QLineEdit(this);
  for (QLineEdit* e : {MaskEdit1, MaskEdit2}) {
    e->setInputMask("99-99-9999");
    e->setFixedWidth(100);
  }
  CheckBox2 = new QCheckBox("制单日期", this);
  const QDate today = QDate::currentDate();
  dt1 = dateEdit(this, QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)));
  dt2 = dateEdit(this, QDateTime(today, QTime(23, 59, 59)));
  CheckBox3 = new QCheckBox("未打印的任务单", this);
  CheckBox3->setChecked(true);

  auto* conditions = new QHBoxLayout;
  conditions->addWidget(new QLabel("部门", this));
  conditions->addWidget(depCmb);
  conditions->addSpacing(12);
  conditions->addWidget(CheckBox1);
  conditions->addWidget(MaskEdit1);
  conditions->addWidget(new QLabel("到", this));
  conditions->addWidget(MaskEdit2);
  conditions->addSpacing(12);
  conditions->addWidget(CheckBox2);
  conditions->addWidget(dt1);
  conditions->addWidget(new QLabel("到", this));
  conditions->addWidget(dt2);
  conditions->addSpacing(12);
  conditions->addWidget(CheckBox3);
  conditions->addStretch(1);

  grid_ = new DataGrid(this);
  grid_->setColumns(taskLineColumns());
  grid_->setReadOnly(true);
  grid_->setFooterVisible(true);
  grid_->setDataset(list_.get());
  grid_->applyStyle();
  grid_->applyLayout(pub, "bus_task_det");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addLayout(conditions);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(1100, 620));
}

Tbus_task_qryForm::~Tbus_task_qryForm() {
  grid_->setDataset(nullptr);
}

void Tbus_task_qryForm::showModal(QWidget* parent) {
  Tbus_task_qryForm form(parent);
  desktop().exec(form);
}

void Tbus_task_qryForm::qryActionExecute() {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select depNo as v from bas_dep where depName = :p1");
  pub.params().byName("p1").value = depCmb->currentText();
  pub.open();
  const QString depNo = pub.isEmpty() ? QString() : pub.valueAt(0, "v").toString();

  QString sql = "select * from view_up_bus_task where depNo = :dep";
  // The upper item is included with its lines: they extend its number, so they sort after it.
  if (CheckBox1->isChecked())
    sql += " and taskNo >= :lower and (taskNo < :upper or taskNo like :upperLines escape '\\')";
  if (CheckBox2->isChecked())
    sql += " and keyNo in (select keyNo from bus_task where docDate >= :from and docDate <= :to)";
  if (CheckBox3->isChecked()) sql += " and printCnt = 0";
  sql += " order by taskNo";
  list_->setCommandText(sql);
  list_->params().byName("dep").value = depNo;
  if (CheckBox1->isChecked()) {
    list_->params().byName("lower").value = MaskEdit1->text();
    list_->params().byName("upper").value = MaskEdit2->text();
    list_->params().byName("upperLines").value = startsWith(MaskEdit2->text());
  }
  if (CheckBox2->isChecked()) {
    list_->params().byName("from").value = dt1->dateTime();
    list_->params().byName("to").value = dt2->dateTime();
  }
  list_->open();
  grid_->refresh();
}

void Tbus_task_qryForm::printActionExecute() {
  if (!list_->active() || list_->isEmpty()) {
    prompter().message(kTaskNothingToPrint, Prompter::Icon::Information);
    return;
  }
  Tsys_reportForm report(this);
  report.category = "bus_task";
  report.treeMode = false;
  report.addDataset("生产任务单明细表", *list_);
  report.loadReports();
  desktop().exec(report);
  if (prompter().choose(kTaskPrintConfirm, {"确定", "取消"}, Prompter::Icon::Question) != 0) return;
  // One statement counts every listed line at once, however many there are (a statement takes
  // at most 2000 parameters): the numbers travel as one ",a,b," text.
  QString listed = ",";
  for (int r = 0; r < list_->recordCount(); ++r)
    listed += list_->valueAt(r, "taskNo").toString() + ',';
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_countTaskPrints :p1");
  pub.params().byName("p1").value = listed;
  pub.execute();
}

}  // namespace qk::client

#include "client/production/process_card_form.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <array>
#include <utility>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"

namespace qk::client {

namespace {

// The step columns switched by the process type, in grid order; the first is always shown.
const QStringList kStepFields{"workStep",  "dj",       "lj",       "rotSpeed", "cutSpeed",
                              "cutDeepth", "cutF",     "cutTime",  "cutTime2", "dy_sdwd",
                              "dy_zdwd",   "dy_lqfs",  "rcl_zlwd", "rcl_jrwd", "rcl_jrsj",
                              "rcl_bwsj",  "rcl_lqjz", "rcl_lqwd", "rcl_lqsj", "rcl_gs"};

// A process type's header fields in panel order, the blank field's caption on that panel, and
// the step columns (by index in kStepFields) it shows besides the work step.
struct ProcessPanel {
  const char* type;
  QStringList fields;
  const char* blankCaption;
  int firstStep, lastStep;
};

const std::array<ProcessPanel, 3>& panels() {
  static const std::array<ProcessPanel, 3> kPanels{{
      {"机加工", {"mpzl", "mpcc", "matNo", "jjmc", "qxy"}, "毛坯种类", 1, 8},
      {"锻压", {"matSize", "dy_dzhc", "matNo", "mpzl", "dy_djzl", "dy_hhzl"}, "毛坯重量", 9, 11},
      {"热处理", {"mpzl", "rcl_rcllh", "matNo", "rcl_method", "rcl_yd"}, "毛坯种类", 12, 18},
  }};
  return kPanels;
}

// Every field some panel shows: the screen places the current panel's, hides the others.
const QStringList kPanelFields{"mpzl",    "mpcc",      "matNo",      "jjmc",
                               "qxy",     "matSize",   "dy_dzhc",    "dy_djzl",
                               "dy_hhzl", "rcl_rcllh", "rcl_method", "rcl_yd"};
constexpr int kPanelRow = 1;
constexpr int kPanelColumns = 5;  // fields per header row

// Boxes that offer the values already stored in cards.
QString suggestionsSql(const QString& field) {
  return QString("select distinct %1 as v from bus_check where %1 <> '' order by %1").arg(field);
}

HeaderField suggest(const char* field, const char* caption) {
  return {.field = field,
          .caption = caption,
          .editor = HeaderEditor::Suggest,
          .valuesSql = suggestionsSql(field),
          .row = kPanelRow};
}

HeaderField text(const char* field, const char* caption) {
  return {.field = field, .caption = caption, .row = kPanelRow};
}

// The product of the card's task, as the task lines describe it.
QVariantMap taskDescription(DocumentEditor& e) {
  const QString taskNo = e.hasDocument() ? e.mCDS().fieldByName("taskNo").asString() : QString();
  Dataset& pub = e.dataModule().pubCDS;
  pub.setCommandText("select des from view_qry_bus_task where taskNo = :p1");
  pub.params().byName("p1").value = taskNo;
  pub.open();
  const QString des = pub.isEmpty() ? QString() : pub.valueAt(0, "des").toString();
  pub.close();
  return {{"des", des}};
}

Tbus_checkForm& card(DocumentEditor& e) {
  return static_cast<Tbus_checkForm&>(e);
}
const Tbus_checkForm& card(const DocumentEditor& e) {
  return static_cast<const Tbus_checkForm&>(e);
}

DocumentConfig processCardConfig() {
  DocumentConfig c;
  c.caption = "工艺卡片";
  c.masterTable = "bus_check";
  c.detailView = "bus_check_det";
  c.emptyMarker = "love";
  c.layoutKey = "bus_check_det";
  c.numbering = "bus_check";
  c.saveMaster = {"bus_check", "keyNo", ""};
  c.saveDetail = {"bus_check_det", "keyNo", "ItemNo"};
  c.printCategory = "bus_check";
  c.masterReportName = "工艺卡片主表";
  c.detailReportName = "工艺卡片明细表";
  c.newRecord = {
      userDefault("userName"),
      nowDefault("docDate"),
      {"taskNo", [](const DocumentEditor& e) { return QVariant(card(e).task().taskNo); }},
      {"qty", [](const DocumentEditor& e) { return card(e).task().qty; }},
      {"docType", [](const DocumentEditor&) { return QVariant(QString("机加工")); }},
  };
  c.header = {
      {.field = "docType",
       .caption = "工艺类别",
       .editor = HeaderEditor::PickList,
       .valuesSql = "select distinct docType as v from bas_doc where docId = '工艺卡片'"},
      {.field = "taskNo", .caption = "任务号", .editor = HeaderEditor::ReadOnly},
      {.field = "des", .caption = "产品描述", .editor = HeaderEditor::ReadOnly},
      {.field = "qty", .caption = "数量"},
      {.field = "devNo",
       .caption = "加工设备",
       .editor = HeaderEditor::List,
       .list = &DataModule::deviceCDS,
       .listKey = "devNo",
       .listName = "devName"},
      suggest("mpzl", "毛坯种类"),
      text("mpcc", "毛坯尺寸"),
      suggest("matNo", "材料牌号"),
      suggest("jjmc", "夹具"),
      suggest("qxy", "切削液"),
      text("matSize", "材料尺寸"),
      text("dy_dzhc", "锻造火次"),
      text("dy_djzl", "锻件重量"),
      text("dy_hhzl", "火耗重量"),
      text("rcl_rcllh", "热处理炉号"),
      suggest("rcl_method", "热处理方式"),
      text("rcl_yd", "硬度"),
      {.field = "remarkM", .caption = "备注", .row = 3},
  };
  c.computeHeader = taskDescription;
  c.computeOn = {"taskNo"};
  c.headerCheck = {{"docType"}, kCardTypeEmpty};
  c.lineQtyField = "";
  c.lineNumberField = "workStep";
  c.lineMessage = kCardStepEmpty;
  c.priceField = "";
  c.amountField = "";
  QStringList columns = kStepFields;
  columns << "remark"
          << "keyNo"
          << "itemNo"
          << "taskNo";
  c.columns = gridColumns(columns);
  for (GridColumn& col : c.columns)
    col.readOnly = col.field == "keyNo" || col.field == "itemNo" || col.field == "taskNo";
  c.beforeNew = [](DocumentEditor& e) {
    if (!card(e).task().taskNo.trimmed().isEmpty()) return true;
    prompter().message(kCardNeedsTask, Prompter::Icon::Warning);
    return false;
  };
  c.navigationScope = [](DocumentEditor& e) {
    return NavigationScope{"taskNo = :task", {{"task", card(e).task().taskNo}}};
  };
  c.setUp = [](DocumentEditor& e) {
    // Cards are found by moving among the task's cards; a finder would leave the task.
    e.findAction->setVisible(false);
    // The task number and description show whole, whichever panel shares their columns.
    e.headerEditor("taskNo")->setMinimumWidth(110);
    e.headerEditor("des")->setMinimumWidth(150);
    QComboBox* type = e.headerCombo("docType");
    QObject::connect(type, &QComboBox::currentTextChanged, &e,
                     [&e](const QString& t) { card(e).switchType(t); });
    card(e).switchType(type->count() > 0 ? type->itemText(0) : QString("机加工"));
    // Five fields a row and the card number beside them fit the screen's width.
    e.headerEditor("devNo")->setMinimumWidth(130);
    for (const HeaderField& h : e.config().header) {
      if (h.editor != HeaderEditor::Suggest) continue;
      e.headerCombo(h.field)->setMinimumWidth(90);
      e.headerCombo(h.field)->lineEdit()->installEventFilter(&e);
    }
  };
  return c;
}

}  // namespace

Tbus_checkForm::Tbus_checkForm(ProcessCardTask task, QWidget* parent)
    : DocumentEditor(processCardConfig(), parent), task_(std::move(task)) {}

void Tbus_checkForm::switchType(const QString& type) {
  const ProcessPanel* panel = nullptr;
  for (const ProcessPanel& p : panels())
    if (type == p.type) panel = &p;
  if (!panel) return;
  shownType_ = panel->type;

  auto* grid = qobject_cast<QGridLayout*>(headerPanel()->layout());
  for (const QString& f : kPanelFields) {
    for (QWidget* w : {static_cast<QWidget*>(headerLabel(f)), headerEditor(f)}) {
      grid->removeWidget(w);
      w->hide();
    }
  }
  for (int i = 0; i < panel->fields.size(); ++i) {
    const QString& f = panel->fields[i];
    const int row = kPanelRow + i / kPanelColumns;
    const int column = (i % kPanelColumns) * 2;
    QLabel* label = headerLabel(f);
    if (f == "mpzl") label->setText(panel->blankCaption);  // the same field, weighed when forged
    grid->addWidget(label, row, column, Qt::AlignRight);
    grid->addWidget(headerEditor(f), row, column + 1);
    label->show();
    headerEditor(f)->show();
  }

  for (int i = 0; i < kStepFields.size(); ++i) {
    GridColumn* col = dataGrid()->column(kStepFields[i]);
    if (col) col->visible = i == 0 || (i >= panel->firstStep && i <= panel->lastStep);
  }
  dataGrid()->refresh();
}

void Tbus_checkForm::refillSuggestions(const QString& field) {
  QComboBox* box = headerCombo(field);
  if (!box) return;
  // The typed text stays as it is: only the offered values change.
  const QSignalBlocker blocker(box);
  const QString typed = box->currentText();
  Dataset& pub = dataModule().pubCDS;
  pub.setCommandText(suggestionsSql(field));
  pub.open();
  box->clear();
  for (int r = 0; r < pub.recordCount(); ++r) box->addItem(pub.valueAt(r, "v").toString());
  pub.close();
  box->setEditText(typed);
}

bool Tbus_checkForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (const HeaderField& h : config().header) {
      QComboBox* box = h.editor == HeaderEditor::Suggest ? headerCombo(h.field) : nullptr;
      if (box && box->lineEdit() == watched) refillSuggestions(h.field);
    }
  }
  return DocumentEditor::eventFilter(watched, event);
}

void showProcessCards(QWidget* parent, const ProcessCardTask& task) {
  Tbus_checkForm form(task, parent);
  form.formShow();
  desktop().exec(form);
}

void registerProcessCardScreen() {
  registerScreen("bus_checkAction", [](QWidget* parent) -> std::unique_ptr<QDialog> {
    const auto row = Tsys_qryForm::find(parent, "生产任务单查询", "qry_bus_task");
    if (!row) return nullptr;
    ProcessCardTask task;
    for (auto it = row->cbegin(); it != row->cend(); ++it) {
      if (it.key().compare("taskNo", Qt::CaseInsensitive) == 0) task.taskNo = it.value().toString();
      if (it.key().compare("qty", Qt::CaseInsensitive) == 0) task.qty = it.value();
    }
    auto form = std::make_unique<Tbus_checkForm>(task, parent);
    form->formShow();
    return form;
  });
}

}  // namespace qk::client

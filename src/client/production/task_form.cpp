#include "client/production/task_form.h"

#include <QTreeView>
#include <utility>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/numbering.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/production/bom_form.h"
#include "client/production/task_query_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tree_grid.h"

namespace qk::client {

struct TaskBom {
  std::unique_ptr<Dataset> tree;
  TreeGrid* grid = nullptr;
  bool hidden = false;
};

namespace {

// Product description fields of a line and where the header (the sales-order view) and a tree
// node hold them.
struct ProductField {
  const char* line;
  const char* order;
  const char* node;
};
constexpr ProductField kProductFields[] = {
    {"productNo", "productNo", "gNo"},
    {"pName", "productName", "productName"},
    {"pSize", "productSize", "productSize"},
    {"pPre", "productPre", "productPre"},
    {"pMat", "productMat", "productMat"},
    {"pSta", "productSta", "productSta"},
    {"pUnit", "productUnit", "productUnit"},
    {"def1", "def1", "def1"},
    {"def2", "def2", "def2"},
    {"def3", "def3", "def3"},
    {"def4", "def4", "def4"},
    {"def5", "def5", "def5"},
    {"def6", "def6", "def6"},
};

std::vector<GridColumn> taskLineColumns() {
  QStringList fields{"taskNo", "taskIdName", "productNo", "pName",    "pSize",   "pPre",
                     "pMat",   "pSta",       "pUnit",     "procName", "depName", "qty",
                     "pDate",  "keyNo",      "itemNo",    "des"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "gsNo"
         << "taskIdNo"
         << "fQty"
         << "done"
         << "procNo"
         << "depNo"
         << "ylgg"
         << "ylz"
         << "remark";
  const QStringList readOnly{"taskNo", "keyNo", "itemNo", "gsNo", "taskIdNo",
                             "fQty",   "done",  "procNo", "depNo"};
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    c.readOnly = readOnly.contains(c.field);  // numbers given at save or through their names
    if (c.field == "taskNo") {
      c.footer = FooterKind::Text;
      c.footerText = "合计";
    }
  }
  return cols;
}

std::vector<GridColumn> taskBomColumns() {
  std::vector<GridColumn> cols = gridColumns({"lev", "gNo", "gDes", "gUnit", "ylQty"});
  const char* titles[] = {"层次", "物料编号", "物料描述", "单位", "用量"};
  const int widths[] = {40, 110, 160, 40, 60};
  for (std::size_t i = 0; i < cols.size(); ++i) {
    cols[i].title = titles[i];
    cols[i].width = widths[i];
  }
  return cols;
}

// The header's values from its sales-order line; empty (or 0) when the item number has none.
QVariantMap orderLineOf(DocumentEditor& e) {
  const QString gsNo = e.hasDocument() ? e.mCDS().fieldByName("gsNo").asString() : QString();
  Dataset& pub = e.dataModule().pubCDS;
  pub.setCommandText("select * from view_qry_bus_so where gsNo = :p1");
  pub.params().byName("p1").value = gsNo;
  pub.open();
  const bool found = !pub.isEmpty();
  auto value = [&](const char* field) { return found ? pub.valueAt(0, field) : QVariant(); };
  QVariantMap out;
  out.insert("des", value("des").toString());
  for (const ProductField& f : kProductFields) out.insert(f.line, value(f.order).toString());
  out.insert("dlvDate", value("dlvDate"));
  out.insert("qty", value("qty").toDouble());
  pub.close();
  return out;
}

DocumentConfig taskConfig(const std::shared_ptr<TaskBom>& bom) {
  DocumentConfig c;
  c.caption = "生产任务单";
  c.masterTable = "bus_task";
  c.detailView = "view_up_bus_task";
  c.emptyMarker = "new order";
  c.layoutKey = "bus_task_det";
  c.numbering = "bus_task";
  c.saveMaster = {"bus_task", "keyNo", ""};
  c.saveDetail = {"bus_task_det", "taskNo", ""};
  c.find = {"生产任务单查询", "qry_bus_task"};
  c.findMenu = {{"自定义查找", [](DocumentEditor& e) { e.findActionExecute(); }},
                {"按物项号查找", [](DocumentEditor& e) { e.findByGsNo("bus_task"); }}};
  c.printCategory = "bus_task";
  c.masterReportName = "生产任务单主表";
  c.detailReportName = "生产任务单明细表";
  c.printMenu = {{"打印", [](DocumentEditor& e) { e.printActionExecute(); }},
                 {"分类打印", [](DocumentEditor& e) { Tbus_task_qryForm::showModal(&e); }}};
  c.newRecord = {nowDefault("docDate"), userDefault("userName")};
  auto choose = [](DocumentEditor& e) { static_cast<Tbus_taskForm&>(e).gsNoButtonClick(); };
  c.header = {
      {.field = "gsNo", .caption = "物项号", .editor = HeaderEditor::ReadOnly, .button = choose},
      {.field = "productNo", .caption = "产品编号", .editor = HeaderEditor::ReadOnly},
      {.field = "des", .caption = "产品描述", .editor = HeaderEditor::ReadOnly},
      {.field = "dlvDate", .caption = "交货日期", .editor = HeaderEditor::ReadOnly},
      {.field = "qty", .caption = "数量", .editor = HeaderEditor::ReadOnly},
      {.field = "remarkM", .caption = "备注", .row = 1},
  };
  c.computeHeader = orderLineOf;
  c.computeOn = {"gsNo"};
  c.headerCheck = {{"gsNo"}, kTaskNoGsNo};
  c.lineMessage = kTaskLineIncomplete;
  c.columns = taskLineColumns();
  c.lookups = {
      {"taskIdName", "taskIdNo", &DataModule::taskIdCDS, "taskIdNo", "taskIDName"},
      {"procName", "procNo", &DataModule::processCDS, "procNo", "procName"},
      {"depName", "depNo", &DataModule::depCDS, "depNo", "depName"},
  };
  // The first new line continues the item's task-line numbers, the others follow it: -01, -02.
  c.lineNumbers = {"taskNo",
                   [](DocumentEditor& e) {
                     return nextTaskNo(e.mCDS().fieldByName("gsNo").asString().trimmed(),
                                       e.dataModule().pubCDS);
                   },
                   2};
  c.addLine = [](DocumentEditor& e) { static_cast<Tbus_taskForm&>(e).addLineFromBom(); };
  c.sideWidget = [bom](DocumentEditor& e) -> QWidget* {
    bom->grid = new TreeGrid(&e);
    bom->grid->setIdField("nodeId");  // one sub-assembly may hang under several parents
    bom->grid->setParentField("parentNodeId");
    bom->grid->setColumns(taskBomColumns());
    bom->grid->setTreeField("gNo");
    bom->grid->setAlwaysExpanded(true);
    bom->grid->setDataset(bom->tree.get());
    bom->grid->setMinimumWidth(320);
    bom->grid->setVisible(!bom->hidden);
    return bom->grid;
  };
  c.setUp = [bom](DocumentEditor&) { bom->grid->applyStyle(); };
  c.afterLoad = [](DocumentEditor& e) {
    e.dCDS().clearFilter();  // a tree click's filter belongs to the document it was made on
    static_cast<Tbus_taskForm&>(e).loadBom();
  };
  return c;
}

}  // namespace

Tbus_taskForm::Tbus_taskForm(QWidget* parent)
    : Tbus_taskForm(
          std::make_shared<TaskBom>(TaskBom{std::make_unique<Dataset>(dm().connection(), "bomDSP"),
                                            nullptr, settings().hideBom}),
          parent) {}

Tbus_taskForm::Tbus_taskForm(std::shared_ptr<TaskBom> bom, QWidget* parent)
    : DocumentEditor(taskConfig(bom), parent), bom_(std::move(bom)) {
  connect(bom_->grid->view(), &QTreeView::clicked, this, [this](const QModelIndex& index) {
    guarded([&] {
      const int row = bom_->grid->rowOf(index);
      if (row < 0) return;
      treeCDS().moveTo(row);
      bomCellClick();
    });
  });
}

Tbus_taskForm::~Tbus_taskForm() {
  bom_->grid->setDataset(nullptr);
}

Dataset& Tbus_taskForm::treeCDS() {
  return *bom_->tree;
}

TreeGrid* Tbus_taskForm::bomGrid() const {
  return bom_->grid;
}

bool Tbus_taskForm::bomHidden() const {
  return bom_->hidden;
}

void Tbus_taskForm::loadBom() {
  loadBomTree(treeCDS(), bom_->hidden ? QString() : computedValue("productNo").toString());
}

void Tbus_taskForm::gsNoButtonClick() {
  if (state() == State::Browse || !hasDocument()) return;
  const auto row = Tsys_qryForm::find(this, "销售订单查询", "qry_bus_so");
  if (!row) return;
  mCDS().edit();
  mCDS().fieldByName("gsNo").setValue(row->value("gsNo"));
  mCDS().post();
  refreshComputed();
  loadBom();
}

void Tbus_taskForm::bomCellClick() {
  Dataset& tree = treeCDS();
  if (!tree.active() || tree.isEmpty()) return;
  dataGrid()->commitEdit();
  dCDS().checkBrowseMode();
  if (tree.fieldByName("lev").asInteger() == 0) {
    dCDS().clearFilter();
    return;
  }
  const QString gNo = tree.fieldByName("gNo").asString();
  dCDS().setFilter([gNo](const Record& r) { return r.value("productNo").toString() == gNo; });
}

void Tbus_taskForm::addLineFromBom() {
  if (mCDS().fieldByName("gsNo").asString().trimmed().isEmpty()) {
    prompter().message(kTaskChooseGsNo, Prompter::Icon::Information);
    return;
  }
  Dataset& tree = treeCDS();
  const bool fromTree = !bom_->hidden;
  if (fromTree && (!tree.active() || tree.isEmpty())) {
    prompter().message(kTaskChooseBomNode, Prompter::Icon::Information);
    return;
  }
  // The ordered quantity times the node's usage and every positive usage above it up to the
  // root, found by the node keys: a shared sub-assembly has one node under each parent.
  double factor = 1;
  const int node = fromTree ? tree.currentRow() : -1;
  if (fromTree) {
    auto parentOf = [&](int row) {
      const QVariant parent = tree.valueAt(row, "parentNodeId");
      for (int r = 0; r < tree.recordCount(); ++r)
        if (parent.isValid() && tree.valueAt(r, "nodeId") == parent) return r;
      return -1;
    };
    if (tree.valueAt(node, "lev").toInt() > 0) factor = tree.valueAt(node, "ylQty").toDouble();
    // Bounded by the number of nodes, so a broken parent chain cannot loop.
    for (int row = node, steps = 0;
         row >= 0 && tree.valueAt(row, "lev").toInt() > 0 && steps < tree.recordCount(); ++steps) {
      row = parentOf(row);
      if (row >= 0 && tree.valueAt(row, "ylQty").toDouble() > 0)
        factor *= tree.valueAt(row, "ylQty").toDouble();
    }
  }
  const QVariantMap product = [&] {
    QVariantMap out;
    for (const ProductField& f : kProductFields)
      out.insert(f.line, fromTree ? tree.valueAt(node, f.node) : computedValue(f.line));
    return out;
  }();

  dataGrid()->commitEdit();
  Dataset& lines = dCDS();
  lines.checkBrowseMode();
  lines.append();
  lines.fieldByName("pDate").setValue(nowDefault("pDate").value(*this));
  // Task type 1, shown by its name as the drop-down would have chosen it.
  Dataset& types = dataModule().taskIdCDS;
  if (!types.active()) types.open();
  for (int r = 0; r < types.recordCount(); ++r)
    if (types.valueAt(r, "taskIdNo").toInt() == 1)
      lines.fieldByName("taskIdName").setValue(types.valueAt(r, "taskIDName"));
  lines.fieldByName("taskIdNo").setValue(1);
  lines.fieldByName("gsNo").setValue(mCDS().fieldByName("gsNo").value());
  for (auto it = product.begin(); it != product.end(); ++it)
    lines.fieldByName(it.key()).setValue(it.value());
  lines.fieldByName("qty").setValue(computedValue("qty").toDouble() * factor);
  lines.post();
}

}  // namespace qk::client

#include "client/production/bom_form.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/tree_grid.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

// The part's description fields, copied from a picked product under the same names.
const QStringList kPartFields{"productName", "productSize", "productPre", "productMat",
                              "productSta",  "productUnit", "def1",       "def2",
                              "def3",        "def4",        "def5",       "def6"};

std::vector<GridColumn> bomColumns() {
  QStringList fields{"sysId", "parentId", "lev",        "gNo",         "gDes",  "gUnit",  "itemNo",
                     "ylQty", "drwNo",    "effectDate", "invalidDate", "mType", "remark", "stoped"};
  fields << kPartFields;
  std::vector<GridColumn> cols = gridColumns(fields);
  const QStringList editable{"gNo",         "itemNo", "ylQty",  "drwNo", "effectDate",
                             "invalidDate", "mType",  "remark", "stoped"};
  for (GridColumn& c : cols) {
    c.readOnly = !editable.contains(c.field);
    if (c.field == "gNo" || c.field == "drwNo") {
      c.button = CellButton::Ellipsis;
      c.width = 150;
    }
    if (c.field == "gDes") c.width = 200;
    if (c.field == "effectDate" || c.field == "invalidDate") c.dateEditor = true;
    if (c.field == "mType") c.pickList = QStringList{"主料", "辅料"};
  }
  return cols;
}

// An empty date travels as null rather than as a made-up day.
QVariant dateParam(const Field& f) {
  return f.isNull() ? QVariant() : QVariant(f.asDateTime());
}

}  // namespace

TbomForm::TbomForm(QWidget* parent)
    : QDialog(parent), tree_(std::make_unique<Dataset>(dm().connection(), "bomDSP")) {
  setWindowTitle("物料清单");
  tree_->beforePost = [this](Dataset& ds) { saveLine(ds); };
  // Each line is written by its own statement; nothing is ever sent as a change log.
  tree_->afterPost = [](Dataset& ds) { ds.mergeChangeLog(); };

  QToolBar* bar = newToolBar(this);
  addToolActions(
      *bar,
      {
          {"增加", 'T', "insert", "在当前项下增加一项", [this] { addActionExecute(); }, &addAction},
          {"修改", 'W', "edit", {}, [this] { editActionExecute(); }, &editAction},
          {"删除", 'X', "delete", {}, [this] { delActionExecute(); }, &delAction},
          {"保存", 'Y', "save", {}, [this] { saveActionExecute(); }, &saveAction},
          {"取消", 'Z', "cancel", {}, [this] { cancelActionExecute(); }, &cancelAction},
          {"查找", 'U', "find", "选择物料", [this] { findActionExecute(); }, &findAction},
          {"关闭", 'V', "close", {}, [this] { reject(); }, &closeAction},
      });

  grid_ = new TreeGrid(this);
  grid_->setIdField("nodeId");  // one sub-assembly may hang under several parents
  grid_->setParentField("parentNodeId");
  grid_->setColumns(bomColumns());
  grid_->setTreeField("gNo");
  grid_->setEditable(true);
  grid_->setAlwaysExpanded(true);
  grid_->setDataset(tree_.get());
  grid_->applyStyle();
  grid_->applyLayout(dm().pubCDS, "bom");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(1100, 620));

  connect(grid_, &TreeGrid::buttonClicked, this, [this](const QString& field, int) {
    guarded([&] {
      if (field == "gNo") gNoButtonClick();
      if (field == "drwNo") drwNoButtonClick();
    });
  });
  connect(tree_.get(), &Dataset::changed, this, [this] { updateActions(); });
  connect(tree_.get(), &Dataset::currentChanged, this, [this] { updateActions(); });
  updateActions();
}

TbomForm::~TbomForm() {
  grid_->setDataset(nullptr);
}

void TbomForm::openForProduct(const QString& productNo) {
  productNo_ = productNo;
  findAction->setVisible(false);
  loadTree();
}

void TbomForm::updateActions() {
  const bool rows = tree_->active() && !tree_->isEmpty();
  const bool editing = isEditing(*tree_);
  addAction->setEnabled(rows);
  editAction->setEnabled(rows && !editing);
  delAction->setEnabled(rows);
  saveAction->setEnabled(editing);
  cancelAction->setEnabled(editing);
}

void loadBomTree(Dataset& tree, const QString& productNo) {
  tree.close();
  if (productNo.trimmed().isEmpty()) return;
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_createBomTree");
  pub.execute();
  pub.setCommandText("exec sp_getBomTree :p1,0,1,1");
  pub.params().byName("p1").value = productNo;
  pub.execute();
  tree.open();  // the provider hands over the tree the procedures prepared
  tree.first();
}

void TbomForm::loadTree() {
  loadBomTree(*tree_, productNo_);
}

void TbomForm::findActionExecute() {
  if (const auto row = Tsys_qryForm::find(this, "物料查询", "bas_products"))
    productNo_ = row->value("productNo").toString();
  loadTree();
}

void TbomForm::addActionExecute() {
  if (!tree_->active() || tree_->isEmpty()) return;
  grid_->commitEdit();
  tree_->checkBrowseMode();  // a line being typed is saved before another one starts
  reloadIfShared();
  const int row = tree_->currentRow();
  const QVariant parentId = tree_->valueAt(row, "sysId");
  const qlonglong parentLev = tree_->valueAt(row, "lev").toLongLong();
  parentPart_ = tree_->valueAt(row, "gNo").toString().trimmed();
  grid_->insertChild();
  tree_->fieldByName("parentId").setValue(parentId);
  tree_->fieldByName("lev").setValue(parentLev + 1);
}

void TbomForm::editActionExecute() {
  if (tree_->active() && !tree_->isEmpty()) tree_->edit();
}

void TbomForm::saveActionExecute() {
  grid_->commitEdit();
  tree_->post();
  reloadIfShared();
}

int TbomForm::occurrences(const QString& field, const QVariant& value) const {
  int n = 0;
  for (int row = 0; row < tree_->recordCount(); ++row) {
    const QVariant v = tree_->valueAt(row, field);
    if (field == "gNo" ? v.toString().trimmed().compare(value.toString(), Qt::CaseInsensitive) == 0
                       : v == value)
      ++n;
  }
  return n;
}

void TbomForm::reloadIfShared() {
  if (!reloadAt_) return;
  const qlonglong sysId = *reloadAt_;
  reloadAt_.reset();
  loadTree();
  if (!tree_->locate("sysId", sysId)) tree_->first();
}

void TbomForm::cancelActionExecute() {
  grid_->commitEdit();
  tree_->cancel();
}

void TbomForm::saveLine(Dataset& ds) {
  const auto refuse = [](const char* text) {
    prompter().message(text, Prompter::Icon::Warning);
    throw Abort();
  };
  if (ds.fieldByName("lev").asInteger() == 0) refuse(kBomRootNotEditable);
  if (ds.fieldByName("gNo").asString().trimmed().isEmpty()) refuse(kBomPartEmpty);
  if (ds.fieldByName("ylQty").asFloat() == 0) refuse(kBomQtyEmpty);

  const QVariantList values{
      ds.fieldByName("gNo").asString(),        ds.fieldByName("itemNo").asInteger(),
      ds.fieldByName("ylQty").asFloat(),       ds.fieldByName("drwNo").asString(),
      dateParam(ds.fieldByName("effectDate")), dateParam(ds.fieldByName("invalidDate")),
      ds.fieldByName("mType").asString(),      ds.fieldByName("stoped").asBoolean(),
      ds.fieldByName("remark").asString()};
  Dataset& pub = dm().pubCDS;
  if (ds.state() == Dataset::State::Insert) {
    pub.setCommandText("exec sp_bom_insert :p1,:p2,:p3,:p4,:p5,:p6,:p7,:p8,:p9,:p10");
    pub.params()[0].value = parentPart_;
    for (int i = 0; i < values.size(); ++i) pub.params()[i + 1].value = values[i];
    pub.open();
    if (pub.isEmpty()) throw DataError("数据库没有返回新增物料清单项的编号");
    // The line is addressed by its identity from now on, so a change right after reaches it.
    ds.fieldByName("sysId").setValue(pub.valueAt(0, "sysid"));
    if (occurrences("gNo", parentPart_) > 1) reloadAt_ = ds.fieldByName("sysId").asInteger();
    return;
  }
  pub.setCommandText(
      "update bom set partNo = :p1,itemNo = :p2,ylQty = :p3,drwNo = :p4,effectDate = :p5,"
      "invalidDate = :p6,mType = :p7,stop = :p8,remark = :p9 where sysid = :c1");
  for (int i = 0; i < values.size(); ++i) pub.params()[i].value = values[i];
  pub.params().byName("c1").value = ds.fieldByName("sysId").asInteger();
  pub.execute();
  if (pub.rowsAffected() == 0) refuse(kBomLineGone);
  const qlonglong sysId = ds.fieldByName("sysId").asInteger();
  if (occurrences("sysId", sysId) > 1) reloadAt_ = sysId;
}

void TbomForm::delActionExecute() {
  if (!tree_->active() || tree_->isEmpty()) return;
  grid_->commitEdit();
  if (tree_->state() == Dataset::State::Insert) {
    tree_->cancel();  // never written, nothing to delete
    return;
  }
  if (tree_->fieldByName("lev").asInteger() == 0) {
    prompter().message(kBomRootNotDeletable, Prompter::Icon::Warning);
    return;
  }
  if (prompter().choose(kBomConfirmDelete, {"确定", "取消"}, Prompter::Icon::Question) != 0) return;
  tree_->cancel();
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("delete from bom where sysid = :p1");
  pub.params().byName("p1").value = tree_->fieldByName("sysId").asInteger();
  pub.execute();
  // The line's own sub-assembly stays in the database; it only leaves this product's tree.
  const qlonglong sysId = tree_->fieldByName("sysId").asInteger();
  if (occurrences("sysId", sysId) > 1) reloadAt_ = tree_->fieldByName("parentId").asInteger();
  grid_->deleteCurrent();
  tree_->mergeChangeLog();
  reloadIfShared();
}

void TbomForm::gNoButtonClick() {
  if (!tree_->active() || tree_->isEmpty() || tree_->fieldByName("lev").asInteger() == 0) return;
  const auto row = Tsys_qryForm::find(this, "物料查询", "bas_products");
  if (!row) return;
  if (tree_->state() == Dataset::State::Browse) tree_->edit();
  tree_->fieldByName("gNo").setValue(row->value("productNo"));
  tree_->fieldByName("gDes").setValue(row->value("des"));
  tree_->fieldByName("gUnit").setValue(row->value("productUnit"));
  for (const QString& f : kPartFields) tree_->fieldByName(f).setValue(row->value(f));
}

void TbomForm::drwNoButtonClick() {
  if (!tree_->active() || tree_->isEmpty()) return;
  const auto row = Tsys_qryForm::find(this, "图纸查询", "bas_drawing");
  if (!row) return;
  if (tree_->state() == Dataset::State::Browse) tree_->edit();
  tree_->fieldByName("drwNo").setValue(row->value("drwNo"));
}

void TbomForm::reject() {
  grid_->commitEdit();
  if (isEditing(*tree_)) {
    if (!confirmClose()) return;
    tree_->cancel();
  }
  QDialog::reject();
}

}  // namespace qk::client

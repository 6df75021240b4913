#include "client/masterdata/gtype_form.h"

#include <QAction>
#include <QApplication>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/tree_grid.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

std::vector<GridColumn> categoryColumns() {
  std::vector<GridColumn> cols =
      gridColumns({"productId", "pIdName", "remark", "needBom", "needDrawing"});
  const QStringList titles{"类别编号", "类别名", "备注", "需设bom", "需设图纸"};
  const int widths[] = {160, 160, 220, 70, 70};
  for (std::size_t i = 0; i < cols.size(); ++i) {
    cols[i].title = titles[static_cast<int>(i)];
    cols[i].width = widths[i];
  }
  return cols;
}

}  // namespace

Tbas_gTypeForm::Tbas_gTypeForm(QWidget* parent)
    : QDialog(parent), ds_(std::make_unique<Dataset>(dm().connection(), "gTypeDSP")) {
  setWindowTitle("物料类别设置");
  ds_->beforePost = [this](Dataset& d) { checkCategory(d); };
  ds_->beforeDelete = [this](Dataset& d) { checkDeletion(d); };
  ds_->afterPost = [this](Dataset&) { send(); };
  ds_->afterDelete = [this](Dataset&) { send(); };
  ds_->onReconcileError = [](const RowError& e) {
    prompter().message(e.message, Prompter::Icon::Stop);
  };

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar,
                 {
                     {"选择", 0, "select", "选中该类别", [this] { selectActionExecute(); },
                      &selectAction, false},
                     {"增加",
                      'T',
                      "insert",
                      "增加同级类别",
                      [this] { sameLevelActionExecute(); },
                      &addAction,
                      true,
                      {{"同级", 0, "insert", "在当前类别旁增加一个类别",
                        [this] { sameLevelActionExecute(); }, &sameLevelAction},
                       {"下级", 0, "insert", "在当前类别下增加一个类别",
                        [this] { childActionExecute(); }, &childAction}}},
                     {"修改", 'W', "edit", {}, [this] { editActionExecute(); }, &editAction},
                     {"删除", 'X', "delete", {}, [this] { delActionExecute(); }, &delAction},
                     {"保存", 'Y', "save", {}, [this] { saveActionExecute(); }, &saveAction},
                     {"取消", 'Z', "cancel", {}, [this] { cancelActionExecute(); }, &cancelAction},
                     {"关闭", 'V', "close", {}, [this] { reject(); }, &closeAction},
                 });

  grid_ = new TreeGrid(this);
  grid_->setIdField("productId");
  grid_->setParentField("parent_id");
  grid_->setColumns(categoryColumns());
  grid_->setTreeField("productId");
  grid_->setEditable(true);
  grid_->setAlwaysExpanded(true);
  grid_->applyStyle();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(760, 520));

  ds_->open();
  grid_->setDataset(ds_.get());
  ds_->last();
  ds_->first();
  connect(ds_.get(), &Dataset::changed, this, [this] { updateActions(); });
  connect(ds_.get(), &Dataset::currentChanged, this, [this] { updateActions(); });
  updateActions();
}

Tbas_gTypeForm::~Tbas_gTypeForm() {
  grid_->setDataset(nullptr);
}

void Tbas_gTypeForm::updateActions() {
  const bool rows = ds_->active() && !ds_->isEmpty();
  const bool unsaved = hasUnsavedWork(*ds_);
  childAction->setEnabled(rows);
  editAction->setEnabled(rows && !isEditing(*ds_));
  delAction->setEnabled(rows);
  saveAction->setEnabled(unsaved);
  cancelAction->setEnabled(unsaved);
}

void Tbas_gTypeForm::setPickerMode(bool on) {
  selectAction->setVisible(on);
}

void Tbas_gTypeForm::appendCategory(const QVariant& parentId, const QVariant& lev) {
  ds_->append();
  ds_->fieldByName("parent_id").setValue(parentId);
  ds_->fieldByName("lev").setValue(lev);
}

void Tbas_gTypeForm::sameLevelActionExecute() {
  grid_->commitEdit();
  ds_->checkBrowseMode();
  if (ds_->isEmpty()) {
    appendCategory(QString(""), 1);  // the first category of an empty tree is a root
    return;
  }
  appendCategory(ds_->fieldByName("parent_id").value(), ds_->fieldByName("lev").value());
}

void Tbas_gTypeForm::childActionExecute() {
  grid_->commitEdit();
  ds_->checkBrowseMode();
  if (ds_->isEmpty()) return;
  const QVariant parentId = ds_->fieldByName("productId").value();
  appendCategory(parentId, ds_->fieldByName("lev").asInteger() + 1);
}

void Tbas_gTypeForm::editActionExecute() {
  if (ds_->active() && !ds_->isEmpty()) ds_->edit();
}

void Tbas_gTypeForm::checkCategory(Dataset& d) {
  if (d.fieldByName("productId").asString().trimmed().isEmpty() ||
      d.fieldByName("pIdName").asString().trimmed().isEmpty()) {
    prompter().message(kCategoryIncomplete, Prompter::Icon::Warning,
                       QApplication::applicationDisplayName());
    throw Abort();
  }
}

void Tbas_gTypeForm::checkDeletion(Dataset& d) {
  if (!prompter().confirm(kCategoryConfirmDelete)) throw Abort();
  const QVariant id = d.fieldByName("productId").value();
  auto rowsWithCategory = [&id](const char* sql) {
    Dataset& pub = dm().pubCDS;
    pub.setCommandText(sql);
    pub.params().byName("p1").value = id;
    pub.open();
    const qint64 n = pub.field(0).asInteger();
    pub.close();
    return n;
  };
  if (rowsWithCategory("select count(*) from bas_productId where parent_id = :p1") > 0) {
    prompter().message(kCategoryHasChildren, Prompter::Icon::Stop);
    throw Abort();
  }
  // Products of a deleted category would show no category and could not be found by it.
  const qint64 products =
      rowsWithCategory("select count(*) from bas_products where productId = :p1");
  if (products > 0) {
    prompter().message(QString(kCategoryInUse).arg(products), Prompter::Icon::Stop);
    throw Abort();
  }
}

void Tbas_gTypeForm::send() {
  ds_->applyUpdates(0);
}

void Tbas_gTypeForm::delActionExecute() {
  grid_->commitEdit();
  if (!ds_->active() || ds_->isEmpty()) return;
  if (ds_->state() == Dataset::State::Insert) {
    ds_->cancel();  // never saved: nothing to ask or send
    return;
  }
  ds_->checkBrowseMode();
  ds_->remove();
}

void Tbas_gTypeForm::saveActionExecute() {
  grid_->commitEdit();
  if (isEditing(*ds_))
    ds_->post();  // sent by afterPost
  else if (ds_->changeCount() > 0)
    send();  // what the server refused before goes again
  updateActions();
}

void Tbas_gTypeForm::cancelActionExecute() {
  if (isEditing(*ds_))
    ds_->cancel();
  else if (ds_->changeCount() > 0)
    ds_->cancelUpdates();
  updateActions();
}

void Tbas_gTypeForm::selectActionExecute() {
  grid_->commitEdit();
  ds_->checkBrowseMode();
  if (!ds_->isEmpty()) accept();
}

void Tbas_gTypeForm::reject() {
  grid_->commitEdit();
  if (isEditing(*ds_)) {
    if (!confirmClose()) return;
    ds_->cancel();
  }
  if (ds_->changeCount() > 0) send();
  QDialog::reject();
}

}  // namespace qk::client

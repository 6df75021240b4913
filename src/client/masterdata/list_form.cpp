#include "client/masterdata/list_form.h"

#include <QAction>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/error_handler.h"

namespace qk::client {

namespace {

// A list whose number or name is blank cannot be found again by anyone: refuse it before the
// server sees it, and leave the row as typed so the user can finish it.
void checkNumberAndName(Dataset& ds, const QString& numberField, const QString& nameField,
                        const QString& nameMessage) {
  if (ds.fieldByName(numberField).asString().trimmed().isEmpty()) {
    prompter().message(kNumberEmpty);
    throw Abort();
  }
  if (ds.fieldByName(nameField).asString().trimmed().isEmpty()) {
    prompter().message(nameMessage);
    throw Abort();
  }
}

}  // namespace

std::function<int(QDialog&)> TlistForm::runModal = [](QDialog& dlg) { return dlg.exec(); };

void installListRules(const ListConfig& config) {
  Dataset& ds = *config.dataset;
  if (!config.numberField.isEmpty()) {
    ds.beforePost = [number = config.numberField, name = config.nameField,
                     message = config.nameMessage](Dataset& d) {
      checkNumberAndName(d, number, name, message);
    };
  }
  std::function<void(Dataset&)> apply = config.apply;
  if (!apply) apply = [](Dataset& d) { d.applyUpdates(0); };
  if (config.applyAfterPost) ds.afterPost = apply;
  if (config.applyAfterDelete) ds.afterDelete = apply;
  // The refused row stays in the change log and goes again with the next apply.
  ds.onReconcileError = [](const RowError& e) {
    prompter().message(e.message, Prompter::Icon::Warning);
  };
}

TlistForm::TlistForm(ListConfig config, QWidget* parent)
    : QDialog(parent), config_(std::move(config)) {
  if (!config_.dataset) throw DataError("列表没有数据集");
  setWindowTitle(config_.caption);
  installListRules(config_);

  auto* bar = new QToolBar(this);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setIconSize(QSize(24, 24));
  QStyle* st = style();
  insertAction = bar->addAction(st->standardIcon(QStyle::SP_FileDialogNewFolder), "增加(&T)");
  editAction = bar->addAction(st->standardIcon(QStyle::SP_FileDialogDetailedView), "修改(&W)");
  deleteAction = bar->addAction(st->standardIcon(QStyle::SP_TrashIcon), "删除(&X)");
  saveAction = bar->addAction(st->standardIcon(QStyle::SP_DialogSaveButton), "保存(&Y)");
  cancelAction = bar->addAction(st->standardIcon(QStyle::SP_DialogCancelButton), "取消(&Z)");
  if (!config_.printCategory.isEmpty())
    printAction = bar->addAction(st->standardIcon(QStyle::SP_FileDialogContentsView), "打印(&U)");
  bar->addSeparator();
  firstAction = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipBackward), "首条");
  priorAction = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekBackward), "上一条");
  nextAction = bar->addAction(st->standardIcon(QStyle::SP_MediaSeekForward), "下一条");
  lastAction = bar->addAction(st->standardIcon(QStyle::SP_MediaSkipForward), "末条");
  bar->addSeparator();
  if (config_.picker) {
    selectAction = bar->addAction(st->standardIcon(QStyle::SP_DialogApplyButton), "选择");
    selectAction->setVisible(false);
  }
  closeAction = bar->addAction(st->standardIcon(QStyle::SP_DialogCloseButton), "关闭(&V)");

  grid_ = new DataGrid(this);
  grid_->setColumns(config_.columns);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  resize(900, 560);

  Dataset& ds = *config_.dataset;
  if (config_.prepare) config_.prepare(ds);
  if (!ds.active()) ds.open();
  grid_->setDataset(&ds);
  grid_->applyStyle();
  if (!config_.layoutKey.isEmpty()) grid_->applyLayout(dm().pubCDS, config_.layoutKey);

  // Every failure of an action reaches the user as its text; the row keeps what was typed.
  connect(insertAction, &QAction::triggered, this, guardedSlot([this] { insertActionExecute(); }));
  connect(editAction, &QAction::triggered, this, guardedSlot([this] { editActionExecute(); }));
  connect(deleteAction, &QAction::triggered, this, guardedSlot([this] { deleteActionExecute(); }));
  connect(saveAction, &QAction::triggered, this, guardedSlot([this] { saveActionExecute(); }));
  connect(cancelAction, &QAction::triggered, this, guardedSlot([this] { cancelActionExecute(); }));
  if (printAction)
    connect(printAction, &QAction::triggered, this, guardedSlot([this] { printActionExecute(); }));
  if (selectAction)
    connect(selectAction, &QAction::triggered, this,
            guardedSlot([this] { selectActionExecute(); }));
  connect(firstAction, &QAction::triggered, this, guardedSlot([this] { dataset().first(); }));
  connect(priorAction, &QAction::triggered, this, guardedSlot([this] { dataset().prior(); }));
  connect(nextAction, &QAction::triggered, this, guardedSlot([this] { dataset().next(); }));
  connect(lastAction, &QAction::triggered, this, guardedSlot([this] { dataset().last(); }));
  connect(closeAction, &QAction::triggered, this, &QDialog::reject);
  connect(&ds, &Dataset::changed, this, [this] { updateActions(); });
  connect(&ds, &Dataset::currentChanged, this, [this] { updateActions(); });
  updateActions();
}

TlistForm::~TlistForm() = default;

void TlistForm::updateActions() {
  const Dataset& ds = dataset();
  const bool editing = ds.state() == Dataset::State::Edit || ds.state() == Dataset::State::Insert;
  const bool rows = ds.active() && !ds.isEmpty();
  editAction->setEnabled(!editing && rows);
  deleteAction->setEnabled(rows);
  saveAction->setEnabled(editing);
  cancelAction->setEnabled(editing);
}

void TlistForm::setPickerMode(bool on) {
  if (selectAction) selectAction->setVisible(on);
}

void TlistForm::insertActionExecute() {
  dataset().append();
}

void TlistForm::editActionExecute() {
  dataset().edit();
}

void TlistForm::deleteActionExecute() {
  Dataset& ds = dataset();
  if (ds.state() == Dataset::State::Insert) {
    ds.cancel();  // a row never saved has nothing to delete on the server
    return;
  }
  if (!ds.isEmpty()) ds.remove();
}

void TlistForm::saveActionExecute() {
  grid_->commitEdit();
  dataset().post();
}

void TlistForm::cancelActionExecute() {
  dataset().cancel();
}

void TlistForm::printActionExecute() {
  if (config_.printCategory.isEmpty()) return;
  Tsys_reportForm dlg(this);
  dlg.category = config_.printCategory;
  dlg.treeMode = false;
  dlg.loadReports();
  runModal(dlg);
}

void TlistForm::selectActionExecute() {
  dataset().checkBrowseMode();
  accept();
}

}  // namespace qk::client

#include "client/masterdata/list_form.h"

#include <QAction>
#include <QPointer>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

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

// Sends the pending changes. Every send judges every pending row again, so the marks are those
// of the last answer.
std::function<void(Dataset&)> listApply(const ListConfig& config, QPointer<DataGrid> marks) {
  std::function<void(Dataset&)> send = config.apply;
  if (!send) send = [](Dataset& d) { d.applyUpdates(0); };
  return [send, marks](Dataset& d) {
    if (marks) marks->clearRowMarks();
    send(d);
  };
}

}  // namespace

void installListRules(const ListConfig& config, DataGrid* grid) {
  Dataset& ds = *config.dataset;
  if (!config.numberField.isEmpty()) {
    ds.beforePost = [number = config.numberField, name = config.nameField,
                     message = config.nameMessage](Dataset& d) {
      checkNumberAndName(d, number, name, message);
    };
  }
  const QPointer<DataGrid> marks(grid);
  const std::function<void(Dataset&)> apply = listApply(config, marks);
  if (config.applyAfterPost) ds.afterPost = apply;
  if (config.applyAfterDelete) ds.afterDelete = apply;
  // The refused row stays in the change log and goes again with the next apply; it stays marked
  // in the grid, with the server's reason, until then.
  ds.onReconcileError = [marks](const RowError& e) {
    if (marks && e.row >= 0) marks->markRow(e.row, e.message);
    prompter().message(e.message, Prompter::Icon::Warning);
  };
}

TlistForm::TlistForm(ListConfig config, QWidget* parent)
    : QDialog(parent), config_(std::move(config)) {
  if (!config_.dataset) throw DataError("列表没有数据集");
  setWindowTitle(config_.caption);

  Dataset& ds = *config_.dataset;
  QToolBar* bar = newToolBar(this);
  const ToolAction sep = ToolAction::separator();
  std::vector<ToolAction> actions = {
      {"增加", 'T', "insert", {}, [this] { insertActionExecute(); }, &insertAction},
      {"修改", 'W', "edit", {}, [this] { editActionExecute(); }, &editAction},
      {"删除", 'X', "delete", {}, [this] { deleteActionExecute(); }, &deleteAction},
      {"保存", 'Y', "save", {}, [this] { saveActionExecute(); }, &saveAction},
      {"取消", 'Z', "cancel", {}, [this] { cancelActionExecute(); }, &cancelAction},
  };
  if (!config_.printCategory.isEmpty())
    actions.push_back({"打印", 'U', "print", {}, [this] { printActionExecute(); }, &printAction});
  actions.insert(actions.end(),
                 {sep,
                  {"首条", 0, "first", {}, [this] { dataset().first(); }, &firstAction},
                  {"上一条", 0, "prior", {}, [this] { dataset().prior(); }, &priorAction},
                  {"下一条", 0, "next", {}, [this] { dataset().next(); }, &nextAction},
                  {"末条", 0, "last", {}, [this] { dataset().last(); }, &lastAction},
                  sep});
  // The customer list is also a picker: "选择" is there, hidden until it is opened as one.
  if (config_.picker)
    actions.push_back(
        {"选择", 0, "select", {}, [this] { selectActionExecute(); }, &selectAction, false});
  actions.push_back({"关闭", 'V', "close", {}, [this] { reject(); }, &closeAction});
  addToolActions(*bar, actions);

  grid_ = new DataGrid(this);
  grid_->setColumns(config_.columns);
  installListRules(config_, grid_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  fitToScreen(*this, QSize(900, 560));

  if (config_.prepare) config_.prepare(ds);
  if (!ds.active()) ds.open();
  grid_->setDataset(&ds);
  grid_->applyStyle();
  if (!config_.layoutKey.isEmpty()) grid_->applyLayout(dm().pubCDS, config_.layoutKey);

  connect(&ds, &Dataset::changed, this, [this] { updateActions(); });
  connect(&ds, &Dataset::currentChanged, this, [this] { updateActions(); });
  updateActions();
}

TlistForm::~TlistForm() = default;

bool TlistForm::hasUnsavedWork() const {
  return client::hasUnsavedWork(dataset());
}

void TlistForm::updateActions() {
  const Dataset& ds = dataset();
  const bool rows = ds.active() && !ds.isEmpty();
  editAction->setEnabled(!isEditing(ds) && rows);
  deleteAction->setEnabled(rows);
  // A refused row can be saved again or given up until one of the two happens.
  const bool unsaved = hasUnsavedWork();
  saveAction->setEnabled(unsaved);
  cancelAction->setEnabled(unsaved);
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
  if (ds.isEmpty() || !prompter().confirm(kConfirmDeleteRecord)) return;
  ds.remove();
}

void TlistForm::saveActionExecute() {
  grid_->commitEdit();
  Dataset& ds = dataset();
  if (isEditing(ds))
    ds.post();  // the list's rules send it
  else if (ds.changeCount() > 0)
    listApply(config_, grid_)(ds);  // rows refused before, corrected or not, go again
  updateActions();
}

void TlistForm::cancelActionExecute() {
  Dataset& ds = dataset();
  if (isEditing(ds)) {
    ds.cancel();
  } else if (ds.changeCount() > 0) {
    // Giving up what the server refused: the rows are as the server holds them again.
    ds.cancelUpdates();
    grid_->clearRowMarks();
  }
  updateActions();
}

void TlistForm::reject() {
  if (hasUnsavedWork() && !confirmClose()) return;
  Dataset& ds = dataset();
  if (isEditing(ds)) ds.cancel();
  QDialog::reject();
}

void TlistForm::printActionExecute() {
  if (config_.printCategory.isEmpty()) return;
  Tsys_reportForm dlg(this);
  dlg.category = config_.printCategory;
  dlg.treeMode = false;
  dlg.loadReports();
  desktop().exec(dlg);
}

void TlistForm::selectActionExecute() {
  dataset().checkBrowseMode();
  accept();
}

}  // namespace qk::client

#include "client/masterdata/list_form.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/tool_action.h"

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

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  resize(900, 560);

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
  desktop().exec(dlg);
}

void TlistForm::selectActionExecute() {
  dataset().checkBrowseMode();
  accept();
}

}  // namespace qk::client

#include "client/admin/sys_rights_form.h"

#include <QAction>
#include <QHash>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/admin/titled_columns.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/masterdata/list_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

struct ActionPlace {
  QString group;
  int order = 0;
};

// Where each action sits, read from the action list when the screen opens; the grouping
// fields of dm's rightsCDS read it, so they outlive any one screen.
QHash<QString, ActionPlace>& actionPlaces() {
  static QHash<QString, ActionPlace> places;
  return places;
}

QString groupCaption(const QString& category) {
  static const QHash<QString, QString> captions{
      {"bas", "基础数据"}, {"bus", "业务数据"}, {"query", "查询统计"}, {"sys", "系统设置"}};
  return captions.value(category.toLower(), category);
}

void readActionPlaces() {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select actionNo, category, sortNo from sys_action");
  pub.open();
  QHash<QString, ActionPlace>& places = actionPlaces();
  places.clear();
  for (int r = 0; r < pub.recordCount(); ++r)
    places.insert(
        pub.valueAt(r, "actionNo").toString(),
        {groupCaption(pub.valueAt(r, "category").toString()), pub.valueAt(r, "sortNo").toInt()});
}

void prepareRights(Dataset& rights) {
  if (!rights.findField("actionGroup")) {
    rights.addCalculatedField("actionGroup", protocol::FieldType::String, [](const Record& r) {
      return actionPlaces().value(r.value("actionNo").toString()).group;
    });
    rights.addCalculatedField("actionOrder", protocol::FieldType::Integer, [](const Record& r) {
      return actionPlaces().value(r.value("actionNo").toString()).order;
    });
  }
  rights.onNewRecord = [](Dataset& d) {
    d.fieldByName("userName").setValue(dm().userCDS.fieldByName("userName").asString());
    d.fieldByName("canView").setValue(true);
  };
  rights.beforePost = [](Dataset& d) {
    if (d.fieldByName("actionNo").asString().isEmpty()) {
      prompter().message("请选择权限名称!", Prompter::Icon::Warning);
      throw Abort();
    }
  };
}

}  // namespace

Tsys_rightsForm::Tsys_rightsForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("用户权限设置");
  Dataset& users = dm().userCDS;
  Dataset& rights = dm().rightsCDS;
  Dataset& actions = dm().actionCDS;

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {{"增加", 'T', "insert", {}, [&rights] { rights.append(); }, &insertAction},
                        {"修改", 'W', "edit", {}, [&rights] { rights.edit(); }, &editAction},
                        {"删除",
                         'X',
                         "delete",
                         {},
                         [&rights] {
                           if (rights.state() == Dataset::State::Insert) return rights.cancel();
                           if (!rights.isEmpty() && prompter().confirm(kConfirmDeleteRecord))
                             rights.remove();
                         },
                         &deleteAction},
                        ToolAction::separator(),
                        {"保存",
                         'Y',
                         "save",
                         {},
                         [this, &rights] {
                           DBGridEh1->commitEdit();
                           if (isEditing(rights))
                             rights.post();
                           else if (rights.changeCount() > 0)
                             rights.applyUpdates(0);
                         },
                         &saveAction},
                        {"取消",
                         'Z',
                         "cancel",
                         {},
                         [&rights] {
                           if (isEditing(rights))
                             rights.cancel();
                           else
                             rights.cancelUpdates();
                         },
                         &cancelAction},
                        ToolAction::separator(),
                        {"关闭", 'V', "close", {}, [this] { reject(); }, &closeAction}});

  DBGridEh2 = new DataGrid(this);
  DBGridEh2->setColumns(titledColumns({{"userId", "用户Id", 70}, {"userName", "用户名", 110}}));
  DBGridEh2->setReadOnly(true);

  DBGridEh1 = new DataGrid(this);
  std::vector<GridColumn> cols = titledColumns({{"actionNo", "权限名称", 160},
                                                {"canNew", "增加", 55},
                                                {"canEdit", "修改", 55},
                                                {"canDelete", "删除", 55},
                                                {"canReview", "审核", 55},
                                                {"canView", "查看", 55}});
  // The action is chosen by its name; the row stores its key.
  cols[0].lookupSource = &actions;
  cols[0].lookupKey = "actionNo";
  cols[0].lookupDisplay = "actionName";
  DBGridEh1->setColumns(std::move(cols));

  auto* split = new QSplitter(this);
  split->addWidget(DBGridEh2);
  split->addWidget(DBGridEh1);
  split->setStretchFactor(1, 1);
  split->setSizes({220, 520});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(820, 600));

  readActionPlaces();
  actions.open();
  prepareRights(rights);
  installListRules({.dataset = &rights}, DBGridEh1);
  users.open();
  DBGridEh2->setDataset(&users);
  DBGridEh2->applyStyle();
  connect(&users, &Dataset::currentChanged, this, guardedSlot([this] { DBGridEh2CellClick(); }));
  DBGridEh2CellClick();
}

void Tsys_rightsForm::DBGridEh2CellClick() {
  Dataset& users = dm().userCDS;
  Dataset& rights = dm().rightsCDS;
  if (rights.active()) rights.checkBrowseMode();
  rights.setCommandText("select * from sys_rights where userName = :p1");
  rights.params().byName("p1").value =
      users.isEmpty() ? QString() : users.fieldByName("userName").asString();
  rights.open();
  rights.setIndex("actionOrder");
  if (DBGridEh1->dataset() != &rights) {
    DBGridEh1->setDataset(&rights);
    DBGridEh1->setGroupBy("actionGroup");
    DBGridEh1->applyStyle();
  } else {
    DBGridEh1->refresh();
  }
}

void Tsys_rightsForm::reject() {
  Dataset& rights = dm().rightsCDS;
  if (hasUnsavedWork(rights) && !confirmClose()) return;
  if (isEditing(rights)) rights.cancel();
  QDialog::reject();
}

}  // namespace qk::client

// The master-data lists against a real server: the number/name check of every list, saved and
// deleted rows reaching the server at once, refusals shown with the server's text and kept
// pending, the staff department chosen by name, a worker's shop-floor PIN, warehouses written to
// the departments they are, and the list screen itself (printing, the customer picker,
// registration).
#include <gtest/gtest.h>

#include <QAbstractItemDelegate>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>

#include "client/app/actions.h"
#include "client/data/dataset.h"
#include "client/masterdata/master_lists.h"
#include "client/masterdata/staff_pin_dialog.h"
#include "client/report/sys_report_form.h"
#include "client_fixture.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::GridColumn;
using client::ListConfig;
using client::TlistForm;

class MasterDataTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
  }

  // Types a new row into the list and saves it with the toolbar, as a user would.
  static void addRow(TlistForm& form, const std::vector<std::pair<QString, QString>>& values) {
    form.insertAction->trigger();
    for (const auto& [field, value] : values) form.dataset().fieldByName(field).setValue(value);
    form.saveAction->trigger();
  }
};

struct CheckedList {
  ListConfig (*config)();
  const char* number;
  const char* name;
  const char* nameMessage;
};

const CheckedList kCheckedLists[] = {
    {client::customerList, "custNo", "custName", "名称不能为空!"},
    {client::supplierList, "supNo", "supName", "名称不能为空!"},
    {client::departmentList, "depNo", "depName", "名称不能为空!"},
    {client::staffList, "staffNo", "staffName", "姓名不能为空!"},
    {client::deviceList, "devNo", "devName", "名称不能为空!"},
    {client::processList, "procNo", "procName", "名称不能为空!"},
    {client::warehouseList, "whNo", "whName", "名称不能为空!"},
};

// ---- number and name check ------------------------------------------------------------------

TEST_F(MasterDataTest, BlankNumberThenBlankNameAreRefusedBeforeTheServerKeepingWhatWasTyped) {
  for (const CheckedList& list : kCheckedLists) {
    SCOPED_TRACE(list.number);
    TlistForm form(list.config());
    prompter_.clear();
    const int requests = conn_->requestCount();
    addRow(form, {{list.number, "   "}, {list.name, "某某"}});
    EXPECT_EQ(prompter_.texts(), QStringList{"编号不能为空!"});
    EXPECT_EQ(form.dataset().state(), Dataset::State::Insert);
    EXPECT_EQ(form.dataset().fieldByName(list.name).asString(), "某某");

    prompter_.clear();
    form.dataset().fieldByName(list.number).setValue("N1");
    form.dataset().fieldByName(list.name).setValue("  ");
    form.saveAction->trigger();
    EXPECT_EQ(prompter_.texts(), QStringList{list.nameMessage});
    EXPECT_EQ(form.dataset().state(), Dataset::State::Insert);
    EXPECT_EQ(form.dataset().fieldByName(list.number).asString(), "N1");
    EXPECT_EQ(conn_->requestCount(), requests);
    form.cancelAction->trigger();
    EXPECT_EQ(form.dataset().changeCount(), 0);
  }
}

TEST_F(MasterDataTest, DocumentTypesHaveNoNumberOrNameCheckAndDeleteAtOnce) {
  TlistForm form(client::documentTypeList());
  addRow(form, {{"docType", "外购入库"}, {"docId", "入库单"}});
  EXPECT_TRUE(prompter_.texts().isEmpty());
  EXPECT_EQ(count("select count(*) from bas_doc where docType = '外购入库' and docNo is null"), 1);

  ASSERT_TRUE(form.dataset().locate("docType", "外购入库"));
  prompter_.answers = {1};
  form.deleteAction->trigger();
  EXPECT_EQ(count("select count(*) from bas_doc where docType = '外购入库'"), 0);
  EXPECT_EQ(form.dataset().changeCount(), 0);
}

// ---- applying the change log ----------------------------------------------------------------

TEST_F(MasterDataTest, SavedEditedAndDeletedRowsReachTheServerAtOnce) {
  client::Tbas_DepForm form;
  addRow(form, {{"depNo", "D1"}, {"depName", "机加车间"}});
  EXPECT_EQ(text("select depName from bas_dep where depNo = 'D1'"), "机加车间");

  form.editAction->trigger();
  form.dataset().fieldByName("depName").setValue("装配车间");
  form.saveAction->trigger();
  EXPECT_EQ(text("select depName from bas_dep where depNo = 'D1'"), "装配车间");

  // Deleting asks first; no leaves the row where it is.
  prompter_.answers = {0};
  form.deleteAction->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此记录吗?"});
  EXPECT_EQ(form.dataset().recordCount(), 1);
  EXPECT_EQ(count("select count(*) from bas_dep where depNo = 'D1'"), 1);

  prompter_.clear();
  prompter_.answers = {1};
  form.deleteAction->trigger();
  EXPECT_EQ(count("select count(*) from bas_dep where depNo = 'D1'"), 0);
  EXPECT_EQ(form.dataset().changeCount(), 0);
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此记录吗?"});
}

TEST_F(MasterDataTest, ARefusedRowStaysMarkedAndSavableUntilSavedOrCancelled) {
  exec("insert into bas_cust (custNo, custName) values ('C1', '华东机械')");
  client::Tbas_custForm form;
  const QString refused = "重复的编号：客户资料中已有客户编号为“C1”的记录";
  addRow(form, {{"custNo", "C1"}, {"custName", "华南机械"}});
  ASSERT_EQ(prompter_.texts(), QStringList{refused});
  const int row = form.dataset().currentRow();
  EXPECT_EQ(form.grid()->rowMark(row), refused);
  EXPECT_EQ(form.grid()->view()->model()->index(row, 1).data(Qt::ToolTipRole).toString(), refused);
  EXPECT_EQ(form.dataset().state(), Dataset::State::Browse);
  EXPECT_TRUE(form.saveAction->isEnabled()) << "the refused row can be saved again";
  EXPECT_TRUE(form.cancelAction->isEnabled());

  // Saved again unchanged: refused again, still marked.
  prompter_.clear();
  form.saveAction->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{refused});
  EXPECT_EQ(form.grid()->rowMark(row), refused);

  // Corrected and saved: stored, unmarked, nothing left to save.
  prompter_.clear();
  form.editAction->trigger();
  form.dataset().fieldByName("custNo").setValue("C2");
  form.saveAction->trigger();
  EXPECT_TRUE(prompter_.texts().isEmpty());
  EXPECT_EQ(text("select custName from bas_cust where custNo = 'C2'"), "华南机械");
  EXPECT_EQ(form.grid()->rowMark(row), "");
  EXPECT_FALSE(form.saveAction->isEnabled());
  EXPECT_FALSE(form.cancelAction->isEnabled());

  // Refused, then given up: the row goes, the list is as the server holds it.
  addRow(form, {{"custNo", "C1"}, {"custName", "华北机械"}});
  ASSERT_EQ(form.dataset().changeCount(), 1);
  form.cancelAction->trigger();
  EXPECT_EQ(form.dataset().changeCount(), 0);
  EXPECT_EQ(form.dataset().recordCount(), 2);
  for (int r = 0; r < form.dataset().recordCount(); ++r) EXPECT_EQ(form.grid()->rowMark(r), "");
  EXPECT_FALSE(form.saveAction->isEnabled());
  EXPECT_EQ(count("select count(*) from bas_cust"), 2);
}

TEST_F(MasterDataTest, ClosingWithUnsavedWorkAsksAndNoKeepsTheScreen) {
  exec("insert into bas_cust (custNo, custName) values ('C1', '华东机械')");
  client::Tbas_custForm form;
  bool closed = false;
  QObject::connect(&form, &QDialog::rejected, [&] { closed = true; });
  // Typed, not saved.
  form.insertAction->trigger();
  form.dataset().fieldByName("custNo").setValue("C2");
  prompter_.answers = {0};  // 否
  form.closeAction->trigger();
  EXPECT_FALSE(closed);
  EXPECT_EQ(prompter_.texts(), QStringList{"数据未保存，是否确认要退出？"});
  EXPECT_EQ(prompter_.shown[0].title, QApplication::applicationDisplayName());
  EXPECT_EQ(form.dataset().fieldByName("custNo").asString(), "C2") << "the typing is still there";

  // Refused by the server: still unsaved.
  form.dataset().fieldByName("custNo").setValue("C1");
  form.dataset().fieldByName("custName").setValue("华南机械");
  form.saveAction->trigger();
  ASSERT_EQ(form.dataset().changeCount(), 1);
  prompter_.clear();
  prompter_.answers = {0};
  static_cast<QDialog&>(form).reject();  // the window's own close button
  EXPECT_FALSE(closed);
  EXPECT_EQ(prompter_.texts(), QStringList{"数据未保存，是否确认要退出？"});

  prompter_.answers = {1};  // 是
  form.closeAction->trigger();
  EXPECT_TRUE(closed);
  EXPECT_EQ(form.dataset().changeCount(), 1) << "what the server refused stays pending";

  // Nothing unsaved: no question.
  prompter_.clear();
  dm_->custCDS.cancelUpdates();
  client::Tbas_custForm clean;
  clean.closeAction->trigger();
  EXPECT_TRUE(prompter_.texts().isEmpty());
}

TEST_F(MasterDataTest, TypingStopsAtTheSizeOfTheField) {
  client::Tbas_custForm form;
  form.insertAction->trigger();
  QTableView* view = form.grid()->view();
  const QModelIndex cell =
      view->model()->index(form.dataset().currentRow(), form.grid()->columnIndex("custNo"));
  QAbstractItemDelegate* delegate = view->itemDelegateForIndex(cell);
  std::unique_ptr<QWidget> editor(delegate->createEditor(view->viewport(), {}, cell));
  auto* line = qobject_cast<QLineEdit*>(editor.get());
  ASSERT_NE(line, nullptr);
  delegate->setEditorData(line, cell);
  type(line, "KH-2026-00017");  // 13 characters for a number of 10
  EXPECT_EQ(line->text(), "KH-2026-00");
  delegate->setModelData(line, view->model(), cell);
  form.dataset().fieldByName("custName").setValue("华东机械");
  form.saveAction->trigger();
  EXPECT_TRUE(prompter_.texts().isEmpty());
  EXPECT_EQ(count("select count(*) from bas_cust where custNo = 'KH-2026-00'"), 1);

  // A name of 50 Chinese characters at most, counted as characters.
  const QModelIndex name = view->model()->index(0, form.grid()->columnIndex("custName"));
  std::unique_ptr<QWidget> nameEditor(delegate->createEditor(view->viewport(), {}, name));
  EXPECT_EQ(qobject_cast<QLineEdit*>(nameEditor.get())->maxLength(), 50);
}

TEST_F(MasterDataTest, PendingRowsOutliveTheScreen) {
  exec("insert into bas_device (devNo, devName) values ('E1', '车床')");
  {
    client::Tbas_DeviceForm form;
    addRow(form, {{"devNo", "E1"}, {"devName", "铣床"}});
  }
  EXPECT_EQ(dm_->deviceCDS.changeCount(), 1);
  client::Tbas_DeviceForm again;
  EXPECT_EQ(again.dataset().changeCount(), 1);
}

// ---- staff departments ----------------------------------------------------------------------

TEST_F(MasterDataTest, StaffDepartmentIsChosenByNameAndStoredByNumber) {
  exec("insert into bas_dep (depNo, depName) values ('D1', '机加车间'), ('D2', '质检部')");
  client::Tbas_StaffForm form;
  addRow(form, {{"staffNo", "S1"}, {"staffName", "张三"}});
  ASSERT_TRUE(prompter_.texts().isEmpty());  // a staff row needs no department
  EXPECT_EQ(count("select count(*) from bas_staff where staffNo = 'S1' and depNo is null"), 1);

  // Through the grid's editor, as the user picks "质检部" from the list of names.
  QTableView* view = form.grid()->view();
  const int column = form.grid()->columnIndex("depNo");
  ASSERT_GE(column, 0);
  const QModelIndex cell = view->model()->index(0, column);  // no row numbers or check boxes
  QAbstractItemDelegate* delegate = view->itemDelegateForIndex(cell);
  std::unique_ptr<QWidget> editor(delegate->createEditor(view, {}, cell));
  auto* box = qobject_cast<QComboBox*>(editor.get());
  ASSERT_NE(box, nullptr);
  delegate->setEditorData(box, cell);
  const int choice = box->findText("质检部");
  ASSERT_GE(choice, 0);
  box->setCurrentIndex(choice);
  delegate->setModelData(box, view->model(), cell);
  form.saveAction->trigger();

  EXPECT_TRUE(prompter_.texts().isEmpty());
  EXPECT_EQ(text("select depNo from bas_staff where staffNo = 'S1'"), "D2");
  EXPECT_EQ(cell.data().toString(), "质检部");
  EXPECT_EQ(form.dataset().fieldByName("depName").asString(), "质检部");
}

TEST_F(MasterDataTest, AStaffPinIsTypedMaskedTwiceAndLetsTheWorkerSignInOnTheShopPage) {
  client::Tbas_StaffForm form;
  form.setPinAction->trigger();  // nothing saved yet
  addRow(form, {{"staffNo", "S1"}, {"staffName", "张三"}});
  desktop_.on<client::StaffPinDialog>([](client::StaffPinDialog& d) {
    EXPECT_EQ(d.pinEdit->echoMode(), QLineEdit::Password);
    d.pinEdit->setText("2468");
    d.repeatEdit->setText("2469");
    d.okClick();
    d.repeatEdit->setText("2468");
    d.okClick();
    return d.result();
  });
  form.setPinAction->trigger();
  EXPECT_EQ(prompter_.texts(),
            QStringList({"请先保存职员资料，再设置 PIN", "两次输入的 PIN 不一致", "PIN 已设置"}));
  auto phone = newClient();
  auto signIn = phone->post("/api/shop/login",
                            {{"account", kAccount}, {"staffNo", "S1"}, {"pin", "2468"}}, false);
  EXPECT_EQ(signIn.body.value("result", ""), "OK");
}

// ---- warehouses -----------------------------------------------------------------------------

TEST_F(MasterDataTest, WarehouseEditsAreWrittenToTheirDepartments) {
  client::Tbas_whForm form;
  addRow(form, {{"whNo", "W1"}, {"whName", "成品库"}, {"remark", "一楼"}});
  EXPECT_TRUE(prompter_.texts().isEmpty());
  EXPECT_EQ(count("select count(*) from bas_dep where depNo = 'W1' and depName = '成品库' and "
                  "remark = '一楼' and isWh = 1"),
            1);
  EXPECT_EQ(form.dataset().changeCount(), 0);

  form.editAction->trigger();
  form.dataset().fieldByName("whName").setValue("原料库");
  form.saveAction->trigger();
  EXPECT_EQ(text("select depName from bas_dep where depNo = 'W1'"), "原料库");

  // Removing the warehouse keeps the department, no longer a warehouse.
  prompter_.answers = {1};
  form.deleteAction->trigger();
  EXPECT_EQ(count("select count(*) from bas_dep where depNo = 'W1' and isWh = 0"), 1);
  EXPECT_EQ(form.dataset().changeCount(), 0);
  EXPECT_TRUE(form.dataset().isEmpty());
}

TEST_F(MasterDataTest, WarehouseNumberTakenByADepartmentIsRefusedAndStaysPending) {
  exec("insert into bas_dep (depNo, depName) values ('D1', '机加车间')");
  client::Tbas_whForm form;
  addRow(form, {{"whNo", "D1"}, {"whName", "成品库"}});
  EXPECT_EQ(prompter_.texts(), QStringList{"重复的编号：部门设置中已有部门编号为“D1”的记录"});
  EXPECT_EQ(form.dataset().changeCount(), 1);
  EXPECT_EQ(text("select depName from bas_dep where depNo = 'D1'"), "机加车间");
  EXPECT_EQ(form.grid()->rowMark(0), "重复的编号：部门设置中已有部门编号为“D1”的记录")
      << "the refused warehouse is marked like any list's row";
}

// ---- the list screen ------------------------------------------------------------------------

TEST_F(MasterDataTest, PrintOpensTheReportDialogOfTheListsCategory) {
  QString category = "none";
  bool treeMode = true;
  desktop_.on<client::Tsys_reportForm>([&](client::Tsys_reportForm& report) {
    category = report.category;
    treeMode = report.treeMode;
    return QDialog::Rejected;
  });
  client::Tbas_supForm form;
  form.printAction->trigger();
  EXPECT_EQ(desktop_.titles(), QStringList{"报表设计"});
  EXPECT_EQ(category, "bas_sup");
  EXPECT_FALSE(treeMode);
  EXPECT_TRUE(prompter_.texts().isEmpty());
}

TEST_F(MasterDataTest, CustomerPickerReturnsTheChosenCustomersNumber) {
  exec("insert into bas_cust (custNo, custName) values ('C1', '华东机械'), ('C2', '华南机械')");
  client::Tbas_custForm plain;
  EXPECT_FALSE(plain.selectAction->isVisible());

  desktop_.on<TlistForm>([](TlistForm& list) {
    EXPECT_TRUE(list.selectAction->isVisible());
    list.nextAction->trigger();
    list.selectAction->trigger();
    return list.result();
  });
  EXPECT_EQ(client::pickCustomer(), QString("C2"));

  desktop_.on<TlistForm>([](TlistForm& list) {
    list.closeAction->trigger();
    return list.result();
  });
  EXPECT_EQ(client::pickCustomer(), std::nullopt);
}

TEST_F(MasterDataTest, EveryListIsRegisteredWithItsAction) {
  client::registerMasterDataScreens();
  const std::pair<const char*, const char*> kScreens[] = {
      {"custAction", "客户资料"},    {"supAction", "供应商资料"},  {"depAction", "部门设置"},
      {"staffAction", "职员设置"},   {"deviceAction", "设备资料"}, {"processAction", "工序设置"},
      {"docTypeAction", "单据类型"}, {"whAction", "仓库设置"},     {"productAction", "物料设置"}};
  for (const auto& [action, caption] : kScreens) {
    SCOPED_TRACE(action);
    const client::ScreenFactory* factory = client::findScreen(action);
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<QDialog> dlg((*factory)(nullptr));
    EXPECT_EQ(dlg->windowTitle(), caption);
  }
}

}  // namespace
}  // namespace qk::test

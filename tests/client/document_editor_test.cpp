// The document editor on the warehouse receipt and issue, against a real server: browsing,
// entering, saving (numbering, renumbering, refusals and the duplicate-number retry), audit,
// delete, pickers and completion, find, print and the close confirmation; and what sales and
// production documents add: line numbers given at save, more header editors, menus and hooks.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QToolBar>

#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/numbering.h"
#include "client/documents/gs_no_form.h"
#include "client/query/filter_form.h"
#include "client/query/sys_qry_form.h"
#include "client/report/sys_report_form.h"
#include "client/warehouse/warehouse_forms.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tool_action.h"
#include "client_fixture.h"
#include "line_input.h"
#include "server/core/account_store.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::DocumentEditor;
using client::Prompter;
using client::Tsys_qryForm;
using client::Twh_InForm;
using client::Twh_OutForm;

QString monthHead(const char* head) {
  return QString("%1-%2-").arg(head, QDate::currentDate().toString("yy-MM"));
}

class DocumentTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    desktop_.on<Tsys_qryForm>([this](Tsys_qryForm& d) {
      return answerQuery_ ? answerQuery_(d) : int(QDialog::Rejected);
    });
    exec(
        "insert into bas_dep(depNo, depName, isWh) values('W1', '成品仓', 1), "
        "('W2', '原料仓', 1)");
    exec(
        "insert into bas_doc(docNo, docType, docId) values('11', '生产入库', '入库单'), "
        "('12', '采购入库', '入库单'), ('21', '生产领用', '出库单')");
    exec(
        "insert into bas_products(productNo, productName, productSize, productPre, productMat, "
        "productSta, productUnit, costPrice, def1) values "
        "('P1', '闸阀', 'DN100', 'PN25', 'CF8', 'GB/T 12234', '台', 2800, '红'), "
        "('P2', '球阀', 'DN50', 'PN16', 'WCB', 'GB/T 12237', '台', 650, ''), "
        "('P3', '法兰', 'DN80', 'PN16', '304', 'HG/T 20592', '片', 95.5, '')");
    exec("insert into bus_task(keyNo, gsNo, audited) values('RW-1', '26-11-0001', 1)");
    exec(
        "insert into bus_task_det(taskNo, keyNo, itemNo, gsNo, productNo, qty) values "
        "('26-11-0001-01', 'RW-1', 1, '26-11-0001', 'P2', 4)");
    exec("insert into wh_stock(whNo, productNo, initQty, initPrice) values('W1', 'P3', 10, 88)");
  }
  template <typename Form>
  std::unique_ptr<Form> open() {
    auto form = std::make_unique<Form>();
    form->formShow();
    return form;
  }

  // Chooses the header values through the header's own editors.
  void fillHeader(DocumentEditor& f, const QString& whNo = "W1", const QString& type = {}) {
    QComboBox* wh = f.headerCombo("whNo");
    wh->setCurrentIndex(wh->findData(whNo));
    QComboBox* types = f.headerCombo("docType");
    types->setCurrentIndex(type.isEmpty() ? 0 : types->findText(type));
  }

  // Appends a line and types into it as a user would, cell by cell.
  void addLine(DocumentEditor& f, const QString& productNo, const QVariant& qty,
               const QVariant& price = 10) {
    f.addActionExecute();
    client::Dataset& d = f.dCDS();
    d.edit();
    d.fieldByName("productNo").setValue(productNo);
    d.fieldByName("qty").setValue(qty);
    d.fieldByName("uPrice").setValue(price);
    d.post();
  }

  // A receipt being entered, its header chosen.
  std::unique_ptr<Twh_InForm> newReceipt() {
    auto f = open<Twh_InForm>();
    f->newActionExecute();
    fillHeader(*f);
    return f;
  }

  std::unique_ptr<Twh_InForm> savedReceipt(int lines) {
    auto f = newReceipt();
    const char* products[] = {"P1", "P2", "P3"};
    for (int i = 0; i < lines; ++i) addLine(*f, products[i % 3], i + 1);
    EXPECT_TRUE(f->saveDoc());
    prompter_.clear();
    return f;
  }

  // Changes the database behind the server's back (triggers the client may not create).
  void rawExec(const char* sql) {
    auto db = server::AccountStore(dir_.path()).open(kAccount);
    db->script(sql);
  }

  std::function<int(Tsys_qryForm&)> answerQuery_;
};

// ---- browsing

TEST_F(DocumentTest, FreshDatabaseOpensEmptyAndNavigationOnlyChangesButtons) {
  auto f = open<Twh_InForm>();
  EXPECT_FALSE(f->hasDocument());
  EXPECT_EQ(f->state(), DocumentEditor::State::Browse);
  EXPECT_TRUE(f->dCDS().isEmpty());
  // No lines to fit the columns to: they keep the layout's widths (task 110, product 110).
  const std::vector<int> widths = f->dataGrid()->columnWidths();
  ASSERT_GE(widths.size(), 2u);
  EXPECT_EQ(widths[0], 110);
  EXPECT_EQ(widths[1], 110);
  EXPECT_TRUE(f->firstAction->isEnabled());
  EXPECT_FALSE(f->lastAction->isEnabled());

  f->firstActionExecute();  // nothing to show: nothing happens
  EXPECT_FALSE(f->lastAction->isEnabled());
  f->priorActionExecute();
  EXPECT_FALSE(f->firstAction->isEnabled());
  EXPECT_FALSE(f->priorAction->isEnabled());
  EXPECT_TRUE(f->nextAction->isEnabled());
  f->nextActionExecute();
  EXPECT_TRUE(f->firstAction->isEnabled());
  EXPECT_FALSE(f->nextAction->isEnabled());
  EXPECT_FALSE(f->hasDocument());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(DocumentTest, NavigationWalksDocumentsInNumberOrder) {
  for (const char* no : {"RK-A", "RK-B", "RK-C"})
    exec(QString("insert into wh_In(keyNo, whNo, docType) values('%1', 'W1', '生产入库')").arg(no));
  exec("insert into wh_in_det(keyNo, itemNo, productNo, qty) values('RK-B', 1, 'P1', 2)");
  auto f = open<Twh_InForm>();
  EXPECT_EQ(f->shownKeyNo(), "RK-C");  // the screen starts on the highest number
  EXPECT_EQ(f->keyNoLabel()->text(), "RK-C");
  f->priorActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "RK-B");
  EXPECT_EQ(f->dCDS().recordCount(), 1);
  EXPECT_TRUE(f->firstAction->isEnabled() && f->lastAction->isEnabled());
  f->firstActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "RK-A");
  EXPECT_FALSE(f->priorAction->isEnabled());
  f->nextActionExecute();
  f->nextActionExecute();
  EXPECT_EQ(f->shownKeyNo(), "RK-C");
  f->nextActionExecute();  // past the end: the document stays, the buttons say so
  EXPECT_EQ(f->shownKeyNo(), "RK-C");
  EXPECT_FALSE(f->nextAction->isEnabled());
  EXPECT_EQ(f->headerCombo("whNo")->currentData().toString(), "W1");
  EXPECT_EQ(f->mCDS().fieldByName("whName").asString(), "成品仓");
}

TEST_F(DocumentTest, StatesEnableTheActionsAndTheHeader) {
  auto f = open<Twh_InForm>();
  EXPECT_FALSE(f->headerPanel()->isEnabled());
  EXPECT_TRUE(f->dataGrid()->isReadOnly());
  f->newActionExecute();
  EXPECT_TRUE(f->isNew);
  EXPECT_TRUE(f->headerPanel()->isEnabled());
  EXPECT_FALSE(f->dataGrid()->isReadOnly());
  for (QAction* a : {f->firstAction, f->newAction, f->editAction, f->delAction, f->findAction,
                     f->audAction, f->unaudAction})
    EXPECT_FALSE(a->isEnabled()) << a->iconText().toStdString();
  for (QAction* a : {f->addAction, f->minuAction, f->saveAction, f->cancelAction, f->printAction,
                     f->closeAction})
    EXPECT_TRUE(a->isEnabled()) << a->iconText().toStdString();
  // New-record defaults: today's date without a time, the entering user and moment.
  EXPECT_EQ(f->mCDS().fieldByName("inDate").asDateTime(),
            QDateTime(QDate::currentDate(), QTime(0, 0)));
  EXPECT_EQ(f->mCDS().fieldByName("userName").asString(), "admin");
  EXPECT_EQ(f->footerText("userName"), "admin");
  EXPECT_FALSE(f->footerText("docDate").isEmpty());
  EXPECT_EQ(qobject_cast<QDateEdit*>(f->headerEditor("inDate"))->date(), QDate::currentDate());
}

// ---- validation

TEST_F(DocumentTest, SaveChecksHeaderThenLinesThenEachLine) {
  auto f = open<Twh_InForm>();
  f->newActionExecute();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"仓库和单据类型不能为空!"});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);

  fillHeader(*f);
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"明细不能为空!"});

  addLine(*f, "P1", 2);
  addLine(*f, "P2", QVariant());  // an empty quantity counts as 0
  addLine(*f, "P3", 1);
  f->dCDS().first();
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"产品编号和数量不能为空!"});
  EXPECT_EQ(f->dCDS().currentRow(), 1);  // the grid is on the offending line
  EXPECT_TRUE(f->isNew);
  EXPECT_EQ(count("select count(*) from wh_In"), 0);

  typeInto(f->dCDS(), "qty", 0);
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"产品编号和数量不能为空!"});
}

// ---- saving

TEST_F(DocumentTest, SavingNumbersTheDocumentAndItsLines) {
  auto f = open<Twh_InForm>();
  f->newActionExecute();
  fillHeader(*f, "W1", "采购入库");
  qobject_cast<QLineEdit*>(f->headerEditor("remarkM"))->setText("首批到货");
  addLine(*f, "P1", 2, 2800);
  addLine(*f, "P2", 3, 650);
  addLine(*f, "P3", 10, 95.5);
  EXPECT_DOUBLE_EQ(f->dataGrid()->footerSum("qty"), 15);
  EXPECT_DOUBLE_EQ(f->dataGrid()->footerSum("amount"), 2 * 2800 + 3 * 650 + 955);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::None);

  const QString no = monthHead("RK") + "0001";
  EXPECT_EQ(f->shownKeyNo(), no);
  EXPECT_EQ(f->state(), DocumentEditor::State::Browse);
  EXPECT_FALSE(f->isNew);
  EXPECT_EQ(f->mCDS().changeCount(), 0);
  EXPECT_EQ(f->dCDS().changeCount(), 0);
  EXPECT_EQ(text("select whNo || '/' || docType || '/' || remarkM || '/' || userName from wh_In"),
            "W1/采购入库/首批到货/admin");
  EXPECT_EQ(text("select group_concat(itemNo || ':' || productNo || ':' || keyNo, ',') from "
                 "(select * from wh_in_det order by itemNo)"),
            QString("1:P1:%1,2:P2:%1,3:P3:%1").arg(no).toStdString());
  // Completion filled the copies of the product.
  EXPECT_EQ(text("select pName || pSize || pUnit || def1 from wh_in_det where itemNo = 1"),
            "闸阀DN100台红");
  EXPECT_EQ(text("select des from wh_in_det where itemNo = 1"), "闸阀 DN100 PN25 CF8 GB/T 12234");

  // The next document takes the next number.
  f->newActionExecute();
  fillHeader(*f);
  addLine(*f, "P1", 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(f->shownKeyNo(), monthHead("RK") + "0002");
}

TEST_F(DocumentTest, DeletingLinesRenumbersTheRestInGridOrder) {
  auto f = savedReceipt(4);
  f->editActionExecute();
  ASSERT_TRUE(f->isEdit);
  f->dCDS().first();
  f->minuActionExecute();
  f->dCDS().moveTo(1);  // the third line, P3
  f->minuActionExecute();
  addLine(*f, "P2", 9);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(text("select group_concat(itemNo || ':' || productNo || ':' || qty, ',') from "
                 "(select * from wh_in_det order by itemNo)"),
            "1:P2:2,2:P1:4,3:P2:9");
  EXPECT_EQ(f->dCDS().recordCount(), 3);
  EXPECT_EQ(f->dCDS().valueAt(1, "itemNo").toInt(), 2);
}

TEST_F(DocumentTest, EditingOnlyTheHeaderSendsOnlyTheMaster) {
  auto f = savedReceipt(2);
  f->editActionExecute();
  fillHeader(*f, "W2");
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select whNo from wh_In"), "W2");
  EXPECT_EQ(count("select count(*) from wh_in_det"), 2);
  EXPECT_EQ(f->mCDS().fieldByName("whName").asString(), "原料仓");

  // Nothing changed: nothing is sent and the screen stays in the edit state.
  f->editActionExecute();
  prompter_.clear();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_TRUE(f->isEdit);
}

TEST_F(DocumentTest, RefusedSaveKeepsTheWorkAndTheNextSaveTakesAFreshNumber) {
  auto f = newReceipt();
  addLine(*f, "P1", 1);
  // A remark the server refuses: longer than the 20 characters its field holds.
  typeInto(f->mCDS(), "remarkM", QString(30, QChar(u'长')));
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"“备注”最多 20 个字符（输入了 30 个）"});
  EXPECT_TRUE(f->isNew);
  EXPECT_EQ(f->state(), DocumentEditor::State::New);
  EXPECT_EQ(f->dCDS().recordCount(), 1);
  EXPECT_EQ(count("select count(*) from wh_In"), 0);
  EXPECT_EQ(count("select count(*) from wh_in_det"), 0);

  // Meanwhile someone stored this month's first receipt: the retry asks for a fresh number.
  exec(QString("insert into wh_In(keyNo) values('%10001')").arg(monthHead("RK")));
  typeInto(f->mCDS(), "remarkM", "短");
  prompter_.clear();
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(f->shownKeyNo(), monthHead("RK") + "0002");
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo like 'RK-%0002'"), 1);
}

TEST_F(DocumentTest, DuplicateNumberFromAnotherClientIsRetriedWithTheNextNumber) {
  auto other = newClient();
  other->login();
  auto f = newReceipt();
  addLine(*f, "P1", 5);
  addLine(*f, "P2", 6);
  // Right after this screen has read the next number, the other client stores it.
  bool taken = false;
  f->mCDS().afterPost = [&](client::Dataset& m) {
    if (taken || m.fieldByName("keyNo").asString().isEmpty()) return;
    taken = true;
    other->execute("insert into wh_In(keyNo, docType) values(:k, '其他')",
                   {{"k", m.fieldByName("keyNo").asString().toStdString()}});
  };
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(f->shownKeyNo(), monthHead("RK") + "0002");
  EXPECT_EQ(text("select docType from wh_In where keyNo like '%0001'"), "其他");
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo like '%0002'"), 2);
  EXPECT_EQ(count("select count(*) from wh_in_det where keyNo like '%0001'"), 0);
}

TEST_F(DocumentTest, DuplicateNumberRetriesGiveUpWithTheServersText) {
  auto other = newClient();
  other->login();
  auto f = newReceipt();
  addLine(*f, "P1", 5);
  int taken = 0;
  f->mCDS().afterPost = [&](client::Dataset& m) {
    if (m.fieldByName("keyNo").asString().isEmpty()) return;
    ++taken;
    other->execute("insert into wh_In(keyNo) values(:k)",
                   {{"k", m.fieldByName("keyNo").asString().toStdString()}});
  };
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(taken, 1 + DocumentEditor::kNumberRetries);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_TRUE(prompter_.shown[0].text.startsWith("重复的编号"))
      << prompter_.shown[0].text.toStdString();
  EXPECT_TRUE(f->isNew);
  EXPECT_EQ(f->dCDS().recordCount(), 1);
}

TEST_F(DocumentTest, TextStillInACellEditorIsSaved) {
  auto f = open<Twh_InForm>();
  f->show();
  f->newActionExecute();
  fillHeader(*f);
  addLine(*f, "P1", 1);
  QTableView* view = f->dataGrid()->view();
  view->edit(view->model()->index(0, f->dataGrid()->columnIndex("qty")));
  auto* editor = view->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("7");  // the user clicks 保存 without leaving the cell
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(count("select cast(qty as integer) from wh_in_det"), 7);
}

TEST_F(DocumentTest, HiddenColumnKeepsItsFieldInTheDatasetAndTheSave) {
  exec("update sys_col set visible = 0 where tableName = 'wh_In_det' and fieldName = 'remark'");
  auto f = open<Twh_InForm>();
  EXPECT_EQ(f->dataGrid()->columnIndex("remark"), -1);
  EXPECT_GE(f->dataGrid()->columnIndex("qty"), 0);
  EXPECT_EQ(f->dCDS().fieldByName("qty").label(), "数量");
  f->newActionExecute();
  fillHeader(*f);
  addLine(*f, "P1", 1);
  typeInto(f->dCDS(), "remark", "加急");
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select remark from wh_in_det"), "加急");
}

TEST_F(DocumentTest, CancelOfNewShowsTheLastAndCancelOfEditRereads) {
  auto f = savedReceipt(2);
  const QString saved = f->shownKeyNo();
  f->newActionExecute();
  addLine(*f, "P3", 1);
  f->cancelActionExecute();
  EXPECT_EQ(f->shownKeyNo(), saved);
  EXPECT_EQ(f->state(), DocumentEditor::State::Browse);

  f->editActionExecute();
  f->dCDS().first();
  f->minuActionExecute();
  f->cancelActionExecute();
  EXPECT_FALSE(f->isEdit);
  EXPECT_EQ(f->dCDS().recordCount(), 2);
}

// ---- audit and delete

TEST_F(DocumentTest, AuditShowsNameAndTimeRefusesEditingAndUnauditClears) {
  auto f = savedReceipt(1);
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  f->audActionExecute();
  EXPECT_EQ(f->footerText("audName"), "admin");
  EXPECT_FALSE(f->footerText("audDate").isEmpty());
  EXPECT_TRUE(f->mCDS().fieldByName("audited").asBoolean());
  EXPECT_GE(f->mCDS().fieldByName("audDate").asDateTime(), before);
  EXPECT_EQ(f->mCDS().changeCount(), 0);  // mirrored only; the server already has it
  EXPECT_EQ(text("select audName from wh_In"), "admin");
  EXPECT_EQ(count("select audited from wh_In"), 1);

  f->editActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"此单已审核，请取消审核后修改！"});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Stop);
  EXPECT_FALSE(f->isEdit);
  EXPECT_EQ(f->state(), DocumentEditor::State::Browse);

  prompter_.clear();
  f->audActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"本单已审核！"});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Information);

  f->unaudActionExecute();
  EXPECT_EQ(f->footerText("audName"), "");
  EXPECT_EQ(f->footerText("audDate"), "");
  EXPECT_EQ(count("select audited from wh_In"), 0);
  prompter_.clear();
  f->editActionExecute();
  EXPECT_TRUE(f->isEdit);
  EXPECT_TRUE(prompter_.shown.empty());
  f->cancelActionExecute();

  // Another user's stray audit name on a document that is not audited: unaudit still clears it.
  exec("update wh_In set audName = '张三'");
  f->lastActionExecute();
  EXPECT_EQ(f->footerText("audName"), "张三");
  f->unaudActionExecute();
  EXPECT_EQ(f->footerText("audName"), "");
  EXPECT_EQ(text("select audName from wh_In"), "");
  EXPECT_TRUE(prompter_.shown.empty());

  // Deleted meanwhile: the audit says so and changes nothing.
  exec("delete from wh_in_det");
  exec("delete from wh_In");
  f->audActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"记录不存在，可能已被其他用户修改或删除"});
  EXPECT_FALSE(f->mCDS().fieldByName("audited").asBoolean());
}

TEST_F(DocumentTest, DeleteAsksThenRemovesLinesAndMaster) {
  auto f = savedReceipt(2);
  prompter_.answers.push_back(1);  // 取消
  f->delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此张单据吗？"});
  EXPECT_EQ(count("select count(*) from wh_In"), 1);

  prompter_.clear();
  prompter_.answers.push_back(0);  // 确定
  f->delActionExecute();
  EXPECT_EQ(prompter_.texts(), (QStringList{"确定要删除此张单据吗？", "OK"}));
  EXPECT_EQ(count("select count(*) from wh_In"), 0);
  EXPECT_EQ(count("select count(*) from wh_in_det"), 0);
  EXPECT_FALSE(f->hasDocument());  // the only document: an empty screen
  EXPECT_TRUE(f->dCDS().isEmpty());

  prompter_.clear();
  f->delActionExecute();  // nothing shown: nothing asked
  EXPECT_TRUE(prompter_.shown.empty());

  // A document without lines is deleted on the server all the same.
  exec("insert into wh_In(keyNo, whNo, docType) values('RK-X', 'W1', '生产入库')");
  auto g = open<Twh_InForm>();
  prompter_.answers.push_back(0);
  g->delActionExecute();
  EXPECT_EQ(count("select count(*) from wh_In"), 0);
  EXPECT_FALSE(g->hasDocument());
}

TEST_F(DocumentTest, RefusedDeleteShowsTheDocumentAsStored) {
  auto f = savedReceipt(2);
  rawExec(onPostgres()
              ? "create function keep_lines() returns trigger language plpgsql as $$ begin "
                "perform qk_refuse('明细被引用，不能删除'); return old; end $$;"
                "create trigger keep_lines before delete on wh_in_det for each row "
                "execute function keep_lines()"
              : "create trigger keep_lines before delete on wh_in_det "
                "begin select raise(abort, '明细被引用，不能删除'); end");
  prompter_.answers.push_back(0);
  f->delActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_TRUE(prompter_.shown[1].text.contains("明细被引用"));
  EXPECT_TRUE(f->hasDocument());
  EXPECT_EQ(f->dCDS().recordCount(), 2);
  EXPECT_EQ(f->dCDS().changeCount(), 0);
}

// ---- pickers and completion

TEST_F(DocumentTest, ProductPickerAppendsOnNewAndOverwritesOnEdit) {
  auto f = newReceipt();
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "产品查询");
    return pickRows(d, {"P3", "P1", "P2"}, "productNo");
  };
  f->runPicker("productNo");
  ASSERT_EQ(f->dCDS().recordCount(), 3);
  EXPECT_EQ(f->dCDS().valueAt(0, "productNo").toString(), "P3");
  EXPECT_EQ(f->dCDS().valueAt(0, "pName").toString(), "法兰");
  EXPECT_DOUBLE_EQ(f->dCDS().valueAt(0, "uPrice").toDouble(), 95.5);  // the cost price
  EXPECT_EQ(f->dCDS().valueAt(2, "productNo").toString(), "P2");
  EXPECT_FALSE(f->isFilling);
  for (int r = 0; r < 3; ++r) typeInto(f->dCDS(), "qty", 1, r);
  ASSERT_TRUE(f->saveDoc());

  f->editActionExecute();
  f->dCDS().moveTo(1);
  f->runPicker("productNo");  // same three rows: the current line ends with the last
  ASSERT_EQ(f->dCDS().recordCount(), 3);
  EXPECT_EQ(f->dCDS().valueAt(1, "productNo").toString(), "P2");
  EXPECT_EQ(f->dCDS().valueAt(1, "pSize").toString(), "DN50");
  EXPECT_DOUBLE_EQ(f->dCDS().valueAt(1, "qty").toDouble(), 1);

  // Cancelled or nothing marked: nothing is copied.
  answerQuery_ = nullptr;
  f->runPicker("productNo");
  EXPECT_EQ(f->dCDS().recordCount(), 3);
}

TEST_F(DocumentTest, APickerFillsTheEmptyLineFirstThenAppends) {
  auto f = newReceipt();
  addLine(*f, "P1", 2);
  f->addActionExecute();  // 增行, then the picker from the new, empty line
  answerQuery_ = [](Tsys_qryForm& d) { return pickRows(d, {"P3", "P2", "P1"}, "productNo"); };
  f->runPicker("productNo");
  client::Dataset& d = f->dCDS();
  QStringList products;
  for (int r = 0; r < d.recordCount(); ++r) products << d.valueAt(r, "productNo").toString();
  EXPECT_EQ(products, (QStringList{"P1", "P3", "P2", "P1"})) << "no empty line left behind";
  EXPECT_EQ(d.valueAt(1, "pName").toString(), "法兰");
  for (int r = 1; r < d.recordCount(); ++r) typeInto(d, "qty", r, r);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"}) << "not 产品编号和数量不能为空!";
  EXPECT_EQ(count("select count(*) from wh_in_det"), 4);

  // Editing, an empty current line is filled as well, and the document gains no other line.
  f->editActionExecute();
  f->addActionExecute();
  answerQuery_ = [](Tsys_qryForm& d) { return pickRows(d, {"P2"}, "productNo"); };
  f->runPicker("productNo");
  ASSERT_EQ(d.recordCount(), 5);
  EXPECT_EQ(d.valueAt(4, "productNo").toString(), "P2");
  EXPECT_EQ(d.valueAt(3, "productNo").toString(), "P1") << "the line before is untouched";
}

TEST_F(DocumentTest, APickerClosedWithNothingTickedCopiesNothingInEveryMode) {
  for (const auto mode :
       {client::PickAppend::WhenNew, client::PickAppend::Always, client::PickAppend::Never}) {
    SCOPED_TRACE(static_cast<int>(mode));
    client::DocumentConfig c = client::warehouseReceiptConfig();
    c.pickers[0].append = mode;
    DocumentEditor f(c);
    f.formShow();
    f.newActionExecute();
    addLine(f, "P1", 2);
    f.addActionExecute();  // an empty line, the one a picker would fill
    answerQuery_ = [](Tsys_qryForm& d) {
      d.listSP().moveTo(1);  // a row under the cursor, none ticked
      d.selBtnClick();
      return d.result();
    };
    f.runPicker("productNo");
    ASSERT_EQ(f.dCDS().recordCount(), 2);
    EXPECT_EQ(f.dCDS().valueAt(0, "productNo").toString(), "P1");
    EXPECT_TRUE(f.dCDS().valueAt(1, "productNo").isNull());
    EXPECT_EQ(f.dCDS().changeCount(), 2) << "nothing else was written";
    prompter_.answers = {1};
    f.closeActionExecute();
  }
}

TEST_F(DocumentTest, HeaderTextStopsAtTheSizeOfItsField) {
  auto f = newReceipt();
  auto* remark = qobject_cast<QLineEdit*>(f->headerEditor("remarkM"));
  ASSERT_NE(remark, nullptr);
  type(remark, "第一批次返修品，已与质检部门核对数量无误，另附说明");  // 25 for a field of 20
  EXPECT_EQ(remark->text(), "第一批次返修品，已与质检部门核对数量无误");
  addLine(*f, "P1", 1);
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(text("select remarkM from wh_In"), "第一批次返修品，已与质检部门核对数量无误");
}

TEST_F(DocumentTest, TaskPickerCopiesTaskAndProduct) {
  auto f = open<Twh_InForm>();
  f->newActionExecute();
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "生产任务单查询");
    return pickRows(d, {"26-11-0001-01"}, "taskNo");
  };
  f->runPicker("taskNo");
  ASSERT_EQ(f->dCDS().recordCount(), 1);
  EXPECT_EQ(f->dCDS().valueAt(0, "taskNo").toString(), "26-11-0001-01");
  EXPECT_EQ(f->dCDS().valueAt(0, "productNo").toString(), "P2");
  EXPECT_EQ(f->dCDS().valueAt(0, "pName").toString(), "球阀");
  EXPECT_TRUE(f->dCDS().valueAt(0, "uPrice").isNull());

  // In the browse state the buttons do nothing.
  f->cancelActionExecute();
  const std::size_t shown = desktop_.shown.size();
  f->runPicker("taskNo");
  EXPECT_EQ(desktop_.shown.size(), shown);
}

TEST_F(DocumentTest, CompletionFillsClearsAndKeepsTheTypedNumber) {
  auto f = open<Twh_InForm>();
  f->newActionExecute();
  f->addActionExecute();
  client::Dataset& d = f->dCDS();
  d.edit();
  d.fieldByName("productNo").setValue("p1");  // numbers compare without case
  EXPECT_EQ(d.fieldByName("pName").asString(), "闸阀");
  EXPECT_EQ(d.fieldByName("def1").asString(), "红");
  d.fieldByName("productNo").setValue("NOPE");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "NOPE");
  EXPECT_TRUE(d.fieldByName("pName").isNull());
  EXPECT_TRUE(d.fieldByName("des").isNull());
  EXPECT_TRUE(d.fieldByName("def1").isNull());

  d.fieldByName("taskNo").setValue("26-11-0001-01");
  EXPECT_EQ(d.fieldByName("productNo").asString(), "P2");
  EXPECT_EQ(d.fieldByName("pUnit").asString(), "台");
  d.fieldByName("taskNo").setValue("NO-TASK");  // unknown task: the line stays as it is
  EXPECT_EQ(d.fieldByName("productNo").asString(), "P2");
  d.post();

  f->isFilling = true;  // while a picker fills, completions stay quiet
  d.edit();
  d.fieldByName("productNo").setValue("P3");
  EXPECT_EQ(d.fieldByName("pName").asString(), "球阀");
  d.cancel();
  f->isFilling = false;
}

TEST_F(DocumentTest, IssueTakesTheStockPriceAndItsOwnTables) {
  auto f = open<Twh_OutForm>();
  EXPECT_EQ(f->windowTitle(), "出库单");
  EXPECT_EQ(f->headerCombo("docType")->count(), 1);
  EXPECT_EQ(f->headerCombo("docType")->itemText(0), "生产领用");
  f->newActionExecute();
  EXPECT_EQ(f->mCDS().fieldByName("outDate").asDateTime().date(), QDate::currentDate());
  fillHeader(*f);
  answerQuery_ = [](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "库存查询");
    return pickRows(d, {"P3"}, "productNo");
  };
  f->runPicker("productNo");
  ASSERT_EQ(f->dCDS().recordCount(), 1);
  EXPECT_DOUBLE_EQ(f->dCDS().valueAt(0, "uPrice").toDouble(), 88);  // the stock row's price
  EXPECT_EQ(f->dCDS().valueAt(0, "pName").toString(), "法兰");
  typeInto(f->dCDS(), "qty", 25);  // more than on hand: saved like any other
  ASSERT_TRUE(f->saveDoc());
  EXPECT_EQ(f->shownKeyNo(), monthHead("CK") + "0001");
  EXPECT_EQ(count("select count(*) from wh_out_det where itemNo = 1 and qty = 25"), 1);
  f->audActionExecute();
  EXPECT_EQ(count("select audited from wh_Out"), 1);
  prompter_.answers.push_back(0);
  f->unaudActionExecute();
  f->delActionExecute();
  EXPECT_EQ(count("select count(*) from wh_Out"), 0);
  EXPECT_EQ(count("select count(*) from wh_out_det"), 0);
}

// ---- extending the editor

TEST_F(DocumentTest, HooksAndPickerModesExtendTheEditor) {
  client::DocumentConfig c = client::warehouseReceiptConfig();
  bool refuse = true;
  c.validate = [&](DocumentEditor&) { return !refuse; };
  c.numberLines = [](DocumentEditor& e) {
    for (int r = 0; r < e.dCDS().recordCount(); ++r)
      typeInto(e.dCDS(), "remark", QString("第%1行").arg(r + 1), r);
  };
  // A document's own tool-bar entry, a drop-down before "关闭", each entry under the error handler.
  int summaries = 0;
  c.setUp = [&](DocumentEditor& e) {
    const std::vector<client::ToolAction> entries = {
        {"汇总表", 0, {}, {}, [&] { ++summaries; }},
        {"明细表", 0, {}, {}, [] { throw client::DataError("没有明细"); }},
    };
    client::addToolActions(
        *e.toolBar(), {{"汇总", 'H', "print", "打印汇总", {}, {}, true, entries}}, e.closeAction);
  };
  // Rows from elsewhere than the query dialog; every row becomes a line, whatever the state.
  c.pickers[0].source = [](QWidget*, const client::LinePicker&) {
    return std::vector<QVariantMap>{{{"productNo", "P1"}, {"costPrice", 1.5}},
                                    {{"productNo", "P3"}, {"costPrice", ""}}};
  };
  c.pickers[0].copies = {{"productNo", "productNo"}, {"uPrice", "costPrice", true}};
  c.pickers[0].append = client::PickAppend::Always;
  DocumentEditor f(c);
  f.formShow();
  const QList<QAction*> bar = f.toolBar()->actions();
  QAction* summary = bar.at(bar.indexOf(f.closeAction) - 1);
  EXPECT_EQ(summary->text(), "汇总(&H)");
  ASSERT_NE(summary->menu(), nullptr);
  const QList<QAction*> entries = summary->menu()->actions();
  ASSERT_EQ(entries.size(), 2);
  entries[0]->trigger();
  EXPECT_EQ(summaries, 1);
  entries[1]->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{"没有明细"});
  prompter_.clear();

  f.newActionExecute();
  fillHeader(f);
  f.runPicker("productNo");
  ASSERT_EQ(f.dCDS().recordCount(), 2);
  EXPECT_EQ(f.dCDS().valueAt(0, "pName").toString(), "闸阀");     // completion ran
  EXPECT_DOUBLE_EQ(f.dCDS().valueAt(1, "uPrice").toDouble(), 0);  // an empty price is 0
  for (int r = 0; r < 2; ++r) typeInto(f.dCDS(), "qty", 1, r);
  EXPECT_FALSE(f.saveDoc());  // the screen's own check says no, silently here
  EXPECT_TRUE(prompter_.shown.empty());
  refuse = false;
  ASSERT_TRUE(f.saveDoc());
  EXPECT_EQ(text("select group_concat(remark, ',') from (select * from wh_in_det order by itemNo)"),
            "第1行,第2行");

  f.editActionExecute();
  f.dCDS().first();
  f.runPicker("productNo");  // Always: appended even on an edited document
  EXPECT_EQ(f.dCDS().recordCount(), 4);
}

// ---- what sales and production documents need

// A document over bus_SO whose lines (read from their table) get item numbers at save from a
// counting generator, as the sales order's and the task's lines do.
client::DocumentConfig numberedDocument(int* generated, QString first = "26-12-9998") {
  client::DocumentConfig c;
  c.caption = "编号测试";
  c.masterTable = "bus_SO";
  c.detailView = "bus_so_det";
  c.emptyMarker = "love";
  c.numbering = "bus_SO";
  c.saveMaster = {"bus_so", "keyNo", ""};
  c.saveDetail = {"bus_so_det", "gsNo", ""};
  c.priceField = "uprice";
  c.lineMessage = "物料名称和数量不能为空!";
  c.header = {{.field = "custNo", .caption = "客户"}, {.field = "remarkM", .caption = "备注"}};
  c.lineNumbers = {"gsNo", [generated, first](DocumentEditor&) {
                     ++*generated;
                     return first + " ";  // trimmed by the editor
                   }};
  return c;
}

// The sales order's tests cover numbering at save; these are the successors it relies on.
TEST_F(DocumentTest, ASuccessorIncrementsTheDigitsAfterTheLastDash) {
  EXPECT_EQ(client::successorNumber("26-12-0007", 4), "26-12-0008");
  EXPECT_EQ(client::successorNumber("26-12-9999", 4), "26-12-10000");
  EXPECT_EQ(client::successorNumber("26-12-19999", 4), "26-12-20000");
  EXPECT_EQ(client::successorNumber("26-12-0001-09", 2), "26-12-0001-10");
  EXPECT_THROW(client::successorNumber("26-12-00A1", 4), client::DataError);
}

TEST_F(DocumentTest, ALineNumberStoredMeanwhileIsGeneratedAgain) {
  auto other = newClient();
  other->login();
  exec("insert into bus_SO(keyNo, custNo) values('XS-1', 'C1')");
  exec(
      "insert into bus_so_det(gsNo, keyNo, itemNo, productNo, qty) values('26-12-0001', 'XS-1', 1, "
      "'P1', 1)");
  int generated = 0;
  client::DocumentConfig c = numberedDocument(&generated);
  // The generator reads the highest number; another user stores it before this save arrives.
  c.lineNumbers.generate = [&](DocumentEditor& e) {
    const QString no = client::nextGsNo(e.dataModule().pubCDS, QDate(2026, 12, 1));
    if (++generated == 1)
      other->execute(
          "insert into bus_so_det(gsNo, keyNo, productNo, qty) values(:g, 'XS-9', 'P3', 1)",
          {{"g", no.toStdString()}});
    return no;
  };
  DocumentEditor f(c);
  f.formShow();
  ASSERT_EQ(f.shownKeyNo(), "XS-1");
  f.editActionExecute();
  addLine(f, "P2", 4);
  ASSERT_TRUE(f.saveDoc());
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(generated, 2);
  EXPECT_EQ(column(f.dCDS(), "gsNo"), (QStringList{"26-12-0001", "26-12-0003"}));
  EXPECT_EQ(text("select keyNo from bus_so_det where gsNo = '26-12-0003'"), "XS-1");
}

TEST_F(DocumentTest, HeaderCheckBoxSuggestionsComputedFieldsAndButtons) {
  exec("insert into bas_cust(custNo, custName) values('C1', '东方阀门'), ('C2', '南方管件')");
  int generated = 0;
  client::DocumentConfig c = numberedDocument(&generated);
  int clicks = 0;
  int computed = 0;
  c.header = {
      {.field = "custNo",
       .caption = "客户",
       .editor = client::HeaderEditor::Suggest,
       .valuesSql = "select custNo as v from bas_cust order by custNo"},
      {.field = "custName", .caption = "客户名称", .editor = client::HeaderEditor::ReadOnly},
      {.field = "stock", .caption = "库存订单", .editor = client::HeaderEditor::CheckBox},
      {.field = "purNo",
       .caption = "客户采购单号",
       .button =
           [&](DocumentEditor& e) {
             ++clicks;
             typeInto(e.mCDS(), "purNo", "PO-7");
           }},
  };
  c.computeOn = {"custNo"};
  c.computeHeader = [&](DocumentEditor& e) {
    ++computed;
    client::Dataset& pub = e.dataModule().pubCDS;
    pub.setCommandText("select custName from bas_cust where custNo = :c");
    pub.params().byName("c").value =
        e.mCDS().isEmpty() ? QVariant() : e.mCDS().fieldByName("custNo").value();
    pub.open();
    const QVariant name = pub.isEmpty() ? QVariant("") : pub.fieldByName("custName").value();
    pub.close();
    return QVariantMap{{"custName", name}};
  };
  c.newRecord = {client::userDefault("userName"),
                 {"remarkM", [](const DocumentEditor&) { return QVariant("新单"); }}};
  DocumentEditor f(c);
  f.formShow();
  f.newActionExecute();
  EXPECT_EQ(f.mCDS().fieldByName("remarkM").asString(), "新单");
  EXPECT_TRUE(f.mCDS().fieldByName("docDate").isNull()) << "only the configured defaults";
  ASSERT_FALSE(f.mCDS().fieldByName("stock").isNull()) << "an unticked box is false";
  EXPECT_FALSE(f.mCDS().fieldByName("stock").asBoolean());

  QComboBox* cust = f.headerCombo("custNo");
  ASSERT_TRUE(cust->isEditable());
  EXPECT_EQ(cust->count(), 2);
  cust->setEditText("C2");
  EXPECT_EQ(f.mCDS().fieldByName("custNo").asString(), "C2");
  auto* name = qobject_cast<QLineEdit*>(f.headerEditor("custName"));
  EXPECT_EQ(name->text(), "南方管件");
  cust->setEditText("C9");  // not offered, still taken
  EXPECT_EQ(f.mCDS().fieldByName("custNo").asString(), "C9");
  EXPECT_EQ(name->text(), "");

  auto* stock = qobject_cast<QCheckBox*>(f.headerEditor("stock"));
  ASSERT_NE(stock, nullptr);
  stock->setChecked(true);
  EXPECT_TRUE(f.mCDS().fieldByName("stock").asBoolean());
  ASSERT_NE(f.headerButton("purNo"), nullptr);
  f.headerButton("purNo")->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(qobject_cast<QLineEdit*>(f.headerEditor("purNo"))->text(), "PO-7");

  cust->setEditText("C1");
  addLine(f, "P1", 1);
  ASSERT_TRUE(f.saveDoc());
  EXPECT_EQ(
      count("select count(*) from bus_SO where stock = 1 and custNo = 'C1' and purNo = 'PO-7'"), 1);
  computed = 0;
  exec("update bas_cust set custName = '东方阀门集团' where custNo = 'C1'");
  f.lastActionExecute();  // a load computes again, whatever it comes from
  EXPECT_EQ(computed, 1);
  EXPECT_EQ(name->text(), "东方阀门集团");
  EXPECT_TRUE(stock->isChecked());
}

TEST_F(DocumentTest, MenusAddLineHookSideWidgetDeleteOrderAndChainedCompletions) {
  client::DocumentConfig c = client::warehouseReceiptConfig();
  QStringList ran;
  c.findMenu = {{"按物项号查找", [&](DocumentEditor&) { ran << "物项号"; }},
                {"自定义查找", [&](DocumentEditor&) { ran << "自定义"; }}};
  c.printMenu = {{"打印", [&](DocumentEditor&) { ran << "打印"; }},
                 {"分类打印", [&](DocumentEditor&) { ran << "分类"; }}};
  QWidget* side = nullptr;
  c.sideWidget = [&](DocumentEditor& e) { return side = new QLabel("树", &e); };
  c.addLine = [&](DocumentEditor& e) {
    e.appendLine();
    typeInto(e.dCDS(), "productNo", "P2");
  };
  // A second completion on the product: the price from the stock, after the description.
  c.completions.push_back(
      {"productNo",
       "select initPrice as p, productNo as n from wh_stock where productNo = :p1",
       {{"uPrice", "p", true, 0}, {"remark", "n"}}});
  c.deleteMasterFirst = true;
  DocumentEditor f(c);
  f.formShow();
  ASSERT_NE(f.findAction->menu(), nullptr);
  ASSERT_NE(f.printAction->menu(), nullptr);
  for (QAction* a : f.findAction->menu()->actions()) a->trigger();
  for (QAction* a : f.printAction->menu()->actions()) a->trigger();
  EXPECT_EQ(ran, (QStringList{"物项号", "自定义", "打印", "分类"}));
  ASSERT_NE(side, nullptr);
  EXPECT_TRUE(f.isAncestorOf(side));

  f.newActionExecute();
  fillHeader(f);
  f.addActionExecute();
  ASSERT_EQ(f.dCDS().recordCount(), 1);
  EXPECT_EQ(f.dCDS().fieldByName("pName").asString(), "球阀");    // the first completion
  EXPECT_DOUBLE_EQ(f.dCDS().fieldByName("uPrice").asFloat(), 0);  // no stock of P2
  typeInto(f.dCDS(), "productNo", "P3");
  EXPECT_EQ(f.dCDS().fieldByName("pName").asString(), "法兰");
  EXPECT_DOUBLE_EQ(f.dCDS().fieldByName("uPrice").asFloat(), 88);
  EXPECT_EQ(f.dCDS().fieldByName("remark").asString(), "P3");
  typeInto(f.dCDS(), "qty", 2);
  ASSERT_TRUE(f.saveDoc());

  // The master goes first: the server writes it before the lines and refuses nothing here.
  prompter_.clear();
  prompter_.answers.push_back(0);
  f.delActionExecute();
  EXPECT_EQ(prompter_.texts(), (QStringList{"确定要删除此张单据吗？", "OK"}));
  EXPECT_EQ(count("select count(*) from wh_In"), 0);
  EXPECT_EQ(count("select count(*) from wh_in_det"), 0);
}

TEST_F(DocumentTest, ItemNumberDialogTakesFourAndFiveDigitSequences) {
  client::TgsNoForm dlg;
  EXPECT_EQ(dlg.windowTitle(), "请输入物项号");
  QLineEdit* edit = dlg.edit();
  for (const char* ok : {"26-12-0001", "26-12-10000"}) {
    edit->setText(ok);
    EXPECT_TRUE(edit->hasAcceptableInput()) << ok;
  }
  for (const char* short_ : {"26-12-001", "26-1"}) {
    edit->setText(short_);
    EXPECT_FALSE(edit->hasAcceptableInput()) << short_;
  }
  edit->clear();
  type(edit, "26-12-123456x");  // the sixth digit and the letter are refused while typing
  EXPECT_EQ(dlg.gsNo(), "26-12-12345");
}

// ---- find, print, close

TEST_F(DocumentTest, FindLoadsTheChosenDocument) {
  auto f = savedReceipt(1);
  const QString first = f->shownKeyNo();
  savedReceipt(2);
  f->lastActionExecute();
  ASSERT_NE(f->shownKeyNo(), first);
  answerQuery_ = [&](Tsys_qryForm& d) {
    EXPECT_EQ(d.windowTitle(), "入库单查询");
    for (int r = 0; r < d.listSP().recordCount(); ++r)
      if (d.listSP().valueAt(r, "keyNo").toString() == first) d.listSP().moveTo(r);
    return int(QDialog::Accepted);
  };
  f->findActionExecute();
  EXPECT_EQ(f->shownKeyNo(), first);
  EXPECT_EQ(f->dCDS().recordCount(), 1);
}

TEST_F(DocumentTest, PrintOffersTheReceiptStylesWithTheScreensData) {
  auto f = savedReceipt(3);
  int styles = -1;
  bool hasLines = false;
  desktop_.on<client::Tsys_reportForm>([&](client::Tsys_reportForm& report) {
    styles = report.LV()->count();
    hasLines = report.reportData().source("入库单明细表") != nullptr;
    return QDialog::Rejected;
  });
  f->printActionExecute();
  EXPECT_GE(styles, 1);
  EXPECT_TRUE(hasLines);
}

TEST_F(DocumentTest, CloseAsksOnlyWithUnsavedWork) {
  auto f = open<Twh_InForm>();
  f->closeActionExecute();
  EXPECT_TRUE(f->isClosed());
  EXPECT_TRUE(prompter_.shown.empty());

  auto g = open<Twh_InForm>();
  g->newActionExecute();
  prompter_.answers.push_back(0);  // 否
  g->closeActionExecute();
  EXPECT_FALSE(g->isClosed());
  EXPECT_EQ(prompter_.texts(), QStringList{"数据未保存，是否确认要退出？"});
  prompter_.answers.push_back(1);  // 是
  g->closeActionExecute();
  EXPECT_TRUE(g->isClosed());
}

TEST_F(DocumentTest, TheMainWindowsActionsOpenTheScreensOnTheLastDocument) {
  client::registerWarehouseScreens();
  exec("insert into wh_Out(keyNo, whNo, docType) values('CK-9', 'W1', '生产领用')");
  const std::pair<const char*, const char*> kScreens[] = {{"wh_InAction", "入库单"},
                                                          {"wh_outAction", "出库单"}};
  for (const auto& [action, caption] : kScreens) {
    SCOPED_TRACE(action);
    const client::ScreenFactory* factory = client::findScreen(action);
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<QDialog> dlg((*factory)(nullptr));
    EXPECT_EQ(dlg->windowTitle(), caption);
    auto* editor = qobject_cast<DocumentEditor*>(dlg.get());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->shownKeyNo(), QString(action) == "wh_outAction" ? "CK-9" : "");
  }
}

}  // namespace
}  // namespace qk::test

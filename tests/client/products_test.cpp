// The products screen against a real server: the product rule and its messages, generated
// product numbers, the paged query keeping its conditions, saving through UpdateBasData with the
// reply shown, deletions reaching the server at once, the edit dialog and the picker mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/data/settings.h"
#include "client/masterdata/master_lists.h"
#include "client/masterdata/products_form.h"
#include "client/query/filter_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/page_bar.h"
#include "client_fixture.h"
#include "support/widget_input.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::Tbas_prdEditForm;
using client::Tbas_productsForm;
using client::TfilterForm;

class ProductsTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    savedSettings_ = client::settings();
    // The conditions dialog answers with a name containing `nameLike_` (empty: everything).
    answerConditions([this](TfilterForm& f) {
      for (client::Condition& c : f.rows())
        if (c.fieldEngName == "productName") c.setValue = nameLike_;
    });
  }
  void TearDown() override {
    client::settings() = savedSettings_;
    ClientTest::TearDown();
  }

  void addProduct(const QString& no, const QString& name, const QString& size = "M8") {
    Dataset& t = dm_->tmpCDS;
    t.setCommandText(
        "insert into bas_products (productNo, productName, productSize) values (:no, :n, :s)");
    t.params().byName("no").value = no;
    t.params().byName("n").value = name;
    t.params().byName("s").value = size;
    t.execute();
  }
  // Types a product into productsCDS and saves it, as the edit dialog's toolbar does.
  static void typeProduct(Dataset& ds, const QString& no, const QString& name,
                          const QString& size) {
    ds.append();
    if (!no.isEmpty()) ds.fieldByName("productNo").setValue(no);
    if (!name.isEmpty()) ds.fieldByName("productName").setValue(name);
    if (!size.isEmpty()) ds.fieldByName("productSize").setValue(size);
    ds.post();
  }

  client::Settings savedSettings_;
  QString nameLike_;
};

// ---- the product rule

TEST_F(ProductsTest, SavingRefusesMissingNameThenMissingSize) {
  Tbas_productsForm form;
  Dataset& ds = dm_->productsCDS;
  ds.append();
  ds.fieldByName("productSize").setValue("M8");
  EXPECT_THROW(ds.post(), client::Abort);
  EXPECT_EQ(prompter_.texts(), QStringList{"品名不能为空!"});
  EXPECT_EQ(ds.state(), Dataset::State::Insert);

  prompter_.clear();
  ds.fieldByName("productName").setValue("  ");
  EXPECT_THROW(ds.post(), client::Abort);  // a blank name is no name
  EXPECT_EQ(prompter_.texts(), QStringList{"品名不能为空!"});

  prompter_.clear();
  ds.fieldByName("productName").setValue("螺栓");
  ds.fieldByName("productSize").setValue(" ");
  EXPECT_THROW(ds.post(), client::Abort);
  EXPECT_EQ(prompter_.texts(), QStringList{"规格不能为空!"});
  EXPECT_EQ(ds.state(), Dataset::State::Insert);
  EXPECT_EQ(count("select count(*) from bas_products"), 0);
}

TEST_F(ProductsTest, BlankNumbersAreGeneratedFromTheHighestNumberAndTypedOnesKept) {
  Tbas_productsForm form;
  Dataset& ds = dm_->productsCDS;
  typeProduct(ds, "", "螺栓", "M8");
  EXPECT_EQ(ds.fieldByName("productNo").asString(), "PRDS000001");

  addProduct("PRDS000041", "垫片");
  // Typed by hand, not of the generated form: none of them may stop or bend the numbering.
  addProduct("PRDS99", "手工编号");       // above PRDS000041 in text order
  addProduct("PRDSX1", "手工编号");       // not a number at all
  addProduct("PRDS0000012", "手工编号");  // longer than the generated numbers
  typeProduct(ds, "", "螺母", "M10");
  EXPECT_EQ(ds.fieldByName("productNo").asString(), "PRDS000042");
  EXPECT_EQ(count("select count(*) from bas_products where productNo = 'PRDS000042'"), 1);
  addProduct("prds000050", "小写编号");  // the same number as PRDS000050 to the database
  typeProduct(ds, "", "垫圈", "M10");
  EXPECT_EQ(ds.fieldByName("productNo").asString(), "PRDS000051");

  typeProduct(ds, "A-100", "法兰", "DN50");
  EXPECT_EQ(ds.fieldByName("productNo").asString(), "A-100");
  EXPECT_EQ(count("select count(*) from bas_products where productNo = 'A-100'"), 1);
}

TEST_F(ProductsTest, GenerationStopsWithAMessageWhenTheRangeIsUsedUp) {
  Tbas_productsForm form;
  addProduct("PRDS999999", "最后一个");
  Dataset& ds = dm_->productsCDS;
  prompter_.clear();
  ds.append();
  ds.fieldByName("productName").setValue("螺栓");
  ds.fieldByName("productSize").setValue("M8");
  EXPECT_THROW(ds.post(), client::Abort);
  EXPECT_EQ(prompter_.texts(), QStringList{"物料编号已用完（PRDS999999），请手工输入编号"});
  EXPECT_EQ(ds.state(), Dataset::State::Insert);
  EXPECT_TRUE(ds.fieldByName("productNo").asString().isEmpty());
  EXPECT_EQ(count("select count(*) from bas_products"), 1);

  prompter_.clear();
  ds.fieldByName("productNo").setValue("P-1");
  ds.post();
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
}

// ---- saving

TEST_F(ProductsTest, SaveShowsTheReplyAndMergesOnlyWhenOk) {
  Tbas_productsForm form;
  Dataset& ds = dm_->productsCDS;
  typeProduct(ds, "P-1", "螺栓", "M8");
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(ds.changeCount(), 0);
  EXPECT_EQ(count("select count(*) from bas_products where productName = '螺栓'"), 1);

  addProduct("P-2", "别人录入的");
  prompter_.clear();
  typeProduct(ds, "P-2", "重复", "M8");
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_NE(prompter_.shown[0].text, "OK");
  EXPECT_EQ(ds.changeCount(), 1);  // sent again with the next save
}

// ---- deleting

TEST_F(ProductsTest, DeleteReachesTheServerAtOnceAndLeavesNothingPending) {
  addProduct("P-1", "螺栓");
  addProduct("P-2", "螺母");
  Tbas_productsForm form;
  form.qryActionExecute();
  Dataset& ds = dm_->productsCDS;
  ASSERT_EQ(ds.recordCount(), 2);

  prompter_.answers = {0};
  form.delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此记录吗?"});
  EXPECT_EQ(count("select count(*) from bas_products"), 2);

  prompter_.clear();
  prompter_.answers = {1};
  ASSERT_TRUE(ds.locate("productNo", "P-1"));
  form.delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除此记录吗?"});
  EXPECT_EQ(count("select count(*) from bas_products where productNo = 'P-1'"), 0);
  EXPECT_EQ(ds.recordCount(), 1);
  EXPECT_EQ(ds.changeCount(), 0);

  // A later save sends only its own row.
  prompter_.clear();
  ds.edit();
  ds.fieldByName("productName").setValue("六角螺母");
  ds.post();
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(count("select count(*) from bas_products where productName = '六角螺母'"), 1);
}

// ---- paging

TEST_F(ProductsTest, QueryShowsThePagesAndTheChooserKeepsTheConditions) {
  client::settings().recordCount = 10;
  for (int i = 1; i <= 25; ++i) addProduct(QString("T%1").arg(i, 3, 10, QChar('0')), "测试件");
  for (int i = 1; i <= 5; ++i) addProduct(QString("O%1").arg(i), "其他");
  Tbas_productsForm form;
  EXPECT_TRUE(dm_->productsCDS.isEmpty());  // nothing until a query runs
  client::PageBar& bar = *form.pageBar();
  EXPECT_TRUE(bar.isHidden());

  nameLike_ = "测试";
  form.qryActionExecute();
  const QString where = form.whereClause();
  EXPECT_TRUE(where.contains("测试"));
  EXPECT_FALSE(bar.isHidden());
  EXPECT_EQ(bar.pageCountText(), "3");
  EXPECT_EQ(bar.recordText(), "记录总数：25");
  EXPECT_EQ(dm_->productsCDS.recordCount(), 10);

  // The user chooses page 2 in the bar.
  emit bar.chooser()->activated(1);
  Dataset& ds = dm_->productsCDS;
  EXPECT_EQ(bar.pageText(), "2");
  EXPECT_EQ(form.whereClause(), where);
  ASSERT_EQ(ds.recordCount(), 10);
  EXPECT_EQ(ds.valueAt(0, "productNo").toString(), "T011");
  for (int r = 0; r < ds.recordCount(); ++r)
    EXPECT_EQ(ds.valueAt(r, "productName").toString(), "测试件");
  EXPECT_EQ(desktop_.count("qk::client::TfilterForm"), 1) << "paging asks for no conditions";
}

// ---- edit dialog

TEST_F(ProductsTest, EditDialogWritesItsEditorsIntoTheNewProduct) {
  Dataset& t = dm_->tmpCDS;
  t.setCommandText("insert into bas_productId (productId, pIdName) values ('01', '紧固件')");
  t.execute();
  Tbas_productsForm form;
  desktop_.on<Tbas_prdEditForm>([](Tbas_prdEditForm& edit) {
    qobject_cast<QLineEdit*>(edit.editor("productName"))->setText("螺栓");
    qobject_cast<QLineEdit*>(edit.editor("productSize"))->setText("M8");
    qobject_cast<QLineEdit*>(edit.editor("costPrice"))->setText("1.25");
    auto* source = qobject_cast<QComboBox*>(edit.editor("source"));
    source->setCurrentIndex(source->findText("采购"));
    auto* category = qobject_cast<QComboBox*>(edit.editor("pIdName"));
    category->setCurrentIndex(category->findText("紧固件"));
    qobject_cast<QCheckBox*>(edit.editor("isCutter"))->setChecked(true);
    edit.saveAction->trigger();
    return QDialog::Rejected;
  });
  form.newActionExecute();
  EXPECT_EQ(desktop_.titles(), QStringList{"物料设置"});
  EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
  EXPECT_EQ(count("select count(*) from bas_products where productNo = 'PRDS000001' and "
                  "productId = '01' and source = '采购' and isCutter = 1 and costPrice = 1.25"),
            1);
  EXPECT_EQ(dm_->productsCDS.fieldByName("pIdName").asString(), "紧固件");
}

TEST_F(ProductsTest, EditDialogRowsShowTheFieldsOwnTitlesAndTakeNoMoreThanTheFieldHolds) {
  Tbas_productsForm form;  // the layout titles the fields "物料描述|物料编号", …
  ASSERT_EQ(dm_->productsCDS.fieldByName("productNo").label(), "物料描述|物料编号");
  Tbas_prdEditForm edit(&form);
  auto* layout = edit.findChild<QFormLayout*>();
  ASSERT_NE(layout, nullptr);
  auto label = [&](const char* field) {
    auto* l = qobject_cast<QLabel*>(layout->labelForField(edit.editor(field)));
    return l ? l->text() : QString();
  };
  EXPECT_EQ(label("productNo"), "物料编号");
  EXPECT_FALSE(label("isCutter").contains('|'));

  dm_->productsCDS.append();
  auto* def1 = qobject_cast<QLineEdit*>(edit.editor("def1"));
  type(def1, "一二三四五六七八九十一二三四五六七八九十超出");  // 22 for a field of 20
  EXPECT_EQ(def1->text(), "一二三四五六七八九十一二三四五六七八九十");
  EXPECT_EQ(qobject_cast<QLineEdit*>(edit.editor("productNo"))->maxLength(), 50);
  dm_->productsCDS.cancel();
}

TEST_F(ProductsTest, DeletingInTheEditDialogAsksAndReachesTheServerAtOnce) {
  addProduct("P-1", "螺栓");
  addProduct("P-2", "螺母");
  Tbas_productsForm form;
  form.qryActionExecute();
  Dataset& ds = dm_->productsCDS;
  ASSERT_TRUE(ds.locate("productNo", "P-1"));
  desktop_.on<Tbas_prdEditForm>([&](Tbas_prdEditForm& edit) {
    prompter_.answers = {0};
    edit.deleteAction->trigger();  // 否: nothing happens
    EXPECT_EQ(ds.recordCount(), 2);
    prompter_.answers = {1};
    edit.deleteAction->trigger();
    EXPECT_EQ(count("select count(*) from bas_products where productNo = 'P-1'"), 0)
        << "on the server before the dialog closes";
    return QDialog::Rejected;
  });
  form.editActionExecute();
  EXPECT_EQ(prompter_.texts(), (QStringList{"确定要删除此记录吗?", "确定要删除此记录吗?"}));
  EXPECT_EQ(ds.recordCount(), 1);
  EXPECT_EQ(ds.changeCount(), 0) << "nothing left to travel with a later save";
}

TEST_F(ProductsTest, ARefusedProductIsMarkedAndCanBeSentAgainOrGivenUp) {
  addProduct("P-1", "螺栓");
  Tbas_productsForm form;
  form.qryActionExecute();
  Dataset& ds = dm_->productsCDS;
  desktop_.on<Tbas_prdEditForm>([&](Tbas_prdEditForm& edit) {
    qobject_cast<QLineEdit*>(edit.editor("productNo"))->setText("P-1");
    qobject_cast<QLineEdit*>(edit.editor("productName"))->setText("重复的螺栓");
    qobject_cast<QLineEdit*>(edit.editor("productSize"))->setText("M8");
    edit.saveAction->trigger();
    EXPECT_NE(prompter_.texts().value(0), "OK");
    EXPECT_TRUE(edit.saveAction->isEnabled()) << "refused: it can be sent again";
    EXPECT_TRUE(edit.cancelAction->isEnabled());
    EXPECT_EQ(form.grid()->rowMark(ds.currentRow()), prompter_.texts().value(0));

    // Sent again as it is: refused again, still marked.
    const QString refused = prompter_.texts().value(0);
    prompter_.clear();
    edit.saveAction->trigger();
    EXPECT_EQ(prompter_.texts(), QStringList{refused});
    EXPECT_EQ(form.grid()->rowMark(ds.currentRow()), refused);

    // Corrected in the dialog and saved.
    prompter_.clear();
    qobject_cast<QLineEdit*>(edit.editor("productNo"))->setText("P-9");
    edit.saveAction->trigger();
    EXPECT_EQ(prompter_.texts(), QStringList{"OK"});
    EXPECT_EQ(form.grid()->rowMark(ds.currentRow()), "");
    EXPECT_FALSE(edit.saveAction->isEnabled());
    return QDialog::Rejected;
  });
  form.newActionExecute();
  EXPECT_EQ(count("select count(*) from bas_products where productNo = 'P-9'"), 1);

  // Refused again, then given up in the dialog: gone, nothing pending.
  prompter_.clear();
  desktop_.on<Tbas_prdEditForm>([&](Tbas_prdEditForm& edit) {
    qobject_cast<QLineEdit*>(edit.editor("productNo"))->setText("P-1");
    qobject_cast<QLineEdit*>(edit.editor("productName"))->setText("又一个");
    qobject_cast<QLineEdit*>(edit.editor("productSize"))->setText("M8");
    edit.saveAction->trigger();
    edit.cancelAction->trigger();
    EXPECT_FALSE(edit.saveAction->isEnabled());
    return QDialog::Rejected;
  });
  form.newActionExecute();
  EXPECT_EQ(ds.changeCount(), 0);
  EXPECT_EQ(ds.recordCount(), 2);
}

TEST_F(ProductsTest, ClosingWithAProductTypedButNotSavedAsks) {
  Tbas_productsForm form;
  bool closed = false;
  QObject::connect(&form, &QDialog::rejected, [&] { closed = true; });
  desktop_.on<Tbas_prdEditForm>([](Tbas_prdEditForm& edit) {
    qobject_cast<QLineEdit*>(edit.editor("productName"))->setText("螺栓");
    edit.commitEditors();
    return QDialog::Rejected;  // closed without saving: the row stays typed
  });
  form.newActionExecute();
  prompter_.answers = {0};
  form.closeAction->trigger();
  EXPECT_FALSE(closed);
  EXPECT_EQ(prompter_.texts(), QStringList{"数据未保存，是否确认要退出？"});
  EXPECT_EQ(dm_->productsCDS.state(), Dataset::State::Insert);
  prompter_.answers = {1};
  form.closeAction->trigger();
  EXPECT_TRUE(closed);
  EXPECT_EQ(dm_->productsCDS.state(), Dataset::State::Browse) << "the typed product is given up";
  EXPECT_EQ(count("select count(*) from bas_products"), 0);
}

// ---- empty grid and picker

TEST_F(ProductsTest, PickerTakesTheCurrentProductAndAnEmptyGridNone) {
  Tbas_productsForm form;
  form.setPickerMode(true);
  form.editActionExecute();
  form.delActionExecute();
  EXPECT_TRUE(desktop_.shown.empty());
  EXPECT_TRUE(prompter_.texts().isEmpty());
  form.selBtnClick();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "请选中一条记录!");
  EXPECT_EQ(prompter_.shown[0].icon, client::Prompter::Icon::Information);
  EXPECT_EQ(form.result(), QDialog::Rejected);

  addProduct("P-1", "螺栓");
  addProduct("P-2", "螺母");
  form.qryActionExecute();
  dm_->productsCDS.moveTo(1);
  form.selBtn->trigger();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(dm_->productsCDS.fieldByName("productNo").asString(), "P-2");
}

class ProductsDemoTest : public ProductsTest {
 protected:
  bool demoData() const override { return true; }
};

TEST_F(ProductsDemoTest, DemoProductsFillAPageWithCategoryNames) {
  client::settings().recordCount = 30;
  Tbas_productsForm form;
  form.qryActionExecute();
  Dataset& ds = dm_->productsCDS;
  ASSERT_EQ(ds.recordCount(), 30);
  EXPECT_GT(form.totalCount(), 30);
  int named = 0;
  for (int r = 0; r < ds.recordCount(); ++r)
    if (!ds.valueAt(r, "pIdName").toString().isEmpty()) ++named;
  EXPECT_GT(named, 0);
}

}  // namespace
}  // namespace qk::test

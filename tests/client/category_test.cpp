// Product categories, quotas and supplier prices against a real server: where a new category
// goes in the tree and that it is saved at once; the refusals of a category without number or
// name, with sub-categories or still used by products (also by the database itself); quotas and
// supplier prices belonging to the products screen's product, their checks, deletes sent at
// once and the server's refusal shown in its own words.
#include <QAction>

#include "client/data/dataset.h"
#include "client/masterdata/gtype_form.h"
#include "client/masterdata/master_lists.h"
#include "client/masterdata/products_form.h"
#include "client/masterdata/quote_form.h"
#include "client/masterdata/sup_list_form.h"
#include "client/report/report_preview.h"
#include "client/report/sys_report_form.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::Prompter;
using client::Tbas_gTypeForm;
using client::Tbas_quoteForm;
using client::Tsup_listForm;

class CategoryTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    exec(
        "insert into bas_productId (productId, pIdName, lev, parent_id) values "
        "('01', '阀门', 1, ''), ('0101', '闸阀', 2, '01'), ('02', '紧固件', 1, '')");
    exec(
        "insert into bas_products (productNo, productId, productName, productSize) values "
        "('P-1', '0101', '闸阀', 'DN50'), ('P-2', '0101', '闸阀', 'DN80')");
  }

  static void moveTo(Dataset& ds, const char* productId) {
    ASSERT_TRUE(ds.locate("productId", productId)) << productId;
  }
  qint64 categories(const char* where) {
    return count(std::string("select count(*) from bas_productId where ") + where);
  }
};

TEST_F(CategoryTest, ANewCategoryGoesUnderOrBesideTheCurrentOneAndIsSavedAtOnce) {
  Tbas_gTypeForm f;
  Dataset& ds = f.pIdCDS();

  // Without a number or a name nothing reaches the server.
  moveTo(ds, "0101");
  f.childAction->trigger();
  ds.fieldByName("productId").setValue("010101");
  f.saveAction->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kCategoryIncomplete});
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);
  EXPECT_EQ(categories("productId = '010101'"), 0);

  ds.fieldByName("pIdName").setValue("明杆闸阀");
  f.saveAction->trigger();
  EXPECT_EQ(categories("productId = '010101' and lev = 3 and parent_id = '0101'"), 1);

  moveTo(ds, "0101");
  f.sameLevelAction->trigger();
  ds.fieldByName("productId").setValue("0102");
  ds.fieldByName("pIdName").setValue("球阀");
  f.saveAction->trigger();
  EXPECT_EQ(categories("productId = '0102' and lev = 2 and parent_id = '01'"), 1);
  EXPECT_EQ(ds.changeCount(), 0);
}

TEST_F(CategoryTest, ACategoryWithSubCategoriesOrProductsIsNotDeleted) {
  Tbas_gTypeForm f;
  Dataset& ds = f.pIdCDS();
  prompter_.answers = {1, 1, 1};

  moveTo(ds, "01");
  f.delAction->trigger();
  EXPECT_EQ(prompter_.shown.back().text, client::kCategoryHasChildren);
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Stop);

  moveTo(ds, "0101");
  f.delAction->trigger();
  EXPECT_EQ(prompter_.shown.back().text, "此类别已有 2 种物料使用，不能删除!");
  EXPECT_EQ(categories("1 = 1"), 3);
  EXPECT_EQ(ds.recordCount(), 3);

  // An unused category goes at once, without another save.
  moveTo(ds, "02");
  f.delAction->trigger();
  EXPECT_EQ(categories("productId = '02'"), 0);
  EXPECT_EQ(ds.changeCount(), 0);

  // The database refuses the same for whoever else deletes.
  EXPECT_EQ(dataErrorOf([&] { exec("delete from bas_productId where productId = '0101'"); }),
            "此类别已有物料使用，不能删除!");
  EXPECT_EQ(categories("1 = 1"), 2);
}

TEST_F(CategoryTest, QuotasBelongToTheProductsScreensProductAndDeletesGoAtOnce) {
  exec("insert into bas_process (procNo, procName) values ('10', '粗车'), ('20', '精车')");
  client::registerMasterDataScreens();
  ASSERT_NE(client::findProductScreen("quoteAction"), nullptr);
  ASSERT_NE(client::findProductScreen("supAction"), nullptr);
  dm_->curProductNo = "P-1";
  Tbas_quoteForm f("P-1");
  EXPECT_EQ(f.windowTitle(), "P-1 闸阀 DN50      定额设置");

  f.insertAction->trigger();
  f.dataset().fieldByName("quote").setValue(1.5);
  f.saveAction->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kQuoteProcessEmpty});
  f.dataset().fieldByName("procNo").setValue("10");
  f.saveAction->trigger();
  EXPECT_EQ(count("select count(*) from bas_quote where productNo = 'P-1' and procNo = '10'"), 1);
  EXPECT_EQ(f.dataset().fieldByName("procName").asString(), "粗车");

  prompter_.answers = {1};
  f.deleteAction->trigger();
  EXPECT_EQ(count("select count(*) from bas_quote"), 0);
  EXPECT_EQ(f.dataset().changeCount(), 0);
}

TEST_F(CategoryTest, ASupplierPriceTheServerRefusesIsShownInItsWords) {
  exec("insert into bas_sup (supNo, supName) values ('S1', '钢材公司')");
  exec("insert into bas_supPrice (productNo, supNo, uPrice) values ('P-1', 'S1', 12.5)");
  dm_->curProductNo = "P-1";
  Tsup_listForm f("P-1");
  EXPECT_EQ(f.dataset().recordCount(), 1);

  f.insertAction->trigger();
  f.saveAction->trigger();
  EXPECT_EQ(prompter_.texts(), QStringList{client::kSupplierEmpty});

  prompter_.clear();
  f.dataset().fieldByName("supNo").setValue("S1");  // the product has a price of S1 already
  f.dataset().fieldByName("uPrice").setValue(11);
  f.saveAction->trigger();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_FALSE(prompter_.shown.back().text.isEmpty());
  EXPECT_EQ(prompter_.shown.back().icon, Prompter::Icon::Warning);
  EXPECT_TRUE(f.hasUnsavedWork());  // kept to be corrected
  EXPECT_EQ(count("select count(*) from bas_supPrice"), 1);
}

TEST_F(CategoryTest, SupplierPricesPrintFromTheirStandardStyleWithTheSuppliersNames) {
  exec("insert into bas_sup (supNo, supName) values ('S1', '钢材公司'), ('S2', '铸件厂')");
  exec(
      "insert into bas_supPrice (productNo, supNo, uPrice) values "
      "('P-1', 'S1', 12.5), ('P-1', 'S2', 13.25), ('P-2', 'S1', 99)");
  dm_->curProductNo = "P-1";
  Tsup_listForm f("P-1");
  ASSERT_NE(f.printAction, nullptr);
  QStringList texts;
  desktop_.on<client::Tsys_reportForm>([](client::Tsys_reportForm& r) {
    EXPECT_TRUE(r.selectStyle("标准样式"));
    r.previewActionExecute();
    return QDialog::Rejected;
  });
  desktop_.on<client::ReportPreview>([&](client::ReportPreview& p) {
    EXPECT_TRUE(p.report().warnings.isEmpty()) << p.report().warnings.join("; ").toStdString();
    if (p.pageCount() > 0) texts = p.report().pages[0].texts();
    return QDialog::Rejected;
  });
  f.printAction->trigger();
  for (const char* expected :
       {"产品编号：P-1", "钢材公司", "铸件厂", "12.50000", "13.25000", "共 2 家供应商"})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
  EXPECT_FALSE(texts.contains("99.00000")) << "another product's price";
}

}  // namespace
}  // namespace qk::test

// The report dialog against a real server: its cache directory, the report tree and the style
// list, new styles and their names, deleting, design runs stored back into sys_report, preview
// and print, and the standard templates every account set is seeded with.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "client/data/data_error.h"
#include "client/report/designer_document.h"
#include "client/report/report_data.h"
#include "client/report/report_designer.h"
#include "client/report/report_preview.h"
#include "client/report/report_renderer.h"
#include "client/report/report_template.h"
#include "client/report/sys_report_form.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::DataError;
using client::Dataset;
using client::RenderedReport;
using client::ReportDesigner;
using client::ReportPreview;
using client::ReportTemplate;
using client::Tsys_reportForm;
using Icon = client::Prompter::Icon;

class ReportFormTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    ASSERT_TRUE(cache_.isValid());
    Tsys_reportForm::setCacheDir(cache_.filePath("report"));
    desktop_.on<ReportPreview>([this](ReportPreview& p) {
      ++previews_;
      lastPages_ = p.pageCount();
      lastWarnings_ = p.report().warnings;
      lastTexts_ = p.pageCount() > 0 ? p.report().pages[0].texts() : QStringList{};
      return QDialog::Rejected;
    });
    // The printer is a PDF file, so what was sent to it can be read back.
    desktop_.on<QPrintDialog>([this](QPrintDialog& d) {
      ++prints_;
      d.printer()->setOutputFormat(QPrinter::PdfFormat);
      d.printer()->setOutputFileName(printedFile());
      return QDialog::Accepted;
    });
  }
  void TearDown() override {
    Tsys_reportForm::setCacheDir({});
    ClientTest::TearDown();
  }

  // As a document screen opens it: its category, no tree.
  std::unique_ptr<Tsys_reportForm> openFor(const QString& category) {
    auto form = std::make_unique<Tsys_reportForm>();
    form->category = category;
    form->treeMode = false;
    form->loadReports();
    return form;
  }
  static QStringList styles(const Tsys_reportForm& form) {
    QStringList out;
    for (int i = 0; i < form.LV()->count(); ++i) out << form.LV()->item(i)->text();
    return out;
  }
  QByteArray storedTemplate(const std::string& where) {
    const protocol::Value v = scalar("select repFile from sys_report where " + where);
    const auto* blob = std::get_if<protocol::Blob>(&v);
    if (!blob) return {};
    return QByteArray(reinterpret_cast<const char*>(blob->bytes.data()),
                      static_cast<qsizetype>(blob->bytes.size()));
  }
  std::int64_t count(const std::string& where) {
    return std::get<std::int64_t>(scalar("select count(*) from sys_report where " + where));
  }

  QString printedFile() const { return cache_.filePath("printed.pdf"); }

  QTemporaryDir cache_;
  int previews_ = 0, prints_ = 0, lastPages_ = -1;
  QStringList lastWarnings_, lastTexts_;  // of the last preview, its first page
};

// ---------------------------------------------------------------------------------------------
// Cache directory

TEST_F(ReportFormTest, CacheDirectoryIsMadeOrItsFailureStopsTheDialogWithItsText) {
  QFile blocker(cache_.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Tsys_reportForm::setCacheDir(cache_.filePath("blocker/report"));
  EXPECT_EQ(dataErrorOf([&] { openFor("wh_in"); }), "不能创建目录 report, 请创建 report 目录!");

  // A missing one is simply made.
  Tsys_reportForm::setCacheDir(cache_.filePath("report"));
  ASSERT_FALSE(QDir(cache_.filePath("report")).exists());
  openFor("wh_in");
  EXPECT_TRUE(QDir(cache_.filePath("report")).exists());
}

// ---------------------------------------------------------------------------------------------
// Tree and style list

TEST_F(ReportFormTest, OpenedFromAScreenTheTreeStaysHiddenAndTheListShowsItsStylesAtOnce) {
  auto form = openFor("bas_cust");
  EXPECT_TRUE(form->repView()->isHidden());
  EXPECT_EQ(styles(*form), QStringList{"标准样式"});
  EXPECT_EQ(
      form->LV()->item(0)->data(Qt::UserRole).toLongLong(),
      std::get<std::int64_t>(scalar("select repNo from sys_report where tableName = 'bas_cust'")));
  EXPECT_TRUE(form->LV()->selectedItems().isEmpty());

  // A category with no reports shows an empty list rather than another category's styles.
  auto none = openFor("没有这种报表");
  EXPECT_EQ(none->LV()->count(), 0);
}

TEST_F(ReportFormTest, TreeModeShowsCategoriesAndReportsAndAClickOnAReportListsItsStyles) {
  auto form = std::make_unique<Tsys_reportForm>();
  form->treeMode = true;
  form->loadReports();
  EXPECT_FALSE(form->repView()->isHidden());
  ASSERT_EQ(form->repView()->topLevelItemCount(), 1);
  QTreeWidgetItem* root = form->repView()->topLevelItem(0);
  EXPECT_EQ(root->text(0), "报表管理");
  QStringList categories;
  QTreeWidgetItem* warehouse = nullptr;
  for (int i = 0; i < root->childCount(); ++i) {
    categories << root->child(i)->text(0);
    if (root->child(i)->text(0) == "仓库管理") warehouse = root->child(i);
  }
  EXPECT_EQ(categories,
            (QStringList{"仓库管理", "基础资料", "生产管理", "质量管理", "采购管理", "销售管理"}));
  ASSERT_NE(warehouse, nullptr);
  ASSERT_EQ(warehouse->childCount(), 3);
  EXPECT_EQ(warehouse->child(0)->text(0), "入库单");
  EXPECT_EQ(warehouse->child(2)->text(0), "原材料出库单");
  EXPECT_EQ(form->LV()->count(), 0);

  form->repViewClick(warehouse);  // a category is not a report
  EXPECT_EQ(form->LV()->count(), 0);
  form->repViewClick(warehouse->child(1));
  EXPECT_EQ(styles(*form), QStringList{"标准样式"});
  EXPECT_EQ(form->category, "wh_out");
}

// ---------------------------------------------------------------------------------------------
// New styles

TEST_F(ReportFormTest, NewStyleWithTheNameOfOneOfItsCategoryIsRefused) {
  auto form = openFor("wh_in");
  prompter_.answers = {QString("标准样式")};
  form->newActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 2u);
  EXPECT_EQ(prompter_.shown[0].title, "增加新报表样式");
  EXPECT_EQ(prompter_.shown[0].text, "请输入报表的样式名称：   ");
  EXPECT_EQ(prompter_.shown[1].text, "此样式名称已经存在，请重新输入新的名称!");
  EXPECT_EQ(prompter_.shown[1].title, QApplication::applicationDisplayName());
  EXPECT_EQ(count("tableName = 'wh_in'"), 1);

  // Cancelled, or a blank name: nothing is added.
  prompter_.answers = {QVariant(), QString("   ")};
  form->newActionExecute();
  form->newActionExecute();
  EXPECT_EQ(count("tableName = 'wh_in'"), 1);
}

TEST_F(ReportFormTest, NewStyleIsACopyOfTheStandardStyleAndItsNameIsFreeInOtherCategories) {
  const std::int64_t maxNo = std::get<std::int64_t>(scalar("select max(repNo) from sys_report"));
  auto form = openFor("wh_in");
  prompter_.answers = {QString("A4竖版")};
  form->newActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"请输入报表的样式名称：   "});
  EXPECT_EQ(styles(*form), (QStringList{"标准样式", "A4竖版"}));
  ASSERT_EQ(form->LV()->selectedItems().size(), 1);
  EXPECT_EQ(form->LV()->selectedItems()[0]->text(), "A4竖版");
  const std::string added = "tableName = 'wh_in' and styleName = 'A4竖版'";
  EXPECT_EQ(std::get<std::int64_t>(scalar("select repNo from sys_report where " + added)),
            maxNo + 1);
  EXPECT_EQ(std::get<std::string>(scalar("select repCName || '|' || category || '|' || "
                                         "repFileName from sys_report where " +
                                         added)),
            "入库单|仓库管理|wh_in_A4竖版.xml");
  EXPECT_EQ(storedTemplate(added),
            storedTemplate("tableName = 'wh_in' and styleName = '标准样式'"));

  // The same name is taken in its own category only.
  auto other = openFor("wh_out");
  prompter_.clear();
  prompter_.answers = {QString("A4竖版")};
  other->newActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"请输入报表的样式名称：   "});
  EXPECT_EQ(count("styleName = 'A4竖版'"), 2);
  prompter_.clear();
  prompter_.answers = {QString("A4竖版")};
  form->newActionExecute();
  EXPECT_EQ(prompter_.shown.back().text, "此样式名称已经存在，请重新输入新的名称!");
  EXPECT_EQ(count("styleName = 'A4竖版'"), 2);
}

TEST_F(ReportFormTest, StyleNamesAreValuesNotSqlAndTheirFilesStayInTheCache) {
  auto form = openFor("wh_in");
  const QString name = "客户' or '1'='1/../../外面";
  prompter_.answers = {name};
  form->newActionExecute();
  EXPECT_EQ(count("tableName = 'wh_in'"), 2);
  ASSERT_TRUE(form->selectStyle(name));
  form->previewActionExecute();
  EXPECT_EQ(previews_, 1);
  const QFileInfo written(form->templateFile());
  EXPECT_EQ(written.absolutePath(), QFileInfo(cache_.filePath("report")).absoluteFilePath());
  EXPECT_TRUE(written.exists());
  EXPECT_FALSE(QDir(cache_.path()).exists("外面"));
}

// ---------------------------------------------------------------------------------------------
// Deleting

TEST_F(ReportFormTest, StandardStyleCannotBeDeletedAndOthersOnlyAfterConfirmation) {
  auto form = openFor("bus_po");
  form->delActionExecute();  // nothing selected: nothing happens
  EXPECT_TRUE(prompter_.shown.empty());

  ASSERT_TRUE(form->selectStyle("标准样式"));
  form->delActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].text, "系统保留，不能删除！");
  EXPECT_EQ(prompter_.shown[0].icon, Icon::Information);
  EXPECT_EQ(count("tableName = 'bus_po'"), 1);
  EXPECT_EQ(styles(*form), QStringList{"标准样式"});

  prompter_.answers = {QString("带金额")};
  form->newActionExecute();
  ASSERT_TRUE(form->selectStyle("带金额"));
  prompter_.clear();
  prompter_.answers = {0};
  form->delActionExecute();
  EXPECT_EQ(prompter_.texts(), QStringList{"确定要删除报表样式“带金额”吗？"});
  EXPECT_EQ(count("tableName = 'bus_po'"), 2);
  prompter_.answers = {1};
  form->delActionExecute();
  EXPECT_EQ(count("tableName = 'bus_po'"), 1);
  EXPECT_EQ(count("tableName = 'bus_po' and styleName = '标准样式'"), 1);
  EXPECT_EQ(styles(*form), QStringList{"标准样式"});
}

// ---------------------------------------------------------------------------------------------
// Preview, print and design

TEST_F(ReportFormTest, PreviewAndPrintWithoutASelectedStyleSayChooseOne) {
  auto form = openFor("wh_in");
  form->previewActionExecute();
  form->printActionExecute();
  ASSERT_EQ(prompter_.shown.size(), 2u);
  for (const auto& shown : prompter_.shown) {
    EXPECT_EQ(shown.text, "请选中一种样式!");
    EXPECT_EQ(shown.icon, Icon::Stop);
    EXPECT_EQ(shown.title, QApplication::applicationDisplayName());
  }
  EXPECT_EQ(previews_ + prints_, 0);
  EXPECT_FALSE(form->printed());

  // Design without a selection does nothing at all.
  prompter_.clear();
  form->designActionExecute();
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(ReportFormTest, PreviewAndPrintUseTheDatabaseTemplateOverAStaleCacheFile) {
  auto form = openFor("bas_dep");
  exec("insert into bas_dep (depNo, depName, remark) values ('D01', '机加车间', '一号厂房')");
  dm_->depCDS.open();
  ASSERT_TRUE(form->selectStyle("标准样式"));
  QDir().mkpath(cache_.filePath("report"));
  QFile stale(cache_.filePath("report/bas_dep_标准样式.xml"));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("<report version=\"1\"><band type=\"unknownBand\"/></report>");
  stale.close();

  form->previewActionExecute();
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("\n").toStdString();
  EXPECT_EQ(previews_, 1);
  EXPECT_EQ(lastPages_, 1);
  EXPECT_TRUE(lastWarnings_.isEmpty()) << lastWarnings_.join("\n").toStdString();
  EXPECT_TRUE(form->printed());
  QFile written(form->templateFile());
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), storedTemplate("tableName = 'bas_dep'"));

  form->printActionExecute();
  EXPECT_EQ(prints_, 1);
  QFile printed(printedFile());
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  EXPECT_TRUE(printed.read(4) == "%PDF");
  EXPECT_EQ(form->f3GetValue("计划号"), QVariant(QString("")));
  EXPECT_FALSE(form->f3GetValue("别的变量").isValid());
}

TEST_F(ReportFormTest, ThePreviewExportsToTheFileTheUserChoosesAndNothingWhenCancelled) {
  auto form = openFor("bas_dep");
  ASSERT_TRUE(form->selectStyle("标准样式"));
  const QString pdf = cache_.filePath("部门.pdf");
  desktop_.files = {pdf, QString()};
  prompter_.answers = {1};  // open it
  desktop_.on<ReportPreview>([](ReportPreview& p) {
    p.exportWithDialog("pdf");
    p.exportWithDialog("xlsx");  // cancelled
    return QDialog::Rejected;
  });
  form->previewActionExecute();
  QFile written(pdf);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(4) == "%PDF");
  ASSERT_EQ(desktop_.shown.size(), 3u);
  EXPECT_TRUE(desktop_.shown[0].title.startsWith("预览"));
  EXPECT_EQ(desktop_.titles().mid(1), (QStringList{"导出为 PDF", "导出为 Excel 表格"}));
  // Each suggested under the report's title; the one written said and opened.
  ASSERT_EQ(desktop_.suggested().size(), 2);
  EXPECT_EQ(QFileInfo(desktop_.suggested()[0]).fileName(), "部门资料.pdf");
  EXPECT_EQ(QFileInfo(desktop_.suggested()[1]).fileName(), "部门资料.xlsx");
  EXPECT_EQ(prompter_.texts(),
            QStringList{
                QString("已导出到 %1\n\n是否现在打开该文件？").arg(QDir::toNativeSeparators(pdf))});
  EXPECT_EQ(desktop_.opened, QStringList{pdf});
  EXPECT_EQ(QDir(cache_.path()).entryList({"*.xlsx"}), QStringList{});
}

TEST_F(ReportFormTest, AfterDesignTheStoredTemplateEqualsTheFileTheDesignerSaved) {
  auto form = openFor("wh_in");
  ASSERT_TRUE(form->selectStyle("标准样式"));
  QStringList offered;
  QByteArray saved;
  desktop_.on<ReportDesigner>([&](ReportDesigner& designer) {
    // The field tree lists the data sources the templates may use.
    for (const QTreeWidget* tree : designer.findChildren<QTreeWidget*>())
      for (int i = 0; i < tree->topLevelItemCount(); ++i) offered << tree->topLevelItem(i)->text(0);
    designer.document().editReport("标题", [](ReportTemplate& t) {
      t.title = "入库单（含税）";
      t.page.margins.setLeft(15);
    });
    EXPECT_TRUE(designer.save());
    QFile f(form->templateFile());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    saved = f.readAll();
    return QDialog::Accepted;
  });
  form->designActionExecute();
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("\n").toStdString();
  EXPECT_EQ(QFileInfo(form->templateFile()).fileName(), "wh_in_标准样式.xml");
  for (const char* source : {"产品资料", "工序资料", "设备资料", "职员资料", "供应商资料",
                             "客户资料", "部门资料", "质量证明书", "质量证明书从表"})
    EXPECT_TRUE(offered.contains(source)) << source;
  ASSERT_FALSE(saved.isEmpty());
  EXPECT_EQ(storedTemplate("tableName = 'wh_in' and styleName = '标准样式'"), saved);
  EXPECT_EQ(ReportTemplate::fromXml(saved).title, "入库单（含税）");
  // Other styles keep their templates.
  EXPECT_NE(storedTemplate("tableName = 'wh_out'"), saved);
}

// ---------------------------------------------------------------------------------------------
// The seeded standard templates

// The data sources of every category as the screens will offer them (the document datasets
// with the screens' lookup and calculated fields), one document of one line each.
TEST_F(ReportFormTest, EverySeededTemplateParsesAndPrintsItsDataWithoutMarkersOrWarnings) {
  const char* masters[] = {"wh_In",  "wh_Out", "wh_mat",   "bus_PI",    "bus_PO",
                           "bus_SO", "bus_SD", "bus_task", "bus_check", "check_mat_m"};
  for (const char* t : masters) exec(QString("insert into %1 (keyNo) values ('X1')").arg(t));
  const char* details[] = {"wh_in_det",  "wh_out_det", "wh_mat_det",   "bus_pi_det",   "bus_po_det",
                           "bus_so_det", "bus_sd_det", "bus_task_det", "bus_check_det"};
  for (const char* t : details) exec(QString("insert into %1 (keyNo) values ('X1')").arg(t));
  exec("update bus_task_det set taskNo = 'X1'");  // the flow card shows lines by their number
  exec("insert into check_mat_d (keyNo, sch, rowNo) values ('X1', 'S1', 1)");
  for (const char* t :
       {"bas_cust (custNo)", "bas_sup (supNo)", "bas_dep (depNo)", "bas_staff (staffNo)",
        "bas_device (devNo)", "bas_process (procNo)", "bas_products (productNo)"})
    exec(QString("insert into %1 values ('X1')").arg(t));
  exec("insert into bas_supPrice (productNo, supNo, uPrice) values ('X1', 'X1', 1)");
  for (Dataset* ds : {&dm_->productsCDS, &dm_->processCDS, &dm_->deviceCDS, &dm_->staffCDS,
                      &dm_->supCDS, &dm_->custCDS, &dm_->depCDS})
    ds->open();

  const QString name = "select a.*, b.%1 from %2 a left join %3 b on b.%4 = a.%4";
  const QString warehouse =
      "select a.*, b.depName as whName from %1 a left join bas_dep b on "
      "b.depNo = a.whNo";
  struct Source {
    const char* name;
    QString sql;
    const char* price;  // the line's amount is quantity × this field
    const char* qty = "qty";
  };
  const std::vector<Source> sources = {
      {"入库单主表", warehouse.arg("wh_In"), nullptr},
      {"入库单明细表", "select * from wh_in_det", "uPrice"},
      {"出库单主表", warehouse.arg("wh_Out"), nullptr},
      {"出库单明细表", "select * from wh_out_det", "uPrice"},
      {"原材料出库单主表", warehouse.arg("wh_mat"), nullptr},
      {"原材料出库单明细表", "select * from wh_mat_det", "uPrice"},
      {"采购入库单主表", name.arg("supName", "bus_PI", "bas_sup", "supNo"), nullptr},
      {"采购入库单明细表", "select * from bus_pi_det", "uprice"},
      {"采购订单主表", name.arg("supName", "bus_PO", "bas_sup", "supNo"), nullptr},
      {"采购订单明细表", "select * from bus_po_det", "uPrice", "Qty"},
      {"销售订单主表", name.arg("custName", "bus_SO", "bas_cust", "custNo"), nullptr},
      {"销售订单明细表",
       "select d.*, p.productName as pName, p.productSize as pSize, p.productMat as pMat, "
       "p.productUnit as pUnit from bus_so_det d left join bas_products p on p.productNo = "
       "d.productNo",
       "uprice"},
      {"销售发货单主表", name.arg("custName", "bus_SD", "bas_cust", "custNo"), nullptr},
      {"销售发货单明细表", "select * from bus_sd_det", "uprice"},
      {"生产任务单主表", "select * from bus_task", nullptr},
      {"生产任务单明细表",
       "select d.*, p.procName, e.depName from bus_task_det d left join bas_process p on "
       "p.procNo = d.procNo left join bas_dep e on e.depNo = d.depNo",
       nullptr},
      {"工艺卡片主表", "select * from bus_check", nullptr},
      {"工艺卡片明细表", "select * from bus_check_det", nullptr},
      {"流转卡", "select * from view_bus_flow_card", nullptr},
      // As the supplier-price list shows them, the supplier's name looked up.
      {"供应商报价", name.arg("supName", "bas_supPrice", "bas_sup", "supNo"), nullptr},
  };

  auto form = std::make_unique<Tsys_reportForm>();
  std::vector<std::unique_ptr<Dataset>> keep;
  for (const Source& s : sources) {
    auto ds = std::make_unique<Dataset>(*conn_, "selectDSP");
    if (s.price) {
      const QString qty = s.qty, price = s.price;
      ds->addCalculatedField("amount", protocol::FieldType::Float,
                             [qty, price](const client::Record& r) {
                               return QVariant(r.value(qty).toDouble() * r.value(price).toDouble());
                             });
    }
    ds->setCommandText(s.sql);
    ds->open();
    ASSERT_EQ(ds->recordCount(), 1) << s.name;
    form->addDataset(s.name, *ds);
    keep.push_back(std::move(ds));
  }
  // As the certificate screen completes it.
  form->mtcMCDS().setCommandText(form->mtcMCDS().commandText() +
                                 "  where a.keyNo = 'X1' order by a.rowNo");
  form->mtcMCDS().open();
  ASSERT_EQ(form->mtcMCDS().recordCount(), 1);

  auto rows =
      open("select tableName, repFile from sys_report where styleName = '标准样式' order by repNo",
           "selectDSP");
  QStringList categories;
  for (rows->first(); !rows->eof(); rows->next()) {
    const QString category = rows->fieldByName("tableName").asString();
    categories << category;
    SCOPED_TRACE(category.toStdString());
    ReportTemplate t;
    try {
      t = ReportTemplate::fromXml(rows->fieldByName("repFile").value().toByteArray());
    } catch (const DataError& e) {
      ADD_FAILURE() << e.text().toStdString();
      continue;
    }
    EXPECT_FALSE(t.title.isEmpty());
    const RenderedReport report = client::ReportRenderer(t, form->reportData()).render();
    EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join("\n").toStdString();
    ASSERT_GE(report.pageCount(), 1);
    const QStringList texts = report.pages[0].texts();
    for (const QString& text : texts) EXPECT_FALSE(text.contains("[?")) << text.toStdString();
    // The line (or the record) itself was printed: "X1" is the number of every demo row.
    EXPECT_TRUE(texts.join("|").contains("X1")) << texts.join("|").toStdString();
  }
  EXPECT_EQ(categories, (QStringList{"wh_in", "wh_out", "mat_out", "bus_pi", "bus_po", "bus_so",
                                     "bus_sd", "bus_task", "bus_check", "check_mat", "bas_cust",
                                     "bas_sup", "bas_dep", "bas_staff", "bas_device", "bas_process",
                                     "bas_products", "bus_flow", "bas_supPrice"}));
}

TEST_F(ReportFormTest, CertificatesPrintSixLinesAPage) {
  exec("insert into bas_cust (custNo, custName) values ('C01', '华东阀门有限公司')");
  exec("insert into check_mat_m (keyNo, custNo, custId) values ('ZS2603-001', 'C01', 'HT-88')");
  for (int i = 1; i <= 8; ++i)
    exec(QString("insert into check_mat_d (keyNo, sch, cName, rowNo, Qty) values "
                 "('ZS2603-001', '26-03-%1', '闸阀', %2, 10)")
             .arg(i, 4, 10, QChar('0'))
             .arg(i));
  auto form = openFor("check_mat");
  form->mtcMCDS().setCommandText(form->mtcMCDS().commandText() +
                                 "  where a.keyNo = 'ZS2603-001' order by a.rowNo");
  form->mtcMCDS().open();
  ASSERT_TRUE(form->selectStyle("标准样式"));
  form->previewActionExecute();
  EXPECT_EQ(lastPages_, 2);
  EXPECT_TRUE(lastWarnings_.isEmpty());
}

// A receipt as the receipt screen prints it, looked at as a picture.
TEST_F(ReportFormTest, WarehouseReceiptStandardStylePreviewsAsABusinessDocument) {
  exec("insert into bas_dep (depNo, depName, isWh) values ('W01', '成品一库', 1)");
  exec(
      "insert into wh_In (keyNo, userName, whNo, docType, inDate, keeper, remarkM, audName, "
      "audited) values ('RK2603-0001', '张三', 'W01', '生产入库', '2026-03-05 00:00:00', '王五', "
      "'三月第一批', '李四', 1)");
  const char* lines[][5] = {{"P-1001", "六角螺栓", "M12×40", "35#", "件"},
                            {"P-1002", "六角螺母", "M12", "35#", "件"},
                            {"P-1003", "平垫圈", "Φ12", "Q235", "件"},
                            {"P-2001", "闸阀阀体（带法兰及密封面堆焊）", "DN50 PN16", "WCB", "件"},
                            {"P-2002", "阀盖", "DN50", "WCB", "件"},
                            {"P-2003", "阀杆", "Φ20×320", "2Cr13", "根"},
                            {"P-3001", "手轮", "Φ200", "HT200", "个"}};
  int item = 0;
  for (const auto& l : lines) {
    ++item;
    exec(QString("insert into wh_in_det (keyNo, itemNo, productNo, pName, pSize, pMat, pUnit, "
                 "qty, uPrice, remark) values ('RK2603-0001', %1, '%2', '%3', '%4', '%5', '%6', "
                 "%7, %8, '%9')")
             .arg(item)
             .arg(l[0], l[1], l[2], l[3], l[4])
             .arg(item * 40)
             .arg(2.5 * item + 0.35)
             .arg(item == 4 ? "加急" : ""));
  }
  auto master =
      open("select a.*, b.depName as whName from wh_In a left join bas_dep b on a.whNo = b.depNo",
           "selectDSP");
  Dataset detail(*conn_, "selectDetailDSP");
  detail.addCalculatedField("amount", protocol::FieldType::Float, [](const client::Record& r) {
    return QVariant(r.value("qty").toDouble() * r.value("uPrice").toDouble());
  });
  detail.setCommandText("select * from wh_in_det where keyNo = 'RK2603-0001' order by itemNo");
  detail.open();

  auto form = openFor("wh_in");
  form->addDataset("入库单主表", *master);
  form->addDataset("入库单明细表", detail);
  ASSERT_TRUE(form->selectStyle("标准样式"));
  form->previewActionExecute();
  ASSERT_EQ(previews_, 1);
  ASSERT_EQ(lastPages_, 1);
  EXPECT_TRUE(lastWarnings_.isEmpty());
  for (const char* expected :
       {"入  库  单", "单号：RK2603-0001", "入库日期：2026年3月5日", "仓库：成品一库",
        "单据类型：生产入库", "合    计", "1,120", "制单：张三", "审核：李四", "保管员：王五"})
    EXPECT_TRUE(lastTexts_.contains(expected)) << expected << "\n"
                                               << lastTexts_.join("|").toStdString();
  // Σ 40i × (2.5i + 0.35) for i = 1 … 7
  EXPECT_TRUE(lastTexts_.contains("14,392.00")) << lastTexts_.join("|").toStdString();
}

}  // namespace
}  // namespace qk::test

// The quality certificate against a real server: the print pads the shown certificate to pages
// of six lines and groups them, and removes its fillers however the report dialog ends, without
// touching any other certificate's lines; the workbook export fills a copy of the template
// whose other parts, styles and merges stay as they were; the server's refusal of the padding
// to a user without the certificate's right.
#include <zip.h>

#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "client/data/dataset.h"
#include "client/quality/mc_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::Dataset;
using client::TMCForm;
using client::Tsys_reportForm;

constexpr const char* kShown = "ZS-2612-0001";
constexpr const char* kOther = "ZS-2612-0002";

// Every part of an .xlsx by name.
std::map<std::string, std::string> zipParts(const QString& file) {
  std::map<std::string, std::string> parts;
  int code = 0;
  zip_t* z = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY, &code);
  if (!z) return parts;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
    std::string data(static_cast<std::size_t>(st.size), '\0');
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    parts[st.name] = data;
  }
  zip_close(z);
  return parts;
}

std::string xmlOf(pugi::xml_node node) {
  std::ostringstream out;
  node.print(out, "", pugi::format_raw);
  return out.str();
}

class CertificateTest : public DocumentScreenTest {
 protected:
  void SetUp() override {
    DocumentScreenTest::SetUp();
    exec("insert into bas_cust (custNo, custName) values ('C01', '华东阀门有限公司')");
    exec(QString("insert into check_mat_m (keyNo, custNo, custId) values ('%1', 'C01', 'HT-88'), "
                 "('%2', 'C01', 'HT-89')")
             .arg(kShown, kOther));
    // Another certificate in the middle of its own print: its filler line is not ours to remove.
    exec(QString("insert into check_mat_d (keyNo, sch, rowNo, mainId) values ('%1', "
                 "'26-12-0900', 1, 77), ('%1', '', 2, 77)")
             .arg(kOther));
  }

  void addLines(int n) {
    for (int i = 1; i <= n; ++i)
      exec(QString("insert into check_mat_d (keyNo, sch, cName, cSize, cMat, cSta, Qty, posch, "
                   "rowNo, batchNo) values ('%1', '26-12-%2', '闸阀', 'PN16 DN50', 'WCB', "
                   "'GB/T 12234', %3, 'PO26120001', %4, 'B-%4')")
               .arg(kShown)
               .arg(i, 4, 10, QChar('0'))
               .arg(i * 10)
               .arg(i));
  }

  std::unique_ptr<TMCForm> openShown() {
    auto f = std::make_unique<TMCForm>();
    f->formShow();
    f->loadDoc(kShown);
    return f;
  }

  // What the report dialog was given: rowNo, sch and mainId, and sysid, of each row.
  struct Printed {
    QStringList sch;
    QList<qint64> rowNo, sysid, mainId;
  };
  Printed printedBy(TMCForm& f, int answer = QDialog::Rejected) {
    Printed p;
    desktop_.on<Tsys_reportForm>([&p, answer](Tsys_reportForm& d) {
      Dataset& ds = d.mtcMCDS();
      for (int r = 0; r < ds.recordCount(); ++r) {
        p.sch << ds.valueAt(r, "sch").toString();
        p.rowNo << ds.valueAt(r, "rowNo").toLongLong();
        p.sysid << ds.valueAt(r, "sysid").toLongLong();
        p.mainId << ds.valueAt(r, "mainId").toLongLong();
      }
      EXPECT_EQ(d.mtcDCDS().recordCount(), ds.recordCount());
      return answer;
    });
    f.customPrint();
    return p;
  }

  std::string otherRows() {
    return text(QString("select group_concat(sch || '/' || rowNo || '/' || mainId, ';') from "
                        "(select * from check_mat_d where keyNo = '%1' order by rowNo)")
                    .arg(kOther)
                    .toStdString());
  }
};

TEST_F(CertificateTest, SevenLinesArePaddedToTwelveInTwoGroupsAndTheFillersGoAfterwards) {
  addLines(7);
  const std::string other = otherRows();
  auto f = openShown();
  const Printed p = printedBy(*f);

  ASSERT_EQ(p.sch.size(), 12);
  EXPECT_EQ(p.rowNo, (QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  for (int i = 7; i < 12; ++i) EXPECT_EQ(p.sch[i], "") << i;  // after the highest rowNo
  for (int i = 0; i < 12; ++i) EXPECT_EQ(p.mainId[i], p.sysid[i < 6 ? 5 : 11]) << i;

  // Cancelled: only the fillers are gone; the lines keep the groups they were printed in.
  EXPECT_EQ(
      count(
          QString("select count(*) from check_mat_d where keyNo = '%1'").arg(kShown).toStdString()),
      7);
  EXPECT_EQ(count(QString("select count(distinct mainId) from check_mat_d where keyNo = '%1'")
                      .arg(kShown)
                      .toStdString()),
            2);
  EXPECT_EQ(otherRows(), other);
  EXPECT_EQ(f->dCDS().recordCount(), 7);
}

TEST_F(CertificateTest, TwelveLinesAreGroupedWithoutFillers) {
  addLines(12);
  const qint64 highest = count("select max(sysid) from check_mat_d");
  auto f = openShown();
  const Printed p = printedBy(*f, QDialog::Accepted);
  ASSERT_EQ(p.sch.size(), 12);
  EXPECT_FALSE(p.sch.contains(""));
  EXPECT_EQ(p.mainId[0], p.sysid[5]);
  EXPECT_EQ(p.mainId[6], p.sysid[11]);
  EXPECT_EQ(count("select max(sysid) from check_mat_d"), highest);  // nothing was inserted
}

TEST_F(CertificateTest, AFailedPrintStillRemovesTheFillersAndOnlyThem) {
  addLines(3);
  const std::string other = otherRows();
  auto f = openShown();
  desktop_.on<Tsys_reportForm>(
      [](Tsys_reportForm&) -> int { throw client::DataError("打印机没有响应"); });
  EXPECT_EQ(dataErrorOf([&] { f->customPrint(); }), "打印机没有响应");
  EXPECT_EQ(
      count(
          QString("select count(*) from check_mat_d where keyNo = '%1'").arg(kShown).toStdString()),
      3);
  EXPECT_EQ(otherRows(), other);
}

TEST_F(CertificateTest, TypedItemNumbersFillTheLineAndALineWithoutOneIsNotSaved) {
  exec("insert into bus_SO (keyNo, custNo) values ('XS-1', 'C01')");
  exec(
      "insert into bas_products (productNo, productName, productSize, productPre, productMat, "
      "productSta) values ('P-1', '球阀', 'DN80', 'PN25', 'CF8', 'GB/T 12237')");
  exec(
      "insert into bus_so_det (keyNo, itemNo, gsNo, productNo, qty) values ('XS-1', 1, "
      "'26-12-0042', 'P-1', 8)");
  auto f = std::make_unique<TMCForm>();
  f->formShow();
  f->newActionExecute();
  f->headerCombo("custNo")->setCurrentIndex(f->headerCombo("custNo")->findData("C01"));
  Dataset& d = f->dCDS();
  f->addActionExecute();
  d.edit();
  d.fieldByName("sch").setValue("26-12-0042");
  EXPECT_EQ(d.fieldByName("cName").asString(), "球阀");
  EXPECT_EQ(d.fieldByName("cSize").asString(), "PN25 DN80");
  EXPECT_EQ(d.fieldByName("cSta").asString(), "GB/T 12237");
  EXPECT_EQ(d.fieldByName("Qty").asFloat(), 8);
  d.fieldByName("sch").setValue("26-12-9999");  // no order holds it
  EXPECT_EQ(d.fieldByName("cName").asString(), "");
  EXPECT_EQ(d.fieldByName("Qty").asFloat(), 0);
  d.post();

  // The cleanup after a print takes lines without item number for fillers.
  f->addActionExecute();
  d.edit();
  d.fieldByName("cName").setValue("无合同号");
  d.post();
  EXPECT_FALSE(f->saveDoc());
  EXPECT_EQ(prompter_.texts().last(), client::kCertificateLineNoItem);
  EXPECT_EQ(count("select count(*) from check_mat_m"), 2);
}

TEST_F(CertificateTest, ExportFillsACopyOfTheTemplateAndKeepsItsLayout) {
  addLines(2);
  exec("insert into check_m (keyNo, posch, heatNo) values ('JY-1', 'PO26120001', 'H-7781')");
  QStringList items;
  for (int i = 1; i <= 30; ++i) items << QString("'v%1'").arg(i);
  QStringList names;
  for (int i = 1; i <= 30; ++i) names << QString("item%1").arg(i);
  exec(QString("insert into check_d (keyNo, rowNo, %1) values ('JY-1', 1, %2)")
           .arg(names.join(','), items.join(',')));
  auto f = openShown();
  QTableView* v = f->dataGrid()->view();
  const int first = f->dataGrid()->columnIndex("sch");
  for (int row : {1, 0})
    v->selectionModel()->select(v->model()->index(row, first),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const QString out = programFile("导出") + ".xlsx";
  desktop_.files.push_back(out);
  prompter_.answers.push_back(0);  // not opened now
  f->exportActionExecute();
  ASSERT_TRUE(desktop_.suggested().last().endsWith(QString(kShown) + ".xlsx"));

  const auto filled = zipParts(out);
  const QString shipped = programFile("template.xlsx");
  ASSERT_TRUE(QFile::copy(client::certificateTemplate(), shipped));
  const auto original = zipParts(shipped);
  ASSERT_FALSE(original.empty());
  ASSERT_EQ(filled.size(), original.size());
  for (const auto& [name, data] : original) {
    if (name == "xl/worksheets/sheet1.xml") continue;
    EXPECT_EQ(filled.at(name), data) << name;
  }

  pugi::xml_document before, after;
  ASSERT_TRUE(before.load_string(original.at("xl/worksheets/sheet1.xml").c_str()));
  ASSERT_TRUE(after.load_string(filled.at("xl/worksheets/sheet1.xml").c_str()));
  const pugi::xml_node ws0 = before.child("worksheet"), ws1 = after.child("worksheet");
  for (const char* part : {"cols", "mergeCells", "pageSetup", "sheetFormatPr", "printOptions"})
    EXPECT_EQ(xmlOf(ws1.child(part)), xmlOf(ws0.child(part))) << part;

  auto cell = [](pugi::xml_node ws, const char* ref) {
    return ws.child("sheetData").find_node([ref](pugi::xml_node n) {
      return std::string(n.name()) == "c" && std::string(n.attribute("r").value()) == ref;
    });
  };
  auto value = [&](const char* ref) {
    const pugi::xml_node c = cell(ws1, ref);
    return QString::fromUtf8(c.child("is") ? c.child("is").child("t").text().get()
                                           : c.child("v").text().get());
  };
  // Selection order: the second line was selected first.
  EXPECT_EQ(value("A12"), "26-12-0002");
  EXPECT_EQ(value("B12"), "闸阀 PN16 DN50");
  EXPECT_EQ(value("G12"), "WCB");
  EXPECT_EQ(value("J12"), "GB/T 12234");
  EXPECT_EQ(value("O12"), "20");
  EXPECT_EQ(value("P12"), "H-7781");
  EXPECT_EQ(value("R12"), "B-2");
  EXPECT_EQ(value("A13"), "26-12-0001");
  EXPECT_EQ(value("A21"), "26-12-0002");
  EXPECT_EQ(value("B21"), "v1");
  EXPECT_EQ(value("C21"), "v3");
  EXPECT_EQ(value("D21"), "v2");
  EXPECT_EQ(value("I21"), "v8");
  EXPECT_EQ(value("L21"), "v13");
  EXPECT_EQ(value("N21"), "v20");
  EXPECT_EQ(value("S22"), "v25");
  EXPECT_EQ(value("C4"), "华东阀门有限公司");
  EXPECT_EQ(value("N4"), kShown);
  for (const char* ref : {"A12", "B12", "O12", "S22", "C4"})
    EXPECT_STREQ(cell(ws1, ref).attribute("s").value(), cell(ws0, ref).attribute("s").value())
        << ref;
}

TEST_F(CertificateTest, AUserWithoutTheCertificatesRightCannotPadIt) {
  addLines(1);
  addUser("王五", "pw5");
  conn_->close();
  conn_->open();
  ASSERT_EQ(conn_->login(QString::fromUtf8(kAccount), "王五", "pw5"), "OK");
  EXPECT_EQ(dataErrorOf([&] { exec(QString("exec sp_mc_pad '%1'").arg(kShown)); }),
            "没有执行存储过程 sp_mc_pad 的权限");
  EXPECT_EQ(
      count(
          QString("select count(*) from check_mat_d where keyNo = '%1'").arg(kShown).toStdString()),
      1);
}

}  // namespace
}  // namespace qk::test

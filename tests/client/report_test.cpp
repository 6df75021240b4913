// The report engine: templates and their XML form, pagination of master, detail and group bands,
// expressions and aggregates, exports (PDF, images, .xlsx, printer), the preview window, and a
// warehouse receipt printed from real datasets of a real server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/dataset.h"
#include "client/report/report_data.h"
#include "client/report/report_output.h"
#include "client/report/report_preview.h"
#include "client/report/report_renderer.h"
#include "client/report/report_template.h"
#include "connection_fixture.h"
#include "support/test_prompter.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

using client::DataError;
using client::Dataset;
using client::RenderedItem;
using client::RenderedReport;
using client::ReportBand;
using client::ReportData;
using client::ReportItem;
using client::ReportRenderer;
using client::ReportTemplate;
using BandType = ReportBand::Type;
using Paper = ReportTemplate::Page::Paper;

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

ReportItem text(double x, double y, double w, double h, const QString& content,
                Qt::Alignment alignment = kLeft) {
  ReportItem item;
  item.rect = QRectF(x, y, w, h);
  item.text = content;
  item.alignment = alignment;
  return item;
}

// A framed table cell filling the band's height.
ReportItem cell(double x, double w, double h, const QString& content,
                Qt::Alignment alignment = kLeft, const QString& format = {}) {
  ReportItem item = text(x, 0, w, h, content, alignment);
  item.frame = ReportItem::AllSides;
  item.displayFormat = format;
  return item;
}

RenderedReport render(const ReportTemplate& t, const ReportData& data) {
  ReportRenderer renderer(t, data);
  renderer.setClock(QDateTime(QDate(2026, 3, 5), QTime(9, 30)));
  return renderer.render();
}

// The texts of one page that match a pattern.
QStringList matching(const RenderedReport& report, int page, const QString& pattern) {
  const QRegularExpression re(pattern);
  QStringList out;
  for (const QString& t : report.pages.at(static_cast<std::size_t>(page)).texts())
    if (re.match(t).hasMatch()) out << t;
  return out;
}

const RenderedItem* findText(const RenderedReport& report, int page, const QString& content) {
  for (const RenderedItem& item : report.pages.at(static_cast<std::size_t>(page)).items)
    if (item.kind == RenderedItem::Kind::Text && item.text == content) return &item;
  return nullptr;
}

QString run(const QString& program, const QStringList& arguments) {
  QProcess p;
  p.start(program, arguments);
  EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": "
                             << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// ---------------------------------------------------------------------------------------------
// Templates and their XML form

// One band of every type and one item of every kind, each property away from its default.
ReportTemplate everything() {
  ReportTemplate t;
  t.title = "入库单 <标准样式> & \"引号\"";
  t.page.paper = Paper::Custom;
  t.page.customSize = QSizeF(241, 139.7);
  t.page.landscape = true;
  t.page.margins = QMarginsF(12.5, 8, 7.25, 6);
  for (BandType type :
       {BandType::ReportTitle, BandType::PageHeader, BandType::GroupHeader, BandType::MasterData,
        BandType::DetailData, BandType::GroupFooter, BandType::Summary, BandType::PageFooter}) {
    ReportBand& b = t.addBand(type, 12.5);
    b.startNewPage = type == BandType::GroupHeader;
    b.stretch = type == BandType::DetailData;
  }
  ReportBand& master = t.bands[3];
  master.dataSource = "入库单主表";
  master.rowsPerPage = 6;
  ReportBand& detail = t.bands[4];
  detail.dataSource = "入库单明细表";
  detail.masterKey = "keyNo;whNo";
  detail.detailKey = "keyNo;wh";
  t.bands[2].groupBy = "[入库单主表.\"whNo\"]";
  t.bands[5].groupBy = "[入库单主表.\"whNo\"]";

  ReportItem full =
      text(1.5, 2.25, 40, 6.5, "  单号：[入库单主表.\"keyNo\"]\n第二行 [[注]\r\n第三行\r ", kRight);
  full.alignment = Qt::AlignRight | Qt::AlignBottom;
  full.fontFamily = "宋体";
  full.fontSize = 10.5;
  full.bold = full.italic = full.underline = true;
  full.wordWrap = full.autoStretch = true;
  full.displayFormat = "#,##0.00";
  full.frame = ReportItem::Left | ReportItem::Bottom;
  full.color = QColor(10, 20, 30);
  full.background = QColor(200, 210, 220, 128);
  full.lineWidth = 0.35;
  detail.items.push_back(full);
  ReportItem framed = cell(0, 20, 6, "[Page]/[TotalPages]", kCentre);
  detail.items.push_back(framed);

  ReportItem line;
  line.kind = ReportItem::Kind::Line;
  line.rect = QRectF(0, 10, 190, -4.5);  // drawn upwards
  line.color = Qt::red;
  line.lineWidth = 0.5;
  t.bands[0].items.push_back(line);
  ReportItem box;
  box.kind = ReportItem::Kind::Rectangle;
  box.rect = QRectF(5, 1, 30, 8);
  box.background = QColor("#eeeeee");
  box.lineWidth = 0;
  t.bands[1].items.push_back(box);
  ReportItem photo;
  photo.kind = ReportItem::Kind::Picture;
  photo.rect = QRectF(100, 0, 20, 10);
  photo.pictureField = "[产品资料.\"photo\"]";
  photo.keepAspect = false;
  t.bands[6].items.push_back(photo);
  ReportItem logo;
  logo.kind = ReportItem::Kind::Picture;
  logo.rect = QRectF(0, 0, 15, 15);
  QImage image(8, 4, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  logo.image = png;
  t.bands[7].items.push_back(logo);
  ReportItem code;
  code.kind = ReportItem::Kind::QrCode;
  code.rect = QRectF(160, 0, 25, 25);
  code.text = "[车间报工地址]&t=[入库单明细表.\"keyNo\"]";
  code.background = QColor("#fffff0");
  t.bands[4].items.push_back(code);
  return t;
}

TEST(ReportTemplateTest, XmlRoundTripKeepsEveryBandItemAndProperty) {
  const ReportTemplate t = everything();
  const QByteArray xml = t.toXml();
  EXPECT_TRUE(xml.contains("<report version=\"1\"")) << xml.constData();
  const ReportTemplate back = ReportTemplate::fromXml(xml);
  EXPECT_EQ(back, t);
  EXPECT_EQ(back.bands.size(), 8u);
  // Carriage returns too: XML reads a raw one as a line feed.
  EXPECT_EQ(back.bands[4].items[0].text,
            "  单号：[入库单主表.\"keyNo\"]\n第二行 [[注]\r\n第三行\r ");
  // Writing what was read gives the same bytes: a designer saving an unchanged template does not
  // make a new version of it.
  EXPECT_EQ(back.toXml(), xml);

  // Defaults need no attributes and come back as defaults.
  ReportTemplate plain;
  plain.addBand(BandType::MasterData).items.push_back(text(0, 0, 10, 5, "x"));
  EXPECT_EQ(ReportTemplate::fromXml(plain.toXml()), plain);
}

// Whatever spelling the reader accepts, what it read is written so that it reads the same again.
TEST(ReportTemplateTest, EveryAcceptedSpellingSurvivesWritingAndReadingAgain) {
  const char* const items[] = {
      R"(<text x="0" y="0" width="1" height="1" color="#123456789abc">x</text>)",
      R"(<text x="0" y="0" width="1" height="1" background="#123456789">x</text>)",
      R"(<rect x="0" y="0" width="1" height="1" color="transparent" background="SteelBlue"/>)",
      R"(<text x="0" y="0" width="1" height="1" format="a&#9;b&#10;c&#13;d">x</text>)",
      R"(<text x="0" y="0" width="1" height="1" font=" &#13;&#10; ">&#13;</text>)",
      R"(<qrcode x="0" y="0" width="1" height="1">a&#13;&#10;b</qrcode>)",
      R"(<text x="1e-320" y="-0" width="0.1" height="1e300" size="7.25">x</text>)",
  };
  for (const char* item : items) {
    const QByteArray xml =
        QByteArray(R"(<report version="1" title="a&#13;b"><band type="masterData">)") + item +
        "</band></report>";
    const ReportTemplate read = ReportTemplate::fromXml(xml);
    const QByteArray written = read.toXml();
    EXPECT_EQ(ReportTemplate::fromXml(written), read) << item << "\n" << written.constData();
  }
}

TEST(ReportTemplateTest, SaveAndLoadKeepTheTemplateAndReportMissingFiles) {
  QTemporaryDir dir;
  const QString file = dir.filePath("入库单.xml");
  const ReportTemplate t = everything();
  t.save(file);
  EXPECT_EQ(ReportTemplate::load(file), t);
  EXPECT_TRUE(dataErrorOf([&] {
                ReportTemplate::load(dir.filePath("没有.xml"));
              }).startsWith("无法打开报表模板文件“"));
  EXPECT_THROW(t.save(dir.filePath("不存在的目录/x.xml")), DataError);
}

QString errorOf(const QByteArray& xml) {
  try {
    ReportTemplate::fromXml(xml);
  } catch (const DataError& e) {
    return e.text();
  }
  return "(accepted)";
}

TEST(ReportTemplateTest, MalformedXmlNamesTheLineAndColumn) {
  const QString e = errorOf(
      "<?xml version=\"1.0\"?>\n"
      "<report version=\"1\">\n"
      "  <band type=\"summary\" height=\"8\">\n"
      "    <text x=\"0\" y=\"0\" width=\"10\" height=\"5\">合计</txet>\n"
      "  </band>\n"
      "</report>\n");
  EXPECT_TRUE(e.startsWith("报表模板格式错误（第 4 行，第 ")) << e.toStdString();
  EXPECT_TRUE(e.contains("不是格式正确的 XML")) << e.toStdString();

  EXPECT_TRUE(errorOf("<report version=\"1\">\n<band type=\"summary\">\n").contains("文件不完整"));
  EXPECT_TRUE(errorOf("").startsWith("报表模板格式错误（第 1 行"));
  EXPECT_EQ(errorOf("<report version=\"1\">\n  <page paper=\"A4\"/>\n"
                    "  <band type=\"sideBar\" height=\"8\"/>\n</report>"),
            "报表模板格式错误（第 3 行，第 35 列）：不认识的带区类型“sideBar”");
}

TEST(ReportTemplateTest, RefusesWhatItDoesNotUnderstand) {
  const struct {
    const char* xml;
    const char* expected;
  } cases[] = {
      {"<report/>", "<report> 缺少版本号 version"},
      {"<report version=\"2\"/>", "模板的版本（2）比本程序能读的版本（1）新，请升级程序"},
      {"<report version=\"x\"/>", "版本号“x”无效"},
      {"<template version=\"1\"/>", "根元素应为 <report>，而不是 <template>"},
      {"<report version=\"1\" author=\"me\"/>", "元素 <report> 没有属性“author”"},
      {"<report version=\"1\"><style/></report>", "不认识的元素 <style>"},
      {"<report version=\"1\"><band type=\"summary\" height=\"abc\"/></report>",
       "属性“height”的值“abc”不是有效的数字"},
      {"<report version=\"1\"><band type=\"summary\" height=\"nan\"/></report>",
       "属性“height”的值“nan”不是有效的数字"},
      {"<report version=\"1\"><band type=\"summary\"><rect x=\"0\" y=\"0\" width=\"-3\" "
       "height=\"2\"/></band></report>",
       "属性“width”不能是负数（-3）"},
      {"<report version=\"1\"><band type=\"masterData\" rowsPerPage=\"6.5\"/></report>",
       "属性“rowsPerPage”的值“6.5”不是有效的整数"},
      {"<report version=\"1\"><band type=\"summary\" stretch=\"yes\"/></report>",
       "属性“stretch”的值应为 true 或 false，而不是“yes”"},
      {"<report version=\"1\"><band type=\"summary\"><text x=\"0\" y=\"0\" width=\"1\" "
       "height=\"1\" frame=\"left,middle\"/></band></report>",
       "边框“left,middle”无效，应为 all、none 或 left、top、right、bottom 的组合"},
      {"<report version=\"1\"><band type=\"summary\"><text x=\"0\" y=\"0\" width=\"1\" "
       "height=\"1\" align=\"middle\"/></band></report>",
       "属性“align”的值“middle”无效，应为 left, center, right, justify 之一"},
      {"<report version=\"1\"><band type=\"summary\"><line x=\"0\" y=\"0\" width=\"1\" "
       "height=\"0\" font=\"宋体\"/></band></report>",
       "元素 <line> 没有属性“font”"},
      {"<report version=\"1\"><band type=\"summary\"><text x=\"0\" y=\"0\" width=\"1\" "
       "height=\"1\">a<b>b</b></text></band></report>",
       "元素里不能再有元素 <b>"},
      {"<report version=\"1\"><band type=\"summary\"><picture x=\"0\" y=\"0\" width=\"1\" "
       "height=\"1\">***</picture></band></report>",
       "图片数据不是有效的 base64 文本"},
      {"<report version=\"1\"><page paper=\"A4\" width=\"100\"/></report>",
       "只有自定义纸张（paper=\"custom\"）才能指定宽度和高度"},
      {"<report version=\"1\"><page paper=\"A5\" left=\"80\" right=\"80\"/></report>",
       "页边距太大，纸张上没有可以打印的地方"},
      {"<report version=\"1\"><page/><page/></report>", "<page> 只能出现一次"},
      {"<report version=\"1\"><band type=\"summary\">合计</band></report>", "这里不能有文字“合计”"},
      {"<!DOCTYPE report [<!ENTITY a \"b\">]><report version=\"1\"/>", "报表模板不能含有 DTD"},
  };
  for (const auto& c : cases) {
    const QString e = errorOf(c.xml);
    EXPECT_TRUE(e.startsWith("报表模板格式错误（第 ") &&
                e.endsWith(QString("）：") + QString::fromUtf8(c.expected)))
        << c.xml << "\n  gave: " << e.toStdString();
  }
}

TEST(ReportTemplateTest, DamagedTemplatesAreRefusedNeverCrash) {
  const QByteArray xml = everything().toXml();
  for (qsizetype n = 0; n < xml.size(); n += 3) {
    try {
      ReportTemplate::fromXml(xml.left(n));
    } catch (const DataError&) {
    }
  }
  QRandomGenerator random(20260305);
  for (int i = 0; i < 400; ++i) {
    QByteArray damaged = xml;
    for (int k = 0; k < 3; ++k)
      damaged[random.bounded(int(damaged.size()))] = char(random.bounded(32, 127));
    try {
      ReportTemplate::fromXml(damaged);
    } catch (const DataError&) {
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Pagination

// An A5 receipt: a master row per document, its lines below it, a page header and footer.
struct Receipts {
  ReportData data;
  ReportTemplate t;

  explicit Receipts(int lines) {
    auto& master = data.addTable("入库单主表", {"keyNo", "whName"});
    master.addRow({"RK001", "成品库"});
    master.addRow({"RK002", "原料库"});
    auto& detail = data.addTable("入库单明细表", {"keyNo", "itemNo", "productNo", "qty"});
    for (int i = 1; i <= lines; ++i)
      detail.addRow({i == 1 ? "rk001" : "RK001", i, QString("明细 %1").arg(i), i * 10});
    detail.addRow({QVariant(), 99, "没有单号的明细", 1});
    detail.addRow({"RK002", 1, "另一张单的明细", 5});

    t.title = "入库单";
    t.page.paper = Paper::A5;
    ReportBand& header = t.addBand(BandType::PageHeader, 20);
    header.items.push_back(text(0, 0, 128, 10, "入库单 [入库单主表.\"keyNo\"]", kCentre));
    ReportBand& m = t.addBand(BandType::MasterData, 10);
    m.dataSource = "入库单主表";
    m.startNewPage = true;
    m.items.push_back(text(0, 0, 128, 10, "仓库：[入库单主表.whName]"));
    ReportBand& d = t.addBand(BandType::DetailData, 8);
    d.dataSource = "入库单明细表";
    d.masterKey = "keyNo";
    d.detailKey = "keyNo";
    d.items.push_back(cell(0, 60, 8, "[入库单明细表.\"productNo\"]"));
    d.items.push_back(cell(60, 30, 8, "[入库单明细表.\"qty\"]", kRight));
    ReportBand& footer = t.addBand(BandType::PageFooter, 8);
    footer.items.push_back(text(0, 0, 128, 8, "第 [Page] 页 / 共 [TotalPages] 页", kCentre));
  }
};

TEST(ReportPaginationTest, DetailOverflowContinuesUnderRepeatedPageHeader) {
  Receipts r(45);
  ReportBand& totals = r.t.addBand(BandType::GroupFooter, 8);
  totals.groupBy = "keyNo";
  totals.items.push_back(text(0, 0, 90, 8, "小计 [SUM(入库单明细表.\"qty\")]"));
  const RenderedReport report = render(r.t, r.data);
  // RK001's 45 lines take three pages; RK002 starts a page of its own.
  ASSERT_EQ(report.pageCount(), 4);

  QStringList lines;
  for (int p = 0; p < report.pageCount(); ++p) {
    const QStringList texts = report.pages[p].texts();
    EXPECT_EQ(texts.first(), p < 3 ? "入库单 RK001" : "入库单 RK002") << "page " << p + 1;
    EXPECT_EQ(texts.last(), QString("第 %1 页 / 共 4 页").arg(p + 1));
    const RenderedItem* header = &report.pages[p].items.front();
    const RenderedItem* footer = &report.pages[p].items.back();
    for (const RenderedItem& item : report.pages[p].items) {
      if (!item.text.startsWith("明细") && !item.text.endsWith("的明细")) continue;
      lines << item.text;
      EXPECT_GE(item.rect.top(), header->rect.bottom() - 1e-6) << item.text.toStdString();
      EXPECT_LE(item.rect.bottom(), footer->rect.top() + 1e-6) << item.text.toStdString();
    }
  }
  QStringList expected;
  for (int i = 1; i <= 45; ++i) expected << QString("明细 %1").arg(i);
  expected << "另一张单的明细";
  // Keys compare as the database does (ignoring case); a line without a number belongs nowhere.
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(matching(report, 0, "^仓库").size(), 1);
  EXPECT_EQ(matching(report, 1, "^仓库").size(), 0);
  EXPECT_EQ(matching(report, 3, "^仓库"), QStringList{"仓库：原料库"});
  // Each document's totals follow its last line, after the overflow.
  EXPECT_EQ(matching(report, 2, "^小计"), QStringList{"小计 10350"});
  EXPECT_TRUE(matching(report, 1, "^小计").isEmpty());
  EXPECT_EQ(matching(report, 3, "^小计"), QStringList{"小计 5"});
}

TEST(ReportPaginationTest, MasterRowIsNotLeftAtThePageBottomWithoutItsFirstDetailRow) {
  // Page body: 190 - 20 - 8 = 162 mm. Master row 1 and 17 lines take 146 mm; master row 2
  // (10 mm) would fit in the 16 mm left, its first line (8 mm) not.
  Receipts r(17);
  r.t.bands[1].startNewPage = false;
  const RenderedReport report = render(r.t, r.data);
  ASSERT_EQ(report.pageCount(), 2);
  EXPECT_EQ(matching(report, 0, "^仓库"), QStringList{"仓库：成品库"});
  EXPECT_EQ(matching(report, 1, "^仓库"), QStringList{"仓库：原料库"});
  EXPECT_EQ(report.pages[1].texts().first(), "入库单 RK002");
}

TEST(ReportPaginationTest, RowsPerPageSixPrintsFourteenRowsAsSixSixTwo) {
  ReportData data;
  auto& lines = data.addTable("质量证明书", {"custName", "sch"});
  for (int i = 1; i <= 14; ++i)
    lines.addRow({i <= 6 ? "甲公司" : "乙公司", QString("26-03-%1").arg(i, 4, 10, QChar('0'))});
  ReportTemplate t;
  ReportBand& customer = t.addBand(BandType::GroupHeader, 8);
  customer.groupBy = "custName";
  customer.items.push_back(text(0, 0, 100, 8, "客户：[质量证明书.custName]"));
  ReportBand& m = t.addBand(BandType::MasterData, 7);
  m.dataSource = "质量证明书";
  m.rowsPerPage = 6;
  m.items.push_back(cell(0, 50, 7, "[Row]. [质量证明书.sch]"));
  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 3);
  EXPECT_EQ(matching(report, 0, "^\\d+\\. ").size(), 6);
  EXPECT_EQ(matching(report, 1, "^\\d+\\. ").size(), 6);
  EXPECT_EQ(matching(report, 2, "^\\d+\\. "), (QStringList{"13. 26-03-0013", "14. 26-03-0014"}));
  // The second customer's heading opens the page of its rows instead of ending the full one.
  EXPECT_EQ(matching(report, 0, "^客户"), QStringList{"客户：甲公司"});
  EXPECT_EQ(matching(report, 1, "^客户"), QStringList{"客户：乙公司"});
  EXPECT_EQ(report.pages[1].texts().first(), "客户：乙公司");
}

TEST(ReportPaginationTest, StartNewPageBeginsEachGroupOnAFreshPageButNotTheFirst) {
  ReportData data;
  auto& stock = data.addTable("库存", {"wh", "product"});
  for (const char* row : {"A/螺栓", "A/螺母", "B/垫圈", "C/弹簧"}) {
    const QStringList parts = QString::fromUtf8(row).split('/');
    stock.addRow({parts[0], parts[1]});
  }
  ReportTemplate t;
  t.addBand(BandType::ReportTitle, 15).items.push_back(text(0, 0, 190, 15, "库存表", kCentre));
  ReportBand& group = t.addBand(BandType::GroupHeader, 8);
  group.groupBy = "wh";
  group.startNewPage = true;
  group.items.push_back(text(0, 0, 100, 8, "仓库 [库存.wh]"));
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "库存";
  m.items.push_back(text(10, 0, 100, 6, "[库存.product]"));
  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 3);
  EXPECT_EQ(report.pages[0].texts(), (QStringList{"库存表", "仓库 A", "螺栓", "螺母"}));
  EXPECT_EQ(report.pages[1].texts(), (QStringList{"仓库 B", "垫圈"}));
  EXPECT_EQ(report.pages[2].texts(), (QStringList{"仓库 C", "弹簧"}));
}

TEST(ReportPaginationTest, StretchingTextGrowsItsRowAndPushesTheNextRowDown) {
  ReportData data;
  auto& lines = data.addTable("明细", {"name", "qty"});
  lines.addRow({"短名称", 1});
  lines.addRow({"一个很长很长的产品名称，需要换行才能完整地打印在这个窄窄的格子里面", 2});
  lines.addRow({"第三行", 3});
  ReportTemplate t;
  ReportBand& m = t.addBand(BandType::MasterData, 7);
  m.dataSource = "明细";
  m.stretch = true;
  ReportItem name = cell(0, 30, 7, "[明细.name]");
  name.wordWrap = name.autoStretch = true;
  m.items.push_back(name);
  m.items.push_back(cell(30, 20, 7, "[明细.qty]", kRight));
  ReportItem rule;  // a rule under the row follows the band's bottom
  rule.kind = ReportItem::Kind::Line;
  rule.rect = QRectF(0, 7, 50, 0);
  m.items.push_back(rule);

  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 1);
  const RenderedItem* first = findText(report, 0, "1");
  const RenderedItem* longName = findText(report, 0, lines.value(1, 0).toString());
  const RenderedItem* second = findText(report, 0, "2");
  const RenderedItem* third = findText(report, 0, "3");
  ASSERT_TRUE(first && longName && second && third);
  EXPECT_DOUBLE_EQ(first->rect.height(), 7);  // a short text keeps the designed height
  EXPECT_GT(longName->rect.height(), 14);     // at least three lines
  // The row's other cells keep one height with it, and the next row starts below it.
  EXPECT_DOUBLE_EQ(second->rect.height(), longName->rect.height());
  EXPECT_DOUBLE_EQ(third->rect.top(), second->rect.bottom());
  int rulesAtRowBottom = 0;
  for (const RenderedItem& item : report.pages[0].items)
    if (item.kind == RenderedItem::Kind::Line &&
        std::abs(item.rect.top() - second->rect.bottom()) < 1e-9)
      ++rulesAtRowBottom;
  EXPECT_EQ(rulesAtRowBottom, 1);

  // Without band stretching the row keeps its height and the text is cut.
  t.bands[0].stretch = false;
  const RenderedReport fixed = render(t, data);
  EXPECT_DOUBLE_EQ(findText(fixed, 0, "2")->rect.height(), 7);
}

TEST(ReportPaginationTest, BandTallerThanAPageIsPrintedOncePerRowInsteadOfLoopingForever) {
  ReportData data;
  auto& rows = data.addTable("t", {"n"});
  for (int i = 1; i <= 3; ++i) rows.addRow({i});
  ReportTemplate t;
  t.addBand(BandType::PageHeader, 10).items.push_back(text(0, 0, 50, 10, "页眉"));
  ReportBand& m = t.addBand(BandType::MasterData, 400);
  m.dataSource = "t";
  m.items.push_back(text(0, 0, 50, 10, "第 [t.n] 行"));
  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 3);
  for (int p = 0; p < 3; ++p)
    EXPECT_EQ(report.pages[p].texts(), (QStringList{"页眉", QString("第 %1 行").arg(p + 1)}));
}

// ---------------------------------------------------------------------------------------------
// Expressions, aggregates and display formats

TEST(ReportExpressionTest, GroupBandsAggregateTheirGroupAndTheSummaryTheWholeReport) {
  ReportData data;
  auto& sales = data.addTable("出库", {"wh", "product", "qty", "amount"});
  sales.addRow({"成品库", "螺栓", 10, 1000.5});
  sales.addRow({"成品库", "螺母", 5, 234.0});
  sales.addRow({"原料库", "钢板", 2, 3000.0});
  sales.addRow({"原料库", "圆钢", 1, QVariant()});  // null: not counted, not summed
  sales.addRow({"原料库", "焊条", 7, 12.25});
  ReportTemplate t;
  ReportBand& header = t.addBand(BandType::GroupHeader, 6);
  header.groupBy = "[出库.\"wh\"]";
  header.items.push_back(text(0, 0, 100, 6, "[出库.wh]（[COUNT(出库)] 行）"));
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "出库";
  m.items.push_back(text(0, 0, 100, 6, "[出库.product]"));
  ReportBand& footer = t.addBand(BandType::GroupFooter, 6);
  footer.groupBy = "[出库.\"wh\"]";
  ReportItem subtotal = text(0, 0, 100, 6, "小计 [SUM(出库.\"amount\")] 元");
  subtotal.displayFormat = "#,##0.00";
  footer.items.push_back(subtotal);
  footer.items.push_back(text(100, 0, 50, 6, "数量 [SUM(出库.qty)]"));
  ReportBand& summary = t.addBand(BandType::Summary, 6);
  ReportItem total = text(0, 0, 190, 6,
                          "总计 [SUM(出库.amount)]；平均 [AVG(出库.amount)]；最小 "
                          "[MIN(出库.amount)]；最大 [MAX(出库.product)]；金额 "
                          "[COUNT(出库.amount)] 笔，共 [COUNT(出库)] 行");
  total.displayFormat = "#,##0.00";
  summary.items.push_back(total);

  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 1);
  EXPECT_EQ(report.pages[0].texts(),
            (QStringList{"成品库（2 行）", "螺栓", "螺母", "小计 1,234.50 元", "数量 15",
                         "原料库（3 行）", "钢板", "圆钢", "焊条", "小计 3,012.25 元", "数量 10",
                         "总计 4,246.75；平均 1,061.69；最小 12.25；最大 钢板；金额 4.00 笔，共 "
                         "5.00 行"}));
}

TEST(ReportExpressionTest, PageHeaderAndFooterAggregateTheRowsOfTheirPage) {
  ReportData data;
  auto& rows = data.addTable("明细", {"qty"});
  for (int i = 1; i <= 14; ++i) rows.addRow({i});
  ReportTemplate t;
  t.addBand(BandType::PageHeader, 6).items.push_back(text(0, 0, 100, 6, "本页 [COUNT(明细)] 行"));
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "明细";
  m.rowsPerPage = 6;
  m.items.push_back(text(0, 0, 50, 6, "[明细.qty]"));
  t.addBand(BandType::PageFooter, 6)
      .items.push_back(text(0, 0, 100, 6, "本页数量 [SUM(明细.qty)]，最后一行 [明细.qty]"));
  t.addBand(BandType::Summary, 6).items.push_back(text(0, 0, 100, 6, "合计 [SUM(明细.qty)]"));

  const RenderedReport report = render(t, data);
  ASSERT_EQ(report.pageCount(), 3);
  EXPECT_EQ(report.pages[0].texts().first(), "本页 6 行");
  EXPECT_EQ(report.pages[2].texts().first(), "本页 2 行");
  EXPECT_EQ(report.pages[0].texts().last(), "本页数量 21，最后一行 6");
  EXPECT_EQ(report.pages[1].texts().last(), "本页数量 57，最后一行 12");
  EXPECT_EQ(report.pages[2].texts().last(), "本页数量 27，最后一行 14");
  EXPECT_TRUE(report.pages[2].texts().contains("合计 105"));
}

TEST(ReportExpressionTest, DisplayFormatsShapeNumbersAndDates) {
  ReportData data;
  auto& doc = data.addTable("单据", {"amount", "inDate", "audDate", "price", "qty", "note"});
  doc.addRow({1234.5, QDate(2026, 3, 5), QDateTime(QDate(2026, 3, 6), QTime(14, 5, 9)), 3.14159,
              qlonglong(1234567), "备注"});
  doc.setDisplayFormat("price", "0.000");
  ReportTemplate t;
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "单据";
  auto add = [&](const QString& content, const QString& format = {}) {
    ReportItem item = text(0, 6 * double(m.items.size()), 100, 6, content);
    item.displayFormat = format;
    m.items.push_back(item);
    m.height = 6 * double(m.items.size());
  };
  add("[单据.amount]", "#,##0.00");
  add("金额：[单据.amount] 元", "#,##0.00");
  add("[单据.inDate]", "yyyy年MM月dd日");
  add("[单据.inDate]");
  add("[单据.audDate]");
  add("[单据.price]");  // the field's own format
  add("[单据.qty]", "#,##0");
  add("[单据.note]", "#,##0.00");  // text is left as it is
  add("[Date] [Time]");
  add("[Date]", "yyyy/M/d");

  const RenderedReport report = render(t, data);
  EXPECT_EQ(report.pages[0].texts(),
            (QStringList{"1,234.50", "金额：1,234.50 元", "2026年03月05日", "2026-03-05",
                         "2026-03-06 14:05:09", "3.142", "1,234,567", "备注", "2026-03-05 09:30:00",
                         "2026/3/5"}));
  // A text that is one expression keeps its value for spreadsheets; a mixed text does not.
  EXPECT_EQ(findText(report, 0, "1,234.50")->value.toDouble(), 1234.5);
  EXPECT_EQ(findText(report, 0, "1,234.50")->format, "#,##0.00");
  EXPECT_FALSE(findText(report, 0, "金额：1,234.50 元")->value.isValid());
}

TEST(ReportExpressionTest, UnknownNamesPrintMarkersAndVariablesAskTheCallback) {
  ReportData data;
  data.addTable("单据", {"keyNo"}).addRow({"RK001"});
  QStringList asked;
  data.variables = [&](const QString& name) -> QVariant {
    asked << name;
    if (name == "计划号") return QString("");
    return {};
  };
  ReportTemplate t;
  ReportBand& title = t.addBand(BandType::ReportTitle, 30);
  const QStringList texts{"[不存在.字段]",     "[单据.\"没有\"]",  "[SUM(单据.没有)]",
                          "[COUNT(缺失)]",     "计划号：[计划号]", "[别的变量]",
                          "[[注] [单据.keyNo", "[单据.keyNo]"};
  for (int i = 0; i < texts.size(); ++i) title.items.push_back(text(0, i * 3, 100, 3, texts[i]));
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "缺失的数据源";
  m.items.push_back(text(0, 0, 100, 6, "[缺失的数据源.name]"));

  const RenderedReport report = render(t, data);
  EXPECT_EQ(report.pages[0].texts(),
            (QStringList{"[?不存在.字段]", "[?单据.没有]", "[?SUM(单据.没有)]", "[?COUNT(缺失)]",
                         "计划号：", "[?别的变量]", "[注] [单据.keyNo", "RK001",
                         "[?缺失的数据源.name]"}));
  EXPECT_TRUE(asked.contains("计划号"));
  EXPECT_EQ(report.warnings, QStringList{"主数据带的数据源“缺失的数据源”不存在"});
}

TEST(ReportExpressionTest, DetailBandWithUnknownKeyFieldPrintsNoRowsAndSaysWhy) {
  Receipts r(3);
  r.t.bands[2].detailKey = "单号";
  const RenderedReport report = render(r.t, r.data);
  EXPECT_TRUE(matching(report, 0, "^明细").isEmpty());
  EXPECT_EQ(report.warnings, QStringList{"数据源“入库单明细表”没有关联字段“单号”"});
}

// ---------------------------------------------------------------------------------------------
// Exports and printing

class ReportOutputTest : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

int pdfPages(const QString& file) {
  const QRegularExpression pages("Pages:\\s+(\\d+)");
  return pages.match(run("pdfinfo", {file})).captured(1).toInt();
}

TEST_F(ReportOutputTest, PdfHasOnePageOfThePageSizePerPageWithSearchableTexts) {
  Receipts r(45);
  // Characters whose glyphs CJK fonts share with radicals, and digits after Latin letters.
  const QString shared = "用户：王一 方向 日期 长 门 马 食 大小 入 人 工 口 ABC123 K0";
  r.t.bands[0].items.push_back(text(0, 10, 128, 8, shared));
  const RenderedReport report = render(r.t, r.data);
  QString error;
  ASSERT_TRUE(client::exportPdf(report, path("入库单.pdf"), &error)) << error.toStdString();
  const QString info = run("pdfinfo", {path("入库单.pdf")});
  EXPECT_EQ(pdfPages(path("入库单.pdf")), 4);
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+420 x 595 pts \\(A5\\)")))
      << info.toStdString();
  const QString textOfPdf = run("pdftotext", {"-raw", path("入库单.pdf"), "-"});
  EXPECT_TRUE(textOfPdf.contains("入库单 RK001")) << textOfPdf.left(400).toStdString();
  EXPECT_TRUE(textOfPdf.contains("明细 45"));
  EXPECT_TRUE(textOfPdf.contains("第 4 页 / 共 4 页")) << textOfPdf.right(300).toStdString();
  EXPECT_TRUE(textOfPdf.contains(shared)) << textOfPdf.left(400).toStdString();
}

TEST_F(ReportOutputTest, PrintingToAPdfPrinterGivesEveryPage) {
  Receipts r(45);
  r.t.page.landscape = true;
  const RenderedReport report = render(r.t, r.data);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path("printed.pdf"));
  QString error;
  ASSERT_TRUE(client::print(report, printer, &error)) << error.toStdString();
  EXPECT_EQ(pdfPages(path("printed.pdf")), report.pageCount());
  const QString info = run("pdfinfo", {path("printed.pdf")});
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+595 x 420 pts \\(A5\\)")))
      << info.toStdString();
  EXPECT_TRUE(run("pdftotext", {"-raw", path("printed.pdf"), "-"})
                  .contains(QString("第 %1 页 / 共 %1 页").arg(report.pageCount())));
}

TEST_F(ReportOutputTest, ImagesHaveThePagePixelSizeAtTheDpi) {
  Receipts r(45);
  const RenderedReport report = render(r.t, r.data);
  QString error;
  QStringList files;
  ASSERT_TRUE(client::exportImages(report, path("页.png"), "png", 100, &error, &files))
      << error.toStdString();
  ASSERT_EQ(files,
            (QStringList{path("页_1.png"), path("页_2.png"), path("页_3.png"), path("页_4.png")}));
  const QImage first(files[0]);
  EXPECT_EQ(first.size(), QSize(583, 827));  // 148 x 210 mm at 100 dpi
  // Ink where the header's text is, paper where nothing is drawn.
  EXPECT_EQ(first.pixelColor(5, 5), QColor(Qt::white));

  ASSERT_TRUE(client::exportImages(report, path("jpeg-%1.jpg"), "jpg", 50, &error, &files));
  EXPECT_EQ(QImage(path("jpeg-3.jpg")).size(), QSize(291, 413));

  EXPECT_FALSE(client::exportImages(report, path("x.gif"), "gif", 100, &error));
  EXPECT_EQ(error, "不支持的图片格式“gif”，请选择 PNG 或 JPEG。");
}

TEST_F(ReportOutputTest, XlsxPutsTextsIntoCellsAndKeepsNumbersAsNumbers) {
  ReportData data;
  auto& rows = data.addTable("明细", {"name", "amount"});
  rows.addRow({"螺栓", 1234.5});
  rows.addRow({"螺母", 20});
  ReportTemplate t;
  ReportBand& header = t.addBand(BandType::PageHeader, 8);
  header.items.push_back(cell(0, 40, 8, "名称", kCentre));
  header.items.push_back(cell(40, 30, 8, "金额", kCentre));
  ReportBand& m = t.addBand(BandType::MasterData, 7);
  m.dataSource = "明细";
  m.items.push_back(cell(0, 40, 7, "[明细.name]"));
  m.items.push_back(cell(40, 30, 7, "[明细.amount]", kRight, "#,##0.00"));
  t.addBand(BandType::Summary, 7).items.push_back(text(0, 0, 70, 7, "合计：[SUM(明细.amount)]"));

  QString error;
  ASSERT_TRUE(client::exportXlsx(render(t, data), path("明细.xlsx"), &error))
      << error.toStdString();
  const QString sheet = run("unzip", {"-p", path("明细.xlsx"), "xl/worksheets/sheet1.xml"});
  const QString strings = run("unzip", {"-p", path("明细.xlsx"), "xl/sharedStrings.xml"});
  EXPECT_TRUE(sheet.contains(QRegularExpression("<c r=\"B2\" s=\"\\d+\"><v>1234.5</v></c>")))
      << sheet.toStdString();
  EXPECT_TRUE(sheet.contains(QRegularExpression("<c r=\"B3\" s=\"\\d+\"><v>20</v></c>")));
  EXPECT_TRUE(sheet.contains(QRegularExpression("<c r=\"A4\" s=\"\\d+\" t=\"s\">")));
  EXPECT_TRUE(sheet.contains("<mergeCell ref=\"A4:B4\"/>")) << sheet.toStdString();
  for (const char* s : {"名称", "金额", "螺栓", "螺母", "合计：1254.5"})
    EXPECT_TRUE(strings.contains(QString::fromUtf8(s))) << s;
  const QString styles = run("unzip", {"-p", path("明细.xlsx"), "xl/styles.xml"});
  EXPECT_TRUE(styles.contains("formatCode=\"#,##0.00\"")) << styles.toStdString();
}

TEST_F(ReportOutputTest, ExportsToAMissingFolderFailWithAText) {
  Receipts r(3);
  const RenderedReport report = render(r.t, r.data);
  const QString missing = path("没有这个文件夹/入库单");
  const QString expected = "无法导出到“%1”：文件夹“%2”不存在。";
  QString error;
  EXPECT_FALSE(client::exportPdf(report, missing + ".pdf", &error));
  EXPECT_EQ(error,
            expected.arg(missing + ".pdf", QDir::toNativeSeparators(path("没有这个文件夹"))));
  EXPECT_FALSE(client::exportImages(report, missing + ".png", "png", 100, &error));
  EXPECT_EQ(error,
            expected.arg(missing + ".png", QDir::toNativeSeparators(path("没有这个文件夹"))));
  EXPECT_FALSE(client::exportXlsx(report, missing + ".xlsx", &error));
  EXPECT_EQ(error,
            expected.arg(missing + ".xlsx", QDir::toNativeSeparators(path("没有这个文件夹"))));
  EXPECT_FALSE(QDir(path("没有这个文件夹")).exists());
}

// ---------------------------------------------------------------------------------------------
// The preview window

TEST(ReportPreviewTest, FindShowsThePageWithTheTextAndHighlightsIt) {
  Receipts r(45);
  client::ReportPreview preview(r.t, r.data);
  preview.show();
  QApplication::processEvents();
  ASSERT_EQ(preview.pageCount(), 4);
  EXPECT_EQ(preview.currentPage(), 0);

  ASSERT_TRUE(preview.find("明细 25"));
  EXPECT_EQ(preview.currentPage(), 1);
  const RenderedItem* found = findText(preview.report(), 1, "明细 25");
  ASSERT_TRUE(found);
  EXPECT_EQ(preview.highlight(), found->rect);

  // Again: the next match, wrapping around from the last page to the first.
  for (int page : {1, 2, 3, 0}) {
    ASSERT_TRUE(preview.find("RK00"));
    EXPECT_EQ(preview.currentPage(), page);
  }
  ASSERT_TRUE(preview.find("rk002"));  // case does not matter
  EXPECT_EQ(preview.currentPage(), 3);

  preview.previousPage();
  EXPECT_TRUE(preview.highlight().isEmpty());  // the match is on another page
  EXPECT_FALSE(preview.find("没有这段文字"));
  EXPECT_EQ(preview.statusText(), "未找到“没有这段文字”");
  EXPECT_EQ(preview.currentPage(), 2);
  preview.lastPage();
  EXPECT_EQ(preview.currentPage(), 3);
  preview.nextPage();
  EXPECT_EQ(preview.currentPage(), 3);
}

TEST(ReportPreviewTest, ZoomFitsWidthAndPageAndPageSetupRendersAgain) {
  Receipts r(45);
  client::ReportPreview preview(r.t, r.data);
  preview.resize(1000, 700);
  preview.show();
  QApplication::processEvents();
  preview.fitPage();
  const double page = preview.zoom();
  preview.fitWidth();
  EXPECT_GT(preview.zoom(), page);  // a portrait page fits its height first

  preview.lastPage();
  ReportTemplate::Page landscape = r.t.page;
  landscape.landscape = true;
  preview.setPageSettings(landscape);
  EXPECT_EQ(preview.currentPage(), 0);
  EXPECT_EQ(preview.report().pages[0].size, QSizeF(210, 148));
  EXPECT_GT(preview.pageCount(), 4);  // fewer lines fit on a landscape page
}

TEST(ReportPreviewTest, AFailedExportIsShownToTheUser) {
  Receipts r(3);
  client::ReportPreview preview(r.t, r.data);
  TestPrompter prompter;
  client::setPrompter(&prompter);
  QTemporaryDir dir;
  EXPECT_FALSE(preview.exportXlsx(dir.filePath("没有/入库单.xlsx")));
  EXPECT_TRUE(preview.exportPdf(dir.filePath("入库单.pdf")));
  client::setPrompter(nullptr);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(prompter.shown[0].text.endsWith("不存在。")) << prompter.shown[0].text.toStdString();
  EXPECT_EQ(prompter.shown[0].icon, client::Prompter::Icon::Stop);
  EXPECT_TRUE(QFile::exists(dir.filePath("入库单.pdf")));
}

// ---------------------------------------------------------------------------------------------
// Real datasets of a real server

class ReportDatasetTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    loginAdmin();
  }
};

TEST_F(ReportDatasetTest, ADatasetPrintsItsVisibleRowsWithItsFieldFormatsAndKeepsItsCursor) {
  exec("insert into wh_In (keyNo, whNo, inDate) values ('RK1', 'W1', '2026-03-05 00:00:00')");
  exec(
      "insert into wh_in_det (keyNo, itemNo, productNo, qty, uPrice) values "
      "('RK1', 1, 'P-001', 1200, 2.5), ('RK1', 2, 'P-002', 3, 0.333), ('RK1', 3, 'P-003', 1, 7)");
  auto lines = open("select * from wh_in_det order by itemNo");
  lines->fieldByName("qty").displayFormat = "#,##0.##";
  lines->setFilter(
      [](const client::Record& r) { return r.value("productNo").toString() != "P-002"; });
  lines->last();
  ReportData data;
  data.addDataset("入库单明细表", *lines);

  ReportTemplate t;
  ReportBand& m = t.addBand(BandType::MasterData, 6);
  m.dataSource = "入库单明细表";
  m.items.push_back(text(0, 0, 60, 6, "[Row] [入库单明细表.\"productNo\"] × [入库单明细表.qty]"));
  t.addBand(BandType::Summary, 6)
      .items.push_back(text(0, 0, 60, 6, "合计 [SUM(入库单明细表.qty)]"));
  const RenderedReport report = render(t, data);
  EXPECT_EQ(report.pages[0].texts(), (QStringList{"1 P-001 × 1,200", "2 P-003 × 1", "合计 1,201"}));
  EXPECT_EQ(lines->recNo(), 2);  // printing does not move the screen's cursor
}

}  // namespace
}  // namespace qk::test

// System settings from sys_config, their text forms, and the grid style they produce.
#include <gtest/gtest.h>

#include <QTableView>

#include "client/data/data_error.h"
#include "client/data/settings.h"
#include "client/widgets/grid_style.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::colorFromText;
using client::parseFontText;
using client::settings;

class SettingsTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    loginAdmin();
    settings() = client::Settings{};
  }
  void setValue(const QString& key, const QString& value) {
    dm_->tmpCDS.setCommandText("update sys_config set idValue = :v where idName = :k");
    dm_->tmpCDS.params().byName("v").value = value;
    dm_->tmpCDS.params().byName("k").value = key;
    dm_->tmpCDS.execute();
  }
};

TEST_F(SettingsTest, SeededSettingsLoadWithTheirDocumentedMeaning) {
  client::loadSettings(dm_->pubCDS);
  EXPECT_TRUE(settings().autoColWidth);
  EXPECT_FALSE(settings().hideBom);
  EXPECT_EQ(settings().recordCount, 100);
  EXPECT_EQ(parseFontText(settings().gridFontName).size, 9);
  setValue("autoColWidth", "否");
  setValue("hideBom", "是");
  setValue("RecordCount", " 25 ");
  client::loadSettings(dm_->pubCDS);
  EXPECT_FALSE(settings().autoColWidth);
  EXPECT_TRUE(settings().hideBom);
  EXPECT_EQ(settings().recordCount, 25);
  setValue("autoColWidth", "yes");
  client::loadSettings(dm_->pubCDS);
  EXPECT_FALSE(settings().autoColWidth) << "only 是 means true";
}

TEST_F(SettingsTest, UnconvertibleValuesStopLoadingWithAMessage) {
  setValue("RecordCount", "一百");
  setValue("gridLineColor", "clRed");
  EXPECT_EQ(dataErrorOf([&] { client::loadSettings(dm_->pubCDS); }),
            "系统设置 RecordCount 的值“一百”不是有效的整数");
  EXPECT_EQ(settings().gridLineColor, "clSilver") << "settings after the bad one are not applied";
  setValue("RecordCount", "100");
  setValue("gridFontName", "字体类型(宋体) 字体大小(九) 字形(fsBold)  ");
  EXPECT_EQ(dataErrorOf([&] { client::loadSettings(dm_->pubCDS); }),
            "字体设置“字体类型(宋体) 字体大小(九) 字形(fsBold)  ”中的字号“九”不是有效的整数");
}

TEST(SettingsText, FontTextRoundTripsAndBoldOnlyWhenSaid) {
  auto bold = parseFontText("字体类型(宋体) 字体大小(9) 字形(fsBold)  ");
  EXPECT_EQ(bold.name, "宋体");
  EXPECT_EQ(bold.size, 9);
  EXPECT_TRUE(bold.bold);
  EXPECT_FALSE(parseFontText("字体类型(Arial) 字体大小(12) 字形(fsNormal)  ").bold);
  EXPECT_EQ(client::fontText(bold), "字体类型(宋体) 字体大小(9) 字形(fsBold)  ");
  EXPECT_EQ(dataErrorOf([] { parseFontText("宋体 9"); }), "字体设置“宋体 9”的格式不正确");
}

TEST(SettingsText, ColoursReadNamesAndBlueFirstHexNumbers) {
  EXPECT_EQ(colorFromText("clSilver"), QColor(192, 192, 192));
  EXPECT_EQ(colorFromText("clbtnface"), QColor(240, 240, 240));
  EXPECT_EQ(colorFromText("$000000FF"), QColor(255, 0, 0));  // BBGGRR
  EXPECT_EQ(colorFromText("$00E0E0E0"), QColor(224, 224, 224));
  EXPECT_EQ(colorFromText("16711680"), QColor(0, 0, 255));
  EXPECT_EQ(colorFromText("#336699"), QColor(0x33, 0x66, 0x99));
  EXPECT_EQ(client::colorToText(QColor(255, 0, 0)), "clRed");
  EXPECT_EQ(client::colorToText(QColor(1, 2, 3)), "$00030201");
  EXPECT_EQ(dataErrorOf([] { colorFromText("浅蓝"); }), "无法识别的颜色设置“浅蓝”");
}

TEST(SettingsText, GridStyleAppliesFontAndColours) {
  settings() = client::Settings{};
  settings().gridFontName = "字体类型(Noto Sans CJK SC) 字体大小(11) 字形(fsBold)  ";
  settings().gridFontColor = "clNavy";
  QTableView view;
  client::applyGridStyle(&view);
  EXPECT_EQ(view.font().pointSize(), 11);
  EXPECT_TRUE(view.font().bold());
  EXPECT_EQ(view.palette().color(QPalette::Text), QColor(0, 0, 128));
  EXPECT_TRUE(view.styleSheet().contains("gridline-color: #c0c0c0"));
  settings() = client::Settings{};
}

}  // namespace
}  // namespace qk::test

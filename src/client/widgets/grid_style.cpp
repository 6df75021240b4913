#include "client/widgets/grid_style.h"

#include <QHeaderView>
#include <QTableView>
#include <map>

#include "client/data/data_error.h"
#include "client/data/settings.h"

namespace qk::client {

namespace {

// Named colours of the settings, as the system's colour lists name them. System colours take
// the values of a classic light desktop theme.
const std::map<QString, QColor>& namedColors() {
  static const std::map<QString, QColor> colors{
      {"clBlack", QColor(0, 0, 0)},
      {"clMaroon", QColor(128, 0, 0)},
      {"clGreen", QColor(0, 128, 0)},
      {"clOlive", QColor(128, 128, 0)},
      {"clNavy", QColor(0, 0, 128)},
      {"clPurple", QColor(128, 0, 128)},
      {"clTeal", QColor(0, 128, 128)},
      {"clGray", QColor(128, 128, 128)},
      {"clSilver", QColor(192, 192, 192)},
      {"clRed", QColor(255, 0, 0)},
      {"clLime", QColor(0, 255, 0)},
      {"clYellow", QColor(255, 255, 0)},
      {"clBlue", QColor(0, 0, 255)},
      {"clFuchsia", QColor(255, 0, 255)},
      {"clAqua", QColor(0, 255, 255)},
      {"clWhite", QColor(255, 255, 255)},
      {"clMoneyGreen", QColor(192, 220, 192)},
      {"clSkyBlue", QColor(166, 202, 240)},
      {"clCream", QColor(255, 251, 240)},
      {"clMedGray", QColor(160, 160, 164)},
      {"clBtnFace", QColor(240, 240, 240)},
      {"clWindow", QColor(255, 255, 255)},
      {"clWindowText", QColor(0, 0, 0)},
      {"clBtnText", QColor(0, 0, 0)},
      {"clBtnShadow", QColor(160, 160, 160)},
      {"clBtnHighlight", QColor(255, 255, 255)},
      {"clHighlight", QColor(0, 120, 215)},
      {"clHighlightText", QColor(255, 255, 255)},
      {"clInfoBk", QColor(255, 255, 225)},
      {"clInfoText", QColor(0, 0, 0)},
      {"clGrayText", QColor(109, 109, 109)},
      {"cl3DLight", QColor(227, 227, 227)},
      {"cl3DDkShadow", QColor(105, 105, 105)},
      {"clMenu", QColor(240, 240, 240)},
      {"clMenuText", QColor(0, 0, 0)},
      {"clActiveCaption", QColor(153, 180, 209)},
      {"clInactiveCaption", QColor(191, 205, 219)},
      {"clAppWorkSpace", QColor(171, 171, 171)},
      {"clWindowFrame", QColor(100, 100, 100)},
      {"clScrollBar", QColor(200, 200, 200)},
      {"clBackground", QColor(0, 0, 0)},
      {"clGradientActiveCaption", QColor(185, 209, 234)},
      {"clMenuBar", QColor(240, 240, 240)},
      {"clMenuHighlight", QColor(51, 153, 255)},
  };
  return colors;
}

QFont fontFrom(const QString& text, QFont base) {
  if (text.isEmpty()) return base;
  const FontSpec spec = parseFontText(text);
  // A family the machine lacks ("宋体" on Linux) would be replaced by a Latin-only font whose
  // Chinese glyphs then come from a fallback at other metrics, and print out of line: name
  // fonts that hold both after the configured one.
  base.setFamilies({spec.name, "SimSun", "Noto Sans CJK SC", "Noto Serif CJK SC",
                    "Microsoft YaHei"});
  base.setPointSize(spec.size);
  if (spec.bold) base.setBold(true);
  return base;
}

}  // namespace

QColor colorFromText(const QString& raw) {
  const QString text = raw.trimmed();
  for (const auto& [name, color] : namedColors())
    if (name.compare(text, Qt::CaseInsensitive) == 0) return color;
  bool ok = false;
  if (text.startsWith('$')) {
    const uint v = text.mid(1).toUInt(&ok, 16);
    if (ok) return QColor(v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff);
  } else if (text.startsWith('#')) {
    QColor c(text);
    if (c.isValid()) return c;
  } else {
    const uint v = text.toUInt(&ok, 10);
    if (ok) return QColor(v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff);
  }
  throw DataError(QString("无法识别的颜色设置“%1”").arg(raw));
}

QString colorToText(const QColor& color) {
  for (const auto& [name, c] : namedColors())
    if (c == color && !name.startsWith("clBtn") && name != "clWindow") return name;
  return QString("$00%1%2%3")
      .arg(color.blue(), 2, 16, QChar('0'))
      .arg(color.green(), 2, 16, QChar('0'))
      .arg(color.red(), 2, 16, QChar('0'))
      .toUpper();
}

GridStyle gridStyle(const QFont& baseFont) {
  const Settings& s = settings();
  GridStyle g;
  g.lineColor = colorFromText(s.gridLineColor);
  g.font = fontFrom(s.gridFontName, baseFont);
  g.fontColor = colorFromText(s.gridFontColor);
  g.footerColor = colorFromText(s.gridFooterColor);
  g.titleColor = colorFromText(s.gridTitleColor);
  g.footerFont = fontFrom(s.gridFooterName, baseFont);
  return g;
}

void applyGridStyle(QTableView* view) {
  const GridStyle g = gridStyle(view->font());
  view->setFont(g.font);
  QPalette pal = view->palette();
  pal.setColor(QPalette::Text, g.fontColor);
  view->setPalette(pal);
  const QString title = g.titleColor.name();
  view->setStyleSheet(
      QString("QTableView { gridline-color: %1; }"
              "QHeaderView::section { background-color: %2; border: 1px solid %1;"
              " padding: 2px 4px; }"
              "QTableCornerButton::section { background-color: %2; border: 1px solid %1; }")
          .arg(g.lineColor.name(), title));
}

}  // namespace qk::client

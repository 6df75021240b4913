#include "client/data/settings.h"

#include "client/data/data_error.h"
#include "client/data/dataset.h"

namespace qk::client {

Settings& settings() {
  static Settings s;
  return s;
}

void loadSettings(Dataset& ds) {
  ds.setCommandText("select * from sys_config ");
  ds.open();
  Settings& s = settings();
  auto read = [&](const char* key, auto&& apply) {
    if (ds.locate("idName", QString(key))) apply(ds.fieldByName("idValue").asString());
  };
  read("autoColWidth", [&](const QString& v) { s.autoColWidth = v == "是"; });
  read("hideBom", [&](const QString& v) { s.hideBom = v == "是"; });
  read("RecordCount", [&](const QString& v) {
    bool ok = false;
    const int n = v.trimmed().toInt(&ok);
    if (!ok) throw DataError(QString("系统设置 RecordCount 的值“%1”不是有效的整数").arg(v));
    if (n <= 0) throw DataError(QString("系统设置 RecordCount 的值“%1”必须大于 0").arg(v));
    s.recordCount = n;
  });
  read("sys_background", [&](const QString& v) { s.background = v; });
  read("gridLineColor", [&](const QString& v) { s.gridLineColor = v; });
  read("gridFontColor", [&](const QString& v) { s.gridFontColor = v; });
  read("gridFooterColor", [&](const QString& v) { s.gridFooterColor = v; });
  read("gridFontName", [&](const QString& v) {
    parseFontText(v);  // refuse an unreadable font here rather than on every grid
    s.gridFontName = v;
  });
  read("gridFooterName", [&](const QString& v) {
    parseFontText(v);
    s.gridFooterName = v;
  });
  read("gridTitleColor", [&](const QString& v) { s.gridTitleColor = v; });
}

FontSpec parseFontText(const QString& text) {
  QStringList fields;
  int start = -1;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '(') {
      start = i + 1;
    } else if (text[i] == ')' && start >= 0) {
      fields << text.mid(start, i - start);
      start = -1;
    }
  }
  if (fields.size() < 3) throw DataError(QString("字体设置“%1”的格式不正确").arg(text));
  bool ok = false;
  const int size = fields[1].trimmed().toInt(&ok);
  if (!ok || size <= 0)
    throw DataError(QString("字体设置“%1”中的字号“%2”不是有效的整数").arg(text, fields[1]));
  return {fields[0], size, fields[2] == "fsBold"};
}

QString fontText(const FontSpec& font) {
  return QString("字体类型(%1) 字体大小(%2) 字形(%3)  ")
      .arg(font.name)
      .arg(font.size)
      .arg(font.bold ? "fsBold" : "fsNormal");
}

}  // namespace qk::client

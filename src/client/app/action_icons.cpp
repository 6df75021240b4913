#include "client/app/action_icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qk::client {

namespace {

QColor categoryColor(const QString& category) {
  if (category == "bas") return QColor(0x2e, 0x7d, 0x32);
  if (category == "bus") return QColor(0x15, 0x65, 0xc0);
  if (category == "Query") return QColor(0xef, 0x6c, 0x00);
  if (category == "sys") return QColor(0x6a, 0x1b, 0x9a);
  return QColor(0x45, 0x5a, 0x64);
}

// The character that best names the action: skip generic leading words.
QString glyph(const QString& caption) {
  QString c = caption;
  for (const char* prefix : {"销售", "采购", "生产", "系统", "产品", "物料", "外协"})
    if (c.startsWith(QString::fromUtf8(prefix)) && c.size() > 2) c = c.mid(2);
  if (c.startsWith("bom")) return "B";
  return c.left(1);
}

QPixmap tile(const QString& caption, const QString& category, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor base = categoryColor(category);
  QLinearGradient g(0, 0, 0, size);
  g.setColorAt(0, base.lighter(130));
  g.setColorAt(1, base);
  QPainterPath path;
  const qreal m = size * 0.06;
  path.addRoundedRect(QRectF(m, m, size - 2 * m, size - 2 * m), size * 0.2, size * 0.2);
  p.fillPath(path, g);
  p.setPen(QPen(base.darker(140), 1));
  p.drawPath(path);
  QFont f;
  f.setPixelSize(static_cast<int>(size * 0.55));
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, glyph(caption));
  return pm;
}

}  // namespace

QIcon actionIcon(const QString& caption, const QString& category) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(tile(caption, category, size));
  return icon;
}

}  // namespace qk::client

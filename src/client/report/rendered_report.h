// A report after rendering: pages of positioned drawing primitives in millimetres. Preview,
// printer and exporters all draw from this one list, so what is previewed is what is printed
// and exported. It holds no reference to the template or the data.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace qk::client {

struct RenderedItem {
  enum class Kind { Text, Line, Rectangle, Image };
  // Space kept between a text and its frame, left and right.
  static constexpr double kTextPadding = 0.8;  // millimetres

  Kind kind = Kind::Text;
  QRectF rect;  // millimetres on the page; a line runs from top-left to bottom-right

  // Text
  QString text;
  QFont font;     // point size as designed; painting scales it
  int flags = 0;  // Qt::Alignment and Qt::TextWordWrap
  int frame = 0;  // ReportItem::Side flags
  // The one value a text shows when it is nothing but a single expression, with the display
  // format it was printed in: spreadsheets get numbers and dates instead of texts.
  QVariant value;
  QString format;

  QColor color = Qt::black;  // text and pen
  QColor background;         // invalid: none
  double lineWidth = 0.2;    // millimetres

  // Image
  QImage image;
  bool keepAspect = true;

  QRectF textRect() const { return rect.adjusted(kTextPadding, 0, -kTextPadding, 0); }
};

struct RenderedPage {
  QSizeF size;  // millimetres
  std::vector<RenderedItem> items;

  QStringList texts() const;  // the texts in drawing order
};

struct RenderedReport {
  QString title;
  std::vector<RenderedPage> pages;
  // What the template asked for and the data could not give (a data band's unknown source or
  // key field), for the preview and the designer to show.
  QStringList warnings;

  int pageCount() const { return static_cast<int>(pages.size()); }
};

}  // namespace qk::client

// One item of a report band: a text, a line, a rectangle, a picture or a QR code, placed in
// millimetres relative to the band's top-left corner. A plain value with public fields so that the
// designer edits it directly; the renderer only reads it. Nothing here knows about data or
// painting.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QString>

namespace qk::client {

struct ReportItem {
  enum class Kind { Text, Line, Rectangle, Picture, QrCode };
  // Sides of a text's frame, combined as flags.
  enum Side { NoSide = 0, Left = 1, Top = 2, Right = 4, Bottom = 8, AllSides = 15 };

  Kind kind = Kind::Text;
  // Millimetres within the band. A line runs from the top-left to the bottom-right corner, so a
  // horizontal line has zero height and its width or height may be negative.
  QRectF rect;

  // Text, and what a QR code holds: static text mixed with expressions in brackets,
  // [数据集."字段"], [Page], [SUM(数据集."字段")]...; see ReportRenderer for what they mean.
  QString text;
  QString fontFamily;   // empty: the report's default family
  double fontSize = 9;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
  bool wordWrap = false;
  // Grows downwards to hold its wrapped text when its band stretches.
  bool autoStretch = false;
  // Applied to every value the text shows: "#,##0.00" for numbers, "yyyy年MM月dd日" for dates.
  // Empty: the field's own display format, if its data source has one.
  QString displayFormat;
  int frame = NoSide;

  // Text colour, and the pen of lines, rectangles and frames.
  QColor color = Qt::black;
  QColor background;       // invalid: transparent (texts and rectangles)
  double lineWidth = 0.2;  // millimetres

  // Picture: the bytes of a field named as an expression ([产品资料."photo"]), or else the
  // embedded image (PNG bytes).
  QString pictureField;
  QByteArray image;
  bool keepAspect = true;

  bool operator==(const ReportItem&) const = default;
};

}  // namespace qk::client

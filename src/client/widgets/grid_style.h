// The grid look configured in the system settings: line, text, footer and title colours and the
// grid and footer fonts. Every grid of the client applies it when its screen is created.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QTableView;

namespace qk::client {

struct GridStyle {
  QColor lineColor, fontColor, footerColor, titleColor;
  QFont font, footerFont;
};

// Reads a colour in the settings' text form: a colour name ("clSilver", "clBtnFace"), a
// hexadecimal number "$00BBGGRR" (blue first), a decimal number, or "#RRGGBB". Throws DataError
// when the text is none of these.
QColor colorFromText(const QString& text);
// The text form written back by the settings screen ("$00BBGGRR", or the name when it has one).
QString colorToText(const QColor& color);

// The style of the current settings, starting from a base font (the grid's own).
GridStyle gridStyle(const QFont& baseFont);

// Applies the current settings to a grid view: line and text colours, fonts, title colours.
void applyGridStyle(QTableView* view);

}  // namespace qk::client

// System settings read from sys_config after login, and the parsing of their text forms.
#pragma once

#include <QString>

namespace qk::client {

class Dataset;

struct FontSpec {
  QString name;
  int size = 9;
  bool bold = false;  // "fsBold"; any other style keeps the designed style
};

struct Settings {
  bool autoColWidth = true;
  bool hideBom = false;
  int recordCount = 100;  // rows per page of the paged query lists
  QString background;     // picture behind the main window
  QString gridLineColor = "clSilver";
  QString gridFontColor = "clBlack";
  QString gridFooterColor = "clBtnFace";
  QString gridTitleColor = "clBtnFace";
  QString gridFontName;    // font text, see parseFontText
  QString gridFooterName;  // font text
};

// The settings of this run.
Settings& settings();

// Reads sys_config through the dataset (pubCDS) into settings(). A value that cannot be
// converted (a RecordCount that is not a whole number) throws DataError naming the setting; the
// settings after it keep their previous values. A key missing from the table keeps its default.
void loadSettings(Dataset& pubCDS);

// Splits "字体类型(宋体) 字体大小(9) 字形(fsBold)  " into its parenthesised fields. Throws
// DataError when it has fewer than three fields or the size is not a whole number.
FontSpec parseFontText(const QString& text);
// The text form of a font, as the settings screen writes it.
QString fontText(const FontSpec& font);

}  // namespace qk::client

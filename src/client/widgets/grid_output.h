// A grid as it is printed or exported: the shown columns in their order with their titles and
// widths, every row (group captions and group footers included) with its text and value, and
// the footer. The printer paints pages of it; the exporter writes it to an .xlsx workbook.
// Neither looks at the widgets or the dataset again.
#pragma once

#include <QFont>
#include <QString>
#include <QVariant>
#include <vector>

#include "client/widgets/grid_style.h"
#include "protocol/wire.h"

class QPagedPaintDevice;
class QPainter;

namespace qk::client {

struct GridSnapshot {
  enum class RowKind { Data, Caption, GroupFooter };
  struct Column {
    QString group, title;  // group empty: the title spans both levels
    int width = 80;        // screen pixels
    Qt::Alignment alignment = Qt::AlignLeft;
    protocol::FieldType type = protocol::FieldType::String;
    QString displayFormat;
  };
  struct Cell {
    QString text;
    QVariant value;  // the number, date or text behind the text; invalid when empty
  };
  struct Row {
    RowKind kind = RowKind::Data;
    QString number;           // row number, when shown
    int level = 0;            // group level of a caption or group footer
    std::vector<Cell> cells;  // a caption has one, its text
  };

  std::vector<Column> columns;
  std::vector<Row> rows;
  std::vector<Cell> footer;  // empty: no footer row
  bool rowNumbers = false;
  int rowHeight = 22;  // screen pixels
  GridStyle style;

  bool twoLevel() const;
};

// Paints the snapshot on the device's pages: the title centred in a large bold font on the first
// page, the table scaled to the page width with its title rows repeated on every page, the footer
// row after the last row, and "第 n 页 / 共 m 页" at the bottom. Returns the number of pages.
int paintGridPages(QPagedPaintDevice* device, const GridSnapshot& grid, const QString& title);

// Writes the snapshot as one sheet. Returns false with a text for the user on failure.
bool writeGridXlsx(const GridSnapshot& grid, const QString& file, QString* error);

// An Excel number or date format for a display format, "" when it has no simple equivalent.
QString excelNumberFormat(const QString& displayFormat);
QString excelDateFormat(const QString& displayFormat);

}  // namespace qk::client

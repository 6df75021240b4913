// A horizontal strip of a report printed as a whole: once per report, page, group or data row
// depending on its type. Items inside are placed relative to its top-left corner. A plain value
// for the designer to edit; the renderer decides when and where each band is printed.
#pragma once

#include <QString>
#include <vector>

#include "client/report/report_item.h"

namespace qk::client {

struct ReportBand {
  enum class Type {
    ReportTitle,  // once, at the top of the first page
    PageHeader,   // at the top of every page
    GroupHeader,  // when the group's value changes between master rows
    MasterData,   // once per row of its data source
    DetailData,   // once per row of its data source related to the current master row
    GroupFooter,  // after the last master row of a group
    Summary,      // once, after the last data row
    PageFooter,   // at the bottom of every page
  };

  Type type = Type::MasterData;
  double height = 8;  // millimetres, before stretching
  bool startNewPage = false;
  // Grows to hold the wrapped text of its auto-stretching items; items that reach the band's
  // bottom edge grow with it, so the cells of a table row keep one height.
  bool stretch = false;

  // MasterData and DetailData: the name of a data source of the report.
  QString dataSource;
  // MasterData: at most this many rows on one page (certificates print six); 0 for no limit.
  int rowsPerPage = 0;
  // DetailData: the detail rows whose detailKey fields equal the master row's masterKey fields
  // (names separated by ";"). No keys: every row of the source under each master row.
  QString masterKey;
  QString detailKey;
  // GroupHeader and GroupFooter: a field of the master source, or a text with expressions.
  // Header and footer with the same value belong to one group; earlier groups enclose later ones.
  QString groupBy;

  std::vector<ReportItem> items;

  bool operator==(const ReportBand&) const = default;
};

}  // namespace qk::client

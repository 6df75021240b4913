// The certificate workbook: a copy of the shipped .xlsx template with a certificate's header,
// its lines and the inspection values of each line's material written into the template's cells.
// Only the cells' values change: the template's styles, merged cells, column widths and every
// other part of the file are copied as they are.
//
// It never writes the template itself and never leaves a half-written copy behind.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qk::client {

// One certificate line with the inspection of its material (heatNo and item1 … item30).
struct CertificateLine {
  QString sch, cName, cSize, cMat, cSta, batchNo;
  double qty = 0;
  QString heatNo;
  QStringList items;  // item1 at index 0
};

struct CertificateSheet {
  QString keyNo, custName, custId, date;
  std::vector<CertificateLine> lines;
};

// The template has room for one printed page: six lines and their six rows of test values.
inline constexpr int kWorkbookLines = 6;
// First row of the lines and of their test values (1-based, as the template's row numbers).
inline constexpr int kWorkbookLineRow = 12;
inline constexpr int kWorkbookTestRow = 21;

// The template: "mc_template.xlsx" beside the program when a company has laid out its own,
// otherwise the one compiled into the program.
QString certificateTemplate();

// Writes the filled copy of `templateFile` to `file` (replacing it). On failure *error holds the
// reason for the user and no file is left at `file`.
bool writeCertificateWorkbook(const CertificateSheet& sheet, const QString& templateFile,
                              const QString& file, QString* error);

}  // namespace qk::client

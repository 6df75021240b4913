// Exporting to a file the user chooses: the save dialog, suggesting the screen's name in the
// user's documents folder; the writing; then "已导出到 …" with the offer to open the file, or the
// reason it could not be written. Every export of the program goes through here.
//
// It never writes a file the user did not choose, and never stays silent about a failure.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qk::client {

struct ExportFormat {
  QString caption;  // the save dialog's title
  QString suffix;   // without the dot: "xlsx"
  QString filter;   // the save dialog's filter: "Excel 表格 (*.xlsx)"
};

// The spreadsheet every grid exports to.
ExportFormat xlsxFormat();

// `name` made fit for a file name, with the suffix, in the user's documents folder (the home
// folder when there is none).
QString suggestedExportFile(const QString& name, const QString& suffix);

// Writes one export. `file` may be changed to the file to offer for opening (the first of
// several); on failure *error holds the reason for the user.
using ExportWriter = std::function<bool(QString& file, QString* error)>;

// Asks for the file, writes it and tells the user. Returns the file written; empty when the user
// cancelled (nothing written, nothing said) or the writing failed (the reason shown).
QString exportToFile(QWidget* parent, const QString& name, const ExportFormat& format,
                     const ExportWriter& write);

}  // namespace qk::client

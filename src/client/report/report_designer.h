// The visual report designer: bands and items on a canvas with rulers; add, select, drag,
// resize, align, delete, undo/redo; a property panel; a field list of the data sources that
// inserts expressions; live preview with the real data. Modal; saving writes the template file.
#pragma once

#include <QDialog>
#include <memory>

#include "client/report/report_template.h"

namespace qk::client {

class DesignerDocument;
class ReportData;
class ReportPreview;

class ReportDesigner : public QDialog {
  Q_OBJECT
 public:
  // Edits the template in `file` (a new empty report when the file does not exist) with the
  // data sources of `data` offered in the field list and used by the live preview.
  ReportDesigner(const QString& file, ReportData& data, QWidget* parent = nullptr);
  ~ReportDesigner() override;

  ReportTemplate& reportTemplate();
  // Writes the template to the file; false (with the reason shown) when it cannot.
  bool save();
  bool modified() const;
  // True once save() has written the file in this session.
  bool saved() const;

  // The editing commands the toolbar, the canvas and the panels run (and tests call).
  DesignerDocument& document();
  // Renders the template as it stands and shows it on the preview page.
  ReportPreview* showPreview();

  // Closing with unsaved changes asks whether to save them first.
  void done(int result) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// Opens the designer modally on the file; true when the user saved it.
bool designReportFile(QWidget* parent, const QString& file, ReportData& data);

}  // namespace qk::client

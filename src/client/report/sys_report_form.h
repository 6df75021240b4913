// The report dialog every printable screen prints through: the styles of one print category
// (rows of sys_report), with preview, print, design, new style and delete; from the main window
// a tree of all reports for design work. The database copy of a template is the master: the
// file in the local cache is written from it before use and read back into it after design.
// It never splices user text into SQL and never writes outside its cache directory.
#pragma once

#include <QDialog>
#include <memory>

#include "client/report/report_data.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;

namespace qk::client {

class Dataset;
class ReportTemplate;

class Tsys_reportForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tsys_reportForm(QWidget* parent = nullptr);
  ~Tsys_reportForm() override;

  // ---- caller protocol: set the members, loadReports, show modally
  QString category;       // the print category (tableName); empty from the main window
  bool treeMode = false;  // shows repView with every report
  // A screen's dataset offered to the templates under its Chinese name ("入库单主表").
  void addDataset(const QString& name, Dataset& dataset);
  // Throws DataError when the cache directory cannot be made; the dialog is then unusable.
  void loadReports();

  // ---- operations
  void showStyles(const QString& repName);
  void repViewClick(QTreeWidgetItem* item);
  void previewActionExecute();
  void printActionExecute();
  void designActionExecute();
  void newActionExecute();
  void delActionExecute();
  // The engine's question for a variable; invalid when the report should decide.
  QVariant f3GetValue(const QString& name) const;

  // ---- state, for callers and tests
  bool printed() const { return printed_; }
  QListWidget* LV() const { return LV_; }
  QTreeWidget* repView() const { return repView_; }
  ReportData& reportData() { return *data_; }
  // The certificate datasets; the certificate screen completes their command texts.
  Dataset& mtcMCDS() { return *mtcMCDS_; }
  Dataset& mtcDCDS() { return *mtcDCDS_; }
  // Selects the style of that name in LV; false when there is none.
  bool selectStyle(const QString& styleName);
  // The cache file the template of the selected style is written to (empty when none).
  QString templateFile() const { return file_; }

  // The local cache of template files; the program sets it to "report" beside itself.
  static void setCacheDir(const QString& dir);
  static QString cacheDir();

 private:
  void previewOrPrint(bool preview);
  // Writes the selected style's template into the cache and returns it loaded; false when no
  // style is selected.
  bool prepare();
  int selectedRepNo() const;
  void refreshStyles();

  std::unique_ptr<ReportData> data_;
  std::unique_ptr<Dataset> mtcMCDS_, mtcDCDS_;
  std::unique_ptr<ReportTemplate> f3_;
  QString file_;
  QString repName_;  // the report whose styles LV shows
  bool printed_ = false;

  QTreeWidget* repView_ = nullptr;
  QListWidget* LV_ = nullptr;
  QAction *newAction_, *delAction_, *designAction_, *previewAction_, *printAction_, *Action5_;
};

}  // namespace qk::client

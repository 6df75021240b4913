// The preview window of a report: page thumbnails at the left, the page at the chosen zoom,
// page navigation, find with highlight, page setup (which renders the report again), print
// and export to PDF, PNG, JPEG and .xlsx. Every action has a method that takes its answers as
// arguments (tests and screens call those); the buttons add the file and print dialogs.
// It keeps its own copy of the template; the data must outlive the window.
#pragma once

#include <QDialog>
#include <QRectF>
#include <vector>

#include "client/report/rendered_report.h"
#include "client/report/report_template.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPrinter;
class QScrollArea;

namespace qk::client {

class ReportData;

class ReportPreview : public QDialog {
  Q_OBJECT
 public:
  ReportPreview(ReportTemplate report, const ReportData& data, QWidget* parent = nullptr);
  ~ReportPreview() override;

  const RenderedReport& report() const { return rendered_; }
  const ReportTemplate& reportTemplate() const { return template_; }

  // Pages are counted from 0 here; the window shows them from 1.
  int pageCount() const { return rendered_.pageCount(); }
  int currentPage() const { return page_; }
  void showPage(int page);
  void firstPage() { showPage(0); }
  void previousPage() { showPage(page_ - 1); }
  void nextPage() { showPage(page_ + 1); }
  void lastPage() { showPage(pageCount() - 1); }

  // Zoom in percent of the paper's real size on the screen.
  double zoom() const { return zoom_; }
  void setZoom(double percent);
  void fitWidth();
  void fitPage();

  // Finds the next text containing what (ignoring case) after the current match, wrapping
  // around at the end; shows its page and highlights it. False when no text contains it.
  bool find(const QString& what);
  // Millimetres on the current page; empty when the current match is on another page.
  QRectF highlight() const { return page_ == matchPage_ ? highlight_ : QRectF(); }
  QString statusText() const;

  // Paper and margins; the report is rendered again and shown from its first page.
  void setPageSettings(const ReportTemplate::Page& page);

  // Each returns false after telling the user why (through the prompter).
  bool exportPdf(const QString& file);
  bool exportImages(const QString& filePattern, const QString& format, int dpi = 150);
  bool exportXlsx(const QString& file);
  bool print(QPrinter& printer);

 public slots:
  void printWithDialog();
  void pageSetupWithDialog();
  void exportWithDialog(const QString& format);  // "pdf", "png", "jpg", "xlsx"

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class PageView;
  enum class Fit { None, Width, Page };

  void render();
  void buildThumbnails();
  void drawVisibleThumbnails();
  void updateView();
  bool reportFailure(bool ok, const QString& error);
  double pixelsPerMm() const;

  ReportTemplate template_;
  const ReportData& data_;
  RenderedReport rendered_;
  int page_ = 0;
  double zoom_ = 100;
  Fit fit_ = Fit::Width;
  bool refitting_ = false;
  QRectF highlight_;
  int matchPage_ = -1, matchItem_ = -1;
  QString findText_;
  QString status_;

  QListWidget* thumbnails_ = nullptr;
  std::vector<bool> thumbnailDrawn_;
  QScrollArea* scroll_ = nullptr;
  PageView* view_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QComboBox* zoomBox_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
};

}  // namespace qk::client

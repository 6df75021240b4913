#include "client/report/report_preview.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "client/data/prompter.h"
#include "client/report/report_output.h"
#include "client/report/report_renderer.h"
#include "client/widgets/desktop.h"
#include "client/widgets/file_export.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

constexpr int kPaperMargin = 16;      // pixels of grey around the page
constexpr int kThumbnailWidth = 120;  // pixels

QImage thumbnail(const RenderedPage& page) {
  const double scale = kThumbnailWidth / page.size.width();
  QImage image(kThumbnailWidth, int(std::lround(page.size.height() * scale)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  paintPage(painter, page, scale);
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
  return image;
}

}  // namespace

// The current page on grey, at the preview's zoom, with the find highlight.
class ReportPreview::PageView : public QWidget {
 public:
  explicit PageView(ReportPreview& preview) : QWidget(nullptr), p_(preview) {}

  QSize pageSize() const {
    if (p_.pageCount() == 0) return {};
    const QSizeF mm = p_.rendered_.pages[static_cast<std::size_t>(p_.page_)].size;
    const double s = p_.pixelsPerMm();
    return QSize(int(std::lround(mm.width() * s)), int(std::lround(mm.height() * s)));
  }
  void updateSize() { setFixedSize(pageSize() + QSize(2 * kPaperMargin, 2 * kPaperMargin)); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    if (p_.pageCount() == 0) return;
    const QRect paper(QPoint(kPaperMargin, kPaperMargin), pageSize());
    painter.fillRect(paper.translated(3, 3), QColor(80, 80, 80));
    painter.fillRect(paper, Qt::white);
    painter.translate(paper.topLeft());
    const double s = p_.pixelsPerMm();
    paintPage(painter, p_.rendered_.pages[static_cast<std::size_t>(p_.page_)], s);
    const QRectF found = p_.highlight();
    if (!found.isEmpty()) {
      const QRectF r(found.x() * s, found.y() * s, found.width() * s, found.height() * s);
      painter.fillRect(r, QColor(255, 220, 0, 90));
      painter.setPen(QPen(QColor(230, 120, 0), 2));
      painter.drawRect(r);
    }
  }

 private:
  ReportPreview& p_;
};

ReportPreview::ReportPreview(ReportTemplate report, const ReportData& data, QWidget* parent)
    : QDialog(parent), template_(std::move(report)), data_(data) {
  setWindowTitle(template_.title.isEmpty() ? QString("预览")
                                           : QString("预览 - %1").arg(template_.title));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

  auto* toolbar = new QToolBar(this);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  toolbar->addAction("打印", this, &ReportPreview::printWithDialog);
  toolbar->addAction("页面设置", this, &ReportPreview::pageSetupWithDialog);
  auto* exportMenu = new QMenu(this);
  exportMenu->addAction("PDF 文件...", this, [this] { exportWithDialog("pdf"); });
  exportMenu->addAction("PNG 图片...", this, [this] { exportWithDialog("png"); });
  exportMenu->addAction("JPEG 图片...", this, [this] { exportWithDialog("jpg"); });
  exportMenu->addAction("Excel 表格...", this, [this] { exportWithDialog("xlsx"); });
  auto* exportButton = new QToolButton(this);
  exportButton->setText("导出");
  exportButton->setMenu(exportMenu);
  exportButton->setPopupMode(QToolButton::InstantPopup);
  toolbar->addWidget(exportButton);
  toolbar->addSeparator();
  QAction* first = toolbar->addAction("首页", this, &ReportPreview::firstPage);
  QAction* previous = toolbar->addAction("上一页", this, &ReportPreview::previousPage);
  QAction* next = toolbar->addAction("下一页", this, &ReportPreview::nextPage);
  QAction* last = toolbar->addAction("末页", this, &ReportPreview::lastPage);
  first->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home));
  previous->setShortcut(QKeySequence(Qt::Key_PageUp));
  next->setShortcut(QKeySequence(Qt::Key_PageDown));
  last->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_End));
  pageLabel_ = new QLabel(this);
  pageLabel_->setContentsMargins(8, 0, 8, 0);
  toolbar->addWidget(pageLabel_);
  toolbar->addSeparator();

  zoomBox_ = new QComboBox(this);
  zoomBox_->setEditable(true);
  zoomBox_->setInsertPolicy(QComboBox::NoInsert);
  zoomBox_->addItems({"适合宽度", "适合页面", "50%", "75%", "100%", "125%", "150%", "200%"});
  zoomBox_->setMinimumContentsLength(6);
  connect(zoomBox_, &QComboBox::textActivated, this, [this](const QString& text) {
    if (text == "适合宽度") return fitWidth();
    if (text == "适合页面") return fitPage();
    QString digits = text;
    digits.remove('%');
    bool ok = false;
    const double percent = digits.trimmed().toDouble(&ok);
    if (ok)
      setZoom(percent);
    else
      updateView();  // shows the zoom in force again
  });
  toolbar->addWidget(zoomBox_);
  toolbar->addSeparator();

  findEdit_ = new QLineEdit(this);
  findEdit_->setPlaceholderText("查找文字");
  findEdit_->setClearButtonEnabled(true);
  findEdit_->setMaximumWidth(180);
  toolbar->addWidget(findEdit_);
  QAction* findAction = toolbar->addAction("查找", this, [this] { find(findEdit_->text()); });
  findAction->setShortcut(QKeySequence::FindNext);
  connect(findEdit_, &QLineEdit::returnPressed, findAction, &QAction::trigger);
  auto* focusFind = new QAction(this);
  focusFind->setShortcut(QKeySequence::Find);
  connect(focusFind, &QAction::triggered, findEdit_, [this] {
    findEdit_->setFocus();
    findEdit_->selectAll();
  });
  addAction(focusFind);
  toolbar->addSeparator();
  toolbar->addAction("关闭", this, &QDialog::reject);

  thumbnails_ = new QListWidget(this);
  thumbnails_->setViewMode(QListView::IconMode);
  thumbnails_->setFlow(QListView::TopToBottom);
  thumbnails_->setWrapping(false);
  thumbnails_->setMovement(QListView::Static);
  thumbnails_->setResizeMode(QListView::Adjust);
  thumbnails_->setSpacing(6);
  thumbnails_->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 3 / 2));
  thumbnails_->setMinimumWidth(kThumbnailWidth + 40);
  connect(thumbnails_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          &ReportPreview::drawVisibleThumbnails);
  thumbnails_->viewport()->installEventFilter(this);
  connect(thumbnails_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != page_) showPage(row);
  });

  view_ = new PageView(*this);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(view_);
  scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  scroll_->setBackgroundRole(QPalette::Dark);
  scroll_->viewport()->installEventFilter(this);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(thumbnails_);
  splitter->addWidget(scroll_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kThumbnailWidth + 50, 800});

  statusLabel_ = new QLabel(this);
  statusLabel_->setContentsMargins(6, 2, 6, 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(toolbar);
  layout->addWidget(splitter, 1);
  layout->addWidget(statusLabel_);

  fitToScreen(*this, QSize(1200, 900));
  render();
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::render() {
  rendered_ = ReportRenderer(template_, data_).render();
  page_ = 0;
  matchPage_ = matchItem_ = -1;
  status_ = rendered_.warnings.join("；");
  buildThumbnails();
  if (fit_ == Fit::Width)
    fitWidth();
  else if (fit_ == Fit::Page)
    fitPage();
  else
    updateView();
}

// Blank paper first; a thumbnail is drawn when it scrolls into view, so a report of thousands
// of pages opens as fast as one of ten.
void ReportPreview::buildThumbnails() {
  const QSignalBlocker quiet(thumbnails_);
  thumbnails_->clear();
  thumbnailDrawn_.assign(static_cast<std::size_t>(pageCount()), false);
  for (int i = 0; i < pageCount(); ++i) {
    const QSizeF mm = rendered_.pages[static_cast<std::size_t>(i)].size;
    QPixmap blank(kThumbnailWidth, int(std::lround(mm.height() * kThumbnailWidth / mm.width())));
    blank.fill(Qt::white);
    auto* item = new QListWidgetItem(QIcon(blank), QString("第 %1 页").arg(i + 1));
    item->setTextAlignment(Qt::AlignHCenter);
    thumbnails_->addItem(item);
  }
  thumbnails_->setCurrentRow(page_);
  drawVisibleThumbnails();
}

void ReportPreview::drawVisibleThumbnails() {
  thumbnails_->doItemsLayout();
  const QRect view = thumbnails_->viewport()->rect();
  for (int i = 0; i < thumbnails_->count(); ++i) {
    const QRect r = thumbnails_->visualItemRect(thumbnails_->item(i));
    if (r.top() > view.bottom()) break;
    if (thumbnailDrawn_[static_cast<std::size_t>(i)] || !r.intersects(view)) continue;
    thumbnails_->item(i)->setIcon(
        QIcon(QPixmap::fromImage(thumbnail(rendered_.pages[static_cast<std::size_t>(i)]))));
    thumbnailDrawn_[static_cast<std::size_t>(i)] = true;
  }
}

double ReportPreview::pixelsPerMm() const {
  return zoom_ / 100.0 * logicalDpiX() / kMmPerInch;
}

void ReportPreview::showPage(int page) {
  if (pageCount() == 0) return;
  page_ = std::clamp(page, 0, pageCount() - 1);
  {
    const QSignalBlocker quiet(thumbnails_);
    thumbnails_->setCurrentRow(page_);
  }
  updateView();
  scroll_->verticalScrollBar()->setValue(0);
}

void ReportPreview::setZoom(double percent) {
  fit_ = Fit::None;
  zoom_ = std::clamp(percent, 10.0, 800.0);
  updateView();
}

void ReportPreview::fitWidth() {
  fit_ = Fit::Width;
  if (pageCount() > 0) {
    const double width = rendered_.pages[static_cast<std::size_t>(page_)].size.width();
    const double room = scroll_->viewport()->width() - 2 * kPaperMargin;
    zoom_ = std::clamp(room / (width * logicalDpiX() / kMmPerInch) * 100, 10.0, 800.0);
  }
  updateView();
}

void ReportPreview::fitPage() {
  fit_ = Fit::Page;
  if (pageCount() > 0) {
    const QSizeF size = rendered_.pages[static_cast<std::size_t>(page_)].size;
    const double perMm = logicalDpiX() / kMmPerInch;
    const double w = (scroll_->viewport()->width() - 2 * kPaperMargin) / (size.width() * perMm);
    const double h = (scroll_->viewport()->height() - 2 * kPaperMargin) / (size.height() * perMm);
    zoom_ = std::clamp(std::min(w, h) * 100, 10.0, 800.0);
  }
  updateView();
}

void ReportPreview::updateView() {
  pageLabel_->setText(
      QString("第 %1 页 / 共 %2 页").arg(pageCount() ? page_ + 1 : 0).arg(pageCount()));
  const QString zoomText = fit_ == Fit::Width  ? QString("适合宽度")
                           : fit_ == Fit::Page ? QString("适合页面")
                                               : QString("%1%").arg(std::lround(zoom_));
  zoomBox_->setEditText(zoomText);
  statusLabel_->setText(status_);
  statusLabel_->setVisible(!status_.isEmpty());
  view_->updateSize();
  view_->update();
}

// The viewport, not the window, knows the room a fitted page has: it is laid out after the
// window is resized and changes again when a scroll bar comes or goes.
bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == thumbnails_->viewport() && event->type() == QEvent::Resize)
    drawVisibleThumbnails();
  if (scroll_ && watched == scroll_->viewport() && event->type() == QEvent::Resize && !refitting_) {
    refitting_ = true;
    if (fit_ == Fit::Width)
      fitWidth();
    else if (fit_ == Fit::Page)
      fitPage();
    refitting_ = false;
  }
  return QDialog::eventFilter(watched, event);
}

bool ReportPreview::find(const QString& what) {
  if (what.isEmpty() || pageCount() == 0) return false;
  if (what != findText_ || matchPage_ < 0) {
    findText_ = what;
    matchPage_ = page_;
    matchItem_ = -1;
  }
  // Every text once, starting after the current match and wrapping around.
  const int pages = pageCount();
  for (int step = 0; step <= pages; ++step) {
    const int p = (matchPage_ + step) % pages;
    const auto& items = rendered_.pages[static_cast<std::size_t>(p)].items;
    const int from = step == 0 ? matchItem_ + 1 : 0;
    for (int i = from; i < static_cast<int>(items.size()); ++i) {
      const RenderedItem& item = items[static_cast<std::size_t>(i)];
      if (item.kind != RenderedItem::Kind::Text || !item.text.contains(what, Qt::CaseInsensitive))
        continue;
      matchPage_ = p;
      matchItem_ = i;
      highlight_ = item.rect;
      status_.clear();
      showPage(p);
      const double s = pixelsPerMm();
      scroll_->ensureVisible(int(kPaperMargin + item.rect.center().x() * s),
                             int(kPaperMargin + item.rect.center().y() * s), 50,
                             int(item.rect.height() * s));
      return true;
    }
  }
  matchPage_ = matchItem_ = -1;
  highlight_ = QRectF();
  status_ = QString("未找到“%1”").arg(what);
  updateView();
  return false;
}

QString ReportPreview::statusText() const {
  return status_;
}

void ReportPreview::setPageSettings(const ReportTemplate::Page& page) {
  template_.page = page;
  highlight_ = QRectF();
  render();
}

bool ReportPreview::reportFailure(bool ok, const QString& error) {
  if (!ok) prompter().message(error, Prompter::Icon::Stop, windowTitle());
  return ok;
}

bool ReportPreview::exportPdf(const QString& file) {
  QString error;
  return reportFailure(qk::client::exportPdf(rendered_, file, &error), error);
}

bool ReportPreview::exportImages(const QString& filePattern, const QString& format, int dpi) {
  QString error;
  return reportFailure(qk::client::exportImages(rendered_, filePattern, format, dpi, &error),
                       error);
}

bool ReportPreview::exportXlsx(const QString& file) {
  QString error;
  return reportFailure(qk::client::exportXlsx(rendered_, file, &error), error);
}

bool ReportPreview::print(QPrinter& printer) {
  QString error;
  return reportFailure(qk::client::print(rendered_, printer, &error), error);
}

void ReportPreview::printWithDialog() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(rendered_.title);
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle("打印");
  if (desktop().exec(dialog) == QDialog::Accepted) print(printer);
}

void ReportPreview::pageSetupWithDialog() {
  QPrinter printer(QPrinter::HighResolution);
  const ReportTemplate::Page& current = template_.page;
  const QSizeF portrait = current.landscape ? current.size().transposed() : current.size();
  printer.setPageLayout(
      QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                  current.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                  current.margins, QPageLayout::Millimeter));
  QPageSetupDialog dialog(&printer, this);
  dialog.setWindowTitle("页面设置");
  if (desktop().exec(dialog) != QDialog::Accepted) return;

  const QPageLayout layout = printer.pageLayout();
  ReportTemplate::Page page;
  switch (layout.pageSize().id()) {
    case QPageSize::A4:
      page.paper = ReportTemplate::Page::Paper::A4;
      break;
    case QPageSize::A5:
      page.paper = ReportTemplate::Page::Paper::A5;
      break;
    default:
      page.paper = ReportTemplate::Page::Paper::Custom;
      page.customSize = layout.pageSize().size(QPageSize::Millimeter);
      break;
  }
  page.landscape = layout.orientation() == QPageLayout::Landscape;
  page.margins = layout.margins(QPageLayout::Millimeter);
  setPageSettings(page);
}

void ReportPreview::exportWithDialog(const QString& format) {
  const QString name = template_.title.isEmpty() ? QString("报表") : template_.title;
  const RenderedReport& pages = rendered_;
  if (format == "pdf") {
    exportToFile(this, name, {"导出为 PDF", "pdf", "PDF 文件 (*.pdf)"},
                 [&pages](QString& file, QString* error) {
                   return qk::client::exportPdf(pages, file, error);
                 });
  } else if (format == "xlsx") {
    exportToFile(this, name, {"导出为 Excel 表格", "xlsx", "Excel 表格 (*.xlsx)"},
                 [&pages](QString& file, QString* error) {
                   return qk::client::exportXlsx(pages, file, error);
                 });
  } else {
    const bool png = format == "png";
    const ExportFormat kind =
        png ? ExportFormat{"导出为 PNG 图片", "png", "PNG 图片 (*.png)"}
            : ExportFormat{"导出为 JPEG 图片", "jpg", "JPEG 图片 (*.jpg *.jpeg)"};
    // One picture a page: the first of them is the one offered for opening.
    exportToFile(this, name, kind, [&pages, &kind](QString& file, QString* error) {
      QStringList written;
      if (!qk::client::exportImages(pages, file, kind.suffix, 150, error, &written)) return false;
      if (!written.isEmpty()) file = written.first();
      return true;
    });
  }
}

}  // namespace qk::client

#include "client/report/report_designer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGraphicsView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/prompter.h"
#include "client/report/designer_canvas.h"
#include "client/report/designer_document.h"
#include "client/report/designer_properties.h"
#include "client/report/report_data.h"
#include "client/report/report_preview.h"
#include "client/widgets/desktop.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

constexpr ReportBand::Type kBandTypes[] = {
    ReportBand::Type::ReportTitle, ReportBand::Type::PageHeader, ReportBand::Type::GroupHeader,
    ReportBand::Type::MasterData,  ReportBand::Type::DetailData, ReportBand::Type::GroupFooter,
    ReportBand::Type::Summary,     ReportBand::Type::PageFooter};

// Drags a field as the canvas takes it.
class FieldTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    if (items.size() != 1 || !items.front()->parent()) return nullptr;
    auto* mime = new QMimeData;
    mime->setData(DesignerCanvas::kFieldMime,
                  (items.front()->parent()->text(0) + '\t' + items.front()->text(0)).toUtf8());
    return mime;
  }
};

ReportTemplate loadOrNew(const QString& file) {
  if (QFileInfo::exists(file)) return ReportTemplate::load(file);
  ReportTemplate t;
  t.title = QFileInfo(file).completeBaseName();
  return t;
}

}  // namespace

struct ReportDesigner::Impl {
  Impl(ReportDesigner* self, const QString& file, ReportData& data)
      : self(self), file(file), data(data), doc(loadOrNew(file)) {}

  void build();
  void buildLeftPanel(QSplitter* split);
  void refreshBands();
  void refreshPreview();

  ReportDesigner* self;
  QString file;
  ReportData& data;
  DesignerDocument doc;
  bool saved = false;

  QListWidget* bands = nullptr;
  QTreeWidget* fields = nullptr;
  QTabWidget* pages = nullptr;
  DesignerCanvas* canvas = nullptr;
  QWidget* previewHost = nullptr;
  QPointer<ReportPreview> preview;
  ReportTemplate previewed;
  DesignerProperties* properties = nullptr;
  QLabel* status = nullptr;
};

ReportDesigner::ReportDesigner(const QString& file, ReportData& data, QWidget* parent)
    : QDialog(parent), d_(std::make_unique<Impl>(this, file, data)) {
  d_->build();
}

ReportDesigner::~ReportDesigner() {
  // The panels and the canvas hold on to the document: they go before it does, and nothing
  // hears from it (the undo stack still signals as it is destroyed).
  d_->doc.undoStack().disconnect();
  d_->doc.disconnect();
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void ReportDesigner::Impl::build() {
  self->setWindowTitle("报表设计");
  self->setWindowFlag(Qt::WindowMaximizeButtonHint);
  auto* layout = new QVBoxLayout(self);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = new QToolBar(self);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  layout->addWidget(bar);
  auto add = [&](const QString& text, auto slot, QKeySequence key = {}) {
    QAction* a = bar->addAction(text, self, slot);
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
  };
  add(
      "保存", [this] { self->save(); }, QKeySequence::Save);
  bar->addSeparator();
  QAction* undo = add(
      "撤销", [this] { doc.undo(); }, QKeySequence::Undo);
  QAction* redo = add(
      "重做", [this] { doc.redo(); }, QKeySequence::Redo);
  undo->setEnabled(false);
  redo->setEnabled(false);
  QObject::connect(&doc.undoStack(), &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
  QObject::connect(&doc.undoStack(), &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
  add("删除", [this] { doc.deleteSelection(); });
  bar->addSeparator();
  add("左对齐", [this] { doc.alignLeft(); });
  add("右对齐", [this] { doc.alignRight(); });
  add("顶端对齐", [this] { doc.alignTop(); });
  add("底端对齐", [this] { doc.alignBottom(); });
  add("同宽", [this] { doc.sameWidth(); });
  add("同高", [this] { doc.sameHeight(); });
  bar->addSeparator();
  add("预览", [this] { self->showPreview(); });
  add("关闭", [this] { self->reject(); });

  auto* split = new QSplitter(Qt::Horizontal, self);
  layout->addWidget(split, 1);
  buildLeftPanel(split);

  pages = new QTabWidget(split);
  pages->setDocumentMode(true);
  canvas = new DesignerCanvas(doc, pages);
  pages->addTab(canvas, "设计");
  previewHost = new QWidget(pages);
  auto* hostLayout = new QVBoxLayout(previewHost);
  hostLayout->setContentsMargins(0, 0, 0, 0);
  pages->addTab(previewHost, "预览");
  QObject::connect(pages, &QTabWidget::currentChanged, self, [this](int page) {
    if (page == 1) refreshPreview();
  });

  properties = new DesignerProperties(doc, data.sourceNames(), split);
  split->addWidget(properties);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setStretchFactor(2, 0);
  split->setSizes({190, 760, 330});

  status = new QLabel(self);
  status->setContentsMargins(8, 3, 8, 3);
  layout->addWidget(status);

  QObject::connect(&doc, &DesignerDocument::changed, self, [this] {
    refreshBands();
    self->setWindowTitle(
        QString("报表设计 - %1%2").arg(QFileInfo(file).fileName(), doc.modified() ? " *" : ""));
    // The preview page follows every change while it is the one showing.
    if (pages->currentIndex() == 1) refreshPreview();
  });
  refreshBands();
  self->setWindowTitle(QString("报表设计 - %1").arg(QFileInfo(file).fileName()));
  fitToScreen(*self, QSize(1280, 800));
  canvas->view()->setFocus();
}

void ReportDesigner::Impl::buildLeftPanel(QSplitter* split) {
  auto* panel = new QWidget(split);
  auto* v = new QVBoxLayout(panel);
  v->setContentsMargins(6, 6, 6, 6);

  auto* bandBox = new QGroupBox("栏", panel);
  auto* bv = new QVBoxLayout(bandBox);
  bands = new QListWidget(bandBox);
  bv->addWidget(bands);
  auto* bandButtons = new QHBoxLayout;
  auto* addBand = new QToolButton(bandBox);
  addBand->setText("添加栏");
  addBand->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(addBand);
  for (ReportBand::Type type : kBandTypes)
    menu->addAction(bandTypeCaption(type), self, [this, type] { doc.addBand(type); });
  addBand->setMenu(menu);
  auto* removeBand = new QPushButton("删除栏", bandBox);
  bandButtons->addWidget(addBand);
  bandButtons->addWidget(removeBand);
  bv->addLayout(bandButtons);
  v->addWidget(bandBox, 2);
  QObject::connect(removeBand, &QPushButton::clicked, self, [this] {
    int band = doc.currentBand();
    if (band < 0) return;
    const ReportBand& b = doc.reportTemplate().bands[band];
    // Its items go with it; undo brings them back, but say so before.
    if (!b.items.empty() && !prompter().confirm(QString("删除栏“%1”及其中的 %2 个项目？")
                                                    .arg(bandTypeCaption(b.type))
                                                    .arg(b.items.size())))
      return;
    doc.removeBand(band);
  });
  QObject::connect(bands, &QListWidget::currentRowChanged, self, [this](int row) {
    if (row >= 0 && row != doc.currentBand()) doc.selectBand(row);
  });

  auto* itemBox = new QGroupBox("插入", panel);
  auto* grid = new QGridLayout(itemBox);
  const std::pair<QString, ReportItem::Kind> kinds[] = {{"文本", ReportItem::Kind::Text},
                                                        {"线条", ReportItem::Kind::Line},
                                                        {"矩形", ReportItem::Kind::Rectangle},
                                                        {"图片", ReportItem::Kind::Picture},
                                                        {"二维码", ReportItem::Kind::QrCode}};
  int i = 0;
  for (const auto& [caption, kind] : kinds) {
    auto* b = new QPushButton(caption, itemBox);
    QObject::connect(b, &QPushButton::clicked, self, [this, kind] { doc.addItem(kind); });
    grid->addWidget(b, i / 2, i % 2);
    ++i;
  }
  v->addWidget(itemBox);

  auto* fieldBox = new QGroupBox("字段（双击或拖到栏中插入）", panel);
  auto* fv = new QVBoxLayout(fieldBox);
  fields = new FieldTree(fieldBox);
  fields->setHeaderHidden(true);
  fields->setDragEnabled(true);
  fields->setDragDropMode(QAbstractItemView::DragOnly);
  for (const QString& name : data.sourceNames()) {
    auto* source = new QTreeWidgetItem(fields, {name});
    if (const ReportDataSource* s = data.source(name))
      for (const QString& field : s->fieldNames()) new QTreeWidgetItem(source, {field});
    source->setExpanded(true);
  }
  fv->addWidget(fields);
  v->addWidget(fieldBox, 3);
  QObject::connect(fields, &QTreeWidget::itemDoubleClicked, self, [this](QTreeWidgetItem* item) {
    if (item->parent()) doc.addField(item->parent()->text(0), item->text(0));
  });
  split->addWidget(panel);
}

void ReportDesigner::Impl::refreshBands() {
  const auto& t = doc.reportTemplate();
  QSignalBlocker block(bands);
  bands->clear();
  for (const ReportBand& b : t.bands) {
    QString text = bandTypeCaption(b.type);
    if (!b.dataSource.isEmpty()) text += "（" + b.dataSource + "）";
    bands->addItem(text);
  }
  bands->setCurrentRow(doc.currentBand());
  const auto& sel = doc.selection();
  if (sel.size() == 1) {
    const QRectF r = doc.item(sel.front())->rect;
    status->setText(QString("%1：X %2  Y %3  宽 %4  高 %5 毫米")
                        .arg(bandTypeCaption(t.bands[sel.front().band].type))
                        .arg(r.x())
                        .arg(r.y())
                        .arg(r.width())
                        .arg(r.height()));
  } else if (sel.size() > 1) {
    status->setText(QString("已选 %1 项").arg(sel.size()));
  } else {
    status->setText(QString("%1 栏").arg(t.bands.size()));
  }
}

void ReportDesigner::Impl::refreshPreview() {
  if (preview && previewed == doc.reportTemplate()) return;
  delete preview;
  preview = new ReportPreview(doc.reportTemplate(), data, previewHost);
  preview->setWindowFlags(Qt::Widget);
  previewHost->layout()->addWidget(preview);
  previewed = doc.reportTemplate();
  // Its own close button leaves the preview page for the canvas.
  QObject::connect(preview, &QDialog::rejected, self, [this] {
    pages->setCurrentIndex(0);
    if (preview) preview->show();
  });
  preview->show();
  const QStringList warnings = preview->report().warnings;
  if (!warnings.isEmpty()) status->setText(warnings.join("；"));
}

ReportTemplate& ReportDesigner::reportTemplate() {
  return d_->doc.reportTemplate();
}
DesignerDocument& ReportDesigner::document() {
  return d_->doc;
}
bool ReportDesigner::modified() const {
  return d_->doc.modified();
}
bool ReportDesigner::saved() const {
  return d_->saved;
}

bool ReportDesigner::save() {
  try {
    d_->doc.reportTemplate().save(d_->file);
  } catch (const DataError& e) {
    prompter().message(e.text(), Prompter::Icon::Stop);
    return false;
  }
  d_->doc.markSaved();
  d_->saved = true;
  return true;
}

ReportPreview* ReportDesigner::showPreview() {
  if (d_->pages->currentIndex() == 1)
    d_->refreshPreview();
  else
    d_->pages->setCurrentIndex(1);
  return d_->preview;
}

void ReportDesigner::done(int result) {
  if (modified()) {
    if (prompter().confirm("报表已修改，是否保存？")) {
      // A template that could not be written stays open rather than being lost.
      if (!save()) return;
    }
  }
  QDialog::done(result);
}

bool designReportFile(QWidget* parent, const QString& file, ReportData& data) {
  std::unique_ptr<ReportDesigner> designer;
  try {
    designer = std::make_unique<ReportDesigner>(file, data, parent);
  } catch (const DataError& e) {
    // A damaged template is not opened: saving an empty one over it would lose it for good.
    prompter().message(e.text(), Prompter::Icon::Stop);
    return false;
  }
  desktop().exec(*designer);
  return designer->saved();
}

}  // namespace qk::client

#include "client/report/designer_properties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace qk::client {

namespace {

using Type = ReportBand::Type;
const char* kShown = "shown";  // the value last loaded, so only a user's change is sent

QWidget* scrolled(QWidget* page) {
  qobject_cast<QFormLayout*>(page->layout())->setRowWrapPolicy(QFormLayout::DontWrapRows);
  // Rows packed at the top rather than spread over the panel's height.
  auto* holder = new QWidget;
  auto* v = new QVBoxLayout(holder);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(page);
  v->addStretch();
  auto* area = new QScrollArea;
  area->setWidget(holder);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  return area;
}

void showValue(QDoubleSpinBox* spin, double value) {
  spin->setValue(value);
  spin->setProperty(kShown, spin->value());
}

// An editable combo box sends its text when a choice is made or typing ends.
void onText(QComboBox* box, const std::function<void(const QString&)>& send) {
  auto fire = [box, send] {
    if (box->currentText() != box->property(kShown).toString()) send(box->currentText());
  };
  QObject::connect(box, &QComboBox::activated, box, fire);
  if (box->lineEdit()) QObject::connect(box->lineEdit(), &QLineEdit::editingFinished, box, fire);
}

void onText(QLineEdit* edit, const std::function<void(const QString&)>& send) {
  QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, send] {
    if (edit->text() != edit->property(kShown).toString()) send(edit->text());
  });
}

void showText(QComboBox* box, const QString& text) {
  box->setCurrentText(text);
  box->setProperty(kShown, text);
}
void showText(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  edit->setProperty(kShown, text);
}

}  // namespace

DesignerProperties::DesignerProperties(DesignerDocument& doc, const QStringList& sources,
                                       QWidget* parent)
    : QTabWidget(parent), doc_(doc) {
  stack_ = new QStackedWidget;
  stack_->addWidget(new QLabel("  选中项目或栏以编辑其属性。"));
  stack_->addWidget(scrolled(buildItemPage()));
  stack_->addWidget(scrolled(buildBandPage(sources)));
  addTab(stack_, "属性");
  addTab(scrolled(buildPagePage()), "页面");
  setMinimumWidth(250);
  connect(&doc_, &DesignerDocument::changed, this, &DesignerProperties::refresh);
  refresh();
}

QDoubleSpinBox* DesignerProperties::number(double min, double max, double step,
                                           std::function<void(double)> apply) {
  auto* spin = new QDoubleSpinBox;
  spin->setRange(min, max);
  spin->setSingleStep(step);
  spin->setDecimals(2);
  spin->setKeyboardTracking(false);
  connect(spin, &QDoubleSpinBox::editingFinished, this, [this, spin, apply] {
    if (!loading_ && spin->value() != spin->property(kShown).toDouble()) apply(spin->value());
  });
  // The arrows change the value without ending the edit.
  connect(spin, &QDoubleSpinBox::valueChanged, this, [this, spin, apply](double v) {
    if (!loading_ && !spin->hasFocus() && v != spin->property(kShown).toDouble()) apply(v);
  });
  return spin;
}

QCheckBox* DesignerProperties::check(const QString& caption, std::function<void(bool)> apply) {
  auto* box = new QCheckBox(caption);
  connect(box, &QCheckBox::toggled, this, [this, apply](bool on) {
    if (!loading_) apply(on);
  });
  return box;
}

QWidget* DesignerProperties::buildItemPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto item = [this](const QString& what, std::function<void(ReportItem&)> edit) {
    doc_.editSelection(what, edit);
  };

  text_ = new QPlainTextEdit;
  text_->setFixedHeight(60);
  text_->installEventFilter(this);
  form->addRow("文本", text_);

  x_ = number(-1000, 1000, 0.5,
              [=, this](double v) { item("位置", [v](ReportItem& i) { i.rect.moveLeft(v); }); });
  y_ = number(-1000, 1000, 0.5,
              [=, this](double v) { item("位置", [v](ReportItem& i) { i.rect.moveTop(v); }); });
  w_ = number(-1000, 1000, 0.5,
              [=, this](double v) { item("大小", [v](ReportItem& i) { i.rect.setWidth(v); }); });
  h_ = number(-1000, 1000, 0.5,
              [=, this](double v) { item("大小", [v](ReportItem& i) { i.rect.setHeight(v); }); });
  auto pair = [](QWidget* a, QWidget* b) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(a);
    h->addWidget(b);
    return w;
  };
  form->addRow("X / Y（毫米）", pair(x_, y_));
  form->addRow("宽 / 高（毫米）", pair(w_, h_));

  family_ = new QComboBox;
  family_->setEditable(true);
  family_->addItem(QString());
  family_->addItems(QFontDatabase::families());
  family_->lineEdit()->setPlaceholderText("报表默认字体");
  onText(family_,
         [=, this](const QString& f) { item("字体", [f](ReportItem& i) { i.fontFamily = f; }); });
  form->addRow("字体", family_);
  size_ = number(1, 200, 0.5,
                 [=, this](double v) { item("字号", [v](ReportItem& i) { i.fontSize = v; }); });
  form->addRow("字号（磅）", size_);
  bold_ = check("粗体", [=, this](bool on) { item("粗体", [on](ReportItem& i) { i.bold = on; }); });
  italic_ =
      check("斜体", [=, this](bool on) { item("斜体", [on](ReportItem& i) { i.italic = on; }); });
  underline_ = check(
      "下划线", [=, this](bool on) { item("下划线", [on](ReportItem& i) { i.underline = on; }); });
  auto* styles = new QWidget;
  auto* sl = new QHBoxLayout(styles);
  sl->setContentsMargins(0, 0, 0, 0);
  sl->addWidget(bold_);
  sl->addWidget(italic_);
  sl->addWidget(underline_);
  form->addRow("字形", styles);

  hAlign_ = new QComboBox;
  hAlign_->addItem("左", int(Qt::AlignLeft));
  hAlign_->addItem("居中", int(Qt::AlignHCenter));
  hAlign_->addItem("右", int(Qt::AlignRight));
  vAlign_ = new QComboBox;
  vAlign_->addItem("上", int(Qt::AlignTop));
  vAlign_->addItem("中", int(Qt::AlignVCenter));
  vAlign_->addItem("下", int(Qt::AlignBottom));
  auto align = [this, item] {
    if (loading_) return;
    const auto a = Qt::Alignment(hAlign_->currentData().toInt() | vAlign_->currentData().toInt());
    item("对齐", [a](ReportItem& i) { i.alignment = a; });
  };
  connect(hAlign_, &QComboBox::activated, this, align);
  connect(vAlign_, &QComboBox::activated, this, align);
  form->addRow("对齐", pair(hAlign_, vAlign_));

  wrap_ = check("自动换行",
                [=, this](bool on) { item("自动换行", [on](ReportItem& i) { i.wordWrap = on; }); });
  autoStretch_ = check("自动伸展", [=, this](bool on) {
    item("自动伸展", [on](ReportItem& i) { i.autoStretch = on; });
  });
  form->addRow(QString(), pair(wrap_, autoStretch_));

  format_ = new QComboBox;
  format_->setEditable(true);
  format_->addItems({QString(), "#,##0.00", "#,##0", "0.00", "yyyy-MM-dd", "yyyy年MM月dd日"});
  format_->lineEdit()->setPlaceholderText("字段自身的格式");
  onText(format_, [=, this](const QString& f) {
    item("显示格式", [f](ReportItem& i) { i.displayFormat = f; });
  });
  form->addRow("显示格式", format_);

  auto* frames = new QWidget;
  auto* fl = new QHBoxLayout(frames);
  fl->setContentsMargins(0, 0, 0, 0);
  const std::pair<QString, int> sides[] = {{"左", ReportItem::Left},
                                           {"上", ReportItem::Top},
                                           {"右", ReportItem::Right},
                                           {"下", ReportItem::Bottom}};
  for (int s = 0; s < 4; ++s) {
    const int side = sides[s].second;
    frame_[s] = check(sides[s].first, [=, this](bool on) {
      item("边框",
           [=, this](ReportItem& i) { i.frame = on ? (i.frame | side) : (i.frame & ~side); });
    });
    fl->addWidget(frame_[s]);
  }
  form->addRow("边框", frames);
  lineWidth_ = number(
      0, 10, 0.1, [=, this](double v) { item("线宽", [v](ReportItem& i) { i.lineWidth = v; }); });
  form->addRow("线宽（毫米）", lineWidth_);
  pictureField_ = new QLineEdit;
  onText(pictureField_, [=, this](const QString& f) {
    item("图片字段", [f](ReportItem& i) { i.pictureField = f; });
  });
  form->addRow("图片字段", pictureField_);
  return page;
}

QWidget* DesignerProperties::buildBandPage(const QStringList& sources) {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto band = [this](const QString& what, std::function<void(ReportBand&)> edit) {
    doc_.editBand(doc_.currentBand(), what, edit);
  };
  bandHeight_ = number(1, 1000, 0.5,
                       [=, this](double v) { band("栏高", [v](ReportBand& b) { b.height = v; }); });
  form->addRow("高度（毫米）", bandHeight_);
  source_ = new QComboBox;
  source_->setEditable(true);
  source_->addItem(QString());
  source_->addItems(sources);
  onText(source_,
         [=, this](const QString& s) { band("数据源", [s](ReportBand& b) { b.dataSource = s; }); });
  form->addRow("数据源", source_);
  rowsPerPage_ = new QSpinBox;
  rowsPerPage_->setRange(0, 1000);
  rowsPerPage_->setSpecialValueText("不限");
  connect(rowsPerPage_, &QSpinBox::valueChanged, this, [=, this](int n) {
    if (!loading_) band("每页行数", [n](ReportBand& b) { b.rowsPerPage = n; });
  });
  form->addRow("每页行数", rowsPerPage_);
  masterKey_ = new QLineEdit;
  masterKey_->setPlaceholderText("字段;字段");
  onText(masterKey_, [=, this](const QString& k) {
    band("主表关联字段", [k](ReportBand& b) { b.masterKey = k; });
  });
  form->addRow("主表关联字段", masterKey_);
  detailKey_ = new QLineEdit;
  detailKey_->setPlaceholderText("字段;字段");
  onText(detailKey_, [=, this](const QString& k) {
    band("明细关联字段", [k](ReportBand& b) { b.detailKey = k; });
  });
  form->addRow("明细关联字段", detailKey_);
  groupBy_ = new QLineEdit;
  onText(groupBy_,
         [=, this](const QString& g) { band("分组依据", [g](ReportBand& b) { b.groupBy = g; }); });
  form->addRow("分组依据", groupBy_);
  newPage_ = check("另起一页", [=, this](bool on) {
    band("另起一页", [on](ReportBand& b) { b.startNewPage = on; });
  });
  stretch_ = check("自动伸展",
                   [=, this](bool on) { band("栏伸展", [on](ReportBand& b) { b.stretch = on; }); });
  form->addRow(QString(), newPage_);
  form->addRow(QString(), stretch_);
  return page;
}

QWidget* DesignerProperties::buildPagePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto report = [this](const QString& what, std::function<void(ReportTemplate&)> edit) {
    doc_.editReport(what, edit);
  };
  title_ = new QLineEdit;
  onText(title_,
         [=, this](const QString& t) { report("标题", [t](ReportTemplate& r) { r.title = t; }); });
  form->addRow("标题", title_);
  paper_ = new QComboBox;
  paper_->addItem("A4", int(ReportTemplate::Page::Paper::A4));
  paper_->addItem("A5", int(ReportTemplate::Page::Paper::A5));
  paper_->addItem("自定义", int(ReportTemplate::Page::Paper::Custom));
  connect(paper_, &QComboBox::activated, this, [=, this] {
    const auto p = ReportTemplate::Page::Paper(paper_->currentData().toInt());
    report("纸张", [p](ReportTemplate& r) { r.page.paper = p; });
  });
  form->addRow("纸张", paper_);
  paperW_ = number(10, 2000, 1, [=, this](double v) {
    report("纸张大小", [v](ReportTemplate& r) { r.page.customSize.setWidth(v); });
  });
  paperH_ = number(10, 2000, 1, [=, this](double v) {
    report("纸张大小", [v](ReportTemplate& r) { r.page.customSize.setHeight(v); });
  });
  form->addRow("自定义宽（毫米）", paperW_);
  form->addRow("自定义高（毫米）", paperH_);
  orientation_ = new QComboBox;
  orientation_->addItems({"纵向", "横向"});
  connect(orientation_, &QComboBox::activated, this, [=, this](int i) {
    report("方向", [i](ReportTemplate& r) { r.page.landscape = i == 1; });
  });
  form->addRow("方向", orientation_);
  const QString sides[] = {"左边距", "上边距", "右边距", "下边距"};
  for (int s = 0; s < 4; ++s) {
    margin_[s] = number(0, 100, 0.5, [=, this](double v) {
      report("页边距", [s, v](ReportTemplate& r) {
        QMarginsF& m = r.page.margins;
        (s == 0 ? m.setLeft(v) : s == 1 ? m.setTop(v) : s == 2 ? m.setRight(v) : m.setBottom(v));
      });
    });
    form->addRow(sides[s] + "（毫米）", margin_[s]);
  }
  return page;
}

bool DesignerProperties::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::FocusOut) commitText();
  return QTabWidget::eventFilter(watched, event);
}

void DesignerProperties::commitText() {
  if (loading_ || doc_.selection().empty()) return;
  const QString text = text_->toPlainText();
  if (text == text_->property(kShown).toString()) return;
  doc_.editSelection("文本", [text](ReportItem& i) { i.text = text; });
}

void DesignerProperties::refresh() {
  loading_ = true;
  const ReportTemplate& t = doc_.reportTemplate();
  const auto& sel = doc_.selection();
  if (!sel.empty()) {
    stack_->setCurrentIndex(1);
    // Several selected: the anchor's values show, and an edit applies to them all.
    const ReportItem& i = *doc_.item(sel.front());
    const bool text = i.kind == ReportItem::Kind::Text;
    if (text_->toPlainText() != i.text) text_->setPlainText(i.text);
    text_->setProperty(kShown, i.text);
    text_->setEnabled(text || i.kind == ReportItem::Kind::QrCode);
    showValue(x_, i.rect.x());
    showValue(y_, i.rect.y());
    showValue(w_, i.rect.width());
    showValue(h_, i.rect.height());
    showText(family_, i.fontFamily);
    showValue(size_, i.fontSize);
    bold_->setChecked(i.bold);
    italic_->setChecked(i.italic);
    underline_->setChecked(i.underline);
    hAlign_->setCurrentIndex(
        std::max(0, hAlign_->findData(int(i.alignment & Qt::AlignHorizontal_Mask))));
    vAlign_->setCurrentIndex(
        std::max(0, vAlign_->findData(int(i.alignment & Qt::AlignVertical_Mask))));
    wrap_->setChecked(i.wordWrap);
    autoStretch_->setChecked(i.autoStretch);
    showText(format_, i.displayFormat);
    const int sides[] = {ReportItem::Left, ReportItem::Top, ReportItem::Right, ReportItem::Bottom};
    for (int s = 0; s < 4; ++s) {
      frame_[s]->setChecked(i.frame & sides[s]);
      frame_[s]->setEnabled(text);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{family_, size_, bold_, italic_, underline_, hAlign_,
                                         vAlign_, wrap_, autoStretch_, format_})
      w->setEnabled(text);
    showValue(lineWidth_, i.lineWidth);
    showText(pictureField_, i.pictureField);
    pictureField_->setEnabled(i.kind == ReportItem::Kind::Picture);
  } else if (doc_.currentBand() >= 0) {
    stack_->setCurrentIndex(2);
    const ReportBand& b = t.bands[doc_.currentBand()];
    showValue(bandHeight_, b.height);
    showText(source_, b.dataSource);
    rowsPerPage_->setValue(b.rowsPerPage);
    showText(masterKey_, b.masterKey);
    showText(detailKey_, b.detailKey);
    showText(groupBy_, b.groupBy);
    newPage_->setChecked(b.startNewPage);
    stretch_->setChecked(b.stretch);
    const bool data = b.type == Type::MasterData || b.type == Type::DetailData;
    const bool group = b.type == Type::GroupHeader || b.type == Type::GroupFooter;
    source_->setEnabled(data);
    rowsPerPage_->setEnabled(b.type == Type::MasterData);
    masterKey_->setEnabled(b.type == Type::DetailData);
    detailKey_->setEnabled(b.type == Type::DetailData);
    groupBy_->setEnabled(group);
  } else {
    stack_->setCurrentIndex(0);
  }
  showText(title_, t.title);
  paper_->setCurrentIndex(std::max(0, paper_->findData(int(t.page.paper))));
  showValue(paperW_, t.page.customSize.width());
  showValue(paperH_, t.page.customSize.height());
  paperW_->setEnabled(t.page.paper == ReportTemplate::Page::Paper::Custom);
  paperH_->setEnabled(t.page.paper == ReportTemplate::Page::Paper::Custom);
  orientation_->setCurrentIndex(t.page.landscape ? 1 : 0);
  showValue(margin_[0], t.page.margins.left());
  showValue(margin_[1], t.page.margins.top());
  showValue(margin_[2], t.page.margins.right());
  showValue(margin_[3], t.page.margins.bottom());
  loading_ = false;
}

}  // namespace qk::client

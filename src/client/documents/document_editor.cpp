#include "client/documents/document_editor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>
#include <utility>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/numbering.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/documents/gs_no_form.h"
#include "client/query/sys_qry_form.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/scroll_panel.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

constexpr const char* kDocumentGone = "记录不存在，可能已被其他用户修改或删除";
constexpr const char* kNoSuchGsNo = "无此物项号!";

QDateTime nowToTheSecond() {
  const QDateTime now = QDateTime::currentDateTime();
  return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
}

// The grid is not repainted while a save rewrites every line, and is released whatever happens.
class FrozenDisplay {
 public:
  explicit FrozenDisplay(QWidget* w) : w_(w) { w_->setUpdatesEnabled(false); }
  ~FrozenDisplay() { w_->setUpdatesEnabled(true); }

 private:
  QWidget* w_;
};

// isFilling is set for the length of a picker run and cleared also when a copy fails.
class FillingFlag {
 public:
  FillingFlag(bool& flag, bool on) : flag_(flag), on_(on) {
    if (on_) flag_ = true;
  }
  ~FillingFlag() {
    if (on_) flag_ = false;
  }

 private:
  bool& flag_;
  bool on_;
};

// Sets a field only when the value differs, so an unchanged line stays out of the change log.
void setIfDifferent(Field& f, const QVariant& v) {
  const QVariant old = f.value();
  if (old.isValid() == v.isValid() && old == v) return;
  Dataset& ds = f.dataset();
  if (!isEditing(ds)) ds.edit();
  f.setValue(v);
}

}  // namespace

HeaderField customerField() {
  return {.field = "custNo",
          .caption = "客户名称",
          .editor = HeaderEditor::List,
          .list = &DataModule::custCDS,
          .listKey = "custNo",
          .listName = "custName"};
}

std::vector<MenuEntry> findByItemMenu(const QString& lineTable) {
  return {{"按物项号查找", [lineTable](DocumentEditor& e) { e.findByGsNo(lineTable); }},
          {"自定义查找", [](DocumentEditor& e) { e.findActionExecute(); }}};
}

FieldDefault todayDefault(const QString& field) {
  return {field, [](const DocumentEditor&) {
            return QVariant(QDateTime(QDate::currentDate(), QTime(0, 0)));
          }};
}

FieldDefault nowDefault(const QString& field) {
  return {field, [](const DocumentEditor&) { return QVariant(nowToTheSecond()); }};
}

FieldDefault userDefault(const QString& field) {
  return {field, [](const DocumentEditor& e) { return QVariant(e.dataModule().userName); }};
}

QString successorNumber(const QString& previous, int width, int prefixLength) {
  const qsizetype cut = prefixLength >= 0 ? prefixLength : previous.lastIndexOf('-') + 1;
  const QString tail = previous.mid(cut);
  bool ok = !tail.isEmpty();
  for (QChar c : tail) ok = ok && c.isDigit() && c.unicode() < 128;
  const qlonglong n = ok ? tail.toLongLong(&ok) : 0;
  if (!ok) throw DataError(QString("编号“%1”的末尾不是数字，无法生成下一个编号").arg(previous));
  return previous.left(cut) + QString::number(n + 1).rightJustified(width, '0');
}

DocumentEditor::DocumentEditor(DocumentConfig config, QWidget* parent)
    : QDialog(parent),
      config_(std::move(config)),
      dm_(dm()),
      mCDS_(std::make_unique<Dataset>(dm_.connection(), "UpdateMainDSP")),
      dCDS_(std::make_unique<Dataset>(dm_.connection(), "UpdateDetailDSP")) {
  setWindowTitle(config_.caption);
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  sqlIdentifier(config_.masterTable);
  if (config_.masterView.isEmpty()) config_.masterView = config_.masterTable;
  sqlIdentifier(config_.masterView);
  sqlIdentifier(config_.detailView);
  sqlIdentifier(config_.keyField);
  sqlIdentifier(config_.detailOrder);

  buildToolbar();
  buildHeader();

  // Quantity and amount are summed in the footer, prices and amounts shown as money, the amount
  // never typed: unless a column says otherwise.
  for (GridColumn& c : config_.columns) {
    const bool amount = c.field == config_.amountField;
    if ((amount || c.field == config_.lineQtyField) && c.footer == FooterKind::None)
      c.footer = FooterKind::Sum;
    if ((amount || c.field == config_.priceField) && c.displayFormat.isEmpty())
      c.displayFormat = "#,##0.00";
    c.readOnly = c.readOnly || amount;
    for (const LineLookup& l : config_.lookups) {
      if (c.field.compare(l.field, Qt::CaseInsensitive) != 0) continue;
      // The drop-down offers and stores the name; the key follows it (installLineRules).
      c.lookupSource = &(dm_.*l.list);
      c.lookupKey = l.listName;
      c.lookupDisplay = l.listName;
    }
  }
  dataGrid_ = new DataGrid(this);
  dataGrid_->setColumns(config_.columns);
  dataGrid_->setRowNumbers(true);
  dataGrid_->setFooterVisible(true);

  auto* footer = new QHBoxLayout;
  const std::pair<QString, const char*> kFooter[] = {{config_.userField, "制单"},
                                                     {config_.entryDateField, "制单日期"},
                                                     {"audName", "审核"},
                                                     {"audDate", "审核日期"}};
  for (const auto& [field, caption] : kFooter) {
    auto* edit = new QLineEdit(this);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setMaximumWidth(170);
    footer->addWidget(new QLabel(caption, this));
    footer->addWidget(edit);
    footer->addSpacing(16);
    footer_.insert(field, edit);
  }
  footer->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(6);
  layout->setMenuBar(toolBar_);
  // On a narrow screen the header scrolls sideways rather than widen the window past it.
  layout->addWidget(new ScrollPanel(headerPanel_->parentWidget(), Qt::Horizontal, this));
  if (config_.sideWidget) {
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(config_.sideWidget(*this));
    split->addWidget(dataGrid_);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
  } else {
    layout->addWidget(dataGrid_, 1);
  }
  layout->addLayout(footer);
  fitToScreen(*this, QSize(1180, 660));

  prepareDatasets();
  dataGrid_->setDataset(dCDS_.get());

  connect(dataGrid_, &DataGrid::buttonClicked, this,
          [this](const QString& field, int) { guarded([&] { runPicker(field); }); });
  auto refreshHeader = [this] { loadHeaderEditors(); };
  connect(mCDS_.get(), &Dataset::changed, this, refreshHeader);
  connect(mCDS_.get(), &Dataset::currentChanged, this, refreshHeader);
  setState(State::Browse);
}

DocumentEditor::~DocumentEditor() {
  // The grid must not paint a dataset that is going away.
  if (dataGrid_) dataGrid_->setDataset(nullptr);
}

void DocumentEditor::buildToolbar() {
  toolBar_ = newToolBar(this);
  auto run = [this](void (DocumentEditor::*fn)()) { return [this, fn] { (this->*fn)(); }; };
  using E = DocumentEditor;
  const ToolAction sep = ToolAction::separator();
  addToolActions(
      *toolBar_,
      {
          {"首条", 'M', "first", "显示第一张单据", run(&E::firstActionExecute), &firstAction},
          {"前条", 'N', "prior", "显示前一张单据", run(&E::priorActionExecute), &priorAction},
          {"下条", 'O', "next", "显示下一张单据", run(&E::nextActionExecute), &nextAction},
          {"末条", 'P', "last", "显示最后一张单据", run(&E::lastActionExecute), &lastAction},
          sep,
          {"新单", 'Q', "new", "新建一张空白单据", run(&E::newActionExecute), &newAction},
          {"修改", 'R', "edit", "修改本张单据", run(&E::editActionExecute), &editAction},
          {"删除", 'S', "delete", "删除本张单据", run(&E::delActionExecute), &delAction},
          sep,
          {"增行", 'T', "add-row", "增加一条明细", run(&E::addActionExecute), &addAction},
          {"删行", 'U', "remove-row", "删除一条明细", run(&E::minuActionExecute), &minuAction},
          {"保存", 'V', "save", "保存此张单据", run(&E::saveActionExecute), &saveAction},
          {"取消", 'W', "cancel", "取消本张单据所做的修改", run(&E::cancelActionExecute),
           &cancelAction},
          sep,
          {"审核", 'L', "audit", "审核此张单据", run(&E::audActionExecute), &audAction},
          {"反审", 'K', "unaudit", "取消审核此张单据", run(&E::unaudActionExecute), &unaudAction},
          {"查找", 'X', "find", "按一定条件查找某张单据", run(&E::findActionExecute), &findAction},
          {"打印", 'Y', "print", "打印此张单据", run(&E::printActionExecute), &printAction},
          sep,
          {"关闭", 'Z', "close", "退出此单据", run(&E::closeActionExecute), &closeAction},
      });
  auto entries = [this](const std::vector<MenuEntry>& menu) {
    std::vector<ToolAction> out;
    for (const MenuEntry& m : menu)
      out.push_back({m.caption, 0, {}, {}, [this, m] { m.run(*this); }});
    return out;
  };
  if (!config_.findMenu.empty()) setToolMenu(*toolBar_, *findAction, entries(config_.findMenu));
  if (!config_.printMenu.empty()) setToolMenu(*toolBar_, *printAction, entries(config_.printMenu));
}

void DocumentEditor::buildHeader() {
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* outer = new QHBoxLayout(frame);
  outer->setContentsMargins(10, 8, 10, 8);

  headerPanel_ = new QWidget(frame);
  auto* grid = new QGridLayout(headerPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(6);
  std::map<int, int> columnOfRow;
  for (const HeaderField& h : config_.header) {
    QWidget* editor = nullptr;
    switch (h.editor) {
      case HeaderEditor::Text: {
        auto* line = new QLineEdit(headerPanel_);
        connect(line, &QLineEdit::textChanged, this,
                [this, f = h.field] { guarded([&] { commitHeaderEditor(f); }); });
        editor = line;
        break;
      }
      case HeaderEditor::Date: {
        auto* date = new QDateEdit(headerPanel_);
        date->setCalendarPopup(true);
        date->setDisplayFormat("yyyy-MM-dd");
        // The earliest date stands for no date and shows blank.
        date->setMinimumDate(QDate(1900, 1, 1));
        date->setSpecialValueText(" ");
        date->setMinimumWidth(120);  // the whole date, also when a spanning field squeezes it
        connect(date, &QDateEdit::dateChanged, this,
                [this, f = h.field] { guarded([&] { commitHeaderEditor(f); }); });
        editor = date;
        break;
      }
      case HeaderEditor::List:
      case HeaderEditor::PickList:
      case HeaderEditor::Suggest: {
        auto* box = new QComboBox(headerPanel_);
        box->setMinimumWidth(h.editor == HeaderEditor::List ? 180 : 130);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        auto commit = [this, f = h.field] { guarded([&] { commitHeaderEditor(f); }); };
        if (h.editor == HeaderEditor::Suggest) {
          box->setEditable(true);
          box->setInsertPolicy(QComboBox::NoInsert);
          connect(box, &QComboBox::editTextChanged, this, commit);
        } else {
          connect(box, &QComboBox::currentIndexChanged, this, commit);
        }
        editor = box;
        break;
      }
      case HeaderEditor::CheckBox: {
        auto* check = new QCheckBox(headerPanel_);
        connect(check, &QCheckBox::toggled, this,
                [this, f = h.field] { guarded([&] { commitHeaderEditor(f); }); });
        editor = check;
        break;
      }
      case HeaderEditor::ReadOnly: {
        auto* line = new QLineEdit(headerPanel_);
        line->setReadOnly(true);
        line->setFocusPolicy(Qt::NoFocus);
        editor = line;
        break;
      }
    }
    QWidget* cell = editor;
    if (h.button) {
      cell = new QWidget(headerPanel_);
      auto* row = new QHBoxLayout(cell);
      row->setContentsMargins(0, 0, 0, 0);
      row->setSpacing(2);
      editor->setParent(cell);
      row->addWidget(editor, 1);
      auto* button = new QToolButton(cell);
      button->setText("…");
      connect(button, &QToolButton::clicked, this,
              [this, run = h.button] { guarded([&] { run(*this); }); });
      row->addWidget(button);
      headerButtons_.insert(h.field.toLower(), button);
    }
    int& column = columnOfRow[h.row];
    auto* label = new QLabel(h.caption, headerPanel_);
    headerLabels_.insert(h.field.toLower(), label);
    grid->addWidget(label, h.row, column++, Qt::AlignRight);
    grid->addWidget(cell, h.row, column++);
    headerEditors_.insert(h.field.toLower(), editor);
  }
  // The last text field of a shorter row (the remark) takes the rest of the row.
  int widest = 0;
  for (const auto& [row, columns] : columnOfRow) widest = std::max(widest, columns);
  std::map<int, const HeaderField*> lastOfRow;
  for (const HeaderField& h : config_.header) lastOfRow[h.row] = &h;
  for (const auto& [row, h] : lastOfRow) {
    const int column = columnOfRow[row] - 1;
    if (h->editor != HeaderEditor::Text || column + 1 >= widest) continue;
    QWidget* editor = headerEditors_.value(h->field.toLower());
    if (h->button) editor = editor->parentWidget();
    grid->removeWidget(editor);
    grid->addWidget(editor, row, column, 1, widest - column);
  }
  outer->addWidget(headerPanel_);
  outer->addStretch(1);

  auto* numberBox = new QVBoxLayout;
  auto* caption = new QLabel(config_.caption, frame);
  QFont capFont = caption->font();
  capFont.setPointSizeF(capFont.pointSizeF() * 1.6);
  capFont.setBold(true);
  caption->setFont(capFont);
  caption->setAlignment(Qt::AlignRight);
  keyNoLabel_ = new QLabel(frame);
  QFont keyFont = keyNoLabel_->font();
  keyFont.setPointSizeF(keyFont.pointSizeF() * 1.5);
  keyFont.setBold(true);
  keyNoLabel_->setFont(keyFont);
  keyNoLabel_->setAlignment(Qt::AlignRight);
  keyNoLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  keyNoLabel_->setStyleSheet("color: #b00000;");
  numberBox->addWidget(caption);
  auto* numberRow = new QHBoxLayout;
  numberRow->addStretch();
  numberRow->addWidget(new QLabel("单据编号", frame));
  numberRow->addWidget(keyNoLabel_);
  numberBox->addLayout(numberRow);
  outer->addLayout(numberBox);
}

void DocumentEditor::prepareDatasets() {
  for (const HeaderField& h : config_.header) {
    if (h.editor != HeaderEditor::List || !h.list) continue;
    mCDS_->addLookupField(h.listName, h.field, dm_.*h.list, h.listKey, h.listName);
  }
  if (config_.newRecord.empty()) {
    if (!config_.dateField.isEmpty()) config_.newRecord.push_back(todayDefault(config_.dateField));
    config_.newRecord.push_back(nowDefault(config_.entryDateField));
    config_.newRecord.push_back(userDefault(config_.userField));
  }
  mCDS_->onNewRecord = [this](Dataset& ds) {
    // An unticked box is stored as false, not as no value.
    for (const HeaderField& h : config_.header)
      if (h.editor == HeaderEditor::CheckBox) ds.fieldByName(h.field).setValue(false);
    for (const FieldDefault& d : config_.newRecord)
      ds.fieldByName(d.field).setValue(d.value(*this));
  };
  if (config_.prepareDatasets) config_.prepareDatasets(*this);
}

void DocumentEditor::installAmount(LineHandlers& handlers) {
  const QString& qty = config_.lineQtyField;
  const QString& price = config_.priceField;
  if (config_.amountField.isEmpty() || qty.isEmpty() || price.isEmpty() || !dCDS_->findField(qty) ||
      !dCDS_->findField(price))
    return;
  Field* amount = dCDS_->findField(config_.amountField);
  if (!amount) {
    amount = &dCDS_->addCalculatedField(
        config_.amountField, protocol::FieldType::Float, [qty, price](const Record& r) {
          return QVariant(r.value(qty).toDouble() * r.value(price).toDouble());
        });
  } else if (amount->kind() == FieldKind::Data) {
    // A view that supplies the amount as it was stored: a changed quantity or price recomputes
    // it in the line.
    for (const QString& f : {qty, price}) {
      handlers[f.toLower()].push_back([this, qty, price](Field& changed) {
        Dataset& d = changed.dataset();
        d.fieldByName(config_.amountField)
            .setValue(d.fieldByName(qty).asFloat() * d.fieldByName(price).asFloat());
      });
    }
  }
  amount->displayFormat = "#,##0.00";
  amount->readOnly = true;
}

void DocumentEditor::installLineRules() {
  LineHandlers handlers;
  installAmount(handlers);
  std::map<QString, std::vector<LineCompletion>> byField;
  for (const LineCompletion& c : config_.completions) byField[c.field.toLower()].push_back(c);
  for (const auto& [name, chain] : byField) {
    handlers[name].push_back([this, chain](Field& field) {
      if (isFilling) return;
      for (const LineCompletion& c : chain) complete(*dCDS_, dm_.pubCDS, c, field.value());
    });
  }
  for (const LineRule& rule : config_.lineRules)
    for (const QString& f : rule.fields)
      handlers[f.toLower()].push_back([this, rule](Field& field) {
        if (rule.apply) rule.apply(field.dataset());
        if (rule.applyInDocument) rule.applyInDocument(*this, field);
      });
  // One handler per field, running what each rule asked for in order.
  for (auto& [name, list] : handlers) {
    Field* f = dCDS_->findField(name);
    if (!f) throw DataError(QString("明细中没有字段 %1").arg(name));
    f->onChange = [list = std::move(list)](Field& field) {
      for (const auto& run : list) run(field);
    };
  }
  for (const LineLookup& l : config_.lookups) {
    Field* f = dCDS_->findField(l.field);
    if (!f) throw DataError(QString("明细中没有字段 %1").arg(l.field));
    f->onChange = [this, l](Field& name) {
      Dataset& list = dm_.*l.list;
      QVariant key;
      for (int r = 0; r < list.recordCount() && !key.isValid(); ++r)
        if (list.valueAt(r, l.listName).toString() == name.asString())
          key = list.valueAt(r, l.listKey);
      name.dataset().fieldByName(l.keyField).setValue(key);
    };
  }
}

void DocumentEditor::formShow() {
  if (shown_) return;
  shown_ = true;
  dataGrid_->applyStyle();
  openEmpty();  // the fields exist before the layout names them
  dataGrid_->applyLayout(dm_.pubCDS, config_.layoutKey);
  limitHeaderEditors();
  layoutWidths_ = dataGrid_->columnWidths();
  {
    const QScopedValueRollback<bool> loading(loadingHeader_, true);
    for (const HeaderField& h : config_.header) {
      auto* box = qobject_cast<QComboBox*>(headerEditor(h.field));
      if (!box) continue;
      box->clear();
      if (h.editor == HeaderEditor::PickList || h.editor == HeaderEditor::Suggest) {
        Dataset& pub = dm_.pubCDS;
        pub.setCommandText(h.valuesSql);
        pub.open();
        for (int r = 0; r < pub.recordCount(); ++r) box->addItem(pub.valueAt(r, "v").toString());
        pub.close();
      } else if (h.list) {
        Dataset& list = dm_.*h.list;
        if (!list.active()) list.open();
        for (int r = 0; r < list.recordCount(); ++r) {
          const QString key = list.valueAt(r, h.listKey).toString();
          box->addItem(key + "  " + list.valueAt(r, h.listName).toString(), key);
        }
      }
      box->setCurrentIndex(-1);
    }
  }
  for (const LineLookup& l : config_.lookups)
    if (!(dm_.*l.list).active()) (dm_.*l.list).open();
  if (config_.setUp) config_.setUp(*this);
  showLast();
}

void DocumentEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) guarded([this] { formShow(); });
}

// ---- header

QWidget* DocumentEditor::headerEditor(const QString& field) const {
  return headerEditors_.value(field.toLower());
}

QAbstractButton* DocumentEditor::headerButton(const QString& field) const {
  return headerButtons_.value(field.toLower());
}

QLabel* DocumentEditor::headerLabel(const QString& field) const {
  return headerLabels_.value(field.toLower());
}

QComboBox* DocumentEditor::headerCombo(const QString& field) const {
  return qobject_cast<QComboBox*>(headerEditor(field));
}

QString DocumentEditor::footerText(const QString& field) const {
  const QLineEdit* e = footer_.value(field);
  return e ? e->text() : QString();
}

bool DocumentEditor::hasDocument() const {
  return mCDS_->active() && !mCDS_->isEmpty();
}

QString DocumentEditor::shownKeyNo() const {
  if (!hasDocument()) return {};
  return mCDS_->fieldByName(config_.keyField).asString();
}

void DocumentEditor::refreshComputed() {
  computedFrom_.clear();
  for (const QString& f : config_.computeOn)
    computedFrom_ << (hasDocument() ? mCDS_->fieldByName(f).value() : QVariant());
  computed_ = config_.computeHeader ? config_.computeHeader(*this) : QVariantMap();
}

void DocumentEditor::loadHeaderEditors() {
  if (loadingHeader_) return;
  const QScopedValueRollback<bool> loading(loadingHeader_, true);
  const bool row = hasDocument();
  auto value = [&](const QString& field) {
    Field* f = row ? mCDS_->findField(field) : nullptr;
    return f ? f->value() : QVariant();
  };
  if (config_.computeHeader) {
    QVariantList from;
    for (const QString& f : config_.computeOn) from << value(f);
    if (from != computedFrom_) refreshComputed();
  }
  for (const HeaderField& h : config_.header) {
    const QVariant v = computed_.contains(h.field) ? computed_.value(h.field) : value(h.field);
    QWidget* w = headerEditor(h.field);
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
      check->setChecked(v.toBool());
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
      // A computed date shows as a date, with its time only when it has one.
      const QString text = v.typeId() != QMetaType::QDateTime ? v.toString()
                           : v.toDateTime().time() == QTime(0, 0)
                               ? v.toDateTime().toString("yyyy-MM-dd")
                               : v.toDateTime().toString("yyyy-MM-dd hh:mm:ss");
      if (line->text() != text) {
        line->setText(text);
        if (line->isReadOnly()) line->setCursorPosition(0);  // a long value shows its start
      }
    } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
      date->setDate(v.isValid() ? v.toDateTime().date() : date->minimumDate());
    } else if (auto* box = qobject_cast<QComboBox*>(w); box && box->isEditable()) {
      if (box->currentText() != v.toString()) box->setEditText(v.toString());
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
      const QString text = v.toString();
      int index = h.editor == HeaderEditor::List ? box->findData(text) : box->findText(text);
      if (index < 0 && !text.isEmpty()) {
        // A stored value that is no longer offered (a warehouse or type since removed) is still
        // shown as it is.
        box->addItem(text, text);
        index = box->count() - 1;
      }
      box->setCurrentIndex(index);
    }
  }
  keyNoLabel_->setText(value(config_.keyField).toString());
  auto stamp = [](const QVariant& v) {
    return v.isValid() ? v.toDateTime().toString("yyyy-MM-dd hh:mm:ss") : QString();
  };
  footer_.value(config_.userField)->setText(value(config_.userField).toString());
  footer_.value(config_.entryDateField)->setText(stamp(value(config_.entryDateField)));
  footer_.value("audName")->setText(value("audName").toString());
  footer_.value("audDate")->setText(stamp(value("audDate")));
}

void DocumentEditor::limitHeaderEditors() {
  for (const HeaderField& h : config_.header) {
    auto* line = qobject_cast<QLineEdit*>(headerEditor(h.field));
    const Field* f = mCDS_->findField(h.field);
    // The server refuses a longer text; the user is stopped while typing instead.
    if (line && f && f->type() == protocol::FieldType::String && f->size() > 0)
      line->setMaxLength(f->size());
    // A quantity typed into the header takes digits only, so no keystroke makes a bad number.
    const bool number =
        f && (f->type() == protocol::FieldType::Decimal ||
              f->type() == protocol::FieldType::Float || f->type() == protocol::FieldType::Integer);
    if (line && number && !line->isReadOnly())
      line->setValidator(new QRegularExpressionValidator(
          QRegularExpression(R"(^(\d{1,13}(\.\d{0,5})?)?$)"), line));
  }
}

void DocumentEditor::commitHeaderEditor(const QString& field) {
  if (loadingHeader_ || state_ == State::Browse || !hasDocument()) return;
  QWidget* w = headerEditor(field);
  QVariant v;
  if (auto* check = qobject_cast<QCheckBox*>(w)) {
    v = check->isChecked();
  } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
    if (line->isReadOnly()) return;
    v = line->text();
  } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
    if (date->date() != date->minimumDate()) v = QDateTime(date->date(), QTime(0, 0));
  } else if (auto* box = qobject_cast<QComboBox*>(w); box && box->isEditable()) {
    v = box->currentText();
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    if (box->currentIndex() >= 0)
      v = box->currentData().isValid() ? box->currentData() : QVariant(box->currentText());
  }
  setIfDifferent(mCDS_->fieldByName(field), v);
}

// ---- reading and states

void DocumentEditor::openDocument(const QVariant& key) {
  // The header is shown once both datasets are open, not while they close and open.
  const QScopedValueRollback<bool> loading(loadingHeader_, true);
  mCDS_->close();
  mCDS_->setCommandText(
      QString("select * from %1 where %2 = :keyNo").arg(config_.masterView, config_.keyField));
  mCDS_->params().byName("keyNo").value = key;
  mCDS_->open();
  dCDS_->close();
  dCDS_->setCommandText(QString("select * from %1 where %2 = :keyNo order by %3")
                            .arg(config_.detailView, config_.keyField, config_.detailOrder));
  dCDS_->params().byName("keyNo").value = key;
  dCDS_->open();
  installLineRules();
}

void DocumentEditor::loadDoc(const QString& keyNo) {
  openDocument(keyNo.isNull() ? QVariant() : QVariant(keyNo));
  fitColumns();
  setState(State::Browse);
  // What the computed fields come from may have changed since they were last read.
  if (config_.computeHeader) refreshComputed();
  loadHeaderEditors();
  if (config_.afterLoad) config_.afterLoad(*this);
}

void DocumentEditor::fitColumns() {
  if (!settings().autoColWidth) return;
  // Fitted to no lines at all every column would shrink to its title: keep the layout instead.
  if (dCDS_->isEmpty())
    dataGrid_->setColumnWidths(layoutWidths_);
  else
    dataGrid_->fitColumnsToContent();
}

void DocumentEditor::openEmpty() {
  openDocument(config_.emptyMarker);
  loadHeaderEditors();
  if (config_.afterLoad) config_.afterLoad(*this);
}

void DocumentEditor::setState(State state) {
  const bool browse = state == State::Browse;
  for (QAction* a : {firstAction, priorAction, nextAction, lastAction, newAction, editAction,
                     delAction, findAction, audAction, unaudAction})
    a->setEnabled(browse);
  for (QAction* a : {addAction, minuAction, saveAction, cancelAction}) a->setEnabled(!browse);
  headerPanel_->setEnabled(!browse);
  dataGrid_->setReadOnly(browse);
  if (browse) {
    isNew = false;
    isEdit = false;
  }
  state_ = state;
}

void DocumentEditor::setNavState(NavState nav) {
  const bool backward = nav != NavState::AtFirst;
  const bool forward = nav != NavState::AtLast;
  firstAction->setEnabled(backward);
  priorAction->setEnabled(backward);
  nextAction->setEnabled(forward);
  lastAction->setEnabled(forward);
}

// ---- navigation

QVariant DocumentEditor::navigate(QString sql, bool withKey) {
  const NavigationScope scope =
      config_.navigationScope ? config_.navigationScope(*this) : NavigationScope{};
  if (!scope.condition.isEmpty())
    sql += (withKey ? QString(" and ") : QString(" where ")) + scope.condition;
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText(sql);
  if (withKey) pub.params().byName("p").value = hasDocument() ? QVariant(shownKeyNo()) : QVariant();
  for (auto it = scope.values.cbegin(); it != scope.values.cend(); ++it)
    pub.params().byName(it.key()).value = it.value();
  pub.open();
  const QVariant v = pub.isEmpty() ? QVariant() : pub.fieldByName("dNo").value();
  pub.close();
  return v;
}

void DocumentEditor::firstActionExecute() {
  const QVariant no = navigate(
      QString("select min(%1) as dNo from %2 ").arg(config_.keyField, config_.masterTable), false);
  if (!no.isValid()) return;
  loadDoc(no.toString());
  setNavState(NavState::AtFirst);
}

void DocumentEditor::priorActionExecute() {
  const QVariant no = navigate(QString("select max(%1) as dNo from %2 where %1 < :p ")
                                   .arg(config_.keyField, config_.masterTable),
                               true);
  if (!no.isValid()) {
    setNavState(NavState::AtFirst);
    return;
  }
  loadDoc(no.toString());
  setNavState(NavState::Middle);
}

void DocumentEditor::nextActionExecute() {
  const QVariant no = navigate(QString("select min(%1) as dNo from %2 where %1 > :p ")
                                   .arg(config_.keyField, config_.masterTable),
                               true);
  if (!no.isValid()) {
    setNavState(NavState::AtLast);
    return;
  }
  loadDoc(no.toString());
  setNavState(NavState::Middle);
}

void DocumentEditor::showLast() {
  const QVariant no = navigate(
      QString("select max(%1) as dNo from %2").arg(config_.keyField, config_.masterTable), false);
  // An empty table shows an empty screen.
  loadDoc(no.isValid() ? no.toString() : QString());
  setNavState(NavState::AtLast);
}

void DocumentEditor::lastActionExecute() {
  showLast();
}

// ---- entering

void DocumentEditor::newActionExecute() {
  if (config_.beforeNew && !config_.beforeNew(*this)) return;
  openEmpty();
  mCDS_->append();
  mCDS_->post();
  isNew = true;
  fitColumns();
  setState(State::New);
  loadHeaderEditors();
}

void DocumentEditor::editActionExecute() {
  if (!hasDocument()) return;  // nothing shown: nothing to change
  if (refuseAudited()) return;
  isEdit = true;
  setState(State::Edit);
}

void DocumentEditor::addActionExecute() {
  if (config_.addLine)
    config_.addLine(*this);
  else
    appendLine();
}

void DocumentEditor::appendLine() {
  dataGrid_->commitEdit();
  dCDS_->checkBrowseMode();
  dCDS_->append();
  dCDS_->post();
}

void DocumentEditor::minuActionExecute() {
  if (dCDS_->state() == Dataset::State::Insert) {
    dCDS_->cancel();
    return;
  }
  if (!dCDS_->isEmpty()) dCDS_->remove();
}

bool DocumentEditor::refuseAudited() {
  if (!mCDS_->fieldByName("audited").asBoolean()) return false;
  prompter().message(config_.audited.message, config_.audited.icon);
  return true;
}

bool DocumentEditor::validateDoc() {
  const RequiredFields& required = config_.headerCheck;
  bool complete = true;
  for (const QString& f : required.fields)
    complete = complete && !mCDS_->fieldByName(f).asString().trimmed().isEmpty();
  for (const QString& f : required.nonZero)
    complete = complete && !mCDS_->fieldByName(f).isNull() && mCDS_->fieldByName(f).asFloat() != 0;
  if (!complete) {
    prompter().message(required.message, Prompter::Icon::Warning);
    return false;
  }
  dCDS_->checkBrowseMode();
  if (dCDS_->isEmpty()) {
    prompter().message(kLinesEmpty, Prompter::Icon::Warning);
    return false;
  }
  for (int r = 0; r < dCDS_->recordCount() && !config_.lineNumberField.isEmpty(); ++r) {
    // Without a quantity field a line needs only its number (a process card's work step).
    const bool noQty =
        !config_.lineQtyField.isEmpty() && dCDS_->valueAt(r, config_.lineQtyField).toDouble() == 0;
    const QString number = dCDS_->valueAt(r, config_.lineNumberField).toString().trimmed();
    if (noQty || number.isEmpty()) {
      dCDS_->moveTo(r);
      prompter().message(config_.lineMessage, Prompter::Icon::Warning);
      return false;
    }
  }
  return !config_.validate || config_.validate(*this);
}

QString DocumentEditor::nextNumber() {
  return nextKeyNo(config_.numbering, dm_.pubCDS);
}

void DocumentEditor::writeNumber(const QString& keyNo) {
  setIfDifferent(mCDS_->fieldByName(config_.keyField), keyNo);
  mCDS_->checkBrowseMode();
  for (int r = 0; r < dCDS_->recordCount(); ++r) {
    dCDS_->moveTo(r);
    setIfDifferent(dCDS_->fieldByName(config_.itemField), r + 1);
    setIfDifferent(dCDS_->fieldByName(config_.keyField), keyNo);
    dCDS_->checkBrowseMode();
  }
  numberNewLines();
  if (config_.numberLines) config_.numberLines(*this);
  dCDS_->checkBrowseMode();
}

void DocumentEditor::numberNewLines() {
  numbered_.clear();
  const LineNumbers& n = config_.lineNumbers;
  if (n.field.isEmpty()) return;
  QString last;
  for (int r = 0; r < dCDS_->recordCount(); ++r) {
    dCDS_->moveTo(r);
    Field& f = dCDS_->fieldByName(n.field);
    // A line keeps its number once it has one: other documents refer to it.
    if (!f.asString().trimmed().isEmpty()) continue;
    numbered_.emplace_back(r, f.value());
    last = last.isEmpty() ? n.generate(*this).trimmed()
                          : successorNumber(last, n.width, n.prefixLength);
    setIfDifferent(f, last);
    dCDS_->checkBrowseMode();
  }
}

void DocumentEditor::takeBackNumbers(const QVariant& keyNo) {
  dCDS_->checkBrowseMode();
  for (const auto& [row, former] : numbered_) {
    dCDS_->moveTo(row);
    setIfDifferent(dCDS_->fieldByName(config_.lineNumbers.field), former);
    dCDS_->checkBrowseMode();
  }
  numbered_.clear();
  if (isEdit) return;
  setIfDifferent(mCDS_->fieldByName(config_.keyField), keyNo);
  mCDS_->checkBrowseMode();
  for (int r = 0; r < dCDS_->recordCount(); ++r) {
    dCDS_->moveTo(r);
    setIfDifferent(dCDS_->fieldByName(config_.keyField), keyNo);
    dCDS_->checkBrowseMode();
  }
}

ServerReply DocumentEditor::sendChanges(bool* sent) {
  const ServerTable& m = config_.saveMaster;
  const ServerTable& d = config_.saveDetail;
  const int changedMaster = mCDS_->changeCount();
  const int changedLines = dCDS_->changeCount();
  *sent = true;
  if (changedMaster > 0 && changedLines > 0)
    return dm_.updateData(*mCDS_, m.table, m.key1, m.key2, *dCDS_, d.table, d.key1, d.key2);
  if (changedMaster > 0) return dm_.updateBasData(*mCDS_, m.table, m.key1, m.key2);
  if (changedLines > 0) return dm_.updateBasData(*dCDS_, d.table, d.key1, d.key2);
  *sent = false;
  return {};
}

bool DocumentEditor::isDuplicateNumber(const ServerReply& reply) const {
  if (reply.code != protocol::code::kDuplicate) return false;
  auto is = [&](const ServerTable& t) {
    return reply.table.compare(t.table, Qt::CaseInsensitive) == 0;
  };
  return (!isEdit && is(config_.saveMaster)) || (!numbered_.empty() && is(config_.saveDetail));
}

bool DocumentEditor::saveDoc() {
  dataGrid_->commitEdit();
  mCDS_->checkBrowseMode();
  dCDS_->checkBrowseMode();
  // Lines a screen filtered out of view are still checked, numbered and saved.
  dCDS_->clearFilter();
  if (!validateDoc()) return false;
  ServerReply reply;
  bool sent = false;
  {
    const FrozenDisplay frozen(dataGrid_->view());
    const int currentLine = dCDS_->currentRow();
    const QVariant formerKey = mCDS_->fieldByName(config_.keyField).value();
    try {
      for (int attempt = 0;; ++attempt) {
        writeNumber(isEdit ? shownKeyNo() : nextNumber());
        reply = sendChanges(&sent);
        if (!sent || reply.ok()) break;
        // Another user may have stored the same number since it was read: number again rather
        // than make the user retype the document.
        const bool again = attempt < kNumberRetries && isDuplicateNumber(reply);
        // Numbers a failed save gave are taken back, so the next save asks afresh and never
        // collides with numbers it gave itself.
        takeBackNumbers(formerKey);
        if (!again) break;
      }
    } catch (...) {
      takeBackNumbers(formerKey);
      throw;
    }
    numbered_.clear();
    if (currentLine >= 0 && currentLine < dCDS_->recordCount()) dCDS_->moveTo(currentLine);
  }
  if (!sent) return false;
  prompter().message(reply.text);
  if (!reply.ok()) return false;
  mCDS_->mergeChangeLog();
  dCDS_->mergeChangeLog();
  setState(State::Browse);
  loadHeaderEditors();
  return true;
}

void DocumentEditor::saveActionExecute() {
  saveDoc();
}

void DocumentEditor::cancelActionExecute() {
  if (isEdit) {
    loadDoc(shownKeyNo());
  } else {
    mCDS_->close();
    dCDS_->close();
    showLast();
  }
  setState(State::Browse);
}

// ---- delete, audit

void DocumentEditor::delActionExecute() {
  if (!hasDocument()) return;
  // An audited document is settled: it goes only after its audit is withdrawn (in the screen's
  // own words where it has them for editing and deleting alike).
  if (config_.audited.refuseDelete) {
    if (refuseAudited()) return;
  } else if (mCDS_->fieldByName("audited").asBoolean()) {
    prompter().message(kAuditedNoDelete, Prompter::Icon::Stop);
    return;
  }
  if (prompter().choose(kConfirmDelete, {"确定", "取消"}, Prompter::Icon::Question) != 0) return;
  const QString kept = shownKeyNo();
  dCDS_->clearFilter();  // hidden lines go with the document, not left behind without it
  while (!dCDS_->isEmpty()) {
    dCDS_->first();
    dCDS_->remove();
  }
  mCDS_->remove();
  const ServerTable& cfgM =
      config_.deleteMaster.table.isEmpty() ? config_.saveMaster : config_.deleteMaster;
  const ServerTable& cfgD =
      config_.deleteDetail.table.isEmpty() ? config_.saveDetail : config_.deleteDetail;
  QString reply;
  if (dCDS_->changeCount() > 0 && config_.deleteMasterFirst) {
    reply = dm_.updateData(*mCDS_, cfgM.table, cfgM.key1, cfgM.key2, *dCDS_, cfgD.table, cfgD.key1,
                           cfgD.key2);
  } else if (dCDS_->changeCount() > 0) {
    reply = dm_.updateData(*dCDS_, cfgD.table, cfgD.key1, cfgD.key2, *mCDS_, cfgM.table, cfgM.key1,
                           cfgM.key2);
  } else {
    // A document without lines is still deleted on the server, not only from the screen.
    reply = dm_.updateBasData(*mCDS_, cfgM.table, cfgM.key1, cfgM.key2);
  }
  prompter().message(reply);
  if (reply == "OK") {
    showLast();
  } else {
    loadDoc(kept);
  }
}

void DocumentEditor::executeAudit(const QString& sql, bool withUser) {
  const QString keyNo = shownKeyNo();
  const QDateTime stamp = nowToTheSecond();
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText(sql);
  if (withUser) {
    pub.params().byName("p1").value = dm_.userName;
    pub.params().byName("p2").value = stamp;
  }
  pub.params().byName("c1").value = keyNo;
  pub.execute();
  if (pub.rowsAffected() == 0) {
    // Deleted meanwhile by someone else: saying it was audited would be false.
    prompter().message(kDocumentGone, Prompter::Icon::Warning);
    return;
  }
  // Mirrored into the shown record only; the server already holds it.
  mCDS_->edit();
  mCDS_->fieldByName("audName").setValue(withUser ? QVariant(dm_.userName) : QVariant(""));
  mCDS_->fieldByName("audDate").setValue(withUser ? QVariant(stamp) : QVariant());
  mCDS_->fieldByName("audited").setValue(withUser);
  mCDS_->post();
  mCDS_->mergeChangeLog();
  loadHeaderEditors();
}

void DocumentEditor::audActionExecute() {
  if (!hasDocument()) return;
  if (mCDS_->fieldByName("audited").asBoolean()) {
    prompter().message(kAlreadyAudited, Prompter::Icon::Information);
    return;
  }
  executeAudit(QString("update %1 set audName = :p1,audDate = :p2,audited = 1 where %2 = :c1")
                   .arg(config_.masterTable, config_.keyField),
               true);
}

void DocumentEditor::unaudActionExecute() {
  if (!hasDocument()) return;
  executeAudit(QString("update %1 set audName = '',audDate = null ,audited = 0 where %2 = :c1")
                   .arg(config_.masterTable, config_.keyField),
               false);
}

// ---- find, print, close

void DocumentEditor::findActionExecute() {
  const auto row = Tsys_qryForm::find(this, config_.find.caption, config_.find.queryId);
  if (!row) return;
  for (auto it = row->begin(); it != row->end(); ++it) {
    if (it.key().compare(config_.keyField, Qt::CaseInsensitive) == 0) {
      loadDoc(it.value().toString());
      return;
    }
  }
}

void DocumentEditor::findByGsNo(const QString& table) {
  TgsNoForm dlg(this);
  if (desktop().exec(dlg) != QDialog::Accepted) return;
  const QString keyNo = dm_.findKeyNoByGsNo(table, dlg.gsNo()).trimmed();
  if (keyNo.isEmpty()) {
    prompter().message(kNoSuchGsNo, Prompter::Icon::Stop, QApplication::applicationDisplayName());
    return;
  }
  loadDoc(keyNo);
}

void DocumentEditor::printActionExecute() {
  Tsys_reportForm dlg(this);
  dlg.category = config_.printCategory;
  dlg.treeMode = false;
  if (!config_.masterReportName.isEmpty()) dlg.addDataset(config_.masterReportName, *mCDS_);
  if (!config_.detailReportName.isEmpty()) dlg.addDataset(config_.detailReportName, *dCDS_);
  dlg.loadReports();
  desktop().exec(dlg);
}

bool DocumentEditor::canClose() {
  return (!isNew && !isEdit) || confirmClose();
}

void DocumentEditor::closeActionExecute() {
  if (!canClose()) return;
  closed_ = true;
  QDialog::reject();
}

void DocumentEditor::reject() {
  if (closed_ || canClose()) {
    closed_ = true;
    QDialog::reject();
  }
}

// ---- pickers

void DocumentEditor::runPicker(const QString& field) {
  if (state_ == State::Browse) return;
  const LinePicker* picker = nullptr;
  for (const LinePicker& p : config_.pickers)
    if (p.field.compare(field, Qt::CaseInsensitive) == 0) picker = &p;
  if (!picker) return;
  const std::vector<QVariantMap> rows =
      picker->source ? picker->source(this, *picker)
                     : Tsys_qryForm::pick(this, picker->caption, picker->queryId);
  if (rows.empty()) return;
  const FillingFlag filling(isFilling, picker->setFilling);
  dCDS_->checkBrowseMode();
  // The empty line the user has just added (增行, then the picker) takes the first row; left
  // behind empty, it would only stop the save.
  const Field* number = dCDS_->findField(config_.lineNumberField);
  bool fillCurrent = number && !dCDS_->isEmpty() && number->asString().trimmed().isEmpty();
  for (const QVariantMap& row : rows) {
    const bool append = !std::exchange(fillCurrent, false) &&
                        (picker->append == PickAppend::Always ||
                         (picker->append == PickAppend::WhenNew && !isEdit) ||
                         dCDS_->isEmpty());  // nothing to overwrite: the row becomes a line
    if (append) {
      dCDS_->append();
    } else {
      dCDS_->edit();
    }
    copyInto(*dCDS_, row, picker->copies);
    dCDS_->post();
  }
}

}  // namespace qk::client

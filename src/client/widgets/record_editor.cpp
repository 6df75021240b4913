#include "client/widgets/record_editor.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/values.h"
#include "client/widgets/tool_action.h"

namespace qk::client {

namespace {

constexpr const char* kConfirmRecordDelete = "确定要删除这条记录吗？";
const QDate kNoDate(1900, 1, 1);  // the date editor's minimum stands for "no date"

}  // namespace

RecordEditor::RecordEditor(QWidget* parent) : QWidget(parent) {
  bar_ = newToolBar(this);
  addToolActions(*bar_, {
                            {"首条", 0, "first", {}, [this] { firstRecord(); }, &firstAction},
                            {"前条", 0, "prior", {}, [this] { priorRecord(); }, &priorAction},
                            {"下条", 0, "next", {}, [this] { nextRecord(); }, &nextAction},
                            {"末条", 0, "last", {}, [this] { lastRecord(); }, &lastAction},
                            ToolAction::separator(),
                            {"增加", 0, "new", {}, [this] { insertRecord(); }, &insertAction},
                            {"修改", 0, "edit", {}, [this] { editRecord(); }, &editAction},
                            {"删除", 0, "delete", {}, [this] { deleteRecord(); }, &deleteAction},
                            {"保存", 0, "save", {}, [this] { postRecord(); }, &postAction},
                            {"取消", 0, "cancel", {}, [this] { cancelRecord(); }, &cancelAction},
                        });
  form_ = new QFormLayout;
  form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar_);
  layout->addLayout(form_);
  layout->addStretch(1);
  refresh();
}

RecordEditor::~RecordEditor() = default;

void RecordEditor::setRows(std::vector<RecordEditorRow> rows) {
  rows_.clear();
  for (RecordEditorRow& def : rows) rows_.push_back({std::move(def), nullptr});
  rebuild();
}

void RecordEditor::setDataset(Dataset* ds) {
  if (ds_) disconnect(ds_, nullptr, this, nullptr);
  ds_ = ds;
  if (ds_) {
    // Our own writes (commit, edit) change the dataset too; they must not overwrite the editors.
    connect(ds_, &Dataset::changed, this, [this] {
      if (!loading_) refresh();
    });
    connect(ds_, &Dataset::currentChanged, this, [this] {
      if (!loading_) refresh();
    });
  }
  rebuild();
}

void RecordEditor::rebuild() {
  while (form_->rowCount() > 0) form_->removeRow(0);
  for (Row& row : rows_) {
    QWidget* w = nullptr;
    switch (row.def.kind) {
      case RecordEditorKind::Text:
      case RecordEditorKind::ReadOnly: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(row.def.kind == RecordEditorKind::ReadOnly);
        connect(edit, &QLineEdit::textEdited, this, [this] { startEdit(); });
        w = edit;
        break;
      }
      case RecordEditorKind::Date: {
        auto* edit = new QDateEdit(this);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat("yyyy-MM-dd");
        edit->setMinimumDate(kNoDate);
        edit->setSpecialValueText(" ");
        connect(edit, &QDateEdit::dateChanged, this, [this] {
          if (!loading_) startEdit();
        });
        w = edit;
        break;
      }
      case RecordEditorKind::PickList:
      case RecordEditorKind::Lookup: {
        auto* box = new QComboBox(this);
        box->setEditable(row.def.kind == RecordEditorKind::PickList);
        box->setMaxVisibleItems(20);
        connect(box, &QComboBox::activated, this, [this] { startEdit(); });
        if (box->isEditable())
          connect(box, &QComboBox::editTextChanged, this, [this] {
            if (!loading_) startEdit();
          });
        w = box;
        break;
      }
    }
    w->setObjectName(row.def.field);
    row.widget = w;
    fillList(row);
    form_->addRow(row.def.caption, w);
  }
  refresh();
}

void RecordEditor::fillList(Row& row) {
  auto* box = qobject_cast<QComboBox*>(row.widget);
  Dataset* list = row.def.list;
  if (!box || !list || !list->active()) return;
  const bool wasLoading = loading_;
  loading_ = true;
  box->clear();
  for (int r = 0; r < list->recordCount(); ++r) {
    const QString text = list->valueAt(r, row.def.listField).toString();
    if (row.def.kind == RecordEditorKind::Lookup)
      box->addItem(text, list->valueAt(r, row.def.listKey));
    else
      box->addItem(text);
  }
  loading_ = wasLoading;
}

QWidget* RecordEditor::editor(const QString& field) const {
  for (const Row& row : rows_)
    if (row.def.field.compare(field, Qt::CaseInsensitive) == 0) return row.widget;
  return nullptr;
}

QString RecordEditor::valueText(const Row& row) const {
  if (!ds_ || !ds_->active() || (ds_->isEmpty() && ds_->state() == Dataset::State::Browse))
    return {};
  const Field* f = ds_->findField(row.def.field);
  if (!f) return {};
  const QVariant v = f->value();
  if (isNullValue(v)) return {};
  if (f->type() == protocol::FieldType::DateTime) {
    const QDateTime dt = f->asDateTime();
    return dt.time() == QTime(0, 0) ? dt.date().toString("yyyy-MM-dd") : dateTimeText(dt);
  }
  return qk::client::valueText(v);
}

QString RecordEditor::widgetText(const Row& row) const {
  if (auto* edit = qobject_cast<QLineEdit*>(row.widget)) return edit->text();
  if (auto* date = qobject_cast<QDateEdit*>(row.widget))
    return date->date() == kNoDate ? QString() : date->date().toString("yyyy-MM-dd");
  if (auto* box = qobject_cast<QComboBox*>(row.widget)) return box->currentText();
  return {};
}

void RecordEditor::setWidgetText(Row& row, const QString& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(row.widget)) {
    edit->setText(text);
  } else if (auto* date = qobject_cast<QDateEdit*>(row.widget)) {
    const QDate d = QDate::fromString(text.left(10), "yyyy-MM-dd");
    date->setDate(d.isValid() ? d : kNoDate);
  } else if (auto* box = qobject_cast<QComboBox*>(row.widget)) {
    if (box->isEditable()) {
      box->setCurrentText(text);
    } else {
      box->setCurrentIndex(box->findText(text));
    }
  }
}

void RecordEditor::setEditorText(const QString& field, const QString& text) {
  for (Row& row : rows_) {
    if (row.def.field.compare(field, Qt::CaseInsensitive) != 0) continue;
    if (row.def.kind == RecordEditorKind::ReadOnly) return;
    startEdit();
    const bool wasLoading = loading_;
    loading_ = true;
    setWidgetText(row, text);
    loading_ = wasLoading;
  }
}

QString RecordEditor::editorText(const QString& field) const {
  for (const Row& row : rows_)
    if (row.def.field.compare(field, Qt::CaseInsensitive) == 0) return widgetText(row);
  return {};
}

void RecordEditor::startEdit() {
  if (loading_ || !ds_ || !ds_->active() || ds_->isEmpty()) return;
  touched_ = true;
  if (ds_->state() == Dataset::State::Browse) {
    loading_ = true;
    try {
      ds_->edit();
    } catch (...) {
      loading_ = false;
      throw;
    }
    loading_ = false;
  }
  // Only the bar: the editors may hold typing not yet written into the record.
  updateActions();
}

void RecordEditor::commit() {
  if (!ds_ || !ds_->active()) return;
  loading_ = true;
  try {
    for (Row& row : rows_) {
      if (row.def.kind == RecordEditorKind::ReadOnly) continue;
      const QString text = widgetText(row);
      if (text == valueText(row)) continue;
      if (ds_->state() == Dataset::State::Browse) {
        if (ds_->isEmpty()) break;
        ds_->edit();
      }
      if (row.def.kind == RecordEditorKind::Lookup) {
        auto* box = static_cast<QComboBox*>(row.widget);
        ds_->fieldByName(row.def.keyField).setValue(box->currentData());
      } else if (row.def.kind == RecordEditorKind::Date) {
        const QDate d = QDate::fromString(text, "yyyy-MM-dd");
        ds_->fieldByName(row.def.field)
            .setValue(d.isValid() ? QVariant(d.startOfDay()) : QVariant());
      } else {
        ds_->fieldByName(row.def.field).setValue(text.isEmpty() ? QVariant() : QVariant(text));
      }
    }
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
}

void RecordEditor::refresh() {
  const bool active = ds_ && ds_->active();
  const bool editing =
      active && (ds_->state() == Dataset::State::Edit || ds_->state() == Dataset::State::Insert);
  const bool hasRecord = active && (!ds_->isEmpty() || editing);
  loading_ = true;
  for (Row& row : rows_) {
    if (auto* edit = qobject_cast<QLineEdit*>(row.widget); edit && active) {
      const Field* f = ds_->findField(row.def.field);
      if (f && f->type() == protocol::FieldType::String && f->size() > 0)
        edit->setMaxLength(f->size());
    }
    setWidgetText(row, valueText(row));
    row.widget->setEnabled(hasRecord);
  }
  loading_ = false;
  updateActions();
}

void RecordEditor::updateActions() {
  const bool active = ds_ && ds_->active();
  const bool editing =
      active && (ds_->state() == Dataset::State::Edit || ds_->state() == Dataset::State::Insert);
  const bool browsing = active && !editing;
  const int n = active ? ds_->recordCount() : 0;
  firstAction->setEnabled(n > 1);
  priorAction->setEnabled(n > 1);
  nextAction->setEnabled(n > 1);
  lastAction->setEnabled(n > 1);
  insertAction->setEnabled(active);
  editAction->setEnabled(browsing && n > 0);
  deleteAction->setEnabled(active && n > 0);
  postAction->setEnabled(editing);
  cancelAction->setEnabled(editing);
}

bool RecordEditor::leaveRecord() {
  if (!ds_ || !ds_->active()) return false;
  const bool editing =
      ds_->state() == Dataset::State::Edit || ds_->state() == Dataset::State::Insert;
  if (editing && touched_) {
    // Typed work is saved the way 保存 saves it, so the screen sends it; the move waits for that.
    postRecord();
  } else if (editing) {
    ds_->cancel();  // a new record nobody typed into is not a record
  }
  return true;
}

void RecordEditor::firstRecord() {
  if (leaveRecord()) ds_->first();
}
void RecordEditor::priorRecord() {
  if (leaveRecord()) ds_->prior();
}
void RecordEditor::nextRecord() {
  if (leaveRecord()) ds_->next();
}
void RecordEditor::lastRecord() {
  if (leaveRecord()) ds_->last();
}

void RecordEditor::insertRecord() {
  if (!leaveRecord()) return;
  ds_->append();
  touched_ = false;
}

void RecordEditor::editRecord() {
  if (!ds_ || !ds_->active() || ds_->isEmpty()) return;
  ds_->edit();
  touched_ = false;
}

void RecordEditor::deleteRecord() {
  if (!ds_ || !ds_->active() || ds_->isEmpty()) return;
  if (!prompter().confirm(kConfirmRecordDelete)) return;
  ds_->remove();
  emit recordDeleted();
}

void RecordEditor::postRecord() {
  if (!ds_ || !ds_->active()) return;
  commit();
  if (ds_->state() == Dataset::State::Browse) return;
  ds_->post();
  touched_ = false;
  refresh();
  emit recordPosted();
}

void RecordEditor::cancelRecord() {
  if (!ds_ || !ds_->active()) return;
  ds_->cancel();
  touched_ = false;
  refresh();
}

}  // namespace qk::client

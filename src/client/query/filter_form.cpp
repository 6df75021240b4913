#include "client/query/filter_form.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/prompter.h"
#include "client/widgets/grid_style.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

QString quoted(const QString& text) {
  QString s = text;
  s.replace('\'', "''");
  return "'" + s + "'";
}

namespace {

enum Column { kField, kOperator, kValue };

QString sqlDateTime(const QDate& d, const char* time) {
  return "'" + d.toString("yyyy-MM-dd") + " " + time + "'";
}

// Value pick lists and date editors for the grid; the dialog keeps the rows.
class ConditionDelegate : public QStyledItemDelegate {
 public:
  explicit ConditionDelegate(TfilterForm* form) : QStyledItemDelegate(form), form_(form) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    const auto& rows = form_->rows();
    if (index.row() >= static_cast<int>(rows.size()))
      return QStyledItemDelegate::createEditor(parent, option, index);
    if (index.column() == kField || index.column() == kOperator) {
      auto* combo = new QComboBox(parent);
      combo->addItems(index.column() == kField ? form_->fieldCaptions()
                                               : QStringList{""} + operatorWords());
      return combo;
    }
    if (rows[index.row()].type.trimmed().toLower() == "date") {
      auto* edit = new QDateEdit(parent);
      edit->setCalendarPopup(true);
      edit->setDisplayFormat("yyyy-MM-dd");
      return edit;
    }
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->addItems(form_->valuePickList());
    return combo;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* date = qobject_cast<QDateEdit*>(editor)) {
      const QDate d = parseConditionDate(text);
      date->setDate(d.isValid() ? d : QDate::currentDate());
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
      if (combo->isEditable())
        combo->setEditText(text);
      else
        combo->setCurrentIndex(std::max(0, combo->findText(text)));
    }
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* date = qobject_cast<QDateEdit*>(editor))
      model->setData(index, date->date().toString("yyyy-MM-dd"));
    else if (auto* combo = qobject_cast<QComboBox*>(editor))
      model->setData(index, combo->currentText());
  }

 private:
  TfilterForm* form_;
};

}  // namespace

const QStringList& operatorWords() {
  static const QStringList words{"等于", "不等于", "大于", "大于等于", "小于", "小于等于", "包含"};
  return words;
}

QString operatorChr(const QString& op) {
  static const QStringList sql{" = ", " <> ", " > ", " >= ", " < ", " <= ", " like "};
  const qsizetype i = operatorWords().indexOf(op);
  return i < 0 ? QString() : sql[i];
}

QString linkChr(const QString& logic) {
  if (logic == "并且") return " and ";
  if (logic == "或者") return " or ";
  return {};
}

QDate parseConditionDate(const QString& text) {
  const QString t = text.trimmed();
  for (const char* format : {"yyyy-MM-dd", "yyyy-M-d", "yyyy/M/d", "yyyy.M.d", "yyyyMMdd",
                             "yyyy-MM-dd HH:mm:ss", "yyyy/M/d H:mm:ss", "yyyy/M/d H:mm"}) {
    const QDate d = QDateTime::fromString(t, format).date();
    if (d.isValid()) return d;
    const QDate plain = QDate::fromString(t, format);
    if (plain.isValid()) return plain;
  }
  return {};
}

TfilterForm::TfilterForm(DataModule& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
  setWindowTitle("设置筛选条件");
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {{"确定", 0, "select", "按这些条件查询",
                         [this] {
                           if (qryActionExecute()) accept();
                         }},
                        {"关闭", 0, "close", "不查询，关闭", [this] { reject(); }}});

  condGrid_ = new QTableWidget(0, 3, this);
  condGrid_->setHorizontalHeaderLabels({"字段名", "比较关系", "条件 "});
  condGrid_->horizontalHeader()->setStretchLastSection(true);
  condGrid_->setColumnWidth(kField, 140);
  condGrid_->setColumnWidth(kOperator, 90);
  condGrid_->verticalHeader()->setDefaultSectionSize(24);
  condGrid_->setItemDelegate(new ConditionDelegate(this));
  condGrid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  condGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(condGrid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    QMenu menu(this);
    menu.addAction("增行", this, [this] { addRow(); });
    menu.addAction("删行", this, [this] { deleteRow(); });
    menu.exec(condGrid_->viewport()->mapToGlobal(pos));
  });
  connect(condGrid_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previous, int) {
            if (row != previous) setCurrentRow(row);
          });
  connect(condGrid_, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { syncFromGrid(item); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(bar);
  layout->addWidget(condGrid_);
  fitToScreen(*this, QSize(520, 380));
  try {
    applyGridStyle(condGrid_);
  } catch (const DataError&) {
    // an unreadable style setting was reported when the settings were loaded
  }
}

void TfilterForm::load(const QDate& today) {
  loading_ = true;
  rows_.clear();
  captions_.clear();
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText(
      "select * from sys_filter where showIncondition = 1 and tableName = :id order by ord");
  pub.params().byName("id").value = queryId;
  pub.open();
  const QDate first(today.year(), today.month(), 1);
  for (pub.first(); !pub.eof(); pub.next()) {
    Condition c;
    c.fieldName = pub.fieldByName("fieldCName").asString();
    c.fieldEngName = pub.fieldByName("fieldName").asString();
    c.type = pub.fieldByName("type").asString();
    c.logic = "并且";
    captions_ << c.fieldName;
    const QString type = c.type.trimmed().toLower();
    if (type == "date") {
      Condition from = c, to = c;
      from.op = "大于等于";
      from.setValue = first.toString("yyyy-MM-dd");
      to.op = "小于等于";
      to.setValue = today.toString("yyyy-MM-dd");
      rows_.push_back(from);
      rows_.push_back(to);
      continue;
    }
    if (type == "char")
      c.op = "包含";
    else if (type == "float" || type == "int" || type == "bit")
      c.op = "等于";
    rows_.push_back(c);
  }
  if (rows_.empty()) rows_.push_back(Condition{});
  rows_.back().logic.clear();
  rebuildGrid();
  loading_ = false;
  setCurrentRow(static_cast<int>(rows_.size()) - 1);
}

void TfilterForm::rebuildGrid() {
  const bool wasLoading = loading_;
  loading_ = true;
  condGrid_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    condGrid_->setItem(r, kField, new QTableWidgetItem(rows_[r].fieldName));
    condGrid_->setItem(r, kOperator, new QTableWidgetItem(rows_[r].op));
    condGrid_->setItem(r, kValue, new QTableWidgetItem(rows_[r].setValue));
  }
  loading_ = wasLoading;
}

void TfilterForm::syncFromGrid(QTableWidgetItem* item) {
  if (loading_ || !item || item->row() >= static_cast<int>(rows_.size())) return;
  Condition& c = rows_[item->row()];
  switch (item->column()) {
    case kField:
      if (item->text() != c.fieldName) chooseField(item->row(), item->text());
      break;
    case kOperator:
      c.op = item->text();
      break;
    default:
      c.setValue = item->text();
      break;
  }
}

void TfilterForm::setCurrentRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) {
    current_ = -1;
    return;
  }
  current_ = row;
  if (condGrid_->currentRow() != row) condGrid_->setCurrentCell(row, kValue);
  if (loading_) return;
  valuePicks_.clear();
  if (rows_[row].type.trimmed().toLower() == "date") return;
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText("select datasource from sys_Filter where tableName = :p and fieldCName = :p2");
  pub.params().byName("p").value = queryId;
  pub.params().byName("p2").value = rows_[row].fieldName;
  pub.open();
  const QString source = pub.isEmpty() ? QString() : pub.fieldByName("datasource").asString();
  if (source.trimmed().isEmpty()) return;
  Dataset& tmp = dm_.tmpCDS;
  tmp.setCommandText(source);
  tmp.open();
  for (int r = 0; r < tmp.recordCount(); ++r) valuePicks_ << tmp.valueAt(r, 0).toString();
}

void TfilterForm::chooseField(int row, const QString& caption) {
  if (loading_ || row < 0 || row >= static_cast<int>(rows_.size())) return;
  Condition& c = rows_[row];
  c.fieldName = caption;
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText("select * from sys_Filter where tableName = :p and fieldCName = :p2");
  pub.params().byName("p").value = queryId;
  pub.params().byName("p2").value = caption;
  pub.open();
  if (pub.isEmpty()) return;
  c.fieldEngName = pub.fieldByName("fieldName").asString();
  c.type = pub.fieldByName("type").asString();
}

void TfilterForm::addRow() {
  // The row that was last gets a link, so the new condition does not stand without one.
  if (!rows_.empty() && rows_.back().logic.isEmpty()) rows_.back().logic = "并且";
  rows_.push_back(Condition{});
  rebuildGrid();
  setCurrentRow(static_cast<int>(rows_.size()) - 1);
}

void TfilterForm::deleteRow() {
  if (current_ < 0 || current_ >= static_cast<int>(rows_.size())) return;
  rows_.erase(rows_.begin() + current_);
  if (!rows_.empty()) rows_.back().logic.clear();
  rebuildGrid();
  setCurrentRow(std::min(current_, static_cast<int>(rows_.size()) - 1));
}

QString TfilterForm::buildWhere(const std::vector<Condition>& rows) {
  struct Part {
    QString text, logic;
  };
  std::vector<Part> parts;
  for (const Condition& c : rows) {
    const QString value = c.setValue.trimmed();
    if (c.fieldName.trimmed().isEmpty() || c.op.trimmed().isEmpty() || value.isEmpty()) continue;
    const QString type = c.type.trimmed().toLower();
    const QString field = c.fieldEngName;
    const QString sqlOp = operatorChr(c.op);
    if (sqlOp.isEmpty()) throw DataError(QString("“%1”的比较关系“%2”无效").arg(c.fieldName, c.op));
    QString expr;
    if ((type == "char" || type == "date") && c.op == "包含") {
      QString v = c.setValue;
      v.replace('\'', "''");
      expr = field + " " + sqlOp + "'%" + v + "%'";
    } else if (type == "date") {
      const QDate d = parseConditionDate(value);
      if (!d.isValid())
        throw DataError(QString("“%1”的条件值“%2”不是有效的日期").arg(c.fieldName, c.setValue));
      // A date means the whole day: equal is within it, not equal outside it.
      if (c.op == "等于" || c.op == "不等于")
        expr = "(" + field + (c.op == "等于" ? " between " : " not between ") +
               sqlDateTime(d, "00:00:00") + " and " + sqlDateTime(d, "23:59:59") + ")";
      else
        expr = field + " " + sqlOp + sqlDateTime(d, sqlOp.contains('>') ? "00:00:00" : "23:59:59");
    } else if (type == "bit") {
      expr = field + " " + sqlOp + (value == "否" ? "0" : "1");
    } else if (type == "int" || type == "float") {
      bool ok = false;
      if (type == "int")
        value.toLongLong(&ok);
      else
        value.toDouble(&ok);
      if (!ok)
        throw DataError(QString("“%1”的条件值“%2”不是有效的%3")
                            .arg(c.fieldName, c.setValue, type == "int" ? "整数" : "数字"));
      expr = field + " " + sqlOp + value;
    } else {
      expr = field + " " + sqlOp + quoted(c.setValue);
    }
    parts.push_back({c.leftBracket + expr + c.rightBracket, c.logic});
  }
  QString where;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    where += parts[i].text;
    if (i + 1 < parts.size()) where += parts[i].logic == "或者" ? "  or " : "  and ";
  }
  return where;
}

bool TfilterForm::qryActionExecute() {
  const int remembered = current_;
  // Leaving the cell posts a value still being typed.
  if (condGrid_->currentRow() >= 0) condGrid_->setCurrentCell(-1, -1);
  loading_ = true;
  try {
    Dataset& pub = dm_.pubCDS;
    pub.setCommandText("select * from sys_filter  where tableName = :id order by ord");
    pub.params().byName("id").value = queryId;
    pub.open();
    QStringList fields;
    for (pub.first(); !pub.eof(); pub.next()) fields << pub.fieldByName("fieldName").asString();
    where_ = buildWhere(rows_);
    fieldList_ = fields.join(",");
  } catch (const DataError& e) {
    loading_ = false;
    prompter().message(e.text(), Prompter::Icon::Warning);
    return false;
  }
  loading_ = false;
  current_ = remembered;
  return true;
}

}  // namespace qk::client

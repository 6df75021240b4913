// The conditions dialog of stored queries: one condition row per filterable field with sensible
// defaults (dates from the first of the month to today, text by containment), turned on "确定"
// into the field list and the where clause that the paging procedure takes.
#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>
#include <vector>

class QTableWidget;
class QTableWidgetItem;

namespace qk::client {

class DataModule;

struct Condition {
  QString leftBracket;
  QString fieldName;  // the field's caption
  QString op;  // operator word: 等于, 不等于, 大于, 大于等于, 小于, 小于等于, 包含
  QString setValue;
  QString rightBracket;
  QString logic;         // link to the next condition: 并且 or 或者 (empty on the last row)
  QString fieldEngName;  // the field's SQL name
  QString type;          // date, char, float, int, bit or other
};

// A text as an SQL literal, quotes doubled: the where clause the paging procedure takes is text.
QString quoted(const QString& text);
// SQL of an operator word (" = ", " like " ...); empty for an unknown word.
QString operatorChr(const QString& op);
// SQL connective of a link word (" and ", " or ").
QString linkChr(const QString& logic);
// The operator words in pick-list order (after an empty entry).
const QStringList& operatorWords();

class TfilterForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfilterForm(DataModule& dm, QWidget* parent = nullptr);

  QString queryId;
  // Loads the condition rows of the query (queryId). `today` decides the date defaults.
  void load(const QDate& today = QDate::currentDate());

  // What the grid edits; tests and the grid share these.
  std::vector<Condition>& rows() { return rows_; }
  QStringList fieldCaptions() const { return captions_; }
  int currentRow() const { return current_; }
  void setCurrentRow(int row);  // the row-change handler: refreshes the value pick list
  QStringList valuePickList() const { return valuePicks_; }
  // Chooses another field for a row (the field validator).
  void chooseField(int row, const QString& caption);
  void addRow();     // "增行"
  void deleteRow();  // "删行"

  // "确定": builds the results; false (with a message naming the field) when a value cannot
  // be used, and the dialog then stays open.
  bool qryActionExecute();
  const QString& fieldList() const { return fieldList_; }
  const QString& whereClause() const { return where_; }

  // Builds the where clause of the given rows; throws DataError naming a field whose value
  // cannot be used.
  static QString buildWhere(const std::vector<Condition>& rows);

 private:
  void rebuildGrid();
  void syncFromGrid(QTableWidgetItem* item);

  DataModule& dm_;
  std::vector<Condition> rows_;
  QStringList captions_;
  QStringList valuePicks_;
  int current_ = -1;
  bool loading_ = true;
  QString fieldList_, where_;
  QTableWidget* condGrid_;
};

// Reads a date typed in a condition: 2026-12-05, 2026/12/5, 2026.12.5 or 20261205.
QDate parseConditionDate(const QString& text);

}  // namespace qk::client

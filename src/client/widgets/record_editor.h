// RecordEditor: one record of a Dataset edited vertically — a caption and an editor per row —
// under a tool bar that pages through the records and inserts, edits, deletes, posts and
// cancels. Rows may be display-only (calculated fields, or stored fields a screen fills), pick
// a text from a list, or pick a name from a data-module list and store its key.
//
// It writes only into the dataset; whether and when the dataset reaches the server is the
// screen's business (its afterPost and afterDelete hooks). It never swallows an error: the
// tool-bar handlers run under the application-wide error handler.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QAction;
class QFormLayout;
class QToolBar;

namespace qk::client {

class Dataset;

enum class RecordEditorKind {
  Text,      // a line edit limited to the field's size
  Date,      // a calendar date
  ReadOnly,  // shown, never written
  PickList,  // an editable list of `listField` of `list`'s rows; stores the text
  Lookup,    // a list of `listField` of `list`'s rows; stores the row's `listKey` into `keyField`
};

struct RecordEditorRow {
  QString field{};    // the field shown (for Lookup: the lookup field that shows the name)
  QString caption{};  // the row's caption
  RecordEditorKind kind = RecordEditorKind::Text;
  Dataset* list = nullptr;  // PickList, Lookup
  QString listField{};      // PickList, Lookup: the texts offered
  QString listKey{};        // Lookup: the key stored
  QString keyField{};       // Lookup: the dataset's field the key goes to
};

class RecordEditor : public QWidget {
  Q_OBJECT
 public:
  explicit RecordEditor(QWidget* parent = nullptr);
  ~RecordEditor() override;

  void setRows(std::vector<RecordEditorRow> rows);
  void setDataset(Dataset* ds);
  Dataset* dataset() const { return ds_; }

  // The navigator: first, prior, next, last, 增加, 修改, 删除, 保存, 取消. A dialog adds its
  // own actions (关闭) to the same bar.
  QToolBar* toolBar() const { return bar_; }
  QWidget* editor(const QString& field) const;  // null when not a row
  // Sets an editor's text as a user typing it would (the record goes into editing).
  void setEditorText(const QString& field, const QString& text);
  QString editorText(const QString& field) const;

  // Writes what the editors hold into the record (starting an edit when something changed).
  void commit();
  // Reads the current record into the editors and enables what its state allows.
  void refresh();

  void firstRecord();
  void priorRecord();
  void nextRecord();
  void lastRecord();
  void insertRecord();
  void editRecord();
  void deleteRecord();  // asks first
  void postRecord();
  void cancelRecord();

  QAction *firstAction, *priorAction, *nextAction, *lastAction, *insertAction, *editAction,
      *deleteAction, *postAction, *cancelAction;

 signals:
  // After a record was posted or deleted from the bar, outside the dataset's own hooks, so a
  // screen may send and reopen the dataset here.
  void recordPosted();
  void recordDeleted();

 private:
  struct Row {
    RecordEditorRow def;
    QWidget* widget = nullptr;
  };
  QString valueText(const Row& row) const;
  QString widgetText(const Row& row) const;
  void setWidgetText(Row& row, const QString& text);
  void fillList(Row& row);
  void startEdit();
  // Before a move or a new record: typed work is posted (and so sent), an untouched one dropped.
  bool leaveRecord();
  void updateActions();
  void rebuild();

  Dataset* ds_ = nullptr;
  std::vector<Row> rows_;
  QToolBar* bar_;
  QFormLayout* form_;
  bool touched_ = false;  // the user typed into the record being edited
  bool loading_ = false;  // the editors are being filled: their signals are not a user's edit
};

}  // namespace qk::client

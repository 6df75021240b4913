// DocumentEditor: the one screen every business document is entered, browsed, audited and
// printed in — a header (the master record), a grid of lines (the detail records), a toolbar of
// sixteen actions and a footer with the entering and auditing user. A DocumentConfig says what
// is particular to a document; hooks extend it where a document needs more.
//
// The screen never writes SQL for its own inserts and updates: it keeps the master and the lines
// in two datasets and hands their change logs to UpdateData / UpdateBasData. Reads, navigation
// and the audit flags go through pubCDS. A save the server refuses keeps everything the user
// typed, so it can be corrected and saved again.
#pragma once

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "client/data/prompter.h"
#include "client/data/server_reply.h"
#include "client/documents/line_pickers.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/unsaved_work.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolBar;
class QWidget;

namespace qk::client {

class DataModule;
class Dataset;
class DocumentEditor;
class Field;

inline constexpr const char* kLinesEmpty = "明细不能为空!";
inline constexpr const char* kAuditedNoEdit = "此单已审核，请取消审核后修改！";
inline constexpr const char* kAuditedNoDelete = "此单已审核，请取消审核后删除！";
inline constexpr const char* kConfirmDelete = "确定要删除此张单据吗？";
inline constexpr const char* kAlreadyAudited = "本单已审核！";

// A table the server writes, with its two key fields (the second empty for a master).
struct ServerTable {
  QString table, key1, key2;
};

struct QueryRef {
  QString caption, queryId;
};

enum class HeaderEditor {
  Text,      // a line edit
  Date,      // a calendar date (stored as the date at midnight)
  List,      // a drop-down over a data-module dataset: shows key and name, stores the key
  PickList,  // a drop-down of the values of a query; only those values
  Suggest,   // an editable drop-down: the values of a query offered, any text allowed
  CheckBox,  // stores true or false
  ReadOnly,  // shown, never written: a master field or a computed value (computeHeader)
};

struct HeaderField {
  QString field{};
  QString caption{};
  HeaderEditor editor = HeaderEditor::Text;
  Dataset DataModule::*list = nullptr;  // HeaderEditor::List
  QString listKey{}, listName{};        // HeaderEditor::List
  QString valuesSql{};                  // PickList, Suggest: one column "v"
  int row = 0;                          // header row (0 or 1)
  // A "…" button beside the editor, enabled while the document is entered.
  std::function<void(DocumentEditor&)> button{};
};

// The header's customer ("客户名称"), chosen from the customer list.
HeaderField customerField();

// A value a new master record starts with.
struct FieldDefault {
  QString field;
  std::function<QVariant(const DocumentEditor&)> value;
};
FieldDefault todayDefault(const QString& field);  // the date at midnight
FieldDefault nowDefault(const QString& field);    // the moment, to the second
FieldDefault userDefault(const QString& field);   // the current user's name

// An entry of the find or print drop-down.
struct MenuEntry {
  QString caption;
  std::function<void(DocumentEditor&)> run;
};
// The find drop-down of a document whose lines carry item numbers: "按物项号查找" in the lines'
// table, then "自定义查找".
std::vector<MenuEntry> findByItemMenu(const QString& lineTable);

// A line key the screen gives at save (an item or task-line number): the first line without one
// takes the generator's number, the following ones its successors (successorNumber).
struct LineNumbers {
  QString field;  // empty: the lines carry no such key
  std::function<QString(DocumentEditor&)> generate{};
  int width = 4;  // digits of the counter
  // Characters before the counter ("PO2612" of PO26120001); -1: up to the last dash.
  int prefixLength = -1;
};

// The number after `previous`: its counter (the digits after the first `prefixLength`
// characters, or after its last dash) plus one, at least `width` wide ("26-12-9999" →
// "26-12-10000", "PO26129999" with a prefix of 6 → "PO261210000").
QString successorNumber(const QString& previous, int width, int prefixLength = -1);

// A name column of the lines chosen from a drop-down of a data-module list; the choice also
// stores the list's key in keyField (a department by name, its number kept).
struct LineLookup {
  QString field, keyField;
  Dataset DataModule::*list = nullptr;
  QString listKey, listName;
};

// Fields that must not be empty before a save, and numbers that must be neither empty nor 0,
// with the one message for them all.
struct RequiredFields {
  QStringList fields;
  QString message;
  QStringList nonZero{};
};

// What editing or deleting an audited document says, and whether deleting it is refused too.
struct AuditedRefusal {
  QString message = kAuditedNoEdit;
  Prompter::Icon icon = Prompter::Icon::Stop;
  bool refuseDelete = false;
};

// Navigation limited to some of the documents (the cards of one task): a condition on the master
// table, its values bound by name (any name but "p").
struct NavigationScope {
  QString condition;
  QVariantMap values;
};

// A rule of the line recomputed whenever one of its fields changes (after the completions),
// also while a picker fills lines. A rule that reaches beyond the line (into the header) is
// given the screen and the changed field instead.
struct LineRule {
  QStringList fields;
  std::function<void(Dataset& lines)> apply{};
  std::function<void(DocumentEditor&, Field&)> applyInDocument{};
};

struct DocumentConfig {
  QString caption;
  QString masterTable;  // navigation, reading, audit
  QString masterView;   // the master is read from it instead of masterTable
  QString detailView;   // the lines are read from it
  QString detailOrder = "itemNo";
  QString emptyMarker;  // a number that never exists: opens both datasets without rows
  QString layoutKey;    // sys_col layout of the grid
  QString numbering;    // bas_form table name for new document numbers
  QString keyField = "keyNo";
  QString itemField = "itemNo";  // lines are numbered 1..n in it on every save
  ServerTable saveMaster, saveDetail;
  ServerTable deleteMaster, deleteDetail;  // empty table: as for the save
  bool deleteMasterFirst = false;          // else the lines go first
  QueryRef find;
  QString printCategory;
  QString masterReportName, detailReportName;  // the datasets' names in the templates
  QString dateField;                           // business date, today on a new document
  // Defaults of a new master record; empty: dateField today, docDate now, userName the user.
  std::vector<FieldDefault> newRecord;
  std::vector<HeaderField> header;
  QString userField = "userName", entryDateField = "docDate";  // footer "制单", "制单日期"
  AuditedRefusal audited;
  // Values of ReadOnly header fields that are not stored, computed after a document loads and
  // whenever one of computeOn changes.
  std::function<QVariantMap(DocumentEditor&)> computeHeader{};
  QStringList computeOn;
  RequiredFields headerCheck;
  // A line needs a non-zero quantity and a non-empty number; no number field: no line check.
  QString lineQtyField = "qty", lineNumberField = "productNo";
  QString lineMessage;
  QString priceField = "uPrice", amountField = "amount";  // amount = qty × price, not stored
  // The line grid; quantity and amount columns are summed, price and amount shown as money.
  std::vector<GridColumn> columns;
  std::vector<LinePicker> pickers;
  std::vector<LineCompletion> completions;  // several on one field run in this order
  std::vector<LineLookup> lookups;
  std::vector<LineRule> lineRules;
  LineNumbers lineNumbers;
  // Drop-downs of the find and print buttons; none: a click runs the standard action.
  std::vector<MenuEntry> findMenu, printMenu;

  // ---- hooks
  std::function<void(DocumentEditor&)> setUp{};            // after the standard set-up
  std::function<bool(DocumentEditor&)> validate{};         // after the standard checks
  std::function<void(DocumentEditor&)> numberLines{};      // after the lines are renumbered
  std::function<void(DocumentEditor&)> prepareDatasets{};  // before the datasets first open
  std::function<void(DocumentEditor&)> addLine{};          // replaces the standard 增行
  std::function<QWidget*(DocumentEditor&)> sideWidget{};   // left of the grid, beside it
  // After a document (or the empty one of a new document) is opened and shown.
  std::function<void(DocumentEditor&)> afterLoad{};
  // Before 新单; false: no new document (the hook has said why).
  std::function<bool(DocumentEditor&)> beforeNew{};
  // The documents first, prior, next and last move among (and the one shown after a delete).
  std::function<NavigationScope(DocumentEditor&)> navigationScope{};
};

class DocumentEditor : public QDialog {
  Q_OBJECT
 public:
  explicit DocumentEditor(DocumentConfig config, QWidget* parent = nullptr);
  ~DocumentEditor() override;

  enum class State { Browse, New, Edit };
  enum class NavState { Middle, AtFirst, AtLast };

  const DocumentConfig& config() const { return config_; }
  DataModule& dataModule() const { return dm_; }

  // The set-up when the screen is first shown: grid style, column layout, the header lists,
  // then the highest-numbered document. Runs once; the screen's factory calls it.
  void formShow();

  // ---- the sixteen actions
  void firstActionExecute();
  void priorActionExecute();
  void nextActionExecute();
  void lastActionExecute();
  void newActionExecute();
  void editActionExecute();
  void delActionExecute();
  void addActionExecute();
  void minuActionExecute();
  void saveActionExecute();
  void cancelActionExecute();
  void audActionExecute();
  void unaudActionExecute();
  void findActionExecute();
  void printActionExecute();
  void closeActionExecute();

  QAction *firstAction, *priorAction, *nextAction, *lastAction, *newAction, *editAction, *delAction,
      *addAction, *minuAction, *saveAction, *cancelAction, *audAction, *unaudAction, *findAction,
      *printAction, *closeAction;

  // ---- operations
  void loadDoc(const QString& keyNo);
  void openEmpty();
  void setState(State state);
  void setNavState(NavState nav);
  bool validateDoc();
  bool saveDoc();  // true when the server answered "OK"
  void showLast();
  // Runs the picker of that column for the current document.
  void runPicker(const QString& field);
  // The standard 增行: an empty line at the end (an addLine hook may call it).
  void appendLine();
  // Asks for an item number (TgsNoForm) and loads the document whose `table` holds it, or says
  // there is none.
  void findByGsNo(const QString& table);
  // A computed header value (computeHeader), invalid when there is none.
  QVariant computedValue(const QString& field) const { return computed_.value(field); }
  void refreshComputed();

  // ---- flags and state
  bool isNew = false;
  bool isEdit = false;
  bool isFilling = false;
  State state() const { return state_; }
  QString shownKeyNo() const;  // "" when no document is shown
  bool hasDocument() const;
  bool isClosed() const { return closed_; }

  Dataset& mCDS() { return *mCDS_; }
  Dataset& dCDS() { return *dCDS_; }
  DataGrid* dataGrid() const { return dataGrid_; }
  QComboBox* headerCombo(const QString& field) const;
  QWidget* headerEditor(const QString& field) const;
  QAbstractButton* headerButton(const QString& field) const;  // the "…" beside a field
  QLabel* headerLabel(const QString& field) const;
  QWidget* headerPanel() const { return headerPanel_; }
  // A document adds its own entries here (addToolActions, setToolMenu of tool_action.h).
  QToolBar* toolBar() const { return toolBar_; }
  // userField, entryDateField, audName, audDate
  QString footerText(const QString& field) const;
  QLabel* keyNoLabel() const { return keyNoLabel_; }

  // How many times a document or its new lines are numbered again when another user has just
  // stored the same number.
  static constexpr int kNumberRetries = 3;

 protected:
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  bool canClose();
  void buildToolbar();
  void buildHeader();
  void prepareDatasets();
  // What runs when a line field changes, by lower-case field name.
  using LineHandlers = std::map<QString, std::vector<std::function<void(Field&)>>>;
  void installLineRules();
  void installAmount(LineHandlers& handlers);  // amount = qty × price, in the line
  bool refuseAudited();                        // says so when the shown document is audited
  void loadHeaderEditors();
  void limitHeaderEditors();  // text editors take no more than their field holds
  void fitColumns();
  void openDocument(const QVariant& key);  // both datasets, by number
  void commitHeaderEditor(const QString& field);
  ServerReply sendChanges(bool* sent);
  QString nextNumber();
  void writeNumber(const QString& keyNo);
  void numberNewLines();
  void takeBackNumbers(const QVariant& keyNo);
  bool isDuplicateNumber(const ServerReply& reply) const;
  QVariant navigate(QString sql, bool withKey);
  void executeAudit(const QString& sql, bool withUser);

  DocumentConfig config_;
  DataModule& dm_;
  std::unique_ptr<Dataset> mCDS_, dCDS_;
  QToolBar* toolBar_ = nullptr;
  DataGrid* dataGrid_ = nullptr;
  QWidget* headerPanel_ = nullptr;
  QLabel* keyNoLabel_ = nullptr;
  QMap<QString, QWidget*> headerEditors_;
  QMap<QString, QLineEdit*> footer_;
  QMap<QString, QAbstractButton*> headerButtons_;
  QMap<QString, QLabel*> headerLabels_;
  QVariantMap computed_;
  QVariantList computedFrom_;  // the computeOn values computed_ was made from
  // Lines numbered by the save under way (row, former value), taken back when it fails.
  std::vector<std::pair<int, QVariant>> numbered_;
  std::vector<int> layoutWidths_;
  State state_ = State::Browse;
  bool shown_ = false;
  bool loadingHeader_ = false;
  bool closed_ = false;
};

// Registers a document screen under a main-window action: made, set up by formShow, shown.
template <typename Form>
void registerDocument(const char* action) {
  registerScreen(action, [](QWidget* parent) -> std::unique_ptr<QDialog> {
    auto form = std::make_unique<Form>(parent);
    form->formShow();
    return form;
  });
}

}  // namespace qk::client

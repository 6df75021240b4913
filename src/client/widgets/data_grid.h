// DataGrid: the one grid of the client, over a Dataset. Two-level titles ("组|标题"), a footer
// row with sums, counts or fixed text that stays aligned with its columns, row numbers, a
// check-box column for picking rows, marks on refused rows, cell buttons, pick-list, lookup and
// date editors limited to the field's size, read-only whole-row mode, title-click sorting,
// grouping with group footers, column layouts from sys_col, the configured grid style, print
// preview and export to .xlsx.
//
// It shows and edits what the Dataset holds and never talks to the server itself, except to
// read a column layout through the dataset it is given for that.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QTableView;

namespace qk::client {

class Dataset;
class DatasetModel;

enum class FooterKind { None, Sum, Count, Text };
enum class CellButton { None, Ellipsis, Plus };

struct GridColumn {
  QString field;   // dataset field shown
  QString title;   // caption; "组|标题" gives a two-level title
  int width = 80;  // pixels
  bool visible = true;
  QString displayFormat;  // overrides the field's own when not empty
  bool readOnly = false;
  FooterKind footer = FooterKind::None;
  QString footerText;  // for FooterKind::Text
  CellButton button = CellButton::None;
  QStringList pickList;  // editor offers these values (free text still allowed unless lookup)
  // Lookup editor: shows lookupDisplay of the source's rows, stores lookupKey into the field.
  Dataset* lookupSource = nullptr;
  QString lookupKey, lookupDisplay;
  bool dateEditor = false;  // a calendar editor; also chosen for date-time fields
  // A value equal to the one in the row above, within the same group, is drawn empty (screen,
  // print and export), so a plan shared by several records reads once.
  bool repeatOnce = false;
};

// Columns of these fields in design order, everything else left to the layout (sys_col) and to
// the fields' labels.
std::vector<GridColumn> gridColumns(const QStringList& fields);

// A sys_col layout, for DataGrid and TreeGrid alike: readLayout opens its rows through `ds`
// ("select * from sys_col where tableName = :t order by rowNo"; false when there are none), and
// mergeLayout gives the columns their captions, widths and visibility and moves each named one to
// its rowNo, the others keeping their place among them. `shown`'s field labels follow the captions.
bool readLayout(Dataset& ds, const QString& layoutKey);
void mergeLayout(std::vector<GridColumn>& columns, Dataset& ds, Dataset* shown);

class DataGrid : public QWidget {
  Q_OBJECT
 public:
  explicit DataGrid(QWidget* parent = nullptr);
  ~DataGrid() override;

  void setDataset(Dataset* ds);
  Dataset* dataset() const;
  QTableView* view() const;
  DatasetModel* model() const;

  // ---- columns (without any, every visible field of the dataset is a column)
  void setColumns(std::vector<GridColumn> columns);
  void addColumn(GridColumn column);
  void clearColumns();
  const std::vector<GridColumn>& columns() const;
  GridColumn* column(const QString& field);     // null when not a column
  int columnIndex(const QString& field) const;  // visible position, -1 when hidden or absent
  // Applies the sys_col layout (caption, width, position, visibility) read through `ds`:
  // "select * from sys_col where tableName = :t order by rowNo"; each named column moves to its
  // rowNo. Columns the layout does not name keep their caption, width and place among the
  // others. The dataset's field labels follow the captions. False when the layout has no rows.
  bool applyLayout(Dataset& ds, const QString& layoutKey);
  // The grid style of the system settings (fonts, colours; footer font and colour).
  void applyStyle();
  void fitColumnsToContent();
  // The widths of the grid's columns in model order, to put back later (a layout's widths after
  // fitting an empty grid, for instance).
  std::vector<int> columnWidths() const;
  void setColumnWidths(const std::vector<int>& widths);
  // Rebuilds after the dataset's fields changed (a reopen with other columns).
  void refresh();

  // ---- behaviour
  // Writes what is typed in an open cell editor into the dataset (a tool-bar button takes no
  // focus, so nothing else would before a save).
  void commitEdit();
  void setReadOnly(bool on);  // whole-row selection, no editing
  bool isReadOnly() const;
  void setCheckBoxes(bool on);  // a check-box column in front for picking rows
  // Checked rows (visible-row indexes of the dataset) in the order the user checked them.
  QList<int> checkedRows() const;
  void setChecked(int row, bool on);
  void clearChecks();
  // Selected rows (visible-row indexes of the dataset) in the order they were selected.
  QList<int> selectedRows() const;
  // A record the server refused: tinted red with the text as its tool tip until unmarked. The
  // mark stays with its record through sorts, filters and edits; a reopen clears it.
  void markRow(int row, const QString& text);
  void unmarkRow(int row) { markRow(row, {}); }
  void clearRowMarks();
  QString rowMark(int row) const;                    // "" when unmarked
  void setRowNumbers(bool on, int firstNumber = 1);  // numbers continue across pages
  void setTitleSort(bool on);  // title click sorts the dataset's rows (client-side index)
  void setFooterVisible(bool on);
  bool footerVisible() const;
  // The footer text shown under a column (sums formatted with the column's display format).
  QString footerText(const QString& field) const;
  double footerSum(const QString& field) const;
  // Groups consecutive rows with the same value of the field under a caption row, with a
  // footer row of the group's sums after each group. Empty: no grouping.
  void setGroupBy(const QString& field, const QString& captionPrefix = {});
  // Nested groups, outermost first, each with its own caption prefix and group footers.
  void setGroupLevels(const QStringList& fields, const QStringList& captionPrefixes = {});

  // ---- output
  // Previews the shown columns and rows as a printed table fitted to the page width, with the
  // title centred in a large bold font above it; printing happens from the preview.
  void printPreview(const QString& title);
  // Renders the printed pages to a PDF file (the preview and tests use the same painter code).
  bool printToPdf(const QString& file, const QString& title);
  // Writes the shown columns and rows (with two-level titles and the footer) to an .xlsx file.
  // Returns false and sets *error when the file cannot be written.
  bool exportXlsx(const QString& file, QString* error = nullptr) const;
  // The grid's export as users run it: asks for the file (`name`.xlsx in the documents folder
  // suggested), writes it, says where and offers to open it. Returns the file, empty when the
  // user cancelled or the writing failed (the reason shown).
  QString exportWithDialog(const QString& name);

 signals:
  void buttonClicked(const QString& field, int row);
  void rowDoubleClicked(int row);
  void titleClicked(const QString& field);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace qk::client

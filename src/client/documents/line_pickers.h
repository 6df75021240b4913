// How document lines are filled from elsewhere: a picker (the query dialog opened from a cell
// button, its marked rows copied into lines) and a completion (a typed number looked up and the
// line's description fields copied from the row found). Both are configuration: a screen lists
// which column opens which query and which fields travel where.
//
// They only write into the line dataset they are given; saving stays with the document editor.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <vector>

class QWidget;

namespace qk::client {

class Dataset;

// One field copied into a line: dest ← source. A number copy converts the value to a number
// (an empty price becomes 0). whenMissing is what a completion writes when nothing is found.
struct FieldCopy {
  QString dest;
  QString source;
  bool asNumber = false;
  QVariant whenMissing{};
};

// Where the marked rows of a picker go. Whatever the mode, an empty current line (its number
// not yet typed) takes the first row before any line is appended.
enum class PickAppend {
  WhenNew,  // a new document appends a line per row; an edited one overwrites the current line
  Always,   // a line per row whatever the state
  Never,    // every row overwrites the current line
};

struct LinePicker {
  QString field;  // the column whose button opens the picker
  QString caption, queryId;
  std::vector<FieldCopy> copies;
  PickAppend append = PickAppend::WhenNew;
  // While set, the line's completions stay quiet; a picker that copies a number without the
  // rest of the line's description leaves it clear so the completion fills it.
  bool setFilling = true;
  // Where the rows come from; empty: the query dialog (Tsys_qryForm::pick).
  std::function<std::vector<QVariantMap>(QWidget* parent, const LinePicker&)> source{};
};

// Completion of a typed number: runs `sql` with :p1 = the value, copies from the first row
// found; when nothing is found, writes each copy's whenMissing (unless keepWhenMissing).
struct LineCompletion {
  QString field;
  QString sql;
  std::vector<FieldCopy> copies;
  bool keepWhenMissing = false;
};

// The copies shared by the product picker, the task picker and the product completion.
std::vector<FieldCopy> productDescriptionCopies();  // des, pName ← productName, …, def1…def6
LineCompletion productCompletion();                 // view_bas_prd_des by productNo
LineCompletion taskCompletion();                    // bus_task_det by taskNo → productNo

// The products screen as the productNo picker of an order: several products at once, no price.
// `pick` shows the screen and returns the chosen product rows; a line's des is made of the
// product's name, size, pressure, material and standard, one blank apart.
LinePicker productsScreenPicker(std::function<std::vector<QVariantMap>(QWidget*)> pick);

// Copies the row into the current record of `lines` (which must be in Edit or Insert).
void copyInto(Dataset& lines, const QVariantMap& row, const std::vector<FieldCopy>& copies);

// Runs a completion for the current line of `lines` through `query` (a shared dataset).
void complete(Dataset& lines, Dataset& query, const LineCompletion& completion,
              const QVariant& value);

}  // namespace qk::client

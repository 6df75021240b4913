// The task statistics screen: production-task lines of one department, optionally within a
// range of item numbers, a range of entry dates and only those never printed; printed as task
// sheets through the report dialog, each confirmed print counted on exactly the listed lines.
//
// Every value the user chooses reaches the server as a bound parameter.
#pragma once

#include <QDialog>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;

namespace qk::client {

class DataGrid;
class Dataset;

inline constexpr const char* kTaskPrintConfirm = "是否打印成功？";
inline constexpr const char* kTaskNothingToPrint = "没有要打印的任务单，请先查询!";

class Tbus_task_qryForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tbus_task_qryForm(QWidget* parent = nullptr);
  ~Tbus_task_qryForm() override;

  // Created, shown modally and destroyed: the task screen's "分类打印".
  static void showModal(QWidget* parent);

  void qryActionExecute();    // "查询"
  void printActionExecute();  // "打印"

  Dataset& listCDS() { return *list_; }
  DataGrid* grid() const { return grid_; }

  QComboBox* depCmb;
  QCheckBox *CheckBox1, *CheckBox2, *CheckBox3;
  QLineEdit *MaskEdit1, *MaskEdit2;
  QDateTimeEdit *dt1, *dt2;
  QAction *qryAction, *printAction, *closeAction;

 private:
  std::unique_ptr<Dataset> list_;
  DataGrid* grid_;
};

}  // namespace qk::client

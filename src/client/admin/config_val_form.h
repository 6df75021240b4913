// TconfigValForm ("请选择"): the value dialog of one system setting — a choice from the
// setting's list, a text, or a colour, as its valType says — and the check every setting's value
// passes before it is stored, so a bad value never reaches the settings loaded at each login.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;

namespace qk::client {

// Why the value cannot be stored for this setting; empty when it can. Numbers of rows, sizes
// and seconds must be whole numbers above 0, colours and fonts readable, valType one of 1 to 5.
QString configValueProblem(const QString& idName, const QString& idCName, const QString& valType,
                           const QString& value);

class TconfigValForm : public QDialog {
  Q_OBJECT
 public:
  // valType "1": a list from valueList (every item followed by ","), "2": a text, "3": a colour.
  TconfigValForm(const QString& idName, const QString& idCName, const QString& valType,
                 const QString& valueList, const QString& value, QWidget* parent = nullptr);

  // "确定": checks the entry, closes with Accepted when it can be stored.
  void okExecute();
  // The value chosen or typed.
  QString value() const;

  QComboBox* ComboBox1 = nullptr;  // valType 1
  QLineEdit* Edit1 = nullptr;      // valType 2
  QComboBox* ColorBox1 = nullptr;  // valType 3: colour names and the current value

 private:
  QString idName_, idCName_, valType_;
};

}  // namespace qk::client

// TgsNoForm: the small dialog that asks for an item number ("物项号") before a screen finds the
// document holding it. It only reads the text; looking it up is the caller's (findByGsNo).
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace qk::client {

class TgsNoForm : public QDialog {
  Q_OBJECT
 public:
  explicit TgsNoForm(QWidget* parent = nullptr);

  QString gsNo() const;
  QLineEdit* edit() const { return edit_; }

 private:
  QLineEdit* edit_;
};

}  // namespace qk::client

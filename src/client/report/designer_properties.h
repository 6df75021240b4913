// The designer's property panel: the selected items' text, geometry, font, alignment, format
// and frame; the current band's settings; the page. It shows what the document holds and
// sends each edit back as one undoable change, applied to every selected item at once.
#pragma once

#include <QStringList>
#include <QTabWidget>
#include <functional>

#include "client/report/designer_document.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QStackedWidget;

namespace qk::client {

class DesignerProperties : public QTabWidget {
  Q_OBJECT
 public:
  DesignerProperties(DesignerDocument& doc, const QStringList& sources, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildItemPage();
  QWidget* buildBandPage(const QStringList& sources);
  QWidget* buildPagePage();
  void refresh();
  void commitText();

  // Spin boxes send their value once editing ends, and only a value the user changed.
  QDoubleSpinBox* number(double min, double max, double step, std::function<void(double)> apply);
  QCheckBox* check(const QString& caption, std::function<void(bool)> apply);

  DesignerDocument& doc_;
  bool loading_ = false;
  QStackedWidget* stack_ = nullptr;

  // Item
  QPlainTextEdit* text_ = nullptr;
  QDoubleSpinBox *x_ = nullptr, *y_ = nullptr, *w_ = nullptr, *h_ = nullptr;
  QComboBox* family_ = nullptr;
  QDoubleSpinBox* size_ = nullptr;
  QCheckBox *bold_ = nullptr, *italic_ = nullptr, *underline_ = nullptr;
  QComboBox *hAlign_ = nullptr, *vAlign_ = nullptr;
  QCheckBox *wrap_ = nullptr, *autoStretch_ = nullptr;
  QComboBox* format_ = nullptr;
  QCheckBox* frame_[4] = {};
  QDoubleSpinBox* lineWidth_ = nullptr;
  QLineEdit* pictureField_ = nullptr;

  // Band
  QDoubleSpinBox* bandHeight_ = nullptr;
  QComboBox* source_ = nullptr;
  QSpinBox* rowsPerPage_ = nullptr;
  QLineEdit *masterKey_ = nullptr, *detailKey_ = nullptr, *groupBy_ = nullptr;
  QCheckBox *newPage_ = nullptr, *stretch_ = nullptr;

  // Page
  QLineEdit* title_ = nullptr;
  QComboBox* paper_ = nullptr;
  QDoubleSpinBox *paperW_ = nullptr, *paperH_ = nullptr;
  QComboBox* orientation_ = nullptr;
  QDoubleSpinBox* margin_[4] = {};
};

}  // namespace qk::client

#include "client/admin/config_val_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/grid_style.h"

namespace qk::client {

namespace {

// Settings read as whole numbers above 0 by the client or the server.
bool isCountSetting(const QString& idName) {
  static const QStringList kCounts{"RecordCount", "maxQueryRows", "maxQueryMB", "statementSeconds",
                                   "maxDrawingMB"};
  return kCounts.contains(idName, Qt::CaseInsensitive);
}

const QStringList& colourNames() {
  static const QStringList names{"clBlack",   "clMaroon",     "clGreen",   "clOlive",   "clNavy",
                                 "clPurple",  "clTeal",       "clGray",    "clSilver",  "clRed",
                                 "clLime",    "clYellow",     "clBlue",    "clFuchsia", "clAqua",
                                 "clWhite",   "clMoneyGreen", "clSkyBlue", "clCream",   "clMedGray",
                                 "clBtnFace", "clWindow",     "clInfoBk"};
  return names;
}

}  // namespace

QString configValueProblem(const QString& idName, const QString& idCName, const QString& valType,
                           const QString& value) {
  const QString name = idCName.trimmed().isEmpty() ? idName : idCName.trimmed();
  const QString type = valType.trimmed();
  if (type.size() != 1 || type[0] < '1' || type[0] > '5')
    return QString("设置项“%1”的值类型“%2”无效，不能修改!").arg(name, valType);
  if (isCountSetting(idName)) {
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n <= 0) return QString("“%1”必须是大于 0 的整数!").arg(name);
  }
  try {
    if (type == "3") colorFromText(value);
    if (type == "4") parseFontText(value);
  } catch (const DataError& e) {
    return e.text();
  }
  return {};
}

TconfigValForm::TconfigValForm(const QString& idName, const QString& idCName,
                               const QString& valType, const QString& valueList,
                               const QString& value, QWidget* parent)
    : QDialog(parent), idName_(idName), idCName_(idCName), valType_(valType.trimmed()) {
  setWindowTitle("请选择");
  auto* group = new QGroupBox("选项值 ", this);
  auto* inner = new QVBoxLayout(group);
  if (valType_ == "1") {
    ComboBox1 = new QComboBox(group);
    // Only items followed by ",": text after the last one is not a finished item.
    QStringList items = valueList.split(',');
    items.removeLast();
    ComboBox1->addItems(items);
    ComboBox1->setCurrentIndex(static_cast<int>(items.indexOf(value)));
    inner->addWidget(ComboBox1);
  } else if (valType_ == "2") {
    Edit1 = new QLineEdit(value, group);
    inner->addWidget(Edit1);
  } else if (valType_ == "3") {
    ColorBox1 = new QComboBox(group);
    QStringList names = colourNames();
    if (!value.isEmpty() && !names.contains(value)) names.prepend(value);
    for (const QString& n : names) {
      QPixmap swatch(16, 16);
      try {
        swatch.fill(colorFromText(n));
      } catch (const DataError&) {
        swatch.fill(Qt::transparent);  // an unreadable stored value is offered to be replaced
      }
      ColorBox1->addItem(QIcon(swatch), n);
    }
    ColorBox1->setCurrentIndex(static_cast<int>(names.indexOf(value)));
    inner->addWidget(ColorBox1);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  connect(ok, &QPushButton::clicked, this, guardedSlot([this] { okExecute(); }));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
  setMinimumWidth(280);
}

QString TconfigValForm::value() const {
  if (ComboBox1) return ComboBox1->currentText();
  if (Edit1) return Edit1->text();
  if (ColorBox1) return ColorBox1->currentText();
  return {};
}

void TconfigValForm::okExecute() {
  if (ComboBox1 && ComboBox1->currentIndex() < 0) {
    prompter().message("请选中某一项!", Prompter::Icon::Warning);
    return;
  }
  if ((Edit1 && Edit1->text().trimmed().isEmpty()) ||
      (ColorBox1 && ColorBox1->currentIndex() < 0)) {
    prompter().message("不能为空!", Prompter::Icon::Warning);
    return;
  }
  const QString problem = configValueProblem(idName_, idCName_, valType_, value());
  if (!problem.isEmpty()) {
    prompter().message(problem, Prompter::Icon::Warning);
    return;
  }
  accept();
}

}  // namespace qk::client

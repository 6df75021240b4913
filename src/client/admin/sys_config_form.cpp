#include "client/admin/sys_config_form.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/admin/config_val_form.h"
#include "client/admin/titled_columns.h"
#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/masterdata/list_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

QString text(Dataset& ds, const char* field) {
  return ds.fieldByName(field).asString();
}

}  // namespace

Tsys_configForm::Tsys_configForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("系统选项设置");
  Dataset& config = dm().configCDS;

  DBGridEh1 = new DataGrid(this);
  std::vector<GridColumn> cols = titledColumns(
      {{"idCName", "选项名称 ", 180}, {"idValue", "设置值", 260}, {"remark", "备注", 280}});
  cols[1].button = CellButton::Ellipsis;
  DBGridEh1->setColumns(std::move(cols));
  DBGridEh1->setReadOnly(true);
  connect(DBGridEh1, &DataGrid::buttonClicked, this, [this, &config](const QString&, int row) {
    guarded([&] {
      config.moveTo(row);
      editValueExecute();
    });
  });

  auto* save = new QPushButton("保存", this);
  auto* close = new QPushButton("关闭", this);
  connect(save, &QPushButton::clicked, this, guardedSlot([this] { saveExecute(); }));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(DBGridEh1, 1);
  layout->addLayout(buttons);
  fitToScreen(*this, QSize(800, 560));

  // Every post is checked, whatever put the value there, then stored at once.
  installListRules({.dataset = &config}, DBGridEh1);
  config.beforePost = [](Dataset& d) {
    const QString problem = configValueProblem(text(d, "idName"), text(d, "idCName"),
                                               text(d, "valType"), text(d, "idValue"));
    if (problem.isEmpty()) return;
    prompter().message(problem, Prompter::Icon::Warning);
    throw Abort();
  };
  config.setCommandText("select * from sys_config order by category, idName");
  config.open();
  DBGridEh1->setDataset(&config);
  DBGridEh1->setGroupBy("category");
  DBGridEh1->applyStyle();
}

void Tsys_configForm::store(const QString& value) {
  Dataset& config = dm().configCDS;
  config.edit();
  config.fieldByName("idValue").setValue(value);
  try {
    config.post();
  } catch (const Abort&) {
    config.cancel();  // refused by the check: the stored value stays
  }
}

void Tsys_configForm::editValueExecute() {
  Dataset& config = dm().configCDS;
  if (!config.active() || config.isEmpty()) return;
  const QString idName = text(config, "idName"), idCName = text(config, "idCName");
  const QString valType = text(config, "valType").trimmed();
  const QString current = text(config, "idValue");
  // A type the screen cannot edit would only store an empty value.
  const QString typeProblem = configValueProblem(idName, idCName, valType, {});
  if (valType.size() != 1 || valType[0] < '1' || valType[0] > '5') {
    prompter().message(typeProblem, Prompter::Icon::Warning);
    return;
  }
  if (valType == "5") {
    const QString file =
        desktop().openFileName(this, "选择图片", QCoreApplication::applicationDirPath(),
                               "图片 (*.bmp *.jpg *.jpeg *.png *.gif)");
    if (!file.isEmpty()) store(QFileInfo(file).fileName());
    return;
  }
  if (valType == "4") {
    QFont font = DBGridEh1->font();
    try {
      const FontSpec spec = parseFontText(current);
      font.setFamily(spec.name);
      font.setPointSize(spec.size);
      font.setBold(spec.bold);
    } catch (const DataError&) {
      // An unreadable stored font starts the dialog from the grid's own.
    }
    QFontDialog dlg(font, this);
    dlg.setWindowTitle("字体");
    if (desktop().exec(dlg) != QDialog::Accepted) return;
    const QFont chosen = dlg.selectedFont();
    store(fontText(
        {chosen.family(), chosen.pointSize() > 0 ? chosen.pointSize() : 9, chosen.bold()}));
    return;
  }
  TconfigValForm dlg(idName, idCName, valType, text(config, "valueList"), current, this);
  if (desktop().exec(dlg) != QDialog::Accepted) return;
  store(dlg.value());
}

void Tsys_configForm::saveExecute() {
  Dataset& config = dm().configCDS;
  if (isEditing(config))
    config.post();
  else if (config.changeCount() > 0)
    config.applyUpdates(0);
}

void Tsys_configForm::reject() {
  Dataset& config = dm().configCDS;
  if (isEditing(config)) config.cancel();
  config.close();
  // Screens opened from now on read the values just stored.
  // A failure is shown, but must not keep the screen open.
  guarded([] { loadSettings(dm().pubCDS); });
  QDialog::reject();
}

}  // namespace qk::client

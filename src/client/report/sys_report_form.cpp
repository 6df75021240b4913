#include "client/report/sys_report_form.h"

#include "client/widgets/error_handler.h"
#include "client/widgets/icons.h"
#include "client/widgets/tool_action.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/report/report_designer.h"
#include "client/report/report_output.h"
#include "client/report/report_preview.h"
#include "client/report/report_renderer.h"
#include "client/report/report_template.h"
#include "client/report/shop_address.h"
#include "client/widgets/desktop.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

const QString kStandardStyle = "标准样式";

// Certificate lines with their header, inspection and customer; the certificate screen appends
// its document filter to both texts. The lines of a printed page are related to the page's
// master row by the templates (sysId = mainId), so the detail is read once, not per master row.
const QString kCertificateSql =
    "select a.keyNo as keyNo,a.rowNo as rowNo, c.heatNo,e.custName, a.*,b.*,d.* from ((( "
    "check_mat_d a left join check_mat_m b on a.keyNo = b.keyNo)  left join  check_m c on "
    "a.posch = c.posch)  left join check_d  d on c.keyNo = d.keyNo)  left join bas_cust e on "
    "b.custNo = e.custNo   ";

QString& cacheDirectory() {
  static QString dir;
  return dir;
}

QString appTitle() {
  return QApplication::applicationDisplayName();
}

// A name from the database or typed by a user becomes a plain file name inside the cache:
// separators and characters no file system accepts could otherwise write elsewhere.
QString safeFileName(const QString& name) {
  QString out;
  for (QChar c : name) {
    const bool bad = c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c);
    out += bad ? QChar('_') : c;
  }
  out = out.trimmed();
  while (out.startsWith('.')) out.remove(0, 1);
  return out;
}

}  // namespace

void Tsys_reportForm::setCacheDir(const QString& dir) {
  cacheDirectory() = dir;
}

QString Tsys_reportForm::cacheDir() {
  if (!cacheDirectory().isEmpty()) return cacheDirectory();
  return QDir(QCoreApplication::applicationDirPath()).filePath("report");
}

Tsys_reportForm::Tsys_reportForm(QWidget* parent)
    : QDialog(parent),
      data_(std::make_unique<ReportData>()),
      mtcMCDS_(std::make_unique<Dataset>(dm().connection(), "selectDSP")),
      mtcDCDS_(std::make_unique<Dataset>(dm().connection(), "selectDetailDSP")),
      f3_(std::make_unique<ReportTemplate>()) {
  setWindowTitle("报表设计");
  setWindowFlag(Qt::WindowMaximizeButtonHint);

  DataModule& m = dm();
  const std::pair<const char*, Dataset*> masterData[] = {
      {"产品资料", &m.productsCDS}, {"工序资料", &m.processCDS},  {"设备资料", &m.deviceCDS},
      {"职员资料", &m.staffCDS},    {"供应商资料", &m.supCDS},    {"客户资料", &m.custCDS},
      {"部门资料", &m.depCDS},      {"供应商报价", &m.supListCDS}};
  for (const auto& [name, ds] : masterData) data_->addDataset(name, *ds);
  mtcMCDS_->setCommandText(kCertificateSql);
  mtcDCDS_->setCommandText(kCertificateSql);
  data_->addDataset("质量证明书", *mtcMCDS_);
  data_->addDataset("质量证明书从表", *mtcDCDS_);
  data_->variables = [this](const QString& name) { return f3GetValue(name); };

  QToolBar* bar = newToolBar(this);
  addToolActions(
      *bar,
      {
          {"新增", 0, "new", "以标准样式为底增加一种新样式", [this] { newActionExecute(); },
           &newAction_},
          {"删除", 0, "delete", "删除选中的样式", [this] { delActionExecute(); }, &delAction_},
          {"设计", 0, "template", "设计选中的样式", [this] { designActionExecute(); },
           &designAction_},
          {"预览", 0, "zoom-check", "预览选中的样式", [this] { previewActionExecute(); },
           &previewAction_},
          {"打印", 0, "print", "用选中的样式打印", [this] { printActionExecute(); }, &printAction_},
          ToolAction::separator(),
          {"关闭", 0, "close", {}, [this] { reject(); }, &Action5_},
      });

  repView_ = new QTreeWidget(this);
  repView_->setHeaderHidden(true);
  repView_->setMinimumWidth(200);
  repView_->hide();

  LV_ = new QListWidget(this);
  LV_->setViewMode(QListView::IconMode);
  LV_->setIconSize(QSize(32, 32));
  LV_->setGridSize(QSize(120, 72));
  LV_->setResizeMode(QListView::Adjust);
  LV_->setMovement(QListView::Static);
  LV_->setWordWrap(true);
  LV_->setSelectionMode(QAbstractItemView::SingleSelection);

  auto* split = new QSplitter(this);
  split->addWidget(repView_);
  split->addWidget(LV_);
  split->setStretchFactor(1, 1);
  split->setSizes({220, 560});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(860, 560));

  connect(LV_, &QListWidget::itemDoubleClicked, this,
          guardedSlot([this] { previewActionExecute(); }));
  connect(repView_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { guardedSlot([this, item] { repViewClick(item); })(); });
}

Tsys_reportForm::~Tsys_reportForm() = default;

void Tsys_reportForm::addDataset(const QString& name, Dataset& dataset) {
  data_->addDataset(name, dataset);
}

QVariant Tsys_reportForm::f3GetValue(const QString& name) const {
  if (name == "计划号") return QString("");
  if (name == "车间报工地址") return shopPageAddress();
  return {};
}

void Tsys_reportForm::loadReports() {
  if (!QDir().mkpath(cacheDir()) || !QFileInfo(cacheDir()).isDir())
    throw DataError("不能创建目录 report, 请创建 report 目录!");

  repView_->setVisible(treeMode);
  if (treeMode) {
    repView_->clear();
    QStyle* s = style();
    auto* root = new QTreeWidgetItem(repView_, {"报表管理"});
    root->setIcon(0, s->standardIcon(QStyle::SP_ComputerIcon));
    Dataset& pub = dm().pubCDS;
    pub.setCommandText(
        "select  category from sys_report where category is not null and category <> '' group "
        "by category order by category");
    pub.open();
    QStringList categories;
    for (pub.first(); !pub.eof(); pub.next()) categories << pub.fieldByName("category").asString();
    Dataset& tmp = dm().tmpCDS;
    for (const QString& c : categories) {
      auto* node = new QTreeWidgetItem(root, {c});
      node->setIcon(0, s->standardIcon(QStyle::SP_DirIcon));
      tmp.setCommandText(
          "select repCName from sys_report where category = :c group by repCName order by "
          "min(repNo)");
      tmp.params().byName("c").value = c;
      tmp.open();
      for (tmp.first(); !tmp.eof(); tmp.next()) {
        auto* leaf = new QTreeWidgetItem(node, {tmp.fieldByName("repCName").asString()});
        leaf->setIcon(0, s->standardIcon(QStyle::SP_FileIcon));
      }
    }
    repView_->expandAll();
  }

  if (!category.isEmpty()) {
    Dataset& pub = dm().pubCDS;
    pub.setCommandText("select  repCName from sys_report where tableName = :t order by repNo");
    pub.params().byName("t").value = category;
    pub.open();
    if (!pub.isEmpty()) {
      pub.first();
      showStyles(pub.fieldByName("repCName").asString());
    }
  }
}

void Tsys_reportForm::showStyles(const QString& repName) {
  Dataset& tmp = dm().tmpCDS;
  tmp.setCommandText(
      "select repNo,styleName,tableName from sys_report where repCName = :r order by repNo");
  tmp.params().byName("r").value = repName;
  tmp.open();
  LV_->clear();
  repName_ = repName;
  if (!tmp.isEmpty()) {
    tmp.first();
    category = tmp.fieldByName("tableName").asString();
  }
  const QIcon icon = themeIcon("template");
  for (tmp.first(); !tmp.eof(); tmp.next()) {
    auto* item = new QListWidgetItem(icon, tmp.fieldByName("styleName").asString(), LV_);
    item->setData(Qt::UserRole, tmp.fieldByName("repNo").asInteger());
  }
}

void Tsys_reportForm::repViewClick(QTreeWidgetItem* item) {
  if (!item || !item->parent() || !item->parent()->parent()) return;
  repView_->setCurrentItem(item);
  showStyles(item->text(0));
}

bool Tsys_reportForm::selectStyle(const QString& styleName) {
  for (int i = 0; i < LV_->count(); ++i) {
    if (LV_->item(i)->text() == styleName) {
      LV_->setCurrentItem(LV_->item(i));
      LV_->item(i)->setSelected(true);
      return true;
    }
  }
  return false;
}

int Tsys_reportForm::selectedRepNo() const {
  const QList<QListWidgetItem*> selected = LV_->selectedItems();
  return selected.isEmpty() ? -1 : selected.first()->data(Qt::UserRole).toInt();
}

void Tsys_reportForm::refreshStyles() {
  if (!repName_.isEmpty()) showStyles(repName_);
}

// Leaves the style's row current in pubCDS and its template in the cache file.
bool Tsys_reportForm::prepare() {
  const int repNo = selectedRepNo();
  if (repNo < 0) return false;
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select * from sys_report  where repNo = :n");
  pub.params().byName("n").value = repNo;
  pub.open();
  if (pub.isEmpty()) {
    refreshStyles();
    throw DataError("这种样式已经不存在，可能已被别人删除。");
  }
  pub.first();
  QString name = safeFileName(pub.fieldByName("repFileName").asString());
  if (name.isEmpty())
    name = safeFileName(pub.fieldByName("tableName").asString() + "_" +
                        pub.fieldByName("styleName").asString() + ".xml");
  file_ = QDir(cacheDir()).filePath(name);
  if (!pub.fieldByName("repFile").isNull()) {
    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(pub.fieldByName("repFile").value().toByteArray()) < 0 || !out.commit())
      throw DataError(QString("不能写入报表文件“%1”：%2").arg(file_, out.errorString()));
  }
  return true;
}

void Tsys_reportForm::previewOrPrint(bool preview) {
  if (selectedRepNo() < 0) {
    prompter().message("请选中一种样式!", Prompter::Icon::Stop, appTitle());
    return;
  }
  prepare();
  *f3_ = ReportTemplate::load(file_);
  if (preview) {
    ReportPreview window(*f3_, *data_, this);
    desktop().exec(window);
  } else {
    const RenderedReport report = ReportRenderer(*f3_, *data_).render();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("打印");
    QString error;
    if (desktop().exec(dialog) == QDialog::Accepted && !print(report, printer, &error))
      prompter().message(error, Prompter::Icon::Warning);
  }
  printed_ = true;
}

void Tsys_reportForm::previewActionExecute() {
  previewOrPrint(true);
}

void Tsys_reportForm::printActionExecute() {
  previewOrPrint(false);
}

void Tsys_reportForm::designActionExecute() {
  if (!prepare()) return;
  designReportFile(this, file_, *data_);
  // The user may have closed the designer without saving a template that never existed.
  QFile in(file_);
  if (!in.exists()) return;
  if (!in.open(QIODevice::ReadOnly))
    throw DataError(QString("不能读取报表文件“%1”：%2").arg(file_, in.errorString()));
  const QByteArray bytes = in.readAll();
  Dataset& pub = dm().pubCDS;
  pub.edit();
  pub.fieldByName("repFile").setValue(bytes);
  pub.post();
  QString refusal;
  auto keep = pub.onReconcileError;
  pub.onReconcileError = [&refusal](const RowError& e) { refusal = e.message; };
  int refused = 0;
  try {
    refused = pub.applyUpdates(0);
  } catch (...) {
    pub.onReconcileError = keep;
    pub.cancelUpdates();
    throw;
  }
  pub.onReconcileError = keep;
  if (refused > 0) {
    pub.cancelUpdates();
    throw DataError("报表模板没有保存：" + refusal);
  }
  pub.mergeChangeLog();
}

void Tsys_reportForm::newActionExecute() {
  // Nothing to copy from until a report is chosen.
  if (category.isEmpty()) return;
  const std::optional<QString> typed =
      prompter().input("增加新报表样式", "请输入报表的样式名称：   ", "");
  if (!typed) return;
  const QString name = *typed;
  // A blank name would make a style nobody can tell apart or save a file for.
  if (name.trimmed().isEmpty()) return;

  Dataset& tmp = dm().tmpCDS;
  tmp.setCommandText("select repNo from sys_report where tableName = :t and styleName = :s");
  tmp.params().byName("t").value = category;
  tmp.params().byName("s").value = name;
  tmp.open();
  if (!tmp.isEmpty()) {
    prompter().message("此样式名称已经存在，请重新输入新的名称!", Prompter::Icon::Stop, appTitle());
    return;
  }
  tmp.setCommandText("select  max(repNo) as repNo from sys_report");
  tmp.open();
  tmp.first();
  const qlonglong repNo = tmp.fieldByName("repNo").asInteger() + 1;

  Dataset& pub = dm().pubCDS;
  pub.setCommandText(
      "insert into sys_report select :n, repCName,category,tableName,:s,repFile,:f from "
      "sys_report where tableName = :t and styleName = '标准样式'");
  pub.params().byName("n").value = repNo;
  pub.params().byName("s").value = name;
  pub.params().byName("f").value = safeFileName(category + "_" + name) + ".xml";
  pub.params().byName("t").value = category;
  pub.execute();

  if (repName_.isEmpty()) {
    tmp.setCommandText("select  repCName from sys_report where repNo = :n");
    tmp.params().byName("n").value = repNo;
    tmp.open();
    if (!tmp.isEmpty()) repName_ = tmp.fieldByName("repCName").asString();
  }
  refreshStyles();
  selectStyle(name);
}

void Tsys_reportForm::delActionExecute() {
  const QList<QListWidgetItem*> selected = LV_->selectedItems();
  if (selected.isEmpty()) return;
  QListWidgetItem* item = selected.first();
  if (item->text() == kStandardStyle) {
    prompter().message("系统保留，不能删除！", Prompter::Icon::Information, appTitle());
    return;
  }
  if (!prompter().confirm(QString("确定要删除报表样式“%1”吗？").arg(item->text()), appTitle()))
    return;
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("delete from sys_report where repNo = :n");
  pub.params().byName("n").value = item->data(Qt::UserRole).toLongLong();
  pub.execute();
  delete item;
}

}  // namespace qk::client

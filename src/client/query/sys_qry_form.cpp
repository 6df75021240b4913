#include "client/query/sys_qry_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/query/filter_form.h"
#include "client/query/query_page.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/window_size.h"

namespace qk::client {

std::function<void(Tsys_qryForm&, const QVariantMap&)>& Tsys_qryForm::detailHandler(
    const QString& id) {
  static std::map<QString, std::function<void(Tsys_qryForm&, const QVariantMap&)>> handlers;
  return handlers[id];
}

Tsys_qryForm::Tsys_qryForm(DataModule& dm, QWidget* parent)
    : QDialog(parent), dm_(dm), listSP_(std::make_unique<Dataset>(dm.connection(), "selectDSP")) {
  setWindowTitle("报表中心");
  setWindowFlag(Qt::WindowMaximizeButtonHint);

  auto* bar = new QHBoxLayout;
  auto button = [&](const char* text, const char* hint) {
    auto* b = new QPushButton(text, this);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    bar->addWidget(b);
    return b;
  };
  QPushButton* qry = button("查询", "设置条件并查询");
  selBtn_ = button("选择", "选中当前记录");
  detBtn_ = button("明细", "查看明细");
  QPushButton* printBtn = button("打印", "打印报表内容");
  QPushButton* exportBtn = button("导出", "导出到Excel");
  bar->addStretch();
  QPushButton* exitBtn = button("关闭", "关闭");
  selBtn_->hide();
  detBtn_->hide();
  qry->setDefault(true);

  repView_ = new QTreeWidget(this);
  repView_->setHeaderHidden(true);
  repView_->setMinimumWidth(180);
  listGrid_ = new DataGrid(this);
  listGrid_->setDataset(listSP_.get());
  listGrid_->setReadOnly(true);
  listGrid_->setTitleSort(true);
  listGrid_->setFooterVisible(true);

  pageBar_ = new PageBar(this);

  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(listGrid_, 1);
  rightLayout->addWidget(pageBar_);
  auto* split = new QSplitter(this);
  split->addWidget(repView_);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  split->setSizes({200, 900});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(bar);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(1100, 620));

  connect(qry, &QPushButton::clicked, this, guardedSlot([this] { qryActionExecute(); }));
  connect(selBtn_, &QPushButton::clicked, this, guardedSlot([this] { selBtnClick(); }));
  connect(detBtn_, &QPushButton::clicked, this, guardedSlot([this] { detail(); }));
  connect(printBtn, &QPushButton::clicked, this, guardedSlot([this] { print(); }));
  connect(exportBtn, &QPushButton::clicked, this, guardedSlot([this] { exportToSpreadsheet(); }));
  connect(exitBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(listGrid_, &DataGrid::rowDoubleClicked, this, guardedSlot([this] { detail(); }));
  connect(repView_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { guarded([&] { treeClicked(item); }); });
  connect(pageBar_, &PageBar::pageChosen, this,
          [this](int page) { guarded([&] { showPage(page); }); });

  buildTree();
  listGrid_->applyStyle();
}

Tsys_qryForm::~Tsys_qryForm() = default;

Dataset& Tsys_qryForm::listSP() {
  return *listSP_;
}

void Tsys_qryForm::buildTree() {
  repView_->clear();
  auto* root = new QTreeWidgetItem(repView_, {"报表中心"});
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText(
      "select distinct category from sys_filter_sql where category is not null and category <> "
      "'' ");
  pub.open();
  QStringList categories;
  for (pub.first(); !pub.eof(); pub.next()) categories << pub.fieldByName("category").asString();
  Dataset& tmp = dm_.tmpCDS;
  for (const QString& category : categories) {
    auto* node = new QTreeWidgetItem(root, {category});
    tmp.setCommandText("select   tableCName from sys_filter_sql where category = :c order by idx");
    tmp.params().byName("c").value = category;
    tmp.open();
    for (tmp.first(); !tmp.eof(); tmp.next())
      new QTreeWidgetItem(node, {tmp.fieldByName("tableCName").asString()});
  }
  repView_->expandAll();
}

void Tsys_qryForm::setTreeVisible(bool on) {
  repView_->setVisible(on);
}

void Tsys_qryForm::setSelectVisible(bool on) {
  selBtn_->setVisible(on);
  listGrid_->setCheckBoxes(on);
}

void Tsys_qryForm::setDetailVisible(bool on) {
  detBtn_->setVisible(on);
}

void Tsys_qryForm::loadQuery(const QString& id) {
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText("select * from sys_filter_sql where tableName = :id ");
  pub.params().byName("id").value = id;
  pub.open();
  // A definition that does not exist leaves no identifier: running then says so.
  queryId = pub.isEmpty() ? QString() : pub.fieldByName("tableName").asString().trimmed();
  preSQL_ = pub.isEmpty() ? QString() : pub.fieldByName("preSQL").asString().trimmed();
  keyName_ = pub.isEmpty() ? QString() : pub.fieldByName("keyName").asString().trimmed();
  sortName_ = pub.isEmpty() ? QString() : pub.fieldByName("sortName").asString().trimmed();
  buildColumns();
}

void Tsys_qryForm::buildColumns() {
  listSP_->close();
  listGrid_->clearColumns();
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText("select * from sys_filter  where tableName = :id order by ord");
  pub.params().byName("id").value = queryId;
  pub.open();
  std::vector<GridColumn> columns;
  for (pub.first(); !pub.eof(); pub.next()) {
    GridColumn c;
    c.field = pub.fieldByName("fieldName").asString().trimmed();
    c.displayFormat = pub.fieldByName("displayFormat").asString().trimmed();
    c.title = pub.fieldByName("FieldCName").asString();
    const qlonglong width = pub.fieldByName("width").asInteger();
    c.width = width > 0 ? static_cast<int>(width) : 90;
    c.visible =
        pub.fieldByName("showInresult").isNull() || pub.fieldByName("showInresult").asBoolean();
    if (pub.fieldByName("calcSum").asBoolean()) c.footer = FooterKind::Sum;
    columns.push_back(c);
  }
  if (!columns.empty()) {
    columns.front().footer = FooterKind::Text;
    columns.front().footerText = "合计";
  }
  listGrid_->setColumns(std::move(columns));
}

void Tsys_qryForm::callPage(const QString& table, const QString& fields, const QString& key,
                            const QString& where, const QString& order, int pageSize, int page,
                            bool knownTotal) {
  // Paging through a counted result passes the total, so the database does not count again.
  const PageTotals totals = queryPage(
      *listSP_, {table, fields, key, where, order, pageSize, page, knownTotal ? total_ : 0});
  if (!knownTotal) {
    total_ = totals.totalCount;
    pages_ = totals.pageCount;
  }
  page_ = page;
  listGrid_->refresh();
  listGrid_->setRowNumbers(true, (page - 1) * pageSize + 1);
  listGrid_->fitColumnsToContent();
}

void Tsys_qryForm::qryActionExecute() {
  if (!repView_->isHidden()) {
    QTreeWidgetItem* item = repView_->currentItem();
    if (!item || !item->parent() || !item->parent()->parent()) {
      prompter().message("请先选中某一查询报表!", Prompter::Icon::Information);
      return;
    }
  }
  if (queryId.trimmed().isEmpty()) {
    prompter().message("未指定任何报表!", Prompter::Icon::Information);
    return;
  }
  TfilterForm filter(dm_, this);
  filter.queryId = queryId;
  filter.load();
  if (desktop().exec(filter) != QDialog::Accepted) return;
  fieldList_ = filter.fieldList();
  where_ = filter.whereClause();
  callPage(preSQL_, fieldList_, keyName_, where_, sortName_, settings().recordCount, 1, false);
  pageBar_->setTotals(pages_, total_);
}

void Tsys_qryForm::showPage(int page) {
  callPage(preSQL_, fieldList_, keyName_, where_, sortName_, settings().recordCount, page, true);
  pageBar_->setPage(page);
}

QVariantMap Tsys_qryForm::rowValues(int row) const {
  QVariantMap values;
  if (row < 0 || row >= listSP_->recordCount()) return values;
  for (int f = 0; f < listSP_->fieldCount(); ++f)
    values.insert(listSP_->field(f).name(), listSP_->valueAt(row, f));
  return values;
}

void Tsys_qryForm::selBtnClick() {
  if (!listSP_->active() || listSP_->isEmpty()) {
    prompter().message("请选中一条记录!", Prompter::Icon::Information,
                       QApplication::applicationDisplayName());
    return;
  }
  accept();
}

void Tsys_qryForm::detail() {
  if (!listSP_->active() || listSP_->isEmpty()) return;
  const auto& handler = detailHandler(queryId);
  if (handler) handler(*this, rowValues(listSP_->currentRow()));
}

QString Tsys_qryForm::outputTitle() const {
  if (!repView_->isHidden() && repView_->currentItem()) return repView_->currentItem()->text(0);
  return windowTitle();
}

void Tsys_qryForm::print() {
  listGrid_->printPreview(outputTitle());
}

QString Tsys_qryForm::exportToSpreadsheet() {
  return listGrid_->exportWithDialog(outputTitle());
}

void Tsys_qryForm::treeClicked(QTreeWidgetItem* item) {
  if (!item || !item->parent() || !item->parent()->parent()) return;
  repView_->setCurrentItem(item);
  listSP_->clearIndex();
  Dataset& pub = dm_.pubCDS;
  pub.setCommandText("select * from sys_filter_sql where tableCName = :name order by idx ");
  pub.params().byName("name").value = item->text(0);
  pub.open();
  if (pub.isEmpty()) return;
  queryId = pub.fieldByName("tableName").asString().trimmed();
  preSQL_ = pub.fieldByName("preSQL").asString().trimmed();
  keyName_ = pub.fieldByName("keyName").asString().trimmed();
  sortName_ = pub.fieldByName("sortName").asString().trimmed();
  buildColumns();
}

// The caller protocol of finders and pickers: the query at once, then the dialog modally.
// True when the user chose with a result to choose from.
bool Tsys_qryForm::runAsPicker(Tsys_qryForm& dlg, const QString& caption, const QString& id) {
  dlg.setWindowTitle(caption);
  dlg.queryId = id;
  dlg.loadQuery(id);
  dlg.setTreeVisible(false);
  dlg.setSelectVisible(true);
  dlg.qryActionExecute();
  return desktop().exec(dlg) == QDialog::Accepted && !dlg.listSP().isEmpty();
}

std::optional<QVariantMap> Tsys_qryForm::find(QWidget* parent, const QString& caption,
                                              const QString& id) {
  Tsys_qryForm dlg(dm(), parent);
  if (!runAsPicker(dlg, caption, id)) return std::nullopt;
  return dlg.rowValues(dlg.listSP().currentRow());
}

std::vector<QVariantMap> Tsys_qryForm::pick(QWidget* parent, const QString& caption,
                                            const QString& id) {
  Tsys_qryForm dlg(dm(), parent);
  std::vector<QVariantMap> rows;
  if (!runAsPicker(dlg, caption, id)) return rows;
  // Only what the user ticked: the row under the cursor is no choice of theirs.
  for (int row : dlg.listGrid()->checkedRows()) rows.push_back(dlg.rowValues(row));
  return rows;
}

}  // namespace qk::client

#include "client/masterdata/products_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/masterdata/list_form.h"
#include "client/query/filter_form.h"
#include "client/query/query_page.h"
#include "client/report/sys_report_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/unsaved_work.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

constexpr const char* kPrefix = "PRDS";
constexpr int kDigits = 6;
constexpr int kLastNumber = 999999;

QHash<QString, ProductScreen>& productScreens() {
  static QHash<QString, ProductScreen> screens;
  return screens;
}

// The grid's columns in design order; titles, widths, order and visibility come from the
// bas_products layout.
std::vector<GridColumn> productColumns() {
  return gridColumns({"productNo",  "pIdName",    "productName", "productSize", "productPre",
                      "productMat", "productSta", "productUnit", "costPrice",   "source",
                      "uw",         "xlz",        "jkz",         "mpz",         "ccz",
                      "lowQty",     "highQty",    "isCutter",    "brand",       "remark",
                      "def1",       "def2",       "def3",        "def4",        "def5",
                      "def6",       "productId"});
}

void productRule(Dataset& ds) {
  if (ds.fieldByName("productName").asString().trimmed().isEmpty()) {
    prompter().message(kProductNameEmpty);
    throw Abort();
  }
  if (ds.fieldByName("productSize").asString().trimmed().isEmpty()) {
    prompter().message(kProductSizeEmpty);
    throw Abort();
  }
  Field& no = ds.fieldByName("productNo");
  if (no.asString().trimmed().isEmpty()) no.setValue(nextProductNo(dm().pubCDS));
}

enum class Sending { Save, Deletion };

// A failed save keeps its changes pending, so the next save sends them again, and marks the
// product it was about in the grid. A deletion speaks only when it failed (the user has just
// confirmed it), and marks nothing: its row is gone from the grid.
void sendProducts(Dataset& ds, Sending what, DataGrid* marks) {
  if (ds.changeCount() == 0) return;
  const int row = what == Sending::Save ? ds.currentRow() : -1;
  const QString reply = dm().updateBasData(ds, "bas_products", "productNo", "");
  if (reply == "OK") {
    ds.mergeChangeLog();
    if (marks) marks->clearRowMarks();
  } else if (marks && row >= 0 && row < ds.recordCount()) {
    marks->markRow(row, reply);
  }
  if (reply != "OK" || what == Sending::Save) prompter().message(reply);
}

// The deletion goes to the server now, with whatever the user saved before it; a deletion left
// pending would be sent again by the next save and refused for a row that is gone.
void deleteProduct(Dataset& ds, DataGrid* marks) {
  if (!ds.active()) return;
  if (ds.state() == Dataset::State::Insert) {
    ds.cancel();  // a row never saved has nothing to delete on the server
    return;
  }
  if (ds.isEmpty() || !prompter().confirm(kConfirmDeleteRecord)) return;
  ds.remove();
  sendProducts(ds, Sending::Deletion, marks);
}

bool isNumeric(const Field& f) {
  return f.type() == protocol::FieldType::Float || f.type() == protocol::FieldType::Decimal ||
         f.type() == protocol::FieldType::Integer;
}

}  // namespace

QString nextProductNo(Dataset& pub) {
  // Only numbers of exactly the generated form count: a typed "PRDS99", "PRDSX1" or
  // "PRDS0000012" must neither stop the numbering nor make it jump. Numbers compare without
  // case, so a typed "prds000050" is taken as the same number.
  pub.setCommandText(
      "select max(upper(productNo)) as max from bas_products "
      "where upper(productNo) glob 'PRDS[0-9][0-9][0-9][0-9][0-9][0-9]'");
  pub.open();
  const QString highest = pub.isEmpty() ? QString() : pub.field(0).asString().trimmed();
  pub.close();
  if (highest.isEmpty()) return QString(kPrefix) + QString(kDigits - 1, '0') + "1";
  bool ok = false;
  const qlonglong n = highest.mid(4).toLongLong(&ok);
  // At the end of the range the next number would be malformed: the user types one instead.
  if (!ok || n >= kLastNumber) {
    prompter().message(kProductNumbersUsedUp, Prompter::Icon::Warning);
    throw Abort();
  }
  return kPrefix + QString::number(n + 1).rightJustified(kDigits, '0');
}

void installProductRules(Dataset& products, DataGrid* grid) {
  products.beforePost = productRule;
  products.afterPost = [marks = QPointer<DataGrid>(grid)](Dataset& ds) {
    sendProducts(ds, Sending::Save, marks);
  };
  products.afterDelete = nullptr;
  products.onNewRecord = nullptr;
}

// ---- edit dialog

const QStringList& Tbas_prdEditForm::fieldOrder() {
  static const QStringList kOrder = {
      "productNo",  "pIdName",     "productName", "productSize", "productPre", "productMat",
      "productSta", "productUnit", "costPrice",   "source",      "remark",     "brand",
      "uw",         "xlz",         "jkz",         "mpz",         "ccz",        "lowQty",
      "highQty",    "isCutter",    "def1",        "def2",        "def3",       "def4",
      "def5",       "def6",        "productId"};
  return kOrder;
}

Tbas_prdEditForm::Tbas_prdEditForm(QWidget* parent, DataGrid* marks)
    : QDialog(parent), ds_(dm().productsCDS), marks_(marks) {
  setWindowTitle("物料设置");
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar,
                 {{"增加", 0, "insert", {}, [this] { ds_.append(); }, &insertAction},
                  {"修改", 0, "edit", {}, [this] { ds_.edit(); }, &editAction},
                  {"删除", 0, "delete", {}, [this] { deleteProduct(ds_, marks_); }, &deleteAction},
                  {"保存", 0, "save", {}, [this] { saveActionExecute(); }, &saveAction},
                  {"取消", 0, "cancel", {}, [this] { cancelActionExecute(); }, &cancelAction},
                  {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction}});

  auto* body = new QWidget;
  auto* form = new QFormLayout(body);
  for (const QString& name : fieldOrder()) {
    Field* f = ds_.findField(name);
    // One row per field: the field's own title, without the group of the grid's two-level one.
    const QString label = (f ? f->label() : name).section('|', -1);
    QWidget* w = nullptr;
    if (name == "source" || name == "pIdName") {
      auto* box = new QComboBox;
      box->addItem(QString());
      if (name == "source") {
        box->addItems({"自制", "采购"});
      } else {
        Dataset& ids = dm().pIdCDS;
        for (int r = 0; r < (ids.active() ? ids.recordCount() : 0); ++r)
          box->addItem(ids.valueAt(r, "pIdName").toString(), ids.valueAt(r, "productId"));
      }
      connect(box, &QComboBox::activated, this, guardedSlot([this, name] { commit(name); }));
      w = box;
    } else if (name == "isCutter") {
      auto* check = new QCheckBox;
      connect(check, &QCheckBox::clicked, this, guardedSlot([this, name] { commit(name); }));
      w = check;
    } else {
      auto* line = new QLineEdit;
      if (f && f->type() == protocol::FieldType::String && f->size() > 0)
        line->setMaxLength(f->size());
      connect(line, &QLineEdit::editingFinished, this, guardedSlot([this, name] { commit(name); }));
      // Enter moves on as Tab does, so a product is typed row after row.
      connect(line, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
      w = line;
    }
    editors_.insert(name, w);
    form->addRow(label, w);
  }
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(body);
  scroll->setWidgetResizable(true);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addWidget(scroll);
  fitToScreen(*this, QSize(420, 640));

  connect(&ds_, &Dataset::changed, this, [this] {
    loadEditors();
    updateActions();
  });
  connect(&ds_, &Dataset::currentChanged, this, [this] {
    loadEditors();
    updateActions();
  });
  loadEditors();
  updateActions();
}

void Tbas_prdEditForm::updateActions() {
  const bool rows = ds_.active() && !ds_.isEmpty();
  insertAction->setEnabled(ds_.active() && !isEditing(ds_));
  editAction->setEnabled(rows && !isEditing(ds_));
  deleteAction->setEnabled(rows);
  // A refused save can be sent again or given up until one of the two happens.
  const bool unsaved = hasUnsavedWork(ds_);
  saveAction->setEnabled(unsaved);
  cancelAction->setEnabled(unsaved);
}

void Tbas_prdEditForm::saveActionExecute() {
  // What the editors hold goes into the row first: a correction typed after a refusal too.
  commitEditors();
  if (isEditing(ds_))
    ds_.post();
  else
    sendProducts(ds_, Sending::Save, marks_);
  updateActions();
}

void Tbas_prdEditForm::cancelActionExecute() {
  if (isEditing(ds_)) {
    ds_.cancel();
  } else if (ds_.active() && ds_.changeCount() > 0) {
    ds_.cancelUpdates();  // the refused changes given up: the products as the server has them
    if (marks_) marks_->clearRowMarks();
  }
  updateActions();
}

void Tbas_prdEditForm::loadEditors() {
  if (loading_) return;
  loading_ = true;
  const bool row = ds_.active() && (!ds_.isEmpty() || ds_.state() == Dataset::State::Insert);
  for (auto it = editors_.begin(); it != editors_.end(); ++it) {
    Field* f = ds_.findField(it.key());
    const QVariant v = row && f ? f->value() : QVariant();
    if (auto* box = qobject_cast<QComboBox*>(it.value())) {
      box->setCurrentIndex(std::max(0, box->findText(v.toString())));
    } else if (auto* check = qobject_cast<QCheckBox*>(it.value())) {
      check->setChecked(v.toBool());
    } else if (auto* line = qobject_cast<QLineEdit*>(it.value())) {
      line->setText(v.toString());
    }
  }
  loading_ = false;
}

void Tbas_prdEditForm::commit(const QString& name) {
  if (loading_ || !ds_.active()) return;
  if (ds_.state() == Dataset::State::Browse && ds_.isEmpty()) return;
  QWidget* w = editors_.value(name);
  // The category is chosen by name; the row keeps its number.
  QString target = name;
  QVariant v;
  if (auto* box = qobject_cast<QComboBox*>(w)) {
    if (name == "pIdName") {
      target = "productId";
      v = box->currentData();
    } else {
      v = box->currentText().isEmpty() ? QVariant() : QVariant(box->currentText());
    }
  } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
    v = check->isChecked();
  } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
    const QString text = line->text();
    Field& f = ds_.fieldByName(target);
    if (text.trimmed().isEmpty()) {
      v = QVariant();
    } else if (isNumeric(f)) {
      bool ok = false;
      const double d = text.trimmed().toDouble(&ok);
      if (!ok) throw DataError(QString("“%1”不是有效的数值").arg(text));
      v = d;
    } else {
      v = text;
    }
  }
  Field& f = ds_.fieldByName(target);
  if (f.kind() != FieldKind::Data) return;
  const QVariant current = f.value();
  if (current.isValid() == v.isValid() && current.toString() == v.toString()) return;
  loading_ = true;
  try {
    if (ds_.state() == Dataset::State::Browse) ds_.edit();
    f.setValue(v);
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
  // The category shows in two rows; the other one must not write back what it showed before.
  if (name == "pIdName") {
    if (auto* line = qobject_cast<QLineEdit*>(editors_.value("productId")))
      line->setText(f.asString());
  } else if (name == "productId") {
    if (auto* box = qobject_cast<QComboBox*>(editors_.value("pIdName")))
      box->setCurrentIndex(std::max(0, box->findData(f.value())));
  }
}

void Tbas_prdEditForm::commitEditors() {
  for (const QString& name : fieldOrder()) commit(name);
}

void registerProductScreen(const QString& actionName, ProductScreen open) {
  if (open)
    productScreens().insert(actionName, std::move(open));
  else
    productScreens().remove(actionName);
}

const ProductScreen* findProductScreen(const QString& actionName) {
  const auto it = productScreens().constFind(actionName);
  return it == productScreens().cend() ? nullptr : &*it;
}

// ---- products screen

Tbas_productsForm::Tbas_productsForm(QWidget* parent) : QDialog(parent), ds_(dm().productsCDS) {
  setWindowTitle("物料设置");

  QToolBar* bar = newToolBar(this);
  addToolActions(
      *bar, {
                {"选择", 0, "select", "选中该物料", [this] { selBtnClick(); }, &selBtn, false},
                {"查询", 0, "query", {}, [this] { qryActionExecute(); }, &ToolButton12},
                {"增加", 0, "insert", {}, [this] { newActionExecute(); }, &newAction},
                {"修改", 0, "edit", {}, [this] { editActionExecute(); }, &editAction},
                {"删除", 0, "delete", {}, [this] { delActionExecute(); }, &delAction},
                {"BOM", 0, "detail", "显示该物料的物料清单",
                 [this] { openProductScreen("bomAction"); }, &bomAction},
                {"图纸", 0, "detail", "显示该物料的相关图纸",
                 [this] { openProductScreen("drawingAction"); }, &drawingAction},
                {"定额", 0, "detail", "显示该物料的各工序加工定额",
                 [this] { openProductScreen("quoteAction"); }, &quoteAction},
                {"报价", 0, "detail", "显示供应商报价 ", [this] { openProductScreen("supAction"); },
                 &supAction},
                {"打印", 0, "print", {}, [this] { printActionExecute(); }, &printAction},
                {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction},
            });

  grid_ = new DataGrid(this);
  installProductRules(ds_, grid_);
  grid_->setColumns(productColumns());
  grid_->setReadOnly(true);
  grid_->setFooterVisible(true);
  grid_->setTitleSort(true);

  pageBar_ = new PageBar(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  layout->addWidget(pageBar_);
  fitToScreen(*this, QSize(1000, 600));

  // The category names come from pIdCDS, which nothing else opens before this screen.
  Dataset& ids = dm().pIdCDS;
  if (!ds_.findField("pIdName"))
    ds_.addLookupField("pIdName", "productId", ids, "productId", "pIdName");
  if (!ids.active()) ids.open();
  ds_.setCommandText("select * from view_bas_prd_des where productNo = 'love' order by productNo ");
  ds_.open();
  grid_->setDataset(&ds_);
  grid_->applyStyle();
  grid_->applyLayout(dm().pubCDS, "bas_products");

  connect(grid_, &DataGrid::rowDoubleClicked, this,
          [this](int) { guarded([this] { editActionExecute(); }); });
  connect(pageBar_, &PageBar::pageChosen, this,
          [this](int page) { guarded([this, page] { showPage(page); }); });
  connect(&ds_, &Dataset::changed, this, [this] { updateActions(); });
  connect(&ds_, &Dataset::currentChanged, this, [this] { updateActions(); });
  updateActions();
}

Tbas_productsForm::~Tbas_productsForm() = default;

void Tbas_productsForm::updateActions() {
  const bool rows = ds_.active() && !ds_.isEmpty();
  editAction->setEnabled(rows);
  delAction->setEnabled(rows);
  // A button whose screen no library registered stays disabled.
  const std::pair<QAction*, const char*> opened[] = {{bomAction, "bomAction"},
                                                     {drawingAction, "drawingAction"},
                                                     {quoteAction, "quoteAction"},
                                                     {supAction, "supAction"}};
  for (const auto& [action, name] : opened)
    action->setEnabled(rows && productScreens().contains(name));
}

void Tbas_productsForm::openProductScreen(const QString& actionName) {
  const auto it = productScreens().constFind(actionName);
  if (it == productScreens().cend() || !ds_.active() || ds_.isEmpty()) return;
  grid_->commitEdit();
  (*it)(this, ds_.fieldByName("productNo").asString());
}

void Tbas_productsForm::setPickerMode(bool on) {
  selBtn->setVisible(on);
  grid_->setCheckBoxes(on);
}

std::vector<QVariantMap> Tbas_productsForm::chosenRows() const {
  QList<int> rows = grid_->checkedRows();
  if (rows.isEmpty()) rows = grid_->selectedRows();
  std::vector<QVariantMap> out;
  for (int row : rows) {
    QVariantMap values;
    for (int i = 0; i < ds_.fieldCount(); ++i)
      values.insert(ds_.field(i).name(), ds_.valueAt(row, i));
    out.push_back(values);
  }
  return out;
}

std::vector<QVariantMap> Tbas_productsForm::pick(QWidget* parent) {
  Tbas_productsForm dlg(parent);
  dlg.setPickerMode(true);
  if (desktop().exec(dlg) != QDialog::Accepted) return {};
  return dlg.chosenRows();
}

void Tbas_productsForm::qryActionExecute() {
  TfilterForm filter(dm(), this);
  filter.queryId = "bas_products";
  filter.load();
  if (desktop().exec(filter) != QDialog::Accepted) return;
  where_ = filter.whereClause();
  const PageTotals totals = queryPage(ds_, {.table = "view_bas_prd_des",
                                            .fields = "*",
                                            .key = "productNo",
                                            .where = where_,
                                            .order = "productNo",
                                            .pageSize = settings().recordCount,
                                            .page = 1});
  total_ = totals.totalCount;
  pages_ = totals.pageCount;
  grid_->refresh();
  pageBar_->setTotals(pages_, total_);
  if (settings().autoColWidth) grid_->fitColumnsToContent();
}

void Tbas_productsForm::showPage(int page) {
  if (page < 1) return;
  queryPage(ds_, {.table = "view_bas_prd_des",
                  .fields = "*",
                  .key = "productNo",
                  .where = where_,
                  .order = "productNo",
                  .pageSize = settings().recordCount,
                  .page = page,
                  .knownTotal = total_});
  grid_->refresh();
  pageBar_->setPage(page);
}

void Tbas_productsForm::newActionExecute() {
  Tbas_prdEditForm dlg(this, grid_);
  ds_.append();
  desktop().exec(dlg);
}

void Tbas_productsForm::editActionExecute() {
  if (!ds_.active() || ds_.isEmpty()) return;
  Tbas_prdEditForm dlg(this, grid_);
  desktop().exec(dlg);
}

void Tbas_productsForm::delActionExecute() {
  deleteProduct(ds_, grid_);
}

bool Tbas_productsForm::hasUnsavedWork() const {
  return client::hasUnsavedWork(ds_);
}

void Tbas_productsForm::reject() {
  if (hasUnsavedWork() && !confirmClose()) return;
  if (isEditing(ds_)) ds_.cancel();  // the typed product the user gives up
  QDialog::reject();
}

void Tbas_productsForm::printActionExecute() {
  Tsys_reportForm dlg(this);
  dlg.category = "bas_products";
  dlg.treeMode = false;
  dlg.loadReports();
  desktop().exec(dlg);
}

void Tbas_productsForm::selBtnClick() {
  if (!ds_.active() || ds_.isEmpty()) {
    prompter().message("请选中一条记录!", Prompter::Icon::Information,
                       QApplication::applicationDisplayName());
    return;
  }
  ds_.checkBrowseMode();
  accept();
}

}  // namespace qk::client

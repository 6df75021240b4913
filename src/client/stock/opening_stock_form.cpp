#include "client/stock/opening_stock_form.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/data/settings.h"
#include "client/query/filter_form.h"
#include "client/query/query_page.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/desktop.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/page_bar.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {

// The key of an existing row: changing it would write the quantities under another product.
const QStringList kKeyFields{"whNo", "productNo", "whName"};
// Shown, never typed: the product's own data, the figures the database keeps, computed values.
const QStringList kShownOnly{"productName", "productSize", "productPre", "productMat", "productSta",
                             "productUnit", "amount",      "des",        "def1",       "def2",
                             "def3",        "def4",        "def5",       "def6",       "Qty",
                             "uPrice",      "realMoney"};
const QStringList kNumbers{"initQty", "initPrice"};

const QMap<QString, QString>& captions() {
  static const QMap<QString, QString> map{
      {"whNo", "仓库编号"},    {"whName", "仓库"},        {"productNo", "物料编号"},
      {"productName", "品名"}, {"productSize", "规格"},   {"productPre", "压力等级"},
      {"productMat", "材质"},  {"productSta", "标准"},    {"productUnit", "单位"},
      {"initQty", "期初数量"}, {"initPrice", "期初单价"}, {"amount", "期初金额"},
      {"remark", "备注"},      {"des", "物料描述"},       {"def1", "自定义1"},
      {"def2", "自定义2"},     {"def3", "自定义3"},       {"def4", "自定义4"},
      {"def5", "自定义5"},     {"def6", "自定义6"},       {"Qty", "当前数量"},
      {"uPrice", "当前单价"},  {"realMoney", "当前金额"}};
  return map;
}

std::vector<GridColumn> stockColumns() {
  QStringList fields{"whNo",       "whName",     "productNo",   "initQty",
                     "initPrice",  "Qty",        "uPrice",      "realMoney",
                     "amount",     "remark",     "productName", "productSize",
                     "productPre", "productMat", "productSta",  "productUnit"};
  for (int i = 1; i <= 6; ++i) fields << QString("def%1").arg(i);
  fields << "des";
  std::vector<GridColumn> cols = gridColumns(fields);
  for (GridColumn& c : cols) {
    c.title = captions().value(c.field, c.field);
    if (c.field == "initQty" || c.field == "uPrice" || c.field == "amount")
      c.displayFormat = "#,##0.00";
    if (c.field == "initQty" || c.field == "amount" || c.field == "realMoney")
      c.footer = FooterKind::Sum;
  }
  return cols;
}

// The opening value is never stored: quantity times price of the row.
void declareAmount(Dataset& ds) {
  if (ds.findField("amount")) return;
  ds.addCalculatedField("amount", protocol::FieldType::Float, [](const Record& r) {
    return QVariant(r.value("initQty").toDouble() * r.value("initPrice").toDouble());
  });
}

QString shownText(const Field& f) {
  if (f.isNull()) return {};
  if (f.name() == "amount") return QString::number(f.asFloat(), 'f', 2);
  if (f.type() == protocol::FieldType::Float || f.type() == protocol::FieldType::Decimal)
    return QString::number(f.asFloat(), 'g', 15);
  return f.asString();
}

}  // namespace

// ---- the edit dialog

Twh_iniEditForm::Twh_iniEditForm(QWidget* parent) : QDialog(parent), ds_(dm().stockCDS) {
  setWindowTitle("期初库存设置");
  auto* form = new QFormLayout;
  Dataset& wh = dm().whCDS;
  if (!wh.active()) wh.open();
  for (const QString& name : fieldOrder()) {
    Field* f = ds_.findField(name);
    const bool readOnly = kShownOnly.contains(name) || (f && f->readOnly);
    if (name == "whName") {
      whName_ = new QComboBox(this);
      for (int r = 0; r < wh.recordCount(); ++r)
        whName_->addItem(wh.valueAt(r, "whName").toString(), wh.valueAt(r, "whNo"));
      whName_->setEnabled(!readOnly);
      editors_.insert(name, whName_);
      form->addRow(captions().value(name), whName_);
      continue;
    }
    auto* edit = new QLineEdit(this);
    edit->setReadOnly(readOnly || name == "whNo");  // the warehouse is chosen by name
    if (f && f->size() > 0 && !kNumbers.contains(name)) edit->setMaxLength(f->size());
    editors_.insert(name, edit);
    if (name == "productNo") {
      auto* row = new QHBoxLayout;
      auto* button = new QPushButton("…", this);
      button->setEnabled(!readOnly);
      button->setFixedWidth(28);
      connect(button, &QPushButton::clicked, this,
              [this] { guarded([this] { productButtonClick(); }); });
      row->addWidget(edit, 1);
      row->addWidget(button);
      form->addRow(captions().value(name), row);
    } else {
      form->addRow(captions().value(name), edit);
    }
  }
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("确定", QDialogButtonBox::AcceptRole);
  buttons->addButton("取消", QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this,
          [this] { guarded([this] { okBtnClick(); }); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* body = new QWidget;
  body->setLayout(form);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(body);
  scroll->setWidgetResizable(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(buttons);
  fitToScreen(*this, QSize(420, 640));
  loadEditors();
}

const QStringList& Twh_iniEditForm::fieldOrder() {
  static const QStringList order{
      "whNo",       "whName",     "productNo",   "productName", "productSize", "productPre",
      "productMat", "productSta", "productUnit", "initQty",     "initPrice",   "amount",
      "remark",     "des",        "def1",        "def2",        "def3",        "def4",
      "def5",       "def6",       "Qty",         "uPrice",      "realMoney"};
  return order;
}

void Twh_iniEditForm::loadEditors() {
  for (auto it = editors_.cbegin(); it != editors_.cend(); ++it) {
    Field* f = ds_.findField(it.key());
    if (it.value() == whName_) {
      whName_->setCurrentIndex(whName_->findData(f ? f->asString() : QString()));
      if (whName_->currentIndex() < 0 && ds_.findField("whNo"))
        whName_->setCurrentIndex(whName_->findData(ds_.fieldByName("whNo").asString()));
    } else if (auto* edit = qobject_cast<QLineEdit*>(it.value())) {
      edit->setText(f ? shownText(*f) : QString());
    }
  }
}

void Twh_iniEditForm::commitEditors() {
  auto set = [this](const QString& name, const QVariant& v) {
    Field& f = ds_.fieldByName(name);
    if (f.value() == v && f.isNull() == v.isNull()) return;
    if (ds_.state() == Dataset::State::Browse) ds_.edit();
    f.setValue(v);
  };
  if (whName_->isEnabled() && whName_->currentIndex() >= 0) {
    set("whNo", whName_->currentData());
    set("whName", whName_->currentText());
  }
  for (auto it = editors_.cbegin(); it != editors_.cend(); ++it) {
    auto* edit = qobject_cast<QLineEdit*>(it.value());
    if (!edit || edit->isReadOnly()) continue;
    const QString text = edit->text().trimmed();
    if (kNumbers.contains(it.key())) {
      set(it.key(), text.isEmpty() ? QVariant() : QVariant(text.toDouble()));
    } else if (text != ds_.fieldByName(it.key()).asString()) {
      set(it.key(), edit->text());
    }
  }
  loadEditors();
}

void Twh_iniEditForm::productButtonClick() {
  const std::optional<QVariantMap> row = Tsys_qryForm::find(this, "产品查询", "bas_products");
  if (!row) return;
  commitEditors();
  if (ds_.state() == Dataset::State::Browse) ds_.edit();
  QStringList copied{"productNo",  "productName", "productSize", "productPre",
                     "productMat", "productSta",  "productUnit", "des"};
  for (int i = 1; i <= 6; ++i) copied << QString("def%1").arg(i);
  for (const QString& name : copied)
    if (row->contains(name)) ds_.fieldByName(name).setValue(row->value(name));
  loadEditors();
}

void Twh_iniEditForm::okBtnClick() {
  commitEditors();
  if (ds_.fieldByName("productNo").asString().trimmed().isEmpty()) {
    prompter().message(kStockProductEmpty, Prompter::Icon::Stop);
    return;
  }
  if (ds_.fieldByName("whNo").asString().trimmed().isEmpty()) {
    prompter().message(kStockWarehouseEmpty, Prompter::Icon::Stop);
    return;
  }
  accept();
}

// ---- the list

Twh_initForm::Twh_initForm(QWidget* parent) : QDialog(parent), ds_(dm().stockCDS) {
  setWindowTitle("期初库存设置");
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar,
                 {
                     {"查询", 'Y', "query", {}, [this] { qryActionExecute(); }, &qryAction},
                     {"增加", 0, "insert", {}, [this] { newActionExecute(); }, &newAction, false},
                     {"修改", 0, "edit", {}, [this] { editActionExecute(); }, &editAction},
                     {"删除", 'X', "delete", {}, [this] { delActionExecute(); }, &delAction},
                     {"打印", 'W', "print", {}, [this] { printActionExecute(); }, &printAction},
                     {"关闭", 'V', "close", {}, [this] { reject(); }, &closeAction},
                 });
  declareAmount(ds_);
  grid_ = new DataGrid(this);
  grid_->setColumns(stockColumns());
  grid_->setReadOnly(true);
  grid_->setFooterVisible(true);
  grid_->setRowNumbers(true);
  grid_->setDataset(&ds_);
  grid_->applyStyle();
  grid_->applyLayout(dm().pubCDS, "wh_stock");
  pageBar_ = new PageBar(this);
  connect(pageBar_, &PageBar::pageChosen, this,
          [this](int page) { guarded([this, page] { showPage(page); }); });
  connect(grid_, &DataGrid::rowDoubleClicked, this,
          [this](int) { guarded([this] { editActionExecute(); }); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  layout->setMenuBar(bar);
  layout->addWidget(grid_, 1);
  layout->addWidget(pageBar_);
  fitToScreen(*this, QSize(1100, 620));
}

Twh_initForm::~Twh_initForm() {
  grid_->setDataset(nullptr);
}

PageRequest Twh_initForm::pageRequest(int page) const {
  return {.table = "view_stock_view",
          .fields = "*",
          .key = "whNo,productNo",
          .where = where_,
          .order = "productNo",
          .pageSize = settings().recordCount,
          .page = page,
          .knownTotal = page > 1 ? total_ : 0};
}

void Twh_initForm::qryActionExecute() {
  TfilterForm filter(dm(), this);
  filter.queryId = "bas_products";
  filter.load();
  if (desktop().exec(filter) != QDialog::Accepted) return;
  where_ = filter.whereClause();
  const PageTotals totals = queryPage(ds_, pageRequest(1));
  total_ = totals.totalCount;
  grid_->refresh();
  pageBar_->setTotals(totals.pageCount, total_);
  if (settings().autoColWidth) grid_->fitColumnsToContent();
}

void Twh_initForm::showPage(int page) {
  if (page < 1) return;
  queryPage(ds_, pageRequest(page));
  grid_->refresh();
  pageBar_->setPage(page);
}

void Twh_initForm::save() {
  ds_.checkBrowseMode();
  const ServerReply reply = dm().updateBasData(ds_, "wh_stock", "whNo", "productNo");
  prompter().message(reply.text);
  if (reply.ok()) ds_.mergeChangeLog();
}

void Twh_initForm::editActionExecute() {
  if (!ds_.active() || ds_.isEmpty()) return;
  for (const QString& key : kKeyFields) ds_.fieldByName(key).readOnly = true;
  Twh_iniEditForm dlg(this);
  if (desktop().exec(dlg) == QDialog::Accepted) {
    save();
  } else if (ds_.state() != Dataset::State::Browse) {
    ds_.cancel();
  }
}

void Twh_initForm::newActionExecute() {
  if (!ds_.active()) return;
  for (const QString& key : kKeyFields) ds_.fieldByName(key).readOnly = false;
  ds_.append();
  Twh_iniEditForm dlg(this);
  if (desktop().exec(dlg) == QDialog::Accepted) {
    save();
  } else if (ds_.state() != Dataset::State::Browse) {
    ds_.cancel();
  }
}

void Twh_initForm::delActionExecute() {
  if (!ds_.active() || ds_.isEmpty()) return;
  if (!prompter().confirm(kStockConfirmDelete)) return;
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("delete from wh_stock where whNo = :p1 and productNo = :p2  ");
  pub.params().byName("p1").value = ds_.fieldByName("whNo").value();
  pub.params().byName("p2").value = ds_.fieldByName("productNo").value();
  pub.execute();
  // Gone on the server now: a deletion left in the change log would be refused at the next save.
  ds_.forgetCurrent();
}

void Twh_initForm::printActionExecute() {
  grid_->printPreview("期初库存设置");
}

}  // namespace qk::client

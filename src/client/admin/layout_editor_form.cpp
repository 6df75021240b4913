#include "client/admin/layout_editor_form.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSet>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/window_size.h"

namespace qk::client {

LayoutEditorForm::LayoutEditorForm(LayoutEditorConfig config, QWidget* parent)
    : QDialog(parent),
      config_(std::move(config)),
      colCds_(std::make_unique<Dataset>(dm().connection(), "UpdateMainDSP")) {
  setWindowTitle(config_.caption);

  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"保存", 'S', "save", {}, [this] { saveExecute(); }, &saveAction},
                           {"关闭", 'C', "close", {}, [this] { reject(); }, &closeAction},
                       });
  QToolBar* rowBar = newToolBar(this);
  rowBar->setToolButtonStyle(Qt::ToolButtonTextOnly);  // the icon set has no up and down arrows
  addToolActions(*rowBar, {
                              {"上移", 0, {}, "上移", [this] { moveUpExecute(); }, &upAction},
                              {"下移", 0, {}, "下移", [this] { moveDownExecute(); }, &downAction},
                              {"恢复默认列名",
                               0,
                               {},
                               "恢复默认列名",
                               [this] { restoreCaptionsExecute(); },
                               &restoreAction},
                          });

  repView = new QTreeWidget(this);
  repView->setHeaderHidden(true);
  auto* root = new QTreeWidgetItem(repView, QStringList{config_.rootText});
  Dataset& pub = dm().pubCDS;
  pub.setCommandText(config_.namesSql);
  pub.open();
  for (int r = 0; r < pub.recordCount(); ++r)
    new QTreeWidgetItem(root, QStringList{pub.valueAt(r, 0).toString()});
  root->setExpanded(true);
  connect(repView, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { guarded([&] { nodeClicked(item); }); });

  grid_ = new DataGrid(this);
  grid_->setColumns(config_.columns);
  grid_->applyStyle();

  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(rowBar);
  rightLayout->addWidget(grid_, 1);
  auto* split = new QSplitter(this);
  split->addWidget(repView);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  split->setSizes({220, 640});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(900, 600));

  // The first definition is open from the start rather than an empty grid.
  if (root->childCount() > 0) {
    repView->setCurrentItem(root->child(0));
    chooseName(root->child(0)->text(0));
  }
}

LayoutEditorForm::~LayoutEditorForm() = default;

QStringList LayoutEditorForm::names() const {
  QStringList out;
  const QTreeWidgetItem* root = repView->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) out << root->child(i)->text(0);
  return out;
}

void LayoutEditorForm::nodeClicked(QTreeWidgetItem* item) {
  if (!item || !item->parent()) return;  // the root names no definition
  chooseName(item->text(0));
}

void LayoutEditorForm::chooseName(const QString& name) {
  Dataset& ds = *colCds_;
  ds.setCommandText(config_.rowsSql);
  ds.params().byName("p1").value = name;
  ds.open();
  ds.setIndex(config_.positionField);
  ds.first();
  chosen_ = name;
  if (grid_->dataset() != &ds)
    grid_->setDataset(&ds);
  else
    grid_->refresh();
}

void LayoutEditorForm::moveUpExecute() {
  moveBy(-1);
}

void LayoutEditorForm::moveDownExecute() {
  moveBy(1);
}

void LayoutEditorForm::moveBy(int step) {
  Dataset& ds = *colCds_;
  if (!ds.active() || ds.isEmpty()) return;
  grid_->commitEdit();
  ds.checkBrowseMode();
  const int from = ds.currentRow();
  const int to = from + step;
  // The first row cannot go up, nor the last one down.
  if (from < 0 || to < 0 || to >= ds.recordCount()) return;
  std::vector<int> order(static_cast<std::size_t>(ds.recordCount()));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::swap(order[static_cast<std::size_t>(from)], order[static_cast<std::size_t>(to)]);
  const quint64 moved = ds.recordId(from);
  renumber(order);
  for (int r = 0; r < ds.recordCount(); ++r)
    if (ds.recordId(r) == moved) ds.moveTo(r);
}

void LayoutEditorForm::renumber(const std::vector<int>& order) {
  // Positions are given by record, not by row: every post re-sorts the rows by position.
  Dataset& ds = *colCds_;
  std::vector<quint64> ids;
  for (int row : order) ids.push_back(ds.recordId(row));
  for (std::size_t place = 0; place < ids.size(); ++place) {
    for (int r = 0; r < ds.recordCount(); ++r) {
      if (ds.recordId(r) != ids[place]) continue;
      ds.moveTo(r);
      if (ds.fieldByName(config_.positionField).asInteger() != static_cast<qlonglong>(place) ||
          ds.fieldByName(config_.positionField).isNull()) {
        ds.edit();
        ds.fieldByName(config_.positionField).setValue(static_cast<int>(place));
        ds.post();
      }
      break;
    }
  }
}

void LayoutEditorForm::restoreCaptionsExecute() {
  Dataset& ds = *colCds_;
  if (!ds.active()) return;
  grid_->commitEdit();
  ds.checkBrowseMode();
  const int current = ds.currentRow();
  for (int r = 0; r < ds.recordCount(); ++r) {
    ds.moveTo(r);
    const QString byDefault = ds.fieldByName(config_.defaultCaptionField).asString();
    // A row without a default keeps its caption rather than losing it.
    if (byDefault.isEmpty() || byDefault == ds.fieldByName(config_.captionField).asString())
      continue;
    ds.edit();
    ds.fieldByName(config_.captionField).setValue(byDefault);
    ds.post();
  }
  if (current >= 0) ds.moveTo(current);
}

QString LayoutEditorForm::duplicateCaption() const {
  const Dataset& ds = *colCds_;
  QSet<QString> seen;
  for (int r = 0; r < ds.recordCount(); ++r) {
    const QString caption = ds.valueAt(r, config_.captionField).toString();
    const QString folded = caption.toLower();
    if (seen.contains(folded)) return caption;
    seen.insert(folded);
  }
  return {};
}

void LayoutEditorForm::saveExecute() {
  Dataset& ds = *colCds_;
  if (!ds.active()) return;
  grid_->commitEdit();
  ds.checkBrowseMode();
  // The conditions dialog finds a field by its caption: two alike would make one unreachable.
  if (config_.uniqueCaptions) {
    const QString twice = duplicateCaption();
    if (!twice.isNull()) {
      prompter().message(QString("列名“%1”重复，请修改后再保存!").arg(twice),
                         Prompter::Icon::Warning);
      return;
    }
  }
  std::vector<int> shown(static_cast<std::size_t>(ds.recordCount()));
  for (std::size_t i = 0; i < shown.size(); ++i) shown[i] = static_cast<int>(i);
  const int current = ds.currentRow();
  renumber(shown);
  if (current >= 0) ds.moveTo(current);
  if (ds.changeCount() > 0) {
    const ServerReply reply = dm().updateBasData(ds, config_.table, config_.key1, config_.key2);
    if (!reply.ok()) {
      prompter().message(reply.text, Prompter::Icon::Warning);
      return;
    }
    ds.mergeChangeLog();
  }
  prompter().message(kSaved, Prompter::Icon::Information);
}

}  // namespace qk::client

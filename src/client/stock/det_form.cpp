#include "client/stock/det_form.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/stock/stock_tree_columns.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/tree_grid.h"
#include "client/widgets/window_size.h"

namespace qk::client {

TdetForm::TdetForm(QWidget* parent)
    : QDialog(parent), rows_(std::make_unique<Dataset>(dm().connection(), "selectDSP")) {
  setWindowTitle("查看存货明细");
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"打印", 0, "print", {}, [this] { printActionExecute(); }, &printAction},
                           {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction},
                       });
  tree_ = new TreeGrid(rows_.get(), "sysid", "parentId", this);
  tree_->setColumns(ledgerColumns());
  tree_->setTreeField("y");
  tree_->setAlwaysExpanded(true);
  tree_->applyStyle();

  expandAction = new QAction("全部展开", this);
  collapseAction = new QAction("全部收缩", this);
  connect(expandAction, &QAction::triggered, tree_, &TreeGrid::expandAll);
  connect(collapseAction, &QAction::triggered, tree_, &TreeGrid::collapseAll);
  QTreeView* view = tree_->view();
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
    QMenu menu(this);
    menu.addAction(expandAction);
    menu.addAction(collapseAction);
    menu.exec(view->viewport()->mapToGlobal(at));
  });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(tree_, 1);
  fitToScreen(*this, QSize(1200, 640));
}

TdetForm::~TdetForm() {
  tree_->setDataset(nullptr);
}

void TdetForm::open() {
  rows_->setCommandText("select * from ##tmp_stock_det order by sysid");
  rows_->open();
  tree_->refresh();
}

void TdetForm::printActionExecute() {
  previewRows(this, *rows_, ledgerColumns(), "存货统计-明细");
}

}  // namespace qk::client

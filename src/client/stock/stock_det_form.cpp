#include "client/stock/stock_det_form.h"

#include <QToolBar>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/stock/stock_tree_columns.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/tree_grid.h"
#include "client/widgets/window_size.h"

namespace qk::client {

Tstock_detForm::Tstock_detForm(QWidget* parent)
    : QDialog(parent), rows_(std::make_unique<Dataset>(dm().connection(), "pubDSP")) {
  setWindowTitle("查看库存明细");
  QToolBar* bar = newToolBar(this);
  addToolActions(*bar, {
                           {"关闭", 0, "close", {}, [this] { reject(); }, &closeAction},
                           {"打印", 0, "print", {}, [this] { printActionExecute(); }, &printAction},
                       });
  tree_ = new TreeGrid(rows_.get(), "sysid", "parentId", this);
  tree_->setColumns(stockDetailColumns());
  tree_->setAlwaysExpanded(true);
  tree_->applyStyle();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setMenuBar(bar);
  layout->addWidget(tree_, 1);
  fitToScreen(*this, QSize(820, 520));
}

Tstock_detForm::~Tstock_detForm() {
  tree_->setDataset(nullptr);
}

void Tstock_detForm::open(const QString& productNo, const QString& whNo) {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("exec sp_stock_Detail :p1, :p2");
  pub.params().byName("p1").value = productNo;
  pub.params().byName("p2").value = whNo;
  pub.execute();
  rows_->setCommandText("select * from ##stock_detail order by sysid");
  rows_->open();
  tree_->refresh();
}

void Tstock_detForm::printActionExecute() {
  previewRows(this, *rows_, stockDetailColumns(), "查看库存明细");
}

}  // namespace qk::client

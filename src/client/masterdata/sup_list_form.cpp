#include "client/masterdata/sup_list_form.h"

#include <QLabel>
#include <QVBoxLayout>

#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/masterdata/quote_form.h"
#include "client/widgets/desktop.h"

namespace qk::client {

ListConfig supplierPriceList(const QString& productNo) {
  std::vector<GridColumn> cols = gridColumns({"supNo", "supName", "uPrice"});
  cols[0].title = "供应商编号";
  cols[1].title = "供应商名称";
  cols[1].readOnly = true;  // follows the supplier number
  cols[1].width = 220;
  cols[2].title = "单价";
  cols[2].displayFormat = "#,##0.00000";
  Dataset& sups = dm().supCDS;
  if (!sups.active()) sups.open();
  for (int r = 0; r < sups.recordCount(); ++r)
    cols[0].pickList << sups.valueAt(r, "supNo").toString().trimmed();
  return {
      .caption = "供应商报价",
      .dataset = &dm().supListCDS,
      .printCategory = "bas_supPrice",
      .columns = std::move(cols),
      .prepare =
          [productNo](Dataset& ds) {
            if (!ds.findField("supName"))
              ds.addLookupField("supName", "supNo", dm().supCDS, "supNo", "supName");
            openProductRows(ds, "bas_supPrice", productNo, "supNo", kSupplierEmpty);
          },
  };
}

Tsup_listForm::Tsup_listForm(const QString& productNo, QWidget* parent)
    : TlistForm(supplierPriceList(productNo), parent),
      heading_(new QLabel("产品名称：" + productDescription(productNo), this)) {
  QFont f = heading_->font();
  f.setBold(true);
  heading_->setFont(f);
  if (auto* box = qobject_cast<QVBoxLayout*>(layout())) box->insertWidget(0, heading_);
  grid()->setTitleSort(true);
}

void Tsup_listForm::open(QWidget* parent, const QString& productNo) {
  if (productNo.trimmed().isEmpty()) return;
  dm().curProductNo = productNo;
  Tsup_listForm form(productNo, parent);
  desktop().exec(form);
}

}  // namespace qk::client

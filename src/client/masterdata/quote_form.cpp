#include "client/masterdata/quote_form.h"

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/widgets/desktop.h"

namespace qk::client {

namespace {

// The numbers of a list for a column's drop-down; typing another stays possible.
QStringList numbersOf(Dataset& list, const QString& field) {
  if (!list.active()) list.open();
  QStringList out;
  for (int r = 0; r < list.recordCount(); ++r) out << list.valueAt(r, field).toString().trimmed();
  return out;
}

}  // namespace

QString productDescription(const QString& productNo) {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText(
      "select productNo, productName, productSize, productPre, productMat, productSta "
      "from view_bas_prd_des where productNo = :p1");
  pub.params().byName("p1").value = productNo;
  pub.open();
  QStringList parts;
  for (int i = 0; !pub.isEmpty() && i < pub.fieldCount(); ++i)
    parts << pub.field(i).asString().trimmed();
  pub.close();
  return parts.isEmpty() ? productNo : parts.join(' ');
}

void openProductRows(Dataset& ds, const QString& table, const QString& productNo,
                     const QString& required, const QString& message) {
  ds.beforePost = [required, message](Dataset& d) {
    if (d.fieldByName(required).asString().trimmed().isEmpty()) {
      prompter().message(message);
      throw Abort();
    }
  };
  ds.onNewRecord = [](Dataset& d) { d.fieldByName("productNo").setValue(dm().curProductNo); };
  ds.setCommandText(QString("select * from %1 where productNo = :p1").arg(table));
  ds.params().byName("p1").value = productNo;
  ds.open();
}

ListConfig quoteList(const QString& productNo) {
  std::vector<GridColumn> cols = gridColumns({"procNo", "procName", "quote", "macTime", "remark"});
  const QStringList titles{"工序编号", "工序名称", "定额", "加工时间", "备注"};
  for (std::size_t i = 0; i < cols.size(); ++i) cols[i].title = titles[static_cast<int>(i)];
  cols[0].pickList = numbersOf(dm().processCDS, "procNo");
  cols[1].readOnly = true;  // follows the process number
  cols[1].width = 140;
  return {
      .caption = productDescription(productNo) + "   定额设置",
      .dataset = &dm().quoteCDS,
      .columns = std::move(cols),
      .prepare =
          [productNo](Dataset& ds) {
            Dataset& procs = dm().processCDS;
            if (!ds.findField("procName"))
              ds.addLookupField("procName", "procNo", procs, "procNo", "procName");
            openProductRows(ds, "bas_quote", productNo, "procNo", kQuoteProcessEmpty);
          },
  };
}

Tbas_quoteForm::Tbas_quoteForm(const QString& productNo, QWidget* parent)
    : TlistForm(quoteList(productNo), parent) {}

void Tbas_quoteForm::open(QWidget* parent, const QString& productNo) {
  if (productNo.trimmed().isEmpty()) return;
  dm().curProductNo = productNo;
  Tbas_quoteForm form(productNo, parent);
  desktop().exec(form);
}

}  // namespace qk::client

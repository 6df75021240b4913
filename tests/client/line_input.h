// What a user does to document lines in the screen tests: types into a cell, ticks rows of a
// picker's result.
#pragma once

#include <QDialog>
#include <initializer_list>

#include "client/data/dataset.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/data_grid.h"

namespace qk::test {

// Types a value into a row of a dataset (the current one unless told), as a user would.
inline void typeInto(client::Dataset& ds, const char* field, const QVariant& value, int row = -1) {
  if (row >= 0) ds.moveTo(row);
  ds.edit();
  ds.fieldByName(field).setValue(value);
  ds.post();
}

// Ticks the picker's rows whose `field` is one of `keys`, in that order, and answers OK.
inline int pickRows(client::Tsys_qryForm& d, std::initializer_list<QString> keys,
                    const QString& field) {
  client::Dataset& rows = d.listSP();
  for (const QString& key : keys)
    for (int r = 0; r < rows.recordCount(); ++r)
      if (rows.valueAt(r, field).toString() == key) d.listGrid()->setChecked(r, true);
  return QDialog::Accepted;
}

}  // namespace qk::test

// The process quotas of one product (quoteCDS, one row per process) and the description the
// quota and supplier-price screens show for their product. A configuration of the list screen:
// each save and each delete is sent at once, a refusal shown with the server's text.
#pragma once

#include "client/masterdata/list_form.h"

namespace qk::client {

class Dataset;

inline constexpr const char* kQuoteProcessEmpty = "工序编号不能为空!";

// The product's number, name, size, pressure, material and standard, one blank apart.
QString productDescription(const QString& productNo);

// The rows of one product in a data-module list (quotas, supplier prices): `required` must not be
// blank before a row is saved (else `message`), a new row takes curProductNo, and the dataset is
// reopened on `table` for the product.
void openProductRows(Dataset& ds, const QString& table, const QString& productNo,
                     const QString& required, const QString& message);

// The rules quoteCDS keeps after the screen closes: a process is required and a new row belongs
// to the data module's current product.
ListConfig quoteList(const QString& productNo);

class Tbas_quoteForm : public TlistForm {
  Q_OBJECT
 public:
  explicit Tbas_quoteForm(const QString& productNo, QWidget* parent = nullptr);

  // The products screen's "定额": the quotas of its current product, modally.
  static void open(QWidget* parent, const QString& productNo);
};

}  // namespace qk::client

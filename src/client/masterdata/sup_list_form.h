// The supplier prices of one product (supListCDS, one row per supplier): a heading naming the
// product over a grid sorted by a click on a title. A configuration of the list screen: each
// save and each delete is sent at once, a refusal shown with the server's text.
#pragma once

#include "client/masterdata/list_form.h"

class QLabel;

namespace qk::client {

inline constexpr const char* kSupplierEmpty = "供应商编号不能为空!";

// The rules supListCDS keeps after the screen closes: a supplier is required and a new row
// belongs to the data module's current product.
ListConfig supplierPriceList(const QString& productNo);

class Tsup_listForm : public TlistForm {
  Q_OBJECT
 public:
  explicit Tsup_listForm(const QString& productNo, QWidget* parent = nullptr);

  QLabel* heading() const { return heading_; }

  // The products screen's "报价": the supplier prices of its current product, modally.
  static void open(QWidget* parent, const QString& productNo);

 private:
  QLabel* heading_;
};

}  // namespace qk::client

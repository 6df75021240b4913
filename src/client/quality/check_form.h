// The incoming inspection: how the goods of one purchase-order line were inspected, how many
// passed, were scrapped or accepted as substitutes, and up to thirty measured values per sample
// line. A document editor configuration; the purchase-line picker of the header is its own.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

inline constexpr const char* kInspectionIncomplete =
    "采购物项号、检验方式、送检数、合格数不能为空!";
inline constexpr const char* kInspectionAudited = "对不起，本单据已审核，不能修改.";

DocumentConfig inspectionConfig();

class TcheckForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit TcheckForm(QWidget* parent = nullptr);
  // The button of posch: a purchase-order line's batch, description and ordered quantity.
  void pickPurchaseLine();
};

// The main window's check_POAction and check_mcAction.
void registerQualityScreens();

}  // namespace qk::client

// Column tables and the print of the two stock tree screens (ledger and item detail).
#pragma once

#include <QString>
#include <vector>

#include "client/widgets/data_grid.h"

class QWidget;

namespace qk::client {

class Dataset;

// Formats that leave a zero cell empty: amounts with 2 decimals, unit prices with 5.
inline constexpr const char* kStockAmountFormat = "#,##0.00;-#,##0.00;''";
inline constexpr const char* kStockPriceFormat = "#,##0.00000;-#,##0.00000;''";

std::vector<GridColumn> ledgerColumns();
std::vector<GridColumn> stockDetailColumns();

// Print preview of the rows in dataset order under `title`, as a grid prints.
void previewRows(QWidget* parent, Dataset& rows, const std::vector<GridColumn>& columns,
                 const QString& title);

}  // namespace qk::client

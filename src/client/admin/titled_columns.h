// Grid columns of the administration screens, written as the screens' tables read: field,
// caption, width. Extras (buttons, footers, lookups) are set on the result.
#pragma once

#include <initializer_list>
#include <vector>

#include "client/widgets/data_grid.h"

namespace qk::client {

struct TitledColumn {
  const char* field;
  const char* title;
  int width;
};

inline std::vector<GridColumn> titledColumns(std::initializer_list<TitledColumn> list) {
  std::vector<GridColumn> out;
  for (const TitledColumn& c : list) {
    GridColumn col;
    col.field = c.field;
    col.title = c.title;
    col.width = c.width;
    out.push_back(std::move(col));
  }
  return out;
}

}  // namespace qk::client

// The process cards of the demonstration account set.
#pragma once

#include <string>

#include "server/db/connection.h"

namespace qk::server {

// What the cards of one task line are written for.
struct CardTask {
  std::string yymm;      // year and month of the card numbers ("26-10")
  std::string taskNo;    // the task line
  double qty = 0;        // pieces to make
  std::string material;  // material grade of the part
  std::string written;   // when the cards were entered
};

// A machining card and a heat-treatment card of the task line, with their work steps.
void addProcessCards(db::Connection& c, const CardTask& task);

}  // namespace qk::server

// The material issue: raw material of a purchase batch taken from a warehouse for a production
// task line, with the material used per product piece against the planned figure. A document
// editor configuration; the unit weights are its own line rule.
#pragma once

#include "client/documents/document_editor.h"

namespace qk::client {

DocumentConfig materialIssueConfig();

class Twh_Out_matForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit Twh_Out_matForm(QWidget* parent = nullptr);
};

}  // namespace qk::client

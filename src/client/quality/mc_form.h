// The quality certificate: sales-order items delivered to a customer, each with the purchase
// batch of its material, as a document-editor configuration. Printing pads the certificate to
// whole pages of six lines on the server and removes the fillers again however the report
// dialog ends; the export fills the certificate workbook with the lines and their inspections.
#pragma once

#include "client/documents/document_editor.h"
#include "client/quality/mc_workbook.h"

namespace qk::client {

inline constexpr const char* kCertificateNoCustomer = "客户名称不能为空!";
// The blank-line cleanup after printing removes lines without an item number, so none is saved.
inline constexpr const char* kCertificateLineNoItem = "合同号不能为空!";
inline constexpr const char* kCertificateNotFound = " 未找到此号!";
inline constexpr const char* kCertificateTooManyLines =
    "证明书模板一页只能填写 %1 行，请选择不超过 %1 行再导出";

DocumentConfig certificateConfig();

class TMCForm : public DocumentEditor {
  Q_OBJECT
 public:
  explicit TMCForm(QWidget* parent = nullptr);

  // "打印", "自定义样式": pads and groups the shown certificate, opens the report dialog on the
  // certificate datasets, then removes the fillers, also when the dialog fails.
  void customPrint();
  // "查找": asks for an item number and shows the certificate holding it.
  void findBySch();
  // "导出": the selected lines (the current one when none is selected) into the workbook.
  void exportActionExecute();
  // The sheet the export writes, for the given grid rows.
  CertificateSheet certificateSheet(const QList<int>& rows);

  QAction* exportAction = nullptr;
};

}  // namespace qk::client

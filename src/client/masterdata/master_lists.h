// The eight master-data lists as configurations of the one list screen, the screens under the
// names the main window and other screens know them by, and their registration with the actions.
#pragma once

#include <QString>
#include <optional>

#include "client/masterdata/list_form.h"

namespace qk::client {

ListConfig customerList();
ListConfig supplierList();
ListConfig departmentList();
ListConfig staffList();
ListConfig deviceList();
ListConfig processList();
ListConfig documentTypeList();
ListConfig warehouseList();

class Tbas_custForm : public TlistForm {
 public:
  explicit Tbas_custForm(QWidget* parent = nullptr) : TlistForm(customerList(), parent) {}
};
class Tbas_supForm : public TlistForm {
 public:
  explicit Tbas_supForm(QWidget* parent = nullptr) : TlistForm(supplierList(), parent) {}
};
class Tbas_DepForm : public TlistForm {
 public:
  explicit Tbas_DepForm(QWidget* parent = nullptr) : TlistForm(departmentList(), parent) {}
};
// The staff list also sets a worker's PIN for the shop-floor page ("设置PIN").
class Tbas_StaffForm : public TlistForm {
 public:
  explicit Tbas_StaffForm(QWidget* parent = nullptr);
  void setPinActionExecute();
  QAction* setPinAction = nullptr;
};
class Tbas_DeviceForm : public TlistForm {
 public:
  explicit Tbas_DeviceForm(QWidget* parent = nullptr) : TlistForm(deviceList(), parent) {}
};
class Tbas_processForm : public TlistForm {
 public:
  explicit Tbas_processForm(QWidget* parent = nullptr) : TlistForm(processList(), parent) {}
};
class Tbas_docForm : public TlistForm {
 public:
  explicit Tbas_docForm(QWidget* parent = nullptr) : TlistForm(documentTypeList(), parent) {}
};
class Tbas_whForm : public TlistForm {
 public:
  explicit Tbas_whForm(QWidget* parent = nullptr) : TlistForm(warehouseList(), parent) {}
};

// The customer picker: the customer list shown modally with "选择". Returns the chosen
// customer's number, or nothing when the user closed the list without choosing.
std::optional<QString> pickCustomer(QWidget* parent = nullptr);

void registerMasterDataScreens();

}  // namespace qk::client

// Product drawings and their categories, as configurations of the one list screen. The drawing
// screen lists the drawings of a product, attaches a file to a drawing (the row saved first, then
// its content and extension) and opens a drawing with the program the desktop associates with
// its extension.
//
// It never writes a viewed drawing beside the program or over another drawing's file, never
// builds a path from a stored extension as it stands, and never sends a file above the limit.
#pragma once

#include <QString>

#include "client/masterdata/list_form.h"

namespace qk::client {

inline constexpr const char* kChooseRow = "请选择某一行!";
inline constexpr const char* kNoDrawingContent = "没有图纸内容!";
inline constexpr const char* kDrawingGone = "图纸记录不存在，可能已被其他用户删除";
// The sys_config setting of the largest drawing file, in megabytes.
inline constexpr const char* kDrawingLimitSetting = "maxDrawingMB";

// A file's extension reduced to letters and digits, with its dot ("" when none remain), so no
// path can be formed from it.
QString safeExtension(const QString& extension);

ListConfig drawingList();
ListConfig drawingTypeList();

class Tbas_drawingForm : public TlistForm {
 public:
  explicit Tbas_drawingForm(QWidget* parent = nullptr);

  // The drawings of a product; it becomes the product new drawings belong to.
  void openForProduct(const QString& productNo);
  void findActionExecute();  // 查找: a product chosen in the query dialog
  void chooseProduct();      // the button of productNo: the current drawing's product
  void attachFile();         // the button of drwNo
  void viewActionExecute();  // 查看图纸
  // The largest file that may be attached, in bytes: the setting, but never more than one
  // request carries.
  static qint64 maxDrawingBytes();

  QAction *viewAction = nullptr, *findAction = nullptr;
};

class TdIdForm : public TlistForm {
 public:
  explicit TdIdForm(QWidget* parent = nullptr) : TlistForm(drawingTypeList(), parent) {}
};

// The main window's drawingAction and drawingIdAction, and the drawings of the products screen's
// current product.
void registerDrawingScreens();

}  // namespace qk::client

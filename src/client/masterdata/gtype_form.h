// The product category tree ("物料类别设置"): categories as an expanded, editable tree by
// productId and parent_id, a new category beside the current one or under it, and the checks
// before a save and a delete. Every save and every delete is sent at once; what the server
// refuses is shown with its text and stays pending until saved or cancelled.
//
// It never deletes a category that has sub-categories or that products still use.
#pragma once

#include <QDialog>
#include <memory>

class QAction;

namespace qk::client {

class Dataset;
class TreeGrid;

inline constexpr const char* kCategoryIncomplete = "编号和名称不能为空!";
inline constexpr const char* kCategoryConfirmDelete = "确定要删除此物料类别吗？";
inline constexpr const char* kCategoryHasChildren = "此类别有子类别，请删除子类别后再删除此类别!";
inline constexpr const char* kCategoryInUse = "此类别已有 %1 种物料使用，不能删除!";

class Tbas_gTypeForm : public QDialog {
  Q_OBJECT
 public:
  explicit Tbas_gTypeForm(QWidget* parent = nullptr);
  ~Tbas_gTypeForm() override;

  void setPickerMode(bool on);  // shows "选择"

  void sameLevelActionExecute();  // "同级": beside the current category
  void childActionExecute();      // "下级": under the current category
  void editActionExecute();
  void delActionExecute();
  void saveActionExecute();
  void cancelActionExecute();
  void selectActionExecute();

  Dataset& pIdCDS() { return *ds_; }
  TreeGrid* grid() const { return grid_; }

  QAction *selectAction, *addAction, *sameLevelAction, *childAction, *editAction, *delAction,
      *saveAction, *cancelAction, *closeAction;

 protected:
  // Closing sends what is still pending; a category being typed is asked about first.
  void reject() override;

 private:
  void appendCategory(const QVariant& parentId, const QVariant& lev);
  void checkCategory(Dataset& ds);
  void checkDeletion(Dataset& ds);
  void send();
  void updateActions();

  std::unique_ptr<Dataset> ds_;
  TreeGrid* grid_;
};

}  // namespace qk::client

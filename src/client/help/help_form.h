// The help window: the grouped topic list, the page of the chosen topic, "关闭". Opens at the
// index page or at the page it was asked for (F1 on a screen). A topic whose page file is
// missing says "not exists" and leaves the shown page as it was.
#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qk::client {

class HelpBrowser;

class ThelpForm : public QDialog {
  Q_OBJECT
 public:
  // `page` is a file of the help folder; `folder` defaults to helpDir().
  explicit ThelpForm(QWidget* parent = nullptr, const QString& page = {},
                     const QString& folder = {});

  QTreeWidget* ListView1;  // "主题", grouped
  HelpBrowser* CppWebBrowser1;
  QPushButton* closeButton;

  // The help folder's file shown now (empty before the first show).
  QString currentFile() const;
  // Selects the topic of that caption, as a click in the list does.
  void selectTopic(const QString& caption);
  // Shows a page of the help folder: "not exists" and no change when the file is missing.
  bool openPage(const QString& file);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ListView1SelectItem(QTreeWidgetItem* item);
  void followLink(const QUrl& url);

  QString folder_;
  QString startPage_;
  bool shown_ = false;
};

}  // namespace qk::client

#include "client/help/help_form.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/data/prompter.h"
#include "client/help/help_browser.h"
#include "client/help/help_topics.h"
#include "client/widgets/window_size.h"

namespace qk::client {

namespace {
constexpr int kFileRole = Qt::UserRole;
}  // namespace

ThelpForm::ThelpForm(QWidget* parent, const QString& page, const QString& folder)
    : QDialog(parent),
      folder_(folder.isEmpty() ? helpDir() : folder),
      startPage_(page.isEmpty() ? QString(kHelpIndexFile) : page) {
  setWindowTitle("系统帮助 ");

  ListView1 = new QTreeWidget(this);
  ListView1->setHeaderLabels({"主题"});
  ListView1->setRootIsDecorated(false);
  ListView1->setIndentation(12);
  ListView1->header()->setSectionResizeMode(QHeaderView::Stretch);
  // Groups in the order their first topic appears; every topic has one.
  QMap<QString, QTreeWidgetItem*> groups;
  for (const HelpTopic& topic : helpTopics()) {
    QTreeWidgetItem*& group = groups[topic.group];
    if (!group) {
      group = new QTreeWidgetItem(ListView1, {QString(topic.group)});
      group->setFlags(Qt::ItemIsEnabled);
      QFont bold = group->font(0);
      bold.setBold(true);
      group->setFont(0, bold);
      group->setForeground(0, QColor("#1565c0"));
    }
    auto* item = new QTreeWidgetItem(group, {QString(topic.caption)});
    item->setData(0, kFileRole, QString(topic.file));
  }
  ListView1->expandAll();
  connect(ListView1, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { ListView1SelectItem(item); });

  CppWebBrowser1 = new HelpBrowser(this);
  connect(CppWebBrowser1, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { followLink(url); });

  auto* splitter = new QSplitter(this);
  splitter->addWidget(ListView1);
  splitter->addWidget(CppWebBrowser1);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({180, 720});

  closeButton = new QPushButton("关闭", this);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);
  fitToScreen(*this, QSize(960, 680));
}

QString ThelpForm::currentFile() const {
  return QFileInfo(CppWebBrowser1->shownPath()).fileName();
}

void ThelpForm::selectTopic(const QString& caption) {
  const auto found = ListView1->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
  for (QTreeWidgetItem* item : found)
    if (item->parent()) ListView1->setCurrentItem(item);
}

bool ThelpForm::openPage(const QString& file) {
  const QString path = QDir(folder_).filePath(file);
  if (!QFileInfo(path).isFile()) {
    prompter().message("not exists");
    return false;
  }
  CppWebBrowser1->showArchive(path);
  return true;
}

void ThelpForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The list marks the page without opening it a second time.
  const QSignalBlocker quiet(ListView1);
  for (QTreeWidgetItemIterator it(ListView1); *it; ++it)
    if ((*it)->data(0, kFileRole).toString() == startPage_) {
      ListView1->setCurrentItem(*it);
      break;
    }
  openPage(startPage_);
}

void ThelpForm::ListView1SelectItem(QTreeWidgetItem* item) {
  if (!item || item->text(0).isEmpty()) return;
  const QString file = item->data(0, kFileRole).toString();
  if (!file.isEmpty()) openPage(file);
}

void ThelpForm::followLink(const QUrl& url) {
  if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
    CppWebBrowser1->scrollToAnchor(url.fragment());
    return;
  }
  // Pages link to each other by file name; anything else is not the help's business.
  if (url.isRelative() && url.path().endsWith(".mht") && !url.path().contains('/')) {
    const QString file = url.path();
    const QSignalBlocker quiet(ListView1);
    for (QTreeWidgetItemIterator it(ListView1); *it; ++it)
      if ((*it)->data(0, kFileRole).toString() == file) ListView1->setCurrentItem(*it);
    openPage(file);
  }
}

}  // namespace qk::client

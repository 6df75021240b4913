#include "client/help/help_browser.h"

#include <QFileInfo>
#include <QImage>
#include <QTextDocument>

namespace qk::client {

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
  // Links are followed by the help window, which checks that the page exists first.
  setOpenLinks(false);
  setOpenExternalLinks(false);
}

bool HelpBrowser::showArchive(const QString& path) {
  shownPath_ = path;
  picturesLoaded_ = 0;
  // The previous page's pictures must not be served to this one from the document's cache.
  document()->clear();
  if (!doc_.load(path)) {
    setHtml("<p>无法读取帮助页面 " + QFileInfo(path).fileName().toHtmlEscaped() + "：" +
            doc_.error().toHtmlEscaped() + "</p>");
    return false;
  }
  setHtml(doc_.html());
  return true;
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::ImageResource) {
    const QByteArray bytes = doc_.resource(name);
    QImage image;
    if (!bytes.isEmpty() && image.loadFromData(bytes)) {
      ++picturesLoaded_;
      return image;
    }
    return {};
  }
  if (type == QTextDocument::StyleSheetResource) return QString::fromUtf8(doc_.resource(name));
  // Nothing outside the archive is ever read.
  return {};
}

}  // namespace qk::client

// The viewer of one help page: shows the HTML of an .mht archive and takes its pictures from the
// same archive. It never reads the network or files other than the archive it was given.
#pragma once

#include <QTextBrowser>

#include "client/help/mht_document.h"

namespace qk::client {

class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpBrowser(QWidget* parent = nullptr);

  // Shows the archive; false (and the reason instead of the page) when it cannot be read.
  bool showArchive(const QString& path);
  const QString& shownPath() const { return shownPath_; }
  const MhtDocument& archive() const { return doc_; }
  // Pictures the page asked for and the archive held (for tests and the status of a page).
  int picturesLoaded() const { return picturesLoaded_; }

  QVariant loadResource(int type, const QUrl& name) override;

 private:
  MhtDocument doc_;
  QString shownPath_;
  int picturesLoaded_ = 0;
};

}  // namespace qk::client

// The about box: the program's version and build date, the libraries it is built from with
// their licences, and the release notes compiled into the program.
#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;
class QTextBrowser;

namespace qk::client {

struct LibraryNotice {
  QString name;
  QString version;
  QString use;
  QString licence;
};

// The libraries the client and the server are built from, versions as built.
QList<LibraryNotice> libraryNotices();

class TaboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TaboutForm(QWidget* parent = nullptr);

  QLabel* versionLabel;
  QTableWidget* librariesGrid;
  QTextBrowser* releaseNotes;
};

}  // namespace qk::client

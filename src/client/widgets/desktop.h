// Desktop: the one way a screen reaches what the desktop shows outside its own window — every
// modal dialog it opens (conditions, pickers, the report dialog, previews, the designer, print
// and page-setup dialogs, other screens), file choosers and the shell's "open" of a file. The
// program installs the real desktop; tests install a scripted one that answers each dialog.
//
// It never decides anything about a dialog's content: it shows it and hands back its result.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace qk::client {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Shows the dialog modally; returns its result (QDialog::Accepted, Rejected or done()'s code).
  virtual int exec(QDialog& dialog) = 0;
  // File choosers: the chosen file, empty when the user cancelled.
  virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                               const QString& filter) = 0;
  virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter) = 0;
  // Opens the file with the program the desktop associates with it; false when none could.
  virtual bool openFile(const QString& path) = 0;
};

// The program-wide desktop; throws DataError when none is installed.
Desktop& desktop();
void setDesktop(Desktop* d);

// Real dialogs, real file choosers, the desktop shell's "open".
class SystemDesktop : public Desktop {
 public:
  int exec(QDialog& dialog) override;
  QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter) override;
  QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter) override;
  bool openFile(const QString& path) override;
};

// The one real desktop of the program.
SystemDesktop& systemDesktop();

}  // namespace qk::client

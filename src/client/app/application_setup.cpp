#include "client/app/application_setup.h"

#include <QApplication>
#include <QDir>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qk::client {

namespace {

// The file dialog's type column names folders, drives and links with texts Qt's Chinese
// catalogue does not carry; this fills in just those, under whatever Qt's catalogue knows.
class FileTypeTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const QHash<QByteArray, QString> texts{
        {"Folder", "文件夹"},     {"File Folder", "文件夹"}, {"Drive", "驱动器"},
        {"Shortcut", "快捷方式"}, {"Alias", "替身"},         {"File", "文件"},
        {"Unknown", "未知"},
    };
    return texts.value(source);
  }
};

// Qt's installed catalogues first, then a "translations" folder beside the program for installs
// that ship their own (the usual layout of a deployed Windows program).
bool installQtTranslations(QApplication& app) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  const QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                            QDir(QCoreApplication::applicationDirPath()).filePath("translations")};
  // Installed first so that Qt's own catalogue, searched before it, wins where it knows a text.
  QCoreApplication::installTranslator(new FileTypeTexts(&app));
  auto* translator = new QTranslator(&app);
  for (const QString& folder : folders)
    if (translator->load(chinese, "qtbase", "_", folder))
      return QCoreApplication::installTranslator(translator);
  delete translator;
  return false;
}

}  // namespace

bool setUpApplication(QApplication& app) {
  // The product name is the application name and there is no separate display name: Qt appends
  // a display name to window titles ("提示 — …"), while applicationDisplayName() falls back to
  // this name for the screens that title their messages with it.
  QCoreApplication::setApplicationName(kProductName);
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  return installQtTranslations(app);
}

}  // namespace qk::client

#include "client/app/client_config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace qk::client {

namespace {
QString& overriddenDir() {
  static QString dir;
  return dir;
}
QString iniPath(const char* name) {
  return QDir(programDir()).filePath(name);
}
// qk.ini beside the program, else the machine's own (where the package installs it).
QString serverIni() {
  const QString beside = iniPath("qk.ini");
  if (QFileInfo::exists(beside) || !QFileInfo::exists(kMachineIni)) return beside;
  return kMachineIni;
}
// path.ini beside the program where the user may write there, else in his own settings folder.
QString loginIni() {
  if (QFileInfo(programDir()).isWritable()) return iniPath("path.ini");
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(dir);
  return QDir(dir).filePath("path.ini");
}
}  // namespace

QString programDir() {
  if (!overriddenDir().isEmpty()) return overriddenDir();
  return QCoreApplication::applicationDirPath();
}

void setProgramDir(const QString& dir) {
  overriddenDir() = dir;
}

QString serverUrl(const QStringList& arguments) {
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--server" && i + 1 < arguments.size()) return arguments[i + 1];
    if (arguments[i].startsWith("--server=")) return arguments[i].mid(9);
  }
  const QString env = qEnvironmentVariable("QK_SERVER");
  if (!env.isEmpty()) return env;
  QSettings ini(serverIni(), QSettings::IniFormat);
  const QString url = ini.value("server/url").toString();
  return url.isEmpty() ? QString(kDefaultServerUrl) : url;
}

QString serverCaFile() {
  QSettings ini(serverIni(), QSettings::IniFormat);
  const QString file = ini.value("server/cafile").toString();
  return file.isEmpty() ? file : QDir(programDir()).absoluteFilePath(file);
}

LoginMemory readLoginMemory() {
  QSettings ini(loginIni(), QSettings::IniFormat);
  return {ini.value("login/user").toString(), ini.value("login/account").toString()};
}

void writeLoginMemory(const LoginMemory& m) {
  QSettings ini(loginIni(), QSettings::IniFormat);
  ini.setValue("login/user", m.user);
  ini.setValue("login/account", m.account);
  ini.sync();
}

}  // namespace qk::client

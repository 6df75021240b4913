#include "client/app/client_config.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace qk::client {

namespace {
QString& overriddenDir() {
  static QString dir;
  return dir;
}
QString iniPath(const char* name) {
  return QDir(programDir()).filePath(name);
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
  QSettings ini(iniPath("qk.ini"), QSettings::IniFormat);
  const QString url = ini.value("server/url").toString();
  return url.isEmpty() ? QString(kDefaultServerUrl) : url;
}

QString serverCaFile() {
  QSettings ini(iniPath("qk.ini"), QSettings::IniFormat);
  const QString file = ini.value("server/cafile").toString();
  return file.isEmpty() ? file : QDir(programDir()).absoluteFilePath(file);
}

LoginMemory readLoginMemory() {
  QSettings ini(iniPath("path.ini"), QSettings::IniFormat);
  return {ini.value("login/user").toString(), ini.value("login/account").toString()};
}

void writeLoginMemory(const LoginMemory& m) {
  QSettings ini(iniPath("path.ini"), QSettings::IniFormat);
  ini.setValue("login/user", m.user);
  ini.setValue("login/account", m.account);
  ini.sync();
}

}  // namespace qk::client

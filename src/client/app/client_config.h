// Where the client finds things: the application server's address, the folder beside the
// program that holds path.ini (the last login names) and the report cache.
#pragma once

#include <QString>
#include <QStringList>

namespace qk::client {

inline constexpr const char* kDefaultServerUrl = "http://127.0.0.1:8686";
// The machine's qk.ini, used when there is none beside the program (an installed client).
inline constexpr const char* kMachineIni = "/etc/qk/qk.ini";

// The folder of the program file; tests point it at a temporary folder.
QString programDir();
void setProgramDir(const QString& dir);

// The server address: --server URL (or --server=URL) on the command line, else the environment
// variable QK_SERVER, else qk.ini beside the program or else /etc/qk/qk.ini (section server, key
// url), else the default.
QString serverUrl(const QStringList& arguments);

// The authority that signed an https server's certificate: qk.ini beside the program, section
// server, key cafile (a path relative to the program's folder or absolute); empty when not set,
// and the system's trusted authorities are used.
QString serverCaFile();

// path.ini: section login, keys user and account; nothing else, never the password. Beside the
// program, or in the user's settings folder when the program's folder is not his to write.
struct LoginMemory {
  QString user, account;
};
LoginMemory readLoginMemory();
void writeLoginMemory(const LoginMemory& m);

}  // namespace qk::client

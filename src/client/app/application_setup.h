// What every client program does before its first window: the product name, the Chinese locale
// and Qt's own dialogs (files, printing, page setup, standard buttons) in Chinese.
// It never sets a separate application display name: Qt would append it to every window title.
#pragma once

class QApplication;

namespace qk::client {

inline constexpr const char* kProductName = "QK管理系统客户端";

// Returns false when Qt's Chinese catalogue is found nowhere; the program then runs with Qt's
// dialogs in English.
bool setUpApplication(QApplication& app);

}  // namespace qk::client

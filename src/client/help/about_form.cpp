#include "client/help/about_form.h"

#include <openssl/opensslv.h>
#include <sodium/version.h>
#include <sqlite3.h>
#include <xlsxwriter.h>
#include <boost/version.hpp>
#include <nlohmann/json_fwd.hpp>

#include <QCoreApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "client/help/mht_document.h"
#include "client/widgets/icons.h"
#include "client/widgets/window_size.h"

// The library is static: the release notes are only linked in when something calls this.
static void initAboutResources() {
  Q_INIT_RESOURCE(about);
}

namespace qk::client {

namespace {

QString buildDate() {
  // __DATE__ reads "Dec  7 2026"; shown the way the rest of the program writes dates.
  const QDate date = QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
  return date.isValid() ? date.toString("yyyy-MM-dd") : QString(__DATE__);
}

QString boostVersion() {
  return QString(BOOST_LIB_VERSION).replace('_', '.');
}

}  // namespace

QList<LibraryNotice> libraryNotices() {
  const QString json = QString("%1.%2.%3")
                           .arg(NLOHMANN_JSON_VERSION_MAJOR)
                           .arg(NLOHMANN_JSON_VERSION_MINOR)
                           .arg(NLOHMANN_JSON_VERSION_PATCH);
  return {
      {"Qt", qVersion(), "客户端界面、打印", "GNU LGPL 3.0"},
      {"Qt Charts", qVersion(), "工厂看板的图表", "GNU GPL 3.0"},
      {"GMime", gmimeVersion(), "读取帮助页面 (.mht)", "GNU LGPL 2.1 或更高版本"},
      {"GLib", "", "GMime 的基础库", "GNU LGPL 2.1 或更高版本"},
      {"cpp-httplib", QK_HTTPLIB_VERSION, "客户端与应用服务器的通信", "MIT"},
      {"nlohmann json", json, "通信数据的 JSON 编码", "MIT"},
      {"libsodium", SODIUM_VERSION_STRING, "数据编码、密码散列", "ISC"},
      {"libxlsxwriter", LXW_VERSION, "导出 Excel 文件", "BSD 2-Clause"},
      {"Boost (Beast, Asio)", boostVersion(), "应用服务器的网络服务", "Boost Software License 1.0"},
      {"OpenSSL", OPENSSL_VERSION_STR, "应用服务器的加密连接 (TLS)", "Apache License 2.0"},
      {"SQLite", SQLITE_VERSION, "账套数据库", "公有领域 (Public Domain)"},
      {"libqrencode", "", "流转卡的二维码", "GNU LGPL 2.1 或更高版本"},
      {"libzip", "", "填写质量证明书 Excel 模板", "BSD 3-Clause"},
      {"pugixml", "", "填写质量证明书 Excel 模板", "MIT"},
      {"Tabler Icons", "3.54.0", "工具栏图标", "MIT"},
      {"Noto Sans CJK", "", "中文字体", "SIL Open Font License 1.1"},
  };
}

TaboutForm::TaboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("关于");

  auto* title = new QLabel("QK管理系统客户端", this);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  auto* icon = new QLabel(this);
  icon->setPixmap(themeIcon("info-circle").pixmap(48, 48));
  versionLabel = new QLabel(
      QString("版本 %1　　编译日期 %2\n小型制造企业的生产、业务与质量管理系统。\n"
              "本程序是自由软件，依照 GNU 通用公共许可证第 3 版或（由您选择）任何更高版本发布。")
          .arg(QK_VERSION, buildDate()),
      this);
  auto* head = new QHBoxLayout;
  head->addWidget(icon);
  auto* texts = new QVBoxLayout;
  texts->addWidget(title);
  texts->addWidget(versionLabel);
  head->addLayout(texts, 1);

  const QList<LibraryNotice> notices = libraryNotices();
  librariesGrid = new QTableWidget(int(notices.size()), 4, this);
  librariesGrid->setHorizontalHeaderLabels({"组件", "版本", "用途", "许可证"});
  librariesGrid->verticalHeader()->hide();
  librariesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  librariesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int row = 0; row < notices.size(); ++row) {
    const LibraryNotice& n = notices[row];
    const QStringList cells{n.name, n.version, n.use, n.licence};
    for (int col = 0; col < cells.size(); ++col)
      librariesGrid->setItem(row, col, new QTableWidgetItem(cells[col]));
  }
  librariesGrid->resizeColumnsToContents();
  librariesGrid->horizontalHeader()->setStretchLastSection(true);

  releaseNotes = new QTextBrowser(this);
  initAboutResources();
  QFile notes(":/qk/RELEASE_NOTES.md");
  if (notes.open(QIODevice::ReadOnly))
    releaseNotes->setMarkdown(QString::fromUtf8(notes.readAll()));

  auto* tabs = new QTabWidget(this);
  tabs->addTab(librariesGrid, "组件与许可证");
  tabs->addTab(releaseNotes, "版本说明");

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText("确定");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(tabs, 1);
  layout->addWidget(buttons);
  fitToScreen(*this, QSize(720, 520));
}

}  // namespace qk::client

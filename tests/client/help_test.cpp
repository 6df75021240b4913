// The help pages as shipped, the .mht reader, the help window's topics and F1 on a screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocument>

#include "client/app/login_dialog.h"
#include "client/app/main_window.h"
#include "client/help/about_form.h"
#include "client/help/help_browser.h"
#include "client/help/help_form.h"
#include "client/help/help_topics.h"
#include "client/help/mht_document.h"
#include "client/widgets/screen_registry.h"
#include "client_fixture.h"

namespace qk::test {
namespace {

using client::MhtDocument;
using client::ThelpForm;

const QString kSourcePages = QStringLiteral(QK_HELP_DIR);

TEST(HelpPages, EveryTopicHasAGroupAndAPageWhosePicturesAreInsideIt) {
  const QRegularExpression picture(R"re(<img[^>]*\ssrc="([^"]+)")re");
  int pictures = 0;
  for (const client::HelpTopic& topic : client::helpTopics()) {
    SCOPED_TRACE(topic.file);
    EXPECT_STRNE(topic.group, "") << topic.caption;
    MhtDocument page;
    ASSERT_TRUE(page.load(QDir(kSourcePages).filePath(topic.file))) << page.error().toStdString();
    EXPECT_TRUE(page.html().contains(QString("<h1>") + topic.caption)) << "a page of its own";
    for (auto it = picture.globalMatch(page.html()); it.hasNext();) {
      const QString ref = it.next().captured(1);
      EXPECT_FALSE(page.resource(QUrl(ref)).isEmpty()) << ref.toStdString();
      ++pictures;
    }
  }
  EXPECT_GE(pictures, 20);
}

TEST(HelpPages, ArchivesInAnotherCharsetAndWithCidPicturesAreRead) {
  QFile png(QDir(kSourcePages).filePath("src/images/main.png"));
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  // "说明" in GB18030: the page comes back as UTF-8 whatever charset it declares.
  const QByteArray gbHtml =
      "<html><body><h1>\xcb\xb5\xc3\xf7</h1><img src=\"cid:pic1@qk\"></body></html>";
  const QByteArray archive =
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/related; boundary=\"b\"\r\n\r\n"
      "--b\r\nContent-Type: text/html; charset=\"gb18030\"\r\n"
      "Content-Transfer-Encoding: 8bit\r\n\r\n" +
      gbHtml +
      "\r\n--b\r\nContent-Type: image/png\r\nContent-ID: <pic1@qk>\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n" +
      png.readAll().toBase64() + "\r\n--b--\r\n";
  MhtDocument doc;
  ASSERT_TRUE(doc.parse(archive)) << doc.error().toStdString();
  EXPECT_TRUE(doc.html().contains("<h1>说明</h1>"));
  EXPECT_TRUE(doc.resource(QUrl("cid:pic1@qk")).startsWith("\x89PNG"));
  EXPECT_TRUE(doc.resource(QUrl("cid:other@qk")).isEmpty());

  EXPECT_FALSE(doc.parse("just some text, no MIME at all"));
  EXPECT_FALSE(doc.error().isEmpty());
  EXPECT_TRUE(doc.html().isEmpty());
}

class HelpWindowTest : public ClientTest {};

TEST_F(HelpWindowTest, APageIsShownWithItsPicturesAndAMissingOneChangesNothing) {
  // A help folder that lacks one page.
  TempDir dir;
  const QString folder = QString::fromStdString(dir.path().string());
  for (const char* file : {"index.mht", "goods.mht"})
    ASSERT_TRUE(QFile::copy(QDir(kSourcePages).filePath(file), QDir(folder).filePath(file)));

  ThelpForm help(nullptr, {}, folder);
  help.show();
  EXPECT_EQ(help.currentFile(), "index.mht");
  help.selectTopic("物料设置");
  EXPECT_EQ(help.currentFile(), "goods.mht");
  // The picture came out of the archive into the page's document.
  EXPECT_GE(help.CppWebBrowser1->picturesLoaded(), 1);
  const QString shown = help.CppWebBrowser1->toHtml();
  EXPECT_TRUE(shown.contains("物料设置"));

  help.selectTopic("出库单");
  EXPECT_EQ(prompter_.texts(), QStringList{"not exists"});
  EXPECT_EQ(help.currentFile(), "goods.mht");
  EXPECT_EQ(help.CppWebBrowser1->toHtml(), shown) << "no navigation after the message";
}

TEST_F(HelpWindowTest, F1OnAScreenOpensItsTopicAndAScreenWithoutOneTheIndex) {
  const auto screenWithField = [](QWidget* parent) {
    auto screen = std::make_unique<QDialog>(parent);
    new QLineEdit(screen.get());
    return screen;
  };
  // Whatever screens these actions have elsewhere come back afterwards.
  std::map<QString, client::ScreenFactory> kept;
  for (const QString action : {"bus_SDAction", "sys_logAction"}) {
    if (const client::ScreenFactory* f = client::findScreen(action)) kept[action] = *f;
    client::registerScreen(action, screenWithField);
  }
  // F1 in the screen's field, as a user presses it (registered first: the newest handler wins).
  desktop_.on<QDialog>([](QDialog& screen) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(screen.findChild<QLineEdit*>(), &press);
    return int(QDialog::Rejected);
  });
  QStringList pages;
  desktop_.on<ThelpForm>([&](ThelpForm& help) {
    help.show();
    pages << help.currentFile();
    return int(QDialog::Rejected);
  });
  answerLogin();
  client::TmainForm w(*dm_);
  ASSERT_TRUE(w.FormShow());
  w.openAction("bus_SDAction");
  w.openAction("sys_logAction");
  EXPECT_EQ(pages, (QStringList{"sd.mht", "index.mht"}));
  EXPECT_TRUE(prompter_.shown.empty());
  for (const QString action : {"bus_SDAction", "sys_logAction"})
    client::registerScreen(action, kept[action]);
}

TEST(AboutBox, ShowsTheReleaseNotesCompiledIntoTheProgram) {
  client::TaboutForm about;
  EXPECT_TRUE(about.releaseNotes->toPlainText().contains("版本说明"));
}

}  // namespace
}  // namespace qk::test

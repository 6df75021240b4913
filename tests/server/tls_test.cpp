// HTTPS between the client's data layer and the server, with a throwaway authority made by the
// openssl command line: the certificate is verified, and a failed verification reads clearly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "support/test_server.h"

namespace qk::test {
namespace {

constexpr const char* kUntrusted =
    "服务器证书验证失败：证书不可信、已过期或与服务器地址不符。使用自建证书时，请在 qk.ini 的 "
    "[server] 节以 cafile 指定签发它的 CA 文件";

// An authority and a certificate it signed for 127.0.0.1 only, made once per test program.
const std::filesystem::path& certificates() {
  static TempDir dir;
  static bool made = [] {
    const std::string d = dir.path().string();
    const std::string cmd =
        "cd '" + d + "' && " +
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
        "-keyout ca.key -out ca.pem -days 2 -subj '/CN=QK test authority' && "
        "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
        "-keyout server.key -out server.csr -subj '/CN=127.0.0.1' && "
        "printf 'subjectAltName=IP:127.0.0.1\\nbasicConstraints=CA:FALSE\\n' > ext.cnf && "
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
        "-out server.pem -days 2 -extfile ext.cnf";
    return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
  }();
  EXPECT_TRUE(made) << "openssl could not make the test certificates";
  return dir.path();
}

class TlsTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    options_.tlsCert = certificates() / "server.pem";
    options_.tlsKey = certificates() / "server.key";
    restartServer();
  }
  QString url(const char* host) const { return QString("https://%1:%2").arg(host).arg(port_); }
  // The text of the failure of opening a connection, or "<no error>".
  static QString openFailure(client::Connection& c) {
    try {
      c.open();
    } catch (const client::DataError& e) {
      return e.text();
    }
    return "<no error>";
  }
};

TEST_F(TlsTest, AnUntrustedCertificateOrAnotherHostNameIsRefusedWithTheReason) {
  client::Connection unknownAuthority(url("127.0.0.1"));
  EXPECT_EQ(openFailure(unknownAuthority),
            QString("无法连接到应用服务器 %1：%2").arg(url("127.0.0.1"), kUntrusted));
  client::Connection otherName(url("localhost"));
  otherName.setCaFile(QString::fromStdString((certificates() / "ca.pem").string()));
  EXPECT_EQ(openFailure(otherName),
            QString("无法连接到应用服务器 %1：%2").arg(url("localhost"), kUntrusted));
  EXPECT_FALSE(otherName.isOpen());
}

TEST_F(TlsTest, TheClientTrustingTheNamedAuthorityLogsInAndQueries) {
  client::Connection c(url("127.0.0.1"));
  c.setCaFile(QString::fromStdString((certificates() / "ca.pem").string()));
  c.open();
  ASSERT_EQ(c.login(QString::fromUtf8(kAccount), "admin", QString::fromUtf8(kAdminPassword)), "OK");
  auto rs = c.openQuery("pubDSP", "select 6 * 7", {});
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(std::get<std::int64_t>(rs.rows[0][0]), 42);
}

TEST_F(TlsTest, APlainHttpClientGetsNoAnswerFromATlsServer) {
  client::Connection plain(QString("http://127.0.0.1:%1").arg(port_));
  EXPECT_NE(openFailure(plain), "<no error>");
}

}  // namespace
}  // namespace qk::test

// The HTTP front under load and under attack: slow and idle connections, hostile bodies, session
// limits and the request log, against a real server on loopback.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "support/test_server.h"

namespace qk::test {
namespace {

namespace path = protocol::path;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

std::string loginBody() {
  return Json{{"account", kAccount}, {"user", "admin"}, {"password", kAdminPassword}}.dump();
}

class SlowClientsTest : public ServerTest {};

TEST_F(SlowClientsTest, ConnectionsDribblingHeaderBytesDoNotKeepANewClientOut) {
  std::atomic<bool> done{false};
  std::vector<std::unique_ptr<RawSocket>> slow;
  for (int i = 0; i < 40; ++i) slow.push_back(std::make_unique<RawSocket>(port_));
  std::thread dribbler([&] {
    const std::string header = "POST /api/login HTTP/1.1\r\nHost: x\r\n";
    for (std::size_t i = 0; !done && i < header.size(); ++i) {
      for (auto& s : slow) s->send(header.substr(i, 1));
      std::this_thread::sleep_for(200ms);
    }
  });
  std::this_thread::sleep_for(300ms);
  const auto start = Clock::now();
  auto c = newClient();
  EXPECT_EQ(c->login(), "OK");
  EXPECT_LT(Clock::now() - start, 3s);
  done = true;
  dribbler.join();
}

TEST_F(SlowClientsTest, PollingKeepAliveClientsDoNotStarveANewOne) {
  std::atomic<bool> done{false};
  std::vector<std::thread> pollers;
  for (int i = 0; i < 40; ++i)
    pollers.emplace_back([&] {
      auto c = newClient();
      while (!done) c->get(path::kHealth);
    });
  std::this_thread::sleep_for(300ms);
  const auto start = Clock::now();
  auto c = newClient();
  EXPECT_EQ(c->login(), "OK");
  EXPECT_EQ(c->open("select 1").rows.size(), 1u);
  EXPECT_LT(Clock::now() - start, 3s);
  done = true;
  for (auto& t : pollers) t.join();
}

TEST_F(SlowClientsTest, AHeaderDribbledSlowerThanTheHeaderTimeoutIsDropped) {
  options_.headerTimeout = 2s;
  restartServer();
  RawSocket s(port_);
  ASSERT_TRUE(s.connected());
  const auto start = Clock::now();
  const std::string header = "POST /api/login HTTP/1.1\r\nHost: x\r\nX-Slow: ";
  bool closed = false;
  for (std::size_t i = 0; Clock::now() - start < 8s; ++i) {
    if (!s.send(header.substr(i % header.size(), 1)) || s.closedByServer()) {
      closed = true;
      break;
    }
    std::this_thread::sleep_for(250ms);
  }
  EXPECT_TRUE(closed);
  EXPECT_LT(Clock::now() - start, 5s);
}

class RequestLimitsTest : public ServerTest {
 protected:
  // The body as posted by a logged-in client, bypassing the JSON encoder. A body of 72 MB takes
  // longer than the client's default five seconds to send and answer on a busy machine.
  HttpReply postRaw(const std::string& path, const std::string& body) {
    auto c = newClient();
    EXPECT_EQ(c->login(), "OK");
    httplib::Client http("127.0.0.1", port_);
    http.set_read_timeout(60s);
    http.set_write_timeout(60s);
    auto res = http.Post(path, {{"Authorization", "Bearer " + c->token}}, body, "application/json");
    if (!res) return {0, Json::object()};
    return {res->status, Json::parse(res->body, nullptr, false)};
  }
};

TEST_F(RequestLimitsTest, AnOversizedChunkedBodyIsRefusedWithoutTheServerGrowing) {
  options_.maxBodyBytes = 1u << 20;
  restartServer();
  RawSocket s(port_);
  const long before = residentKilobytes();
  s.send(
      "POST /api/login HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
      "Transfer-Encoding: chunked\r\n\r\n");
  const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
  for (int sent = 0; sent < 1024 && s.send(chunk); ++sent) {  // up to 64 MB
  }
  const std::string answer = s.receive();
  EXPECT_EQ(answer.rfind("HTTP/1.1 413", 0), 0u) << answer.substr(0, 100);
  EXPECT_LT(residentKilobytes() - before, 16 * 1024);
}

TEST_F(RequestLimitsTest, ACompressedBodyIsRefusedUnread) {
  RawSocket s(port_);
  const std::string body(1000, '\0');
  s.send("POST /api/login HTTP/1.1\r\nHost: x\r\nContent-Encoding: gzip\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body);
  const std::string answer = s.receive();
  EXPECT_EQ(answer.rfind("HTTP/1.1 415", 0), 0u) << answer.substr(0, 100);
  EXPECT_NE(answer.find("Content-Encoding: gzip"), std::string::npos);
  // The identity encoding is no compression and is accepted.
  httplib::Client http("127.0.0.1", port_);
  auto res =
      http.Post(path::kLogin, {{"Content-Encoding", "identity"}}, loginBody(), "application/json");
  ASSERT_TRUE(res);
  EXPECT_EQ(Json::parse(res->body)["result"], "OK");
}

TEST_F(RequestLimitsTest, HostileJsonIsRefusedWithAClearText) {
  auto deep = postRaw(path::kEchoString,
                      R"({"value": )" + std::string(100000, '[') + std::string(100000, ']') + "}");
  EXPECT_EQ(deep.status, 400);
  EXPECT_EQ(deep.body["error"], "请求格式错误: JSON nesting deeper than 64 levels");

  auto huge = postRaw(path::kEchoString,
                      R"({"value": ")" + std::string(protocol::kMaxJsonString + 1, 'x') + "\"}");
  EXPECT_EQ(huge.status, 400);
  EXPECT_EQ(huge.body["error"], "请求格式错误: a text longer than 75497472 bytes");

  for (const char* n : {"12345678901234567890", "-98765432109876543210", "18446744073709551615"}) {
    auto big =
        postRaw(path::kOpen, std::string(R"({"sql": "select :p", "params": {"p": )") + n + "}}");
    EXPECT_EQ(big.status, 400) << n;
    EXPECT_EQ(big.body["error"],
              std::string("请求格式错误: the integer ") + n + " is outside the 64-bit range");
  }
  // The extremes of 64 bits and real numbers still pass.
  auto fits =
      postRaw(path::kOpen, R"({"sql": "select cast(:a as bigint), cast(:b as bigint), :c", )"
                           R"("params": )"
                           R"({"a": 9223372036854775807, "b": -9223372036854775808, "c": 1e20}})");
  EXPECT_EQ(fits.status, 200);
  EXPECT_EQ(fits.body["rows"][0][0], INT64_MAX);
  EXPECT_EQ(fits.body["rows"][0][1], INT64_MIN);
}

class SessionLimitsTest : public ServerTest {};

TEST_F(SessionLimitsTest, LoginsBeyondTheLimitsAreRefusedWithTheReason) {
  options_.sessionsPerUser = 2;
  restartServer();
  std::vector<std::unique_ptr<ApiClient>> clients;
  for (int i = 0; i < 2; ++i) {
    clients.push_back(newClient());
    ASSERT_EQ(clients.back()->login(), "OK");
  }
  EXPECT_EQ(newClient()->login(), "用户“admin”同时登录的数目已达上限（2 个），请先退出其他登录");
  clients[0]->call(path::kLogout, Json::object());
  EXPECT_EQ(newClient()->login(), "OK");

  options_.sessionsPerUser = 10;
  options_.sessionsTotal = 1;
  restartServer();
  ASSERT_EQ(newClient()->login(), "OK");
  EXPECT_EQ(newClient()->login(), "服务器的登录数已达上限（1 个），请稍后再试");
}

TEST_F(SessionLimitsTest, SessionsThatIdledOutDoNotCountAgainstTheLimit) {
  options_.sessionsTotal = 1;
  options_.idleLimit = 1s;
  restartServer();
  ASSERT_EQ(newClient()->login(), "OK");
  std::this_thread::sleep_for(1100ms);
  EXPECT_EQ(newClient()->login(), "OK");
}

class RequestLogTest : public ServerTest {};

TEST_F(RequestLogTest, ControlCharactersInAUserNameCannotForgeALine) {
  const auto file = dir_.path() / "requests.log";
  options_.log = std::fopen(file.c_str(), "w");
  restartServer();
  auto c = newClient();
  c->login("x\n2030-01-01 00:00:00 POST /api/UpdateData 200 1.00ms admin@" + std::string(kAccount));
  c->login(std::string(5000, 'y'));
  stopServer();
  std::fclose(options_.log);
  options_.log = nullptr;
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);  // the start-up probe and two logins
  EXPECT_NE(lines[1].find("x\\x0a2030-01-01"), std::string::npos) << lines[1];
  EXPECT_LT(lines[2].size(), 400u);
}

}  // namespace
}  // namespace qk::test

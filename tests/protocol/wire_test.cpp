// The wire format, pinned by literal JSON: what the client sends and the server answers must
// decode to the same values and encode back to the same JSON.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "protocol/wire.h"

namespace qk::protocol {
namespace {

template <typename T>
Json roundTrip(const char* literal) {
  const Json in = Json::parse(literal);
  const T decoded = fromJson<T>(in);
  const Json out = toJson(decoded);
  EXPECT_EQ(out, in) << "literal: " << literal << "\nencoded: " << out.dump();
  return out;
}

TEST(Wire, MessagesRoundTripFromLiteralJson) {
  roundTrip<LoginRequest>(R"({"account":"演示账套","user":"admin ","password":"p'w\"d"})");
  roundTrip<LoginReply>(R"({"result":"OK","token":"ab12"})");
  roundTrip<LoginReply>(R"({"result":"密码错误"})");
  roundTrip<StatementRequest>(
      R"({"provider":"pubDSP","sql":"select * from wh_In where keyNo = :p1",)"
      R"("params":{"p1":"RK2612-0001","n":3,"x":1.5,"b":true,"d":"2026-12-06 08:30:00","z":null}})");
  roundTrip<RecordSet>(
      R"({"fields":[{"name":"keyNo","type":"string","size":20},{"name":"qty","type":"decimal","size":0},)"
      R"({"name":"audited","type":"boolean","size":0},{"name":"inDate","type":"datetime","size":0},)"
      R"({"name":"n","type":"integer","size":0},{"name":"pic","type":"blob","size":0}],)"
      R"("rows":[["A 1 ",2.5,true,"2026-12-06 00:00:00",7,{"base64":"AAEC/w=="}],[null,null,null,null,null,null]],)"
      R"("outParams":{"@TotalCount":12}})");
  roundTrip<ExecResult>(R"({"rowsAffected":2,"lastInsertId":41,"outParams":{}})");
  roundTrip<ApplyRequest>(
      R"({"provider":"custDSP","sql":"","maxErrors":0,"delta":{"rows":[)"
      R"({"op":"insert","new":{"custNo":"C01","custName":"甲"}},)"
      R"({"op":"update","old":{"custNo":"C02","custName":"乙"},"new":{"custName":"乙二"}},)"
      R"({"op":"delete","old":{"custNo":"C03"}}]}})");
  roundTrip<ApplyReply>(
      R"({"errors":[{"row":1,"message":"重复的编号：客户资料中已有客户编号为“C1”的记录",)"
      R"("code":"duplicate","table":"bas_cust"},{"row":2,"message":"x","code":"too_long",)"
      R"("table":"bas_cust"}],"committed":false})");
  roundTrip<UpdateBasDataRequest>(
      R"({"delta":{"rows":[]},"table":"wh_in","key1":"keyNo","key2":""})");
  roundTrip<UpdateDataRequest>(
      R"({"deltaA":{"rows":[{"op":"insert","new":{"keyNo":"X"}}]},"tableA":"wh_In","keyA1":"keyNo","keyA2":"",)"
      R"("deltaB":{"rows":[]},"tableB":"wh_in_det","keyB1":"keyNo","keyB2":"ItemNo"})");
  roundTrip<TextReply>(R"({"result":"OK"})");
  roundTrip<TextReply>(
      R"({"result":"入库单中要修改的记录不存在，可能已被其他用户修改或删除，请刷新后重试",)"
      R"("code":"not_found","table":"wh_In"})");
  roundTrip<TextReply>(R"({"result":"数据库正被其他程序占用，请稍后重试","code":"busy"})");
  roundTrip<ErrorReply>(R"({"error":"服务器拒绝执行此语句：一次请求只能执行一条 SQL 语句",)"
                        R"("code":"refused"})");
  roundTrip<ErrorReply>(R"({"error":"未登录或会话已过期，请重新登录","code":"session"})");
}

TEST(Wire, RepliesWithoutACodeFromAnOlderPeerStillDecode) {
  // A failure without a code is a failure all the same; "OK" stays a success and is sent back
  // exactly as it came.
  const auto text = fromJson<TextReply>(Json::parse(R"({"result":"表 wh_In 不存在"})"));
  EXPECT_EQ(text.result, "表 wh_In 不存在");
  EXPECT_EQ(text.code, "error");
  const auto ok = fromJson<TextReply>(Json::parse(R"({"result":"OK"})"));
  EXPECT_EQ(ok.code, "");
  EXPECT_EQ(toJson(ok).dump(), R"({"result":"OK"})");
  const auto apply = fromJson<ApplyReply>(Json::parse(R"({"errors":[{"row":0,"message":"x"}]})"));
  ASSERT_EQ(apply.errors.size(), 1u);
  EXPECT_EQ(apply.errors[0].code, "error");
  EXPECT_TRUE(apply.committed);
  const auto error = errorReplyOf(Json::parse(R"({"error":"no such column: x"})"));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->error, "no such column: x");
  EXPECT_EQ(error->code, "error");
  EXPECT_FALSE(errorReplyOf(Json::parse(R"({"result":"OK"})")));
  // And a client that reads only the text finds it where it always was.
  EXPECT_EQ(Json::parse(errorBody("重复", code::kDuplicate))["error"], "重复");
}

TEST(Wire, ValuesKeepTheirKinds) {
  const Json j = Json::parse(R"({"i":9007199254740993,"f":2.0,"neg":-4,"s":"２０","t":false})");
  const NamedValues v = namedFromJson(j, "test");
  EXPECT_EQ(std::get<std::int64_t>(v.at("i")), 9007199254740993LL);  // beyond double precision
  EXPECT_EQ(std::get<double>(v.at("f")), 2.0);  // a float stays a float even when whole
  EXPECT_EQ(std::get<std::int64_t>(v.at("neg")), -4);
  EXPECT_EQ(std::get<std::string>(v.at("s")), "２０");
  EXPECT_EQ(std::get<bool>(v.at("t")), false);
  // Beyond 64 bits a number is refused, never rounded into a float.
  EXPECT_THROW(namedFromJson(Json::parse(R"({"big":18446744073709551615})"), "test"), WireError);
  EXPECT_EQ(valueToJson(v.at("f")).dump(), "2.0");
}

TEST(Wire, NamesMatchWithoutRegardToCase) {
  const NamedValues v = namedFromJson(Json::parse(R"({"ItemNo":1})"), "test");
  EXPECT_EQ(v.count("itemno"), 1u);
  EXPECT_EQ(v.count("ITEMNO"), 1u);
  EXPECT_THROW(namedFromJson(Json::parse(R"({"a":1,"A":2})"), "test"), WireError);
}

TEST(Wire, MalformedMessagesAreRefusedWithAReason) {
  auto refused = [](const char* text, auto decode) {
    try {
      decode(parseBody(text));
    } catch (const WireError& e) {
      return std::string(e.what());
    }
    return std::string("<accepted>");
  };
  auto login = [](const Json& j) { fromJson<LoginRequest>(j); };
  auto recordSet = [](const Json& j) { fromJson<RecordSet>(j); };
  auto delta = [](const Json& j) { fromJson<Delta>(j); };
  EXPECT_EQ(refused("{not json", login), "the request body is not valid JSON");
  EXPECT_EQ(refused(R"({"account":"a","user":"u"})", login), "login: missing \"password\"");
  EXPECT_EQ(refused(R"({"account":1,"user":"u","password":"p"})", login),
            "login: \"account\" must be text");
  EXPECT_EQ(refused(R"([1,2])", login), "login: expected a JSON object");
  EXPECT_EQ(refused(R"({"fields":[{"name":"a","type":"string"}],"rows":[[1,2]]})", recordSet),
            "record set: every row must be an array with one value per field");
  EXPECT_EQ(refused(R"({"fields":[{"name":"a","type":"money"}],"rows":[]})", recordSet),
            "unknown field type \"money\"");
  EXPECT_EQ(refused(R"({"rows":[{"op":"upsert","new":{}}]})", delta),
            "delta row: unknown op \"upsert\"");
  EXPECT_EQ(refused(R"({"rows":[{"op":"update","new":{}}]})", delta), "delta row: missing \"old\"");
  EXPECT_EQ(refused(R"({"rows":[{"op":"insert","new":{"a":[1]}}]})", delta),
            "value: arrays and binary values are not accepted");
  EXPECT_EQ(refused(R"({"rows":[{"op":"insert","new":{"a":{"base64":"%%%"}}}]})", delta),
            "blob: invalid base64 text");
}

TEST(Wire, ErrorRepliesCarryTheTextEvenWhenItIsNotValidUtf8) {
  const std::string body = errorBody("bad \xff byte");
  const Json j = Json::parse(body);
  ASSERT_TRUE(errorOf(j));
  EXPECT_NE(errorOf(j)->find("bad"), std::string::npos);
  EXPECT_FALSE(errorOf(Json::parse(R"({"result":"OK"})")));
}

}  // namespace
}  // namespace qk::protocol

namespace qk::protocol {
namespace {

// Record sets of every kind of cell, with the texts and numbers whose encoding is delicate.
std::vector<RecordSet> awkwardRecordSets() {
  const std::vector<Value> cells = {std::monostate{},
                                    true,
                                    false,
                                    std::int64_t{0},
                                    std::int64_t{-1},
                                    INT64_MAX,
                                    INT64_MIN,
                                    0.0,
                                    -0.0,
                                    12.0,
                                    0.1,
                                    1e-7,
                                    1e21,
                                    123456789.125,
                                    -2.5e-300,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    std::string(),
                                    std::string("阀体 DN50"),
                                    std::string("quote \" backslash \\ tab \t nl \n"),
                                    std::string("\x01\x1f\x7f"),
                                    std::string("cut \xe9\x98"),
                                    std::string("lone \x80 byte"),
                                    std::string("overlong \xc0\xaf"),
                                    std::string("surrogate \xed\xa0\x80"),
                                    std::string("beyond \xf4\x90\x80\x80"),
                                    std::string("four \xf0\x9f\x94\xa7 bytes"),
                                    Blob{{0, 1, 2, 250, 255}},
                                    Blob{}};
  RecordSet wide;
  for (std::size_t i = 0; i < cells.size(); ++i)
    wide.fields.push_back({"f" + std::to_string(i), FieldType::String, static_cast<int>(i)});
  for (std::size_t r = 0; r < cells.size(); ++r) {
    Row row;
    for (std::size_t c = 0; c < cells.size(); ++c) row.push_back(cells[(r + c) % cells.size()]);
    wide.rows.push_back(row);
  }
  wide.outParams = {{"b", std::int64_t{2}}, {"A", std::string("x")}, {"Ü", 1.5}};
  RecordSet empty;
  empty.fields = {{"only", FieldType::Decimal, 0}};
  return {wide, empty, RecordSet{}};
}

std::string documentText(const RecordSet& r) {
  return dump(toJson(r));
}

TEST(RecordSetText, TheStreamedTextIsTheDocumentsTextAndReadsBackTheSame) {
  for (const RecordSet& r : awkwardRecordSets()) {
    const std::string text = encode(r);
    EXPECT_EQ(text, documentText(r));
    auto back = parseRecordSet(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(documentText(*back), documentText(fromJson<RecordSet>(parseBody(text))));
    EXPECT_EQ(back->fields, r.fields);
  }
}

TEST(RecordSetText, WhatIsNotAPlainRecordSetIsLeftToTheDocumentDecoder) {
  const std::string good = encode(awkwardRecordSets()[0]);
  // Each text: not read straight; the document decoder then decides (here: refuses, or it is
  // an error reply).
  const std::vector<std::string> refusedByBoth = {
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[1,2]]})",
      R"({"fields":[{"name":"a","type":"text"}],"rows":[]})",
      R"({"fields":[{"type":"string"}],"rows":[]})",
      R"({"fields":[{"name":"a","type":"string","size":"9"}],"rows":[]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[18446744073709551615]]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[123456789012345678901234567890]]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[[1]]]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[{"base64":"***"}]]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[[{"hex":"00"}]]})",
      R"({"fields":[{"name":"a","type":"string"}]})",
      R"({"fields":[{"name":"a","type":"string"}],"rows":[]} trailing)",
      R"([1,2])",
      good.substr(0, good.size() - 1),
  };
  for (const std::string& text : refusedByBoth) {
    EXPECT_FALSE(parseRecordSet(text)) << text;
    EXPECT_THROW(fromJson<RecordSet>(parseBody(text)), WireError) << text;
  }
  EXPECT_FALSE(parseRecordSet(R"({"code":"refused","error":"无权限"})"));
  // Unusual but valid: an extra member, a member given twice. The document decoder reads them.
  for (const char* text :
       {R"({"fields":[],"rows":[],"more":1})", R"({"fields":[],"rows":[[]],"rows":[]})"}) {
    EXPECT_FALSE(parseRecordSet(text)) << text;
    EXPECT_NO_THROW(fromJson<RecordSet>(parseBody(text))) << text;
  }
}

}  // namespace
}  // namespace qk::protocol

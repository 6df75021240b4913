#include "server/procedures/exec_call.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "server/db/connection.h"

namespace qk::server {

namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  void skipBlanks() {
    for (;;) {
      while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
      if (s_.substr(i_, 2) == "--") {
        auto end = s_.find('\n', i_);
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
      } else if (s_.substr(i_, 2) == "/*") {
        auto end = s_.find("*/", i_ + 2);
        i_ = end == std::string_view::npos ? s_.size() : end + 2;
      } else {
        return;
      }
    }
  }
  bool atEnd() {
    skipBlanks();
    bool separated = false;
    while (i_ < s_.size() && s_[i_] == ';') {
      ++i_;
      separated = true;
      skipBlanks();
    }
    if (separated && i_ < s_.size())
      throw db::DbError("服务器拒绝执行此语句：一次请求只能执行一条 SQL 语句");
    return i_ >= s_.size();
  }
  char peek() {
    skipBlanks();
    return i_ < s_.size() ? s_[i_] : '\0';
  }
  bool accept(char c) {
    if (peek() != c) return false;
    ++i_;
    return true;
  }
  // A name: letters, digits, '_', '@', '#', '.', and any non-ASCII byte.
  std::string name() {
    skipBlanks();
    std::size_t start = i_;
    while (i_ < s_.size()) {
      const unsigned char c = s_[i_];
      if (std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '.' || c >= 0x80)
        ++i_;
      else
        break;
    }
    return std::string(s_.substr(start, i_ - start));
  }
  std::string quoted() {  // at a quote: the text with doubled quotes undone
    std::string out;
    ++i_;
    while (i_ < s_.size()) {
      if (s_[i_] == '\'') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
          out += '\'';
          i_ += 2;
          continue;
        }
        ++i_;
        return out;
      }
      out += s_[i_++];
    }
    throw db::DbError("存储过程调用中的文本没有结束引号");
  }
  std::string number() {
    skipBlanks();
    std::size_t start = i_;
    if (i_ < s_.size() && (s_[i_] == '-' || s_[i_] == '+')) ++i_;
    while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                              s_[i_] == 'e' || s_[i_] == 'E'))
      ++i_;
    return std::string(s_.substr(start, i_ - start));
  }
  std::size_t pos() const { return i_; }
  void setPos(std::size_t p) { i_ = p; }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

protocol::Value numberValue(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  if (text.find_first_of(".eE") == std::string::npos) {
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE) throw db::DbError("存储过程调用中的整数超出范围: " + text);
    if (end && *end == '\0' && !text.empty()) return static_cast<std::int64_t>(v);
  } else {
    const double d = std::strtod(text.c_str(), &end);
    if (end && *end == '\0') return d;
  }
  throw db::DbError("存储过程调用中的数值无效: " + text);
}

bool isWord(const std::string& s, const char* w) {
  return protocol::iequals(s, w);
}

}  // namespace

std::optional<ExecCall> parseExecCall(std::string_view sql, const protocol::Params& params) {
  Scanner sc(sql);
  const std::string first = sc.name();
  if (!isWord(first, "exec") && !isWord(first, "execute")) return std::nullopt;

  ExecCall call;
  call.procedure = sc.name();
  if (call.procedure.empty()) throw db::DbError("exec 后面缺少存储过程名");
  if (sc.accept('=')) {  // "exec @ret = sp_name": the return status is not used
    call.procedure = sc.name();
    if (call.procedure.empty()) throw db::DbError("exec 后面缺少存储过程名");
  }

  bool firstArg = true;
  while (!sc.atEnd()) {
    if (!firstArg && !sc.accept(',')) throw db::DbError("存储过程参数之间缺少逗号");
    firstArg = false;
    ExecArg arg;
    bool marked = false;  // a ":name" parameter of the request
    const char c = sc.peek();
    if (c == '\'') {
      arg.value = sc.quoted();
    } else if ((c == 'N' || c == 'n')) {
      // N'text' (a wide literal), or the word null
      const std::size_t save = sc.pos();
      const std::string word = sc.name();
      if (isWord(word, "null")) {
        arg.value = std::monostate{};
      } else if (isWord(word, "N") && sc.peek() == '\'') {
        arg.value = sc.quoted();
      } else {
        sc.setPos(save);
        throw db::DbError("存储过程参数无效: " + word);
      }
    } else if (c == ':') {
      sc.accept(':');
      marked = true;
      arg.param = sc.name();
      if (arg.param.empty()) throw db::DbError("存储过程参数缺少名称");
      auto it = params.find(arg.param);
      if (it != params.end()) arg.value = it->second;
    } else if (c == '@') {
      // A variable of the calling batch: only meaningful as an output argument.
      arg.param = sc.name();
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      arg.value = numberValue(sc.number());
    } else {
      throw db::DbError("存储过程参数无效");
    }
    const std::size_t save = sc.pos();
    const std::string marker = sc.name();
    if (isWord(marker, "output") || isWord(marker, "out")) {
      if (arg.param.empty()) throw db::DbError("只有参数可以标记为 output");
      arg.output = true;
    } else {
      sc.setPos(save);
    }
    if (!arg.output && marked && params.find(arg.param) == params.end())
      throw db::DbError("参数 :" + arg.param + " 没有赋值");
    if (!arg.output && !marked && !arg.param.empty())
      throw db::DbError("变量 " + arg.param + " 只能作为 output 参数");
    call.args.push_back(std::move(arg));
  }
  return call;
}

}  // namespace qk::server

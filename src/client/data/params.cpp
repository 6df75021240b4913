#include "client/data/params.h"

#include "client/data/data_error.h"
#include "client/data/values.h"

namespace qk::client {

namespace {

bool isNameChar(QChar c) {
  return c.isLetterOrNumber() || c == '_' || c == '@' || (c.unicode() >= 0x80 && !c.isSpace());
}

}  // namespace

Param& Params::operator[](int index) {
  if (index < 0 || index >= count())
    throw DataError(QString("参数序号 %1 超出范围（共 %2 个参数）").arg(index).arg(count()));
  return list_[static_cast<std::size_t>(index)];
}

Param& Params::byName(const QString& name) {
  for (Param& p : list_)
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) return p;
  throw DataError(QString("参数 %1 不存在").arg(name));
}

const Param* Params::find(const QString& name) const {
  for (const Param& p : list_)
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) return &p;
  return nullptr;
}

Param& Params::add(const QString& name, bool output) {
  for (Param& p : list_) {
    if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
      p.output = p.output || output;
      return p;
    }
  }
  list_.push_back(Param{name, QVariant(), output});
  return list_.back();
}

protocol::Params Params::toWire() const {
  protocol::Params wire;
  for (const Param& p : list_) wire[ss(p.name)] = fromVariant(p.value);
  return wire;
}

Params parseParams(const QString& sql) {
  Params params;
  const qsizetype n = sql.size();
  auto skipPast = [&](qsizetype i, QChar close, bool doubled) {
    while (i < n) {
      if (sql[i] == close) {
        if (doubled && i + 1 < n && sql[i + 1] == close) {
          i += 2;
          continue;
        }
        return i + 1;
      }
      ++i;
    }
    return n;
  };
  qsizetype i = 0;
  while (i < n) {
    const QChar c = sql[i];
    const QChar next = i + 1 < n ? sql[i + 1] : QChar();
    if (c == '\'' || c == '"') {
      i = skipPast(i + 1, c, true);
    } else if (c == '[') {
      i = skipPast(i + 1, ']', true);
    } else if (c == '-' && next == '-') {
      const qsizetype end = sql.indexOf('\n', i);
      i = end < 0 ? n : end + 1;
    } else if (c == '/' && next == '*') {
      const qsizetype end = sql.indexOf("*/", i + 2);
      i = end < 0 ? n : end + 2;
    } else if (c == ':' && next == ':') {
      i += 2;
    } else if (c == ':') {
      qsizetype end = i + 1;
      while (end < n && isNameChar(sql[end])) ++end;
      if (end == i + 1) {
        ++i;
        continue;
      }
      qsizetype word = end;
      while (word < n && sql[word].isSpace()) ++word;
      qsizetype wordEnd = word;
      while (wordEnd < n && isNameChar(sql[wordEnd])) ++wordEnd;
      const QStringView w = QStringView(sql).mid(word, wordEnd - word);
      const bool output = w.compare(QLatin1String("output"), Qt::CaseInsensitive) == 0 ||
                          w.compare(QLatin1String("out"), Qt::CaseInsensitive) == 0;
      params.add(sql.mid(i + 1, end - i - 1), output);
      i = end;
    } else {
      ++i;
    }
  }
  return params;
}

}  // namespace qk::client

#include "client/data/numbering.h"

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"

namespace qk::client {

namespace {

QString twoDigits(int n) {
  return QString::number(n).rightJustified(2, '0');
}

// The text as a LIKE pattern that matches it literally at the start.
QString prefixPattern(const QString& prefix) {
  QString p;
  for (QChar c : prefix) {
    if (c == '%' || c == '_' || c == '\\') p += '\\';
    p += c;
  }
  return p + '%';
}

// The highest number of the column starting with the prefix. Longest first, so that after
// "…9999" the wider "…10000" counts as higher, as it is, and is not issued again.
QString highest(Dataset& ds, const QString& table, const QString& column, const QString& prefix) {
  ds.setCommandText("select " + column + " as keyNo from " + table + " where " + column +
                    " like :prefix escape '\\' order by length(rtrim(" + column + ")) desc, " +
                    column + " desc limit 1");
  ds.params().byName("prefix").value = prefixPattern(prefix);
  ds.open();
  if (ds.isEmpty()) return {};
  ds.first();
  return ds.fieldByName("keyNo").asString().trimmed();
}

// The next sequence after the highest number, zero-padded to width. The sequence is what
// follows the number's stem; a number that outgrew its width ("…10000") still counts whole.
QString nextSequence(const QString& highestNo, const QString& stem, int width) {
  const QString tail = highestNo.startsWith(stem) && highestNo.size() > stem.size()
                           ? highestNo.mid(stem.size())
                           : highestNo.right(width);
  bool ok = !tail.isEmpty();
  for (QChar c : tail) ok = ok && c.isDigit() && c.unicode() < 128;
  const qlonglong n = ok ? tail.toLongLong(&ok) : 0;
  if (!ok)
    throw DataError(QString("已有的最大编号“%1”的末尾 %2 位不是数字，无法生成新编号")
                        .arg(highestNo)
                        .arg(width));
  return QString::number(n + 1).rightJustified(width, '0');
}

}  // namespace

QString nextKeyNo(const QString& table, Dataset& ds, const QDate& today) {
  ds.setCommandText("select * from bas_form where tableName = :table");
  ds.params().byName("table").value = table;
  ds.open();
  if (ds.isEmpty())
    throw DataError(QString("表 %1 没有单据编号规则（bas_form），无法生成单据号").arg(table));
  ds.first();
  const QString head = ds.fieldByName("formHead").asString();
  const QString code = ds.fieldByName("formcode").asString();
  const QString sep = ds.fieldByName("formsep").asString();
  const QString begin = ds.fieldByName("formbegin").asString();
  if (begin.isEmpty())
    throw DataError(QString("表 %1 的编号规则没有起始序号（formbegin）").arg(table));

  const QString yy = twoDigits(today.year() % 100);
  QString datePart;
  if (code == "年")
    datePart = yy;
  else if (code == "年月")
    datePart = yy + sep + twoDigits(today.month());
  else if (code == "年月日")
    datePart = yy + sep + twoDigits(today.month()) + sep + twoDigits(today.day());
  const QString prefix = head + sep + datePart;

  const QString top = highest(ds, sqlIdentifier(table), "keyNo", prefix);
  if (top.isEmpty()) return prefix + sep + begin;
  return prefix + sep + nextSequence(top, prefix + sep, static_cast<int>(begin.size()));
}

QString nextGsNo(Dataset& ds, const QDate& today) {
  const QString datePart = twoDigits(today.year() % 100) + "-" + twoDigits(today.month());
  const QString top = highest(ds, "bus_SO_det", "gsNo", datePart);
  return datePart + "-" + (top.isEmpty() ? QString("0001") : nextSequence(top, datePart + "-", 4));
}

QString nextPsNo(Dataset& ds, const QDate& today) {
  const QString prefix = "PO" + twoDigits(today.year() % 100) + twoDigits(today.month());
  const QString top = highest(ds, "bus_PO_det", "psNo", prefix);
  return prefix + (top.isEmpty() ? QString("0001") : nextSequence(top, prefix, 4));
}

QString nextTaskNo(const QString& gsNo, Dataset& ds) {
  // The item number with its dash, whatever its width: under 26-12-1000 the lines of
  // 26-12-10000 are not counted.
  const QString stem = gsNo + "-";
  const QString top = highest(ds, "bus_task_det", "taskNo", stem);
  return stem + (top.isEmpty() ? QString("01") : nextSequence(top, stem, 2));
}

}  // namespace qk::client

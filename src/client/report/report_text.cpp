#include "client/report/report_text.h"

#include <QRegularExpression>

#include "client/data/dataset_model.h"
#include "client/data/values.h"

namespace qk::client {

namespace {

using protocol::FieldType;

FieldType typeOf(const QVariant& v) {
  if (isIntegralType(v.typeId())) return FieldType::Integer;
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return FieldType::Float;
    case QMetaType::Bool:
      return FieldType::Boolean;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
      return FieldType::DateTime;
    case QMetaType::QByteArray:
      return FieldType::Blob;
    default:
      return FieldType::String;
  }
}

bool isNull(const QVariant& v) {
  return !v.isValid() || v.isNull();
}

QString formatted(const QVariant& v, const QString& format) {
  if (isNull(v)) return {};
  if (v.typeId() == QMetaType::QDate)
    return formatValue(QDateTime(v.toDate(), QTime(0, 0)), FieldType::DateTime, format);
  return formatValue(v, typeOf(v), format);
}

// Numbers by value, dates by time, everything else by its text.
bool less(const QVariant& a, const QVariant& b) {
  const FieldType ta = typeOf(a), tb = typeOf(b);
  const bool numbers = (ta == FieldType::Integer || ta == FieldType::Float) &&
                       (tb == FieldType::Integer || tb == FieldType::Float);
  if (numbers) return a.toDouble() < b.toDouble();
  if (ta == FieldType::DateTime && tb == FieldType::DateTime)
    return a.toDateTime() < b.toDateTime();
  return a.toString().compare(b.toString()) < 0;
}

// Splits "源.字段" or "源."字段"" at the first dot outside quotes; false when there is none.
bool splitField(const QString& expr, QString* source, QString* field) {
  bool quoted = false;
  for (qsizetype i = 0; i < expr.size(); ++i) {
    if (expr[i] == '"') quoted = !quoted;
    if (expr[i] == '.' && !quoted) {
      *source = expr.left(i).trimmed();
      QString f = expr.mid(i + 1).trimmed();
      if (f.size() >= 2 && f.startsWith('"') && f.endsWith('"')) f = f.mid(1, f.size() - 2);
      *field = f;
      return !source->isEmpty() && !field->isEmpty();
    }
  }
  return false;
}

}  // namespace

ReportText::ReportText(const QString& text, const ReportData& data) {
  static const QRegularExpression aggregate(
      R"(^(SUM|COUNT|AVG|MIN|MAX)\s*\((.*)\)$)",
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

  auto error = [](const QString& shown) {
    Part p;
    p.kind = Part::Kind::Error;
    p.text = "[?" + shown + "]";
    return p;
  };
  auto parse = [&](const QString& raw) -> Part {
    const QString e = raw.trimmed();
    static const std::pair<const char*, Part::Kind> builtins[] = {
        {"Page", Part::Kind::Page},
        {"TotalPages", Part::Kind::TotalPages},
        {"Date", Part::Kind::Date},
        {"Time", Part::Kind::Time},
        {"Row", Part::Kind::Row}};
    for (const auto& [name, kind] : builtins) {
      if (e.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
        Part p;
        p.kind = kind;
        return p;
      }
    }
    Part p;
    QString sourceName, fieldName;
    QString shown;
    const QRegularExpressionMatch m = aggregate.match(e);
    if (m.hasMatch()) {
      const QString fn = m.captured(1).toUpper();
      p.kind = Part::Kind::Aggregate;
      p.function = fn == "SUM"     ? Part::Function::Sum
                   : fn == "COUNT" ? Part::Function::Count
                   : fn == "AVG"   ? Part::Function::Avg
                   : fn == "MIN"   ? Part::Function::Min
                                   : Part::Function::Max;
      const QString inner = m.captured(2).trimmed();
      if (!splitField(inner, &sourceName, &fieldName)) {
        if (p.function != Part::Function::Count || inner.isEmpty())
          return error(fn + "(" + inner + ")");
        sourceName = inner;
      }
      shown = fn + "(" + sourceName + (fieldName.isEmpty() ? "" : "." + fieldName) + ")";
    } else if (splitField(e, &sourceName, &fieldName)) {
      p.kind = Part::Kind::Field;
      shown = sourceName + "." + fieldName;
    } else {
      if (e.isEmpty()) return error(e);
      p.kind = Part::Kind::Variable;
      p.text = e;
      return p;
    }
    p.source = data.source(sourceName);
    if (!p.source) return error(shown);
    if (!fieldName.isEmpty()) {
      p.field = p.source->fieldIndex(fieldName);
      if (p.field < 0) return error(shown);
    }
    return p;
  };

  QString literal;
  auto flush = [&] {
    if (literal.isEmpty()) return;
    Part p;
    p.text = literal;
    parts_.push_back(std::move(p));
    literal.clear();
  };
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n;) {
    if (text[i] != '[') {
      literal += text[i++];
      continue;
    }
    if (i + 1 < n && text[i + 1] == '[') {
      literal += '[';
      i += 2;
      continue;
    }
    qsizetype end = i + 1;
    bool quoted = false;
    while (end < n && (quoted || text[end] != ']')) {
      if (text[end] == '"') quoted = !quoted;
      ++end;
    }
    if (end >= n) {  // no closing bracket: plain text
      literal += text.mid(i);
      break;
    }
    flush();
    parts_.push_back(parse(text.mid(i + 1, end - i - 1)));
    i = end + 1;
  }
  flush();
}

bool ReportText::isStatic() const {
  for (const Part& p : parts_)
    if (p.kind != Part::Kind::Literal) return false;
  return true;
}

QVariant ReportText::valueOf(const Part& part, const ReportContext& context) const {
  using Kind = Part::Kind;
  switch (part.kind) {
    case Kind::Literal:
    case Kind::Error:
      return part.text;
    case Kind::Page:
      return context.page;
    case Kind::TotalPages:
      return context.totalPages;
    case Kind::Row:
      return context.row;
    case Kind::Date:
      return QDateTime(context.now.date(), QTime(0, 0));
    case Kind::Time:
      return context.now.time().toString("HH:mm:ss");
    case Kind::Variable:
      return context.data ? context.data->variable(part.text) : QVariant();
    case Kind::Field:
      return part.source->value(context.current.value(part.source, 0), part.field);
    case Kind::Aggregate:
      break;
  }

  const ReportDataSource& source = *part.source;
  QVector<int> rows;
  if (context.scope && context.scope->contains(&source)) {
    rows = context.scope->value(&source);
  } else {
    rows.resize(source.rowCount());
    for (int r = 0; r < rows.size(); ++r) rows[r] = r;
  }
  if (part.function == Part::Function::Count && part.field < 0) return qlonglong(rows.size());

  qlonglong count = 0, integerSum = 0;
  double sum = 0;
  bool integers = true;
  QVariant best;
  for (int r : rows) {
    const QVariant v = source.value(r, part.field);
    if (isNull(v)) continue;
    switch (part.function) {
      case Part::Function::Count:
        ++count;
        break;
      case Part::Function::Sum:
      case Part::Function::Avg: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok) break;  // a text that is no number adds nothing, as in a grid footer
        ++count;
        sum += d;
        if (isIntegralType(v.typeId()))
          integerSum += v.toLongLong();
        else
          integers = false;
        break;
      }
      case Part::Function::Min:
        if (!best.isValid() || less(v, best)) best = v;
        break;
      case Part::Function::Max:
        if (!best.isValid() || less(best, v)) best = v;
        break;
    }
  }
  switch (part.function) {
    case Part::Function::Count:
      return count;
    case Part::Function::Sum:
      return integers ? QVariant(integerSum) : QVariant(sum);
    case Part::Function::Avg:
      return count > 0 ? QVariant(sum / double(count)) : QVariant();
    default:
      return best;
  }
}

ReportText::Result ReportText::evaluate(const ReportContext& context,
                                        const QString& displayFormat) const {
  Result result;
  int expressions = 0;
  bool literalText = false;
  QVariant single;
  QString singleFormat;
  bool singleUsable = false;
  for (const Part& part : parts_) {
    if (part.kind == Part::Kind::Literal) {
      result.text += part.text;
      literalText = literalText || !part.text.trimmed().isEmpty();
      continue;
    }
    ++expressions;
    if (part.kind == Part::Kind::Error) {
      result.text += part.text;
      singleUsable = false;
      continue;
    }
    const QVariant v = valueOf(part, context);
    if (part.kind == Part::Kind::Variable && !v.isValid()) {
      result.text += "[?" + part.text + "]";
      singleUsable = false;
      continue;
    }
    QString format = displayFormat;
    const bool ownFormat =
        part.kind == Part::Kind::Field ||
        (part.kind == Part::Kind::Aggregate && part.function != Part::Function::Count);
    if (format.isEmpty() && ownFormat) format = part.source->displayFormat(part.field);
    result.text += formatted(v, format);
    single = v;
    singleFormat = format;
    singleUsable = true;
  }
  if (expressions == 1 && !literalText && singleUsable) {
    result.value = single;
    result.format = singleFormat;
  }
  return result;
}

QVariant ReportText::value(const ReportContext& context) const {
  int expressions = 0;
  const Part* only = nullptr;
  for (const Part& part : parts_) {
    if (part.kind == Part::Kind::Literal && part.text.trimmed().isEmpty()) continue;
    ++expressions;
    only = &part;
  }
  if (expressions == 1 && only->kind != Part::Kind::Literal && only->kind != Part::Kind::Error)
    return valueOf(*only, context);
  return evaluate(context).text;
}

}  // namespace qk::client

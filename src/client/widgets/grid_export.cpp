#include <xlsxwriter.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <map>

#include "client/data/values.h"
#include "client/widgets/grid_output.h"

namespace qk::client {

using protocol::FieldType;

namespace {

lxw_color_t rgb(const QColor& c) {
  return (lxw_color_t(c.red()) << 16) | (lxw_color_t(c.green()) << 8) | lxw_color_t(c.blue());
}

// Formats are owned by the workbook; one per distinct look.
class Formats {
 public:
  Formats(lxw_workbook* book, const GridStyle& style) : book_(book), style_(style) {}

  lxw_format* title() {
    if (!title_) {
      title_ = base(style_.titleColor);
      format_set_bold(title_);
      format_set_align(title_, LXW_ALIGN_CENTER);
    }
    return title_;
  }
  lxw_format* caption() {
    if (!caption_) {
      caption_ = base(style_.titleColor.lighter(104));
      format_set_bold(caption_);
    }
    return caption_;
  }
  // A cell of a data row (plain) or of a footer row, with its number format.
  lxw_format* cell(bool footer, const QString& numberFormat, bool centred = false) {
    const QString key = QString("%1|%2|%3").arg(footer).arg(centred).arg(numberFormat);
    auto it = cells_.find(key);
    if (it != cells_.end()) return it->second;
    lxw_format* f = base(footer ? style_.footerColor : QColor());
    if (footer && style_.footerFont.bold()) format_set_bold(f);
    if (!numberFormat.isEmpty()) format_set_num_format(f, numberFormat.toUtf8().constData());
    if (centred) format_set_align(f, LXW_ALIGN_CENTER);
    cells_.emplace(key, f);
    return f;
  }

 private:
  lxw_format* base(const QColor& fill) {
    lxw_format* f = workbook_add_format(book_);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_border_color(f, rgb(style_.lineColor));
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (fill.isValid()) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, rgb(fill));
    }
    return f;
  }

  lxw_workbook* book_;
  GridStyle style_;
  lxw_format* title_ = nullptr;
  lxw_format* caption_ = nullptr;
  std::map<QString, lxw_format*> cells_;
};

class SheetWriter {
 public:
  SheetWriter(lxw_worksheet* sheet, Formats& formats, const GridSnapshot& grid)
      : ws_(sheet), f_(formats), g_(grid) {}

  void text(lxw_row_t row, lxw_col_t col, const QString& value, lxw_format* format) {
    if (value.isEmpty())
      worksheet_write_blank(ws_, row, col, format);
    else
      worksheet_write_string(ws_, row, col, value.toUtf8().constData(), format);
  }

  // A range that may be a single cell: Excel refuses to merge one cell with itself.
  void merged(lxw_row_t r1, lxw_col_t c1, lxw_row_t r2, lxw_col_t c2, const QString& value,
              lxw_format* format) {
    if (r1 == r2 && c1 == c2)
      text(r1, c1, value, format);
    else
      worksheet_merge_range(ws_, r1, c1, r2, c2, value.toUtf8().constData(), format);
  }

  void value(lxw_row_t row, lxw_col_t col, const GridSnapshot::Cell& cell, bool footer) {
    const GridSnapshot::Column& column = g_.columns[col];
    const QVariant& v = cell.value;
    const bool empty = !v.isValid() || v.isNull();
    if (!empty && v.typeId() != QMetaType::QString && isNumericType(column.type)) {
      bool ok = false;
      const double d = v.toDouble(&ok);
      if (ok) {
        worksheet_write_number(ws_, row, col, d,
                               f_.cell(footer, excelNumberFormat(column.displayFormat)));
        return;
      }
    }
    if (!empty && v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid()) {
      const QDateTime dt = v.toDateTime();
      QString format = excelDateFormat(column.displayFormat);
      if (format.isEmpty())
        format = dt.time() == QTime(0, 0) ? "yyyy-mm-dd" : "yyyy-mm-dd hh:mm:ss";
      lxw_datetime when{dt.date().year(),   dt.date().month(),
                        dt.date().day(),    dt.time().hour(),
                        dt.time().minute(), dt.time().second() + dt.time().msec() / 1000.0};
      worksheet_write_datetime(ws_, row, col, &when, f_.cell(footer, format));
      return;
    }
    const bool centred = footer && !empty && v.typeId() == QMetaType::QString;
    text(row, col, cell.text, f_.cell(footer, {}, centred));
  }

 private:
  lxw_worksheet* ws_;
  Formats& f_;
  const GridSnapshot& g_;
};

}  // namespace

QString excelNumberFormat(const QString& displayFormat) {
  // Placeholders, section separators and the few literals Excel takes bare carry over; every
  // other character is a literal, which Excel wants quoted.
  QString out, literal;
  auto flush = [&] {
    if (literal.isEmpty()) return;
    out += '"' + literal + '"';
    literal.clear();
  };
  for (qsizetype i = 0; i < displayFormat.size(); ++i) {
    const QChar c = displayFormat[i];
    if (c == '\'' || c == '"') {
      qsizetype end = displayFormat.indexOf(c, i + 1);
      if (end < 0) end = displayFormat.size();
      literal += displayFormat.mid(i + 1, end - i - 1).remove('"');
      i = end;
    } else if (QStringLiteral("0#,.%;-+() ").contains(c)) {
      flush();
      out += c;
    } else {
      literal += c;
    }
  }
  flush();
  return out.contains('0') || out.contains('#') ? out : QString();
}

QString excelDateFormat(const QString& displayFormat) {
  QString out;
  for (qsizetype i = 0; i < displayFormat.size(); ++i) {
    const QChar c = displayFormat[i];
    if (c == '\'') {
      qsizetype end = displayFormat.indexOf('\'', i + 1);
      if (end < 0) end = displayFormat.size();
      out += '"' + displayFormat.mid(i + 1, end - i - 1) + '"';
      i = end;
    } else if (c == 'y' || c == 'd' || c == 'm' || c == 's') {
      out += c;
    } else if (c == 'M') {
      out += 'm';
    } else if (c == 'H' || c == 'h') {
      out += 'h';
    } else if (c.isLetter()) {
      return {};  // AM/PM markers, milliseconds, time zones: leave it to Excel's default
    } else {
      out += c;
    }
  }
  return out;
}

bool writeGridXlsx(const GridSnapshot& grid, const QString& file, QString* error) {
  auto fail = [&](const QString& text) {
    if (error) *error = text;
    return false;
  };
  const QFileInfo info(file);
  if (file.trimmed().isEmpty()) return fail("没有指定导出的文件名。");
  if (!info.absoluteDir().exists())
    return fail(QString("无法导出到“%1”：文件夹“%2”不存在。")
                    .arg(file, QDir::toNativeSeparators(info.absolutePath())));
  if (info.isDir()) return fail(QString("无法导出到“%1”：这是一个文件夹。").arg(file));

  const QByteArray path = QFile::encodeName(info.absoluteFilePath());
  lxw_workbook* book = workbook_new(path.constData());
  if (!book) return fail(QString("无法创建文件“%1”。").arg(file));
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  Formats formats(book, grid.style);
  SheetWriter out(sheet, formats, grid);

  const auto columns = static_cast<lxw_col_t>(grid.columns.size());
  const bool two = grid.twoLevel();
  lxw_row_t row = 0;
  if (columns > 0) {
    for (lxw_col_t c = 0; c < columns;) {
      const GridSnapshot::Column& col = grid.columns[c];
      if (!two || col.group.isEmpty()) {
        out.merged(0, c, two ? 1 : 0, c, col.title, formats.title());
        ++c;
        continue;
      }
      lxw_col_t end = c;
      while (end + 1 < columns && grid.columns[end + 1].group == col.group) ++end;
      out.merged(0, c, 0, end, col.group, formats.title());
      for (; c <= end; ++c) out.text(1, c, grid.columns[c].title, formats.title());
    }
    row = two ? 2 : 1;
    worksheet_freeze_panes(sheet, row, 0);
  }
  for (lxw_col_t c = 0; c < columns; ++c)
    worksheet_set_column_pixels(sheet, c, c, std::max(grid.columns[c].width, 24), nullptr);

  for (const GridSnapshot::Row& r : grid.rows) {
    if (columns == 0) break;
    if (r.kind == GridSnapshot::RowKind::Caption) {
      const QString text = r.cells.empty() ? QString() : r.cells.front().text;
      out.merged(row, 0, row, columns - 1, text, formats.caption());
    } else {
      const bool footer = r.kind == GridSnapshot::RowKind::GroupFooter;
      for (lxw_col_t c = 0; c < columns && c < r.cells.size(); ++c)
        out.value(row, c, r.cells[c], footer);
    }
    ++row;
  }
  for (lxw_col_t c = 0; c < columns && c < grid.footer.size(); ++c)
    out.value(row, c, grid.footer[c], true);

  const lxw_error closed = workbook_close(book);
  if (closed != LXW_NO_ERROR)
    return fail(
        QString("无法写入文件“%1”，请确认文件没有被其他程序打开，并且有写入的权限。").arg(file));
  return true;
}

}  // namespace qk::client

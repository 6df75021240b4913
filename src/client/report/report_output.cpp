#include "client/report/report_output.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>

#include "client/report/report_item.h"
#include "client/widgets/grid_output.h"

namespace qk::client {

namespace {

bool fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

// The checks every export makes before it opens anything.
bool checkTarget(const QString& file, QString* error) {
  if (file.trimmed().isEmpty()) return fail(error, "没有指定导出的文件名。");
  const QFileInfo info(file);
  if (!info.absoluteDir().exists())
    return fail(error, QString("无法导出到“%1”：文件夹“%2”不存在。")
                           .arg(file, QDir::toNativeSeparators(info.absolutePath())));
  if (info.isDir()) return fail(error, QString("无法导出到“%1”：这是一个文件夹。").arg(file));
  return true;
}

QPageLayout layoutOf(const RenderedPage& page) {
  const bool landscape = page.size.width() > page.size.height();
  const QSizeF portrait = landscape ? page.size.transposed() : page.size;
  return QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                     landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

// Rules of whole device pixels centred on pixels: the cells of a table share their edges, and an
// edge drawn 1.2 pixels wide would come out one pixel here and two there.
class Rules {
 public:
  Rules(QPainter& painter, const RenderedItem& item, double scale)
      : painter_(painter), width_(std::max(1, int(std::lround(item.lineWidth * scale)))) {
    QPen pen(item.color, width_);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
  }
  void horizontal(double y, double x1, double x2) {
    painter_.drawLine(QLineF(snap(x1), snap(y), snap(x2), snap(y)));
  }
  void vertical(double x, double y1, double y2) {
    painter_.drawLine(QLineF(snap(x), snap(y1), snap(x), snap(y2)));
  }
  void sides(const QRectF& r, int frame) {
    if (frame & ReportItem::Left) vertical(r.left(), r.top(), r.bottom());
    if (frame & ReportItem::Top) horizontal(r.top(), r.left(), r.right());
    if (frame & ReportItem::Right) vertical(r.right(), r.top(), r.bottom());
    if (frame & ReportItem::Bottom) horizontal(r.bottom(), r.left(), r.right());
  }

 private:
  double snap(double v) const { return std::round(v - width_ / 2.0) + width_ / 2.0; }
  QPainter& painter_;
  int width_;
};

QRectF scaled(const QRectF& r, double scale) {
  return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
}

QByteArray hex4(char16_t c) {
  return QByteArray::number(uint(c), 16).toUpper().rightJustified(4, '0');
}

// Code points (as 4 hex digits) that name a glyph in Qt's PDFs and the characters the report
// really drew with it: radicals the ideographs that share their glyphs in the report's fonts,
// and the tab the space.
QHash<QByteArray, QByteArray> sharedGlyphFixes(const RenderedReport& report) {
  QHash<QByteArray, QByteArray> fixes{{"0009", "0020"}};
  QSet<QString> seen;
  QString radicals, ideographs;
  for (char16_t c = 0x2E80; c <= 0x2FDF; ++c) radicals += QChar(c);
  for (char16_t c = 0x4E00; c <= 0x9FFF; ++c) ideographs += QChar(c);
  for (char16_t c = 0x3400; c <= 0x4DBF; ++c) ideographs += QChar(c);
  for (const RenderedPage& page : report.pages) {
    for (const RenderedItem& item : page.items) {
      if (item.kind != RenderedItem::Kind::Text) continue;
      const QString key = item.font.families().join('|') +
                          QString("|%1|%2").arg(item.font.bold()).arg(item.font.italic());
      if (seen.contains(key)) continue;
      seen.insert(key);
      const QRawFont raw = QRawFont::fromFont(item.font);
      if (!raw.isValid()) continue;
      const QList<quint32> radicalGlyphs = raw.glyphIndexesForString(radicals);
      const QList<quint32> ideographGlyphs = raw.glyphIndexesForString(ideographs);
      QHash<quint32, char16_t> byGlyph;
      for (qsizetype i = 0; i < ideographGlyphs.size(); ++i)
        if (ideographGlyphs[i] && !byGlyph.contains(ideographGlyphs[i]))
          byGlyph.insert(ideographGlyphs[i], ideographs[i].unicode());
      for (qsizetype i = 0; i < radicalGlyphs.size(); ++i) {
        const QByteArray radical = hex4(radicals[i].unicode());
        if (radicalGlyphs[i] && byGlyph.contains(radicalGlyphs[i]) && !fixes.contains(radical))
          fixes.insert(radical, hex4(byGlyph.value(radicalGlyphs[i])));
      }
    }
  }
  // Radicals no font shares a glyph for: their compatibility form, where Unicode gives one.
  for (const QChar r : radicals) {
    const QString plain = QString(r).normalized(QString::NormalizationForm_KC);
    if (plain.size() == 1 && plain[0] != r && !fixes.contains(hex4(r.unicode())))
      fixes.insert(hex4(r.unicode()), hex4(plain[0].unicode()));
  }
  return fixes;
}

// Qt names each glyph embedded in a PDF by the lowest code point that maps to it. CJK fonts draw
// a radical and its ideograph with one glyph (⼊ and 入, ⻚ and 页), and the space is also the
// tab's glyph, so the PDF's text would search and copy as radicals without spaces. The ToUnicode
// maps are corrected where they stand; every code keeps its four digits, so the file keeps its
// length and its cross-reference table.
void repairPdfText(const QString& file, const RenderedReport& report) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return;
  QByteArray pdf = in.readAll();
  in.close();
  const QHash<QByteArray, QByteArray> fixes = sharedGlyphFixes(report);
  static const QRegularExpression reference(R"(/ToUnicode (\d+) 0 R)");
  static const QRegularExpression code("<([0-9A-Fa-f]{4})>");
  bool changed = false;
  for (const QRegularExpressionMatch& m : reference.globalMatch(QString::fromLatin1(pdf))) {
    const QByteArray header = "\n" + m.captured(1).toLatin1() + " 0 obj";
    const qsizetype object = pdf.indexOf(header);
    const qsizetype begin = object < 0 ? -1 : pdf.indexOf("stream\n", object);
    const qsizetype end = begin < 0 ? -1 : pdf.indexOf("endstream", begin);
    if (end < 0 || pdf.mid(object, begin - object).contains("/Filter")) continue;
    const qsizetype start = begin + 7;
    QList<QByteArray> lines = pdf.mid(start, end - start).split('\n');
    enum { None, Chars, Ranges } section = None;
    for (QByteArray& line : lines) {
      if (line.contains("beginbfchar"))
        section = Chars;
      else if (line.contains("beginbfrange"))
        section = Ranges;
      else if (line.contains("endbfchar") || line.contains("endbfrange"))
        section = None;
      if (section == None) continue;
      // The Unicode side: after the code in a bfchar line, inside the list of a bfrange line.
      const qsizetype from = section == Chars ? line.indexOf('>') + 1 : line.indexOf('[');
      if (from <= 0) continue;
      QString text = QString::fromLatin1(line);
      for (const QRegularExpressionMatch& c : code.globalMatch(text, from)) {
        const QByteArray fix = fixes.value(c.captured(1).toUpper().toLatin1());
        if (fix.isEmpty()) continue;
        text.replace(c.capturedStart(1), 4, QString::fromLatin1(fix));
        changed = true;
      }
      line = text.toLatin1();
    }
    const QByteArray repaired = lines.join('\n');
    if (repaired.size() == end - start) pdf.replace(start, repaired.size(), repaired);
  }
  if (!changed) return;
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && out.write(pdf) == pdf.size()) out.commit();
}

}  // namespace

void paintPage(QPainter& painter, const RenderedPage& page, double scale) {
  painter.save();
  const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
  for (const RenderedItem& item : page.items) {
    const QRectF r = scaled(item.rect, scale);
    switch (item.kind) {
      case RenderedItem::Kind::Text: {
        if (item.background.isValid()) painter.fillRect(r, item.background);
        if (!item.text.isEmpty()) {
          QFont font = item.font;
          // Points are relative to the device's resolution; the page's are millimetres.
          font.setPointSizeF(item.font.pointSizeF() * kMmPerInch * scale / dpi);
          painter.setRenderHint(QPainter::TextAntialiasing, true);
          painter.setFont(font);
          painter.setPen(item.color);
          painter.drawText(scaled(item.textRect(), scale), item.flags, item.text);
        }
        if (item.frame && item.lineWidth > 0) Rules(painter, item, scale).sides(r, item.frame);
        break;
      }
      case RenderedItem::Kind::Line: {
        if (item.lineWidth <= 0) break;
        Rules rules(painter, item, scale);
        if (item.rect.height() == 0) {
          rules.horizontal(r.top(), r.left(), r.right());
        } else if (item.rect.width() == 0) {
          rules.vertical(r.left(), r.top(), r.bottom());
        } else {
          painter.setRenderHint(QPainter::Antialiasing, true);
          painter.drawLine(QLineF(r.topLeft(), r.bottomRight()));
        }
        break;
      }
      case RenderedItem::Kind::Rectangle:
        if (item.background.isValid()) painter.fillRect(r.normalized(), item.background);
        if (item.lineWidth > 0)
          Rules(painter, item, scale).sides(r.normalized(), ReportItem::AllSides);
        break;
      case RenderedItem::Kind::Image: {
        QRectF target = r;
        if (item.keepAspect && !item.image.isNull()) {
          QSizeF size = QSizeF(item.image.size()).scaled(r.size(), Qt::KeepAspectRatio);
          target = QRectF(QPointF(0, 0), size);
          target.moveCenter(r.center());
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, item.image);
        break;
      }
    }
  }
  painter.restore();
}

bool exportPdf(const RenderedReport& report, const QString& file, QString* error) {
  if (!checkTarget(file, error)) return false;
  if (report.pages.empty()) return fail(error, "报表没有内容，没有可以导出的页。");
  QPdfWriter writer(file);
  writer.setResolution(1200);
  writer.setTitle(report.title);
  writer.setCreator("QK");
  writer.setPageLayout(layoutOf(report.pages.front()));
  QPainter painter;
  if (!painter.begin(&writer))
    return fail(
        error,
        QString("无法写入文件“%1”，请确认文件没有被其他程序打开，并且有写入的权限。").arg(file));
  const double scale = writer.resolution() / kMmPerInch;
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    if (i > 0) {
      writer.setPageLayout(layoutOf(report.pages[i]));
      writer.newPage();
    }
    paintPage(painter, report.pages[i], scale);
  }
  painter.end();
  repairPdfText(file, report);
  return true;
}

bool exportImages(const RenderedReport& report, const QString& filePattern, const QString& format,
                  int dpi, QString* error, QStringList* files) {
  const QString kind = format.toLower();
  if (kind != "png" && kind != "jpg" && kind != "jpeg")
    return fail(error, QString("不支持的图片格式“%1”，请选择 PNG 或 JPEG。").arg(format));
  if (dpi < 10 || dpi > 1200)
    return fail(error, QString("分辨率 %1 dpi 不合适（10 到 1200）。").arg(dpi));
  if (!checkTarget(filePattern, error)) return false;

  const int count = report.pageCount();
  auto fileOf = [&](int page) {
    if (filePattern.contains("%1")) return filePattern.arg(page);
    if (count == 1) return filePattern;
    const QFileInfo info(filePattern);
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    return filePattern.left(filePattern.size() - suffix.size()) + QString("_%1").arg(page) + suffix;
  };
  const double scale = dpi / kMmPerInch;
  const int dotsPerMeter = int(std::lround(dpi / 0.0254));
  QStringList written;
  for (int i = 0; i < count; ++i) {
    const RenderedPage& page = report.pages[static_cast<std::size_t>(i)];
    QImage image(int(std::lround(page.size.width() * scale)),
                 int(std::lround(page.size.height() * scale)), QImage::Format_RGB32);
    if (image.isNull()) return fail(error, "图片太大，请降低分辨率。");
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, page, scale);
    painter.end();
    const QString name = fileOf(i + 1);
    if (!image.save(name, kind == "png" ? "PNG" : "JPG", kind == "png" ? -1 : 92))
      return fail(error, QString("无法写入文件“%1”，请确认有写入的权限。").arg(name));
    written << name;
  }
  if (files) *files = written;
  return true;
}

namespace {

// Positions along one axis, gathered into cells: positions closer than the tolerance share one.
class Axis {
 public:
  void add(double position) { positions_.push_back(position); }
  void close(double end) {
    std::sort(positions_.begin(), positions_.end());
    for (double p : positions_)
      if (starts_.empty() || p - starts_.back() >= kTolerance) starts_.push_back(p);
    end_ = std::max(end, starts_.empty() ? end : starts_.back() + kTolerance);
  }
  int cellOf(double position) const {
    auto it = std::upper_bound(starts_.begin(), starts_.end(), position + kTolerance / 2);
    return std::max(0, int(it - starts_.begin()) - 1);
  }
  // The last cell starting before the end of a span.
  int lastCellBefore(double end) const {
    auto it = std::lower_bound(starts_.begin(), starts_.end(), end - kTolerance / 2);
    return std::max(0, int(it - starts_.begin()) - 1);
  }
  int count() const { return static_cast<int>(starts_.size()); }
  double extent(int cell) const {
    const double next = cell + 1 < count() ? starts_[cell + 1] : end_;
    return next - starts_[cell];
  }

 private:
  static constexpr double kTolerance = 1.0;  // millimetres
  std::vector<double> positions_, starts_;
  double end_ = 0;
};

struct PlacedText {
  const RenderedItem* item;
  double top;  // millimetres from the top of the first page
};

class CellFormats {
 public:
  explicit CellFormats(lxw_workbook* book) : book_(book) {}

  lxw_format* of(const RenderedItem& item, const QString& numberFormat) {
    const QString key = QString("%1|%2|%3|%4|%5|%6|%7")
                            .arg(item.font.bold())
                            .arg(item.font.pointSizeF())
                            .arg(item.flags)
                            .arg(item.frame)
                            .arg(item.color.rgb())
                            .arg(item.background.isValid() ? item.background.rgb() : 0u)
                            .arg(numberFormat);
    auto it = formats_.find(key);
    if (it != formats_.end()) return it->second;
    lxw_format* f = workbook_add_format(book_);
    if (item.font.bold()) format_set_bold(f);
    format_set_font_size(f, item.font.pointSizeF());
    format_set_font_color(f, item.color.rgb() & 0xFFFFFF);
    if (item.background.isValid()) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, item.background.rgb() & 0xFFFFFF);
    }
    const int h = item.flags & Qt::AlignHorizontal_Mask;
    format_set_align(f, (h & Qt::AlignHCenter) ? LXW_ALIGN_CENTER
                        : (h & Qt::AlignRight) ? LXW_ALIGN_RIGHT
                                               : LXW_ALIGN_LEFT);
    const int v = item.flags & Qt::AlignVertical_Mask;
    format_set_align(f, (v & Qt::AlignTop)      ? LXW_ALIGN_VERTICAL_TOP
                        : (v & Qt::AlignBottom) ? LXW_ALIGN_VERTICAL_BOTTOM
                                                : LXW_ALIGN_VERTICAL_CENTER);
    if (item.flags & Qt::TextWordWrap) format_set_text_wrap(f);
    if (item.frame & ReportItem::Left) format_set_left(f, LXW_BORDER_THIN);
    if (item.frame & ReportItem::Top) format_set_top(f, LXW_BORDER_THIN);
    if (item.frame & ReportItem::Right) format_set_right(f, LXW_BORDER_THIN);
    if (item.frame & ReportItem::Bottom) format_set_bottom(f, LXW_BORDER_THIN);
    if (!numberFormat.isEmpty()) format_set_num_format(f, numberFormat.toUtf8().constData());
    formats_.emplace(key, f);
    return f;
  }

 private:
  lxw_workbook* book_;
  std::map<QString, lxw_format*> formats_;
};

bool isNumber(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool exportXlsx(const RenderedReport& report, const QString& file, QString* error) {
  if (!checkTarget(file, error)) return false;

  std::vector<PlacedText> texts;
  Axis columns, rows;
  double offset = 0, right = 0;
  for (const RenderedPage& page : report.pages) {
    for (const RenderedItem& item : page.items) {
      if (item.kind != RenderedItem::Kind::Text || item.text.isEmpty()) continue;
      texts.push_back({&item, offset + item.rect.top()});
      columns.add(item.rect.left());
      rows.add(offset + item.rect.top());
      right = std::max(right, item.rect.right());
    }
    offset += page.size.height();
  }
  columns.close(right);
  rows.close(offset);

  const QByteArray path = QFile::encodeName(QFileInfo(file).absoluteFilePath());
  lxw_workbook* book = workbook_new(path.constData());
  if (!book) return fail(error, QString("无法创建文件“%1”。").arg(file));
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  CellFormats formats(book);

  constexpr double kPixelsPerMm = 96 / kMmPerInch;
  for (int c = 0; c < columns.count(); ++c)
    worksheet_set_column_pixels(
        sheet, lxw_col_t(c), lxw_col_t(c),
        std::max(4u, unsigned(std::lround(columns.extent(c) * kPixelsPerMm))), nullptr);
  for (int r = 0; r < rows.count(); ++r)
    worksheet_set_row_pixels(sheet, lxw_row_t(r),
                             std::max(4u, unsigned(std::lround(rows.extent(r) * kPixelsPerMm))),
                             nullptr);

  std::map<std::pair<int, int>, bool> taken;
  for (const PlacedText& t : texts) {
    const int row = rows.cellOf(t.top), col = columns.cellOf(t.item->rect.left());
    taken[{row, col}] = true;
  }
  for (const PlacedText& t : texts) {
    const RenderedItem& item = *t.item;
    const auto row = lxw_row_t(rows.cellOf(t.top));
    const auto col = lxw_col_t(columns.cellOf(item.rect.left()));
    // A text wider than its column spans the free cells to its right.
    auto last = lxw_col_t(std::max(int(col), columns.lastCellBefore(item.rect.right())));
    for (lxw_col_t c = col + 1; c <= last; ++c) {
      if (taken.count({int(row), int(c)})) {
        last = c - 1;
        break;
      }
    }
    QString numberFormat;
    const QVariant& v = item.value;
    const bool number = isNumber(v);
    const bool date = v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid();
    if (number) numberFormat = excelNumberFormat(item.format);
    if (date) {
      numberFormat = excelDateFormat(item.format);
      if (numberFormat.isEmpty())
        numberFormat = v.toDateTime().time() == QTime(0, 0) ? "yyyy-mm-dd" : "yyyy-mm-dd hh:mm:ss";
    }
    lxw_format* format = formats.of(item, numberFormat);
    if (last > col) {
      worksheet_merge_range(sheet, row, col, row, last, "", format);
      for (lxw_col_t c = col + 1; c <= last; ++c) taken[{int(row), int(c)}] = true;
    }
    if (number) {
      worksheet_write_number(sheet, row, col, v.toDouble(), format);
    } else if (date) {
      const QDateTime dt = v.toDateTime();
      lxw_datetime when{dt.date().year(), dt.date().month(),  dt.date().day(),
                        dt.time().hour(), dt.time().minute(), double(dt.time().second())};
      worksheet_write_datetime(sheet, row, col, &when, format);
    } else {
      worksheet_write_string(sheet, row, col, item.text.toUtf8().constData(), format);
    }
  }

  if (workbook_close(book) != LXW_NO_ERROR)
    return fail(
        error,
        QString("无法写入文件“%1”，请确认文件没有被其他程序打开，并且有写入的权限。").arg(file));
  return true;
}

bool print(const RenderedReport& report, QPrinter& printer, QString* error) {
  if (report.pages.empty()) return fail(error, "报表没有内容，没有可以打印的页。");
  printer.setDocName(report.title);
  printer.setFullPage(true);
  printer.setPageLayout(layoutOf(report.pages.front()));
  QPainter painter;
  if (!painter.begin(&printer)) return fail(error, "无法开始打印，请检查打印机。");
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    const RenderedPage& page = report.pages[i];
    if (i > 0) {
      printer.setPageLayout(layoutOf(page));
      if (!printer.newPage()) {
        painter.end();
        return fail(error, "打印机不接受新的一页，打印没有完成。");
      }
    }
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double scale =
        std::min(paper.width() / page.size.width(), paper.height() / page.size.height());
    paintPage(painter, page, scale);
  }
  if (!painter.end()) return fail(error, "打印没有完成。");
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
    repairPdfText(printer.outputFileName(), report);
  return true;
}

}  // namespace qk::client

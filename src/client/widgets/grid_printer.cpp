#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "client/widgets/grid_output.h"

namespace qk::client {

bool GridSnapshot::twoLevel() const {
  return std::any_of(columns.begin(), columns.end(),
                     [](const Column& c) { return !c.group.isEmpty(); });
}

namespace {

constexpr double kScreenDpi = 96.0;
constexpr double kMaxEnlargement = 1.3;  // a narrow table is not blown up to the page width

// Fonts are sized in device pixels so that they scale with the table, not with the printer.
QFont scaledFont(QFont font, double scale) {
  const double px = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kScreenDpi / 72.0;
  font.setPixelSize(std::max(1, int(std::lround(px * scale))));
  return font;
}

class PagePainter {
 public:
  PagePainter(QPainter& painter, const GridSnapshot& grid, double scale, double left)
      : p_(painter), g_(grid), s_(scale), left_(left) {
    body_ = scaledFont(grid.style.font, scale);
    footer_ = scaledFont(grid.style.footerFont, scale);
    bold_ = body_;
    bold_.setBold(true);
    line_ = QPen(grid.style.lineColor.darker(135), std::max(1.0, scale * 0.8));
    rowHeight_ = grid.rowHeight * scale;
    const QFontMetricsF fm(body_);
    numberWidth_ = grid.rowNumbers ? std::max(28.0, fm.horizontalAdvance("00000") / scale) : 0.0;
  }

  double rowHeight() const { return rowHeight_; }
  double headerHeight() const { return rowHeight_ * (g_.twoLevel() ? 2 : 1); }
  double numberWidth() const { return numberWidth_; }

  void titles(double y) {
    const double h = rowHeight_;
    const bool two = g_.twoLevel();
    if (numberWidth_ > 0) cell(QRectF(left_, y, numberWidth_ * s_, headerHeight()), {}, {});
    double x = left_ + numberWidth_ * s_;
    const std::size_t n = g_.columns.size();
    for (std::size_t c = 0; c < n;) {
      const GridSnapshot::Column& col = g_.columns[c];
      if (!two || col.group.isEmpty()) {
        cell(QRectF(x, y, col.width * s_, headerHeight()), col.title, Qt::AlignCenter,
             g_.style.titleColor, body_);
        x += col.width * s_;
        ++c;
        continue;
      }
      std::size_t end = c;
      double span = 0;
      while (end < n && g_.columns[end].group == col.group) span += g_.columns[end++].width * s_;
      cell(QRectF(x, y, span, h), col.group, Qt::AlignCenter, g_.style.titleColor, body_);
      for (; c < end; ++c) {
        const double w = g_.columns[c].width * s_;
        cell(QRectF(x, y + h, w, h), g_.columns[c].title, Qt::AlignCenter, g_.style.titleColor,
             body_);
        x += w;
      }
    }
  }

  void row(double y, const GridSnapshot::Row& r) {
    const double full = numberWidth_ * s_ + tableWidth();
    if (r.kind == GridSnapshot::RowKind::Caption) {
      const QString text = r.cells.empty() ? QString() : r.cells.front().text;
      const double indent = (4 + 16 * r.level) * s_;
      fill(QRectF(left_, y, full, rowHeight_), g_.style.titleColor.lighter(104));
      p_.setFont(bold_);
      p_.setPen(g_.style.fontColor);
      p_.drawText(QRectF(left_ + indent, y, full - indent, rowHeight_),
                  Qt::AlignLeft | Qt::AlignVCenter, text);
      frame(QRectF(left_, y, full, rowHeight_));
      return;
    }
    const bool footer = r.kind == GridSnapshot::RowKind::GroupFooter;
    cells(y, r.number, r.cells, footer ? g_.style.footerColor : QColor(), footer ? footer_ : body_,
          footer);
  }

  void footerRow(double y) { cells(y, {}, g_.footer, g_.style.footerColor, footer_, true); }

 private:
  double tableWidth() const {
    double w = 0;
    for (const auto& c : g_.columns) w += c.width * s_;
    return w;
  }

  void cells(double y, const QString& number, const std::vector<GridSnapshot::Cell>& values,
             const QColor& fillColor, const QFont& font, bool footer) {
    if (numberWidth_ > 0)
      cell(QRectF(left_, y, numberWidth_ * s_, rowHeight_), number, Qt::AlignCenter,
           footer ? g_.style.footerColor : g_.style.titleColor, body_);
    double x = left_ + numberWidth_ * s_;
    for (std::size_t c = 0; c < g_.columns.size(); ++c) {
      const double w = g_.columns[c].width * s_;
      const QString text = c < values.size() ? values[c].text : QString();
      Qt::Alignment align = g_.columns[c].alignment & Qt::AlignHorizontal_Mask;
      if (footer && !text.isEmpty() && c < values.size() &&
          values[c].value.typeId() == QMetaType::QString)
        align = Qt::AlignHCenter;
      cell(QRectF(x, y, w, rowHeight_), text, align | Qt::AlignVCenter, fillColor, font);
      x += w;
    }
  }

  void fill(const QRectF& r, const QColor& color) {
    if (color.isValid()) p_.fillRect(r, color);
  }

  void frame(const QRectF& r) {
    p_.setPen(line_);
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(r);
  }

  void cell(const QRectF& r, const QString& text, Qt::Alignment align, const QColor& fillColor = {},
            const QFont& font = {}) {
    fill(r, fillColor);
    frame(r);
    if (text.isEmpty()) return;
    p_.setFont(font);
    p_.setPen(g_.style.fontColor);
    const QRectF inner = r.adjusted(3 * s_, 0, -3 * s_, 0);
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, inner.width());
    p_.drawText(inner, int(align | Qt::AlignVCenter), shown);
  }

  QPainter& p_;
  const GridSnapshot& g_;
  double s_, left_;
  QFont body_, footer_, bold_;
  QPen line_;
  double rowHeight_ = 0, numberWidth_ = 0;
};

}  // namespace

int paintGridPages(QPagedPaintDevice* device, const GridSnapshot& grid, const QString& title) {
  QPainter painter;
  if (!painter.begin(device)) return 0;
  const double pageWidth = device->width();
  const double pageHeight = device->height();
  const double natural = device->logicalDpiX() / kScreenDpi;

  // Fit the table to the page width, measuring with a scale of 1 first.
  double tableWidth = 0;
  for (const auto& c : grid.columns) tableWidth += c.width;
  {
    PagePainter probe(painter, grid, natural, 0);
    tableWidth += probe.numberWidth();
  }
  const double scale =
      tableWidth > 0 ? std::min(pageWidth / tableWidth, natural * kMaxEnlargement) : natural;
  const double left = std::max(0.0, (pageWidth - tableWidth * scale) / 2);
  PagePainter table(painter, grid, scale, left);

  QFont titleFont = grid.style.font;
  titleFont.setBold(true);
  titleFont.setPointSizeF(18);
  QFont pageFont = grid.style.font;
  pageFont.setPointSizeF(9);
  pageFont.setBold(false);
  painter.setFont(titleFont);
  const double titleHeight = title.isEmpty() ? 0 : painter.fontMetrics().height() * 2.0;
  painter.setFont(pageFont);
  const double pageNumberHeight = painter.fontMetrics().height() * 2.0;

  const double rowHeight = table.rowHeight();
  const double header = table.headerHeight();
  const auto rowsFitting = [&](double space) {
    return std::max(1, int(std::floor((space - header - pageNumberHeight) / rowHeight)));
  };
  const int firstPageRows = rowsFitting(pageHeight - titleHeight);
  const int otherPageRows = rowsFitting(pageHeight);
  const int total = static_cast<int>(grid.rows.size()) + (grid.footer.empty() ? 0 : 1);
  const int pages =
      total <= firstPageRows ? 1 : 1 + (total - firstPageRows + otherPageRows - 1) / otherPageRows;

  int next = 0;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) device->newPage();
    double y = 0;
    if (page == 1 && titleHeight > 0) {
      painter.setFont(titleFont);
      painter.setPen(grid.style.fontColor);
      painter.drawText(QRectF(0, 0, pageWidth, titleHeight), Qt::AlignCenter, title);
      y = titleHeight;
    }
    table.titles(y);
    y += header;
    const int fitting = page == 1 ? firstPageRows : otherPageRows;
    for (int i = 0; i < fitting && next < total; ++i, ++next, y += rowHeight) {
      if (next < static_cast<int>(grid.rows.size()))
        table.row(y, grid.rows[static_cast<std::size_t>(next)]);
      else
        table.footerRow(y);
    }
    painter.setFont(pageFont);
    painter.setPen(grid.style.fontColor);
    painter.drawText(QRectF(0, pageHeight - pageNumberHeight, pageWidth, pageNumberHeight),
                     Qt::AlignCenter, QString("第 %1 页 / 共 %2 页").arg(page).arg(pages));
  }
  painter.end();
  return pages;
}

}  // namespace qk::client

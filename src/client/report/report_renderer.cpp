#include "client/report/report_renderer.h"

#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>

#include "client/report/qr_code.h"
#include "client/report/report_data.h"
#include "client/report/report_template.h"
#include "client/report/report_text.h"

namespace qk::client {

namespace {

using Type = ReportBand::Type;
using Kind = ReportItem::Kind;

constexpr double kEpsilon = 1e-6;
// Space kept above and below a text that grew to hold its lines.
constexpr double kStretchPadding = 0.6;  // millimetres
constexpr const char* kDefaultFamily = "Noto Sans CJK SC";

// Height in millimetres of a text set in a width, measured at 10 pixels per millimetre so that
// the result does not depend on the screen.
double textHeight(const QFont& font, const QString& text, double width, int flags) {
  static const QImage device = [] {
    QImage image(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    return image;
  }();
  const QFontMetricsF metrics(font, &device);
  const QRectF bounds = metrics.boundingRect(QRectF(0, 0, std::max(width, 1.0) * 10, 1e7), flags,
                                             text.isEmpty() ? QStringLiteral(" ") : text);
  return bounds.height() / 10.0;
}

QStringList keyFields(const QString& list) {
  QStringList fields;
  for (const QString& f : list.split(';'))
    if (!f.trimmed().isEmpty()) fields << f.trimmed();
  return fields;
}

// A key as the database would compare it: numbers by value, text ignoring case. A null part
// matches nothing, as in a join.
std::optional<QString> keyOf(const ReportDataSource& source, int row,
                             const std::vector<int>& fields) {
  QString key;
  for (int f : fields) {
    const QVariant v = source.value(row, f);
    if (!v.isValid() || v.isNull()) return std::nullopt;
    bool number = false;
    const double d = v.typeId() == QMetaType::QString ? 0 : v.toDouble(&number);
    if (number)
      key += QString::number(d, 'g', 17);
    else if (v.typeId() == QMetaType::QDateTime)
      key += v.toDateTime().toString(Qt::ISODate);
    else
      key += v.toString().toCaseFolded();
    key += QChar(0x1f);
  }
  return key;
}

void append(ReportRowScope& scope, const ReportDataSource* source, const QVector<int>& rows) {
  if (source) scope[source] += rows;
}

// Parsed texts and decoded pictures, shared by the layout passes.
class Texts {
 public:
  explicit Texts(const ReportData& data) : data_(data) {}

  const ReportText& of(const void* owner, const QString& text) {
    auto it = texts_.find(owner);
    if (it == texts_.end()) it = texts_.emplace(owner, ReportText(text, data_)).first;
    return it->second;
  }
  const QImage& embedded(const ReportItem& item) {
    auto it = images_.find(&item);
    if (it == images_.end()) it = images_.emplace(&item, QImage::fromData(item.image)).first;
    return it->second;
  }

 private:
  const ReportData& data_;
  std::map<const void*, ReportText> texts_;
  std::map<const void*, QImage> images_;
};

struct DetailBand {
  const ReportBand* band = nullptr;
  const ReportDataSource* source = nullptr;  // null: printed once per master row
  std::vector<QVector<int>> rowsOf;          // per master row
};

struct GroupLevel {
  QString by;
  const ReportBand* header = nullptr;
  const ReportBand* footer = nullptr;
};

// What the passes share: the bands by role and the rows each master row and group covers.
struct Plan {
  const ReportBand* title = nullptr;
  const ReportBand* pageHeader = nullptr;
  const ReportBand* pageFooter = nullptr;
  const ReportBand* summary = nullptr;
  const ReportBand* master = nullptr;
  const ReportDataSource* masterSource = nullptr;
  int masterRows = 0;
  std::vector<DetailBand> details;
  std::vector<GroupLevel> levels;
  std::vector<QStringList> keys;  // per master row, per level
  ReportRowScope reportScope;
  QStringList warnings;
  bool twoPasses = false;

  // Master rows [first, last] with their detail rows.
  ReportRowScope scopeOf(int first, int last) const {
    ReportRowScope scope;
    if (masterSource) {
      QVector<int> rows(last - first + 1);
      std::iota(rows.begin(), rows.end(), first);
      scope[masterSource] = rows;
    }
    for (const DetailBand& d : details) {
      if (d.source && !scope.contains(d.source)) scope[d.source] = {};
      for (int r = first; r <= last; ++r) append(scope, d.source, d.rowsOf[r]);
    }
    return scope;
  }
};

Plan makePlan(const ReportTemplate& t, const ReportData& data, Texts& texts, QDateTime now) {
  Plan plan;
  for (const ReportBand& b : t.bands) {
    switch (b.type) {
      case Type::ReportTitle:
        if (!plan.title) plan.title = &b;
        break;
      case Type::PageHeader:
        if (!plan.pageHeader) plan.pageHeader = &b;
        break;
      case Type::PageFooter:
        if (!plan.pageFooter) plan.pageFooter = &b;
        break;
      case Type::Summary:
        if (!plan.summary) plan.summary = &b;
        break;
      case Type::MasterData:
        if (!plan.master) plan.master = &b;
        break;
      case Type::DetailData:
        plan.details.push_back({&b, nullptr, {}});
        break;
      case Type::GroupHeader:
      case Type::GroupFooter: {
        const QString by = b.groupBy.trimmed();
        auto level = std::find_if(plan.levels.begin(), plan.levels.end(),
                                  [&](const GroupLevel& l) { return l.by == by; });
        if (level == plan.levels.end()) {
          plan.levels.emplace_back().by = by;
          level = plan.levels.end() - 1;
        }
        const ReportBand*& slot = b.type == Type::GroupHeader ? level->header : level->footer;
        if (!slot) slot = &b;
        break;
      }
    }
  }
  for (const ReportBand& b : t.bands)
    for (const ReportItem& item : b.items)
      if (item.text.contains("TotalPages", Qt::CaseInsensitive) ||
          (&b == plan.pageHeader && item.text.contains('(')))
        plan.twoPasses = true;

  if (!plan.master) {
    plan.details.clear();  // detail rows only print under a master row
    plan.levels.clear();
    return plan;
  }
  const QString masterName = plan.master->dataSource.trimmed();
  plan.masterSource = masterName.isEmpty() ? nullptr : data.source(masterName);
  if (!masterName.isEmpty() && !plan.masterSource)
    plan.warnings << QString("主数据带的数据源“%1”不存在").arg(masterName);
  // A master band without usable data still prints once, showing its texts or markers.
  plan.masterRows = plan.masterSource ? plan.masterSource->rowCount() : 1;

  for (DetailBand& d : plan.details) {
    const QString name = d.band->dataSource.trimmed();
    d.source = name.isEmpty() ? nullptr : data.source(name);
    if (!name.isEmpty() && !d.source)
      plan.warnings << QString("明细数据带的数据源“%1”不存在").arg(name);
    d.rowsOf.assign(static_cast<std::size_t>(plan.masterRows), {});
    if (!d.source) {
      for (auto& rows : d.rowsOf) rows = {-1};
      continue;
    }
    const QStringList masterFields = keyFields(d.band->masterKey);
    const QStringList detailFields = keyFields(d.band->detailKey);
    QVector<int> all(d.source->rowCount());
    std::iota(all.begin(), all.end(), 0);
    if (masterFields.isEmpty() && detailFields.isEmpty()) {
      for (auto& rows : d.rowsOf) rows = all;
      continue;
    }
    if (masterFields.size() != detailFields.size() || !plan.masterSource) {
      plan.warnings << QString("明细数据带“%1”的关联字段不成对（主表 %2 个，明细 %3 个）")
                           .arg(name)
                           .arg(plan.masterSource ? masterFields.size() : 0)
                           .arg(detailFields.size());
      continue;
    }
    std::vector<int> masterIndex, detailIndex;
    for (const QString& f : masterFields) {
      masterIndex.push_back(plan.masterSource->fieldIndex(f));
      if (masterIndex.back() < 0)
        plan.warnings << QString("数据源“%1”没有关联字段“%2”").arg(masterName, f);
    }
    for (const QString& f : detailFields) {
      detailIndex.push_back(d.source->fieldIndex(f));
      if (detailIndex.back() < 0)
        plan.warnings << QString("数据源“%1”没有关联字段“%2”").arg(name, f);
    }
    if (std::count(masterIndex.begin(), masterIndex.end(), -1) > 0 ||
        std::count(detailIndex.begin(), detailIndex.end(), -1) > 0)
      continue;
    QHash<QString, QVector<int>> byKey;
    for (int r : all)
      if (auto key = keyOf(*d.source, r, detailIndex)) byKey[*key].push_back(r);
    for (int m = 0; m < plan.masterRows; ++m)
      if (auto key = keyOf(*plan.masterSource, m, masterIndex)) d.rowsOf[m] = byKey.value(*key);
  }

  // Group values per master row, evaluated as printed text.
  ReportContext context;
  context.data = &data;
  context.now = now;
  plan.keys.assign(static_cast<std::size_t>(plan.masterRows), {});
  for (const GroupLevel& level : plan.levels) {
    QString expression = level.by;
    if (!expression.contains('[') && !expression.isEmpty())
      expression = QString("[%1.\"%2\"]").arg(masterName, expression);
    const ReportText& text = texts.of(&level, expression);
    for (int r = 0; r < plan.masterRows; ++r) {
      if (plan.masterSource) context.current[plan.masterSource] = r;
      plan.keys[r] << text.evaluate(context).text;
    }
  }
  plan.reportScope = plan.masterRows > 0 ? plan.scopeOf(0, plan.masterRows - 1) : ReportRowScope();
  return plan;
}

struct BuiltBand {
  double height = 0;
  std::vector<RenderedItem> items;  // relative to the band's top-left corner
};

// One layout of the whole report.
class Pass {
 public:
  Pass(const Plan& plan, const ReportTemplate& t, Texts& texts, ReportContext context,
       const std::vector<ReportRowScope>* previous)
      : plan_(plan), t_(t), texts_(texts), ctx_(std::move(context)), previous_(previous) {
    size_ = t.page.size();
  }

  RenderedReport run() {
    newPage();
    if (plan_.master) dataRows();
    if (plan_.summary) place(*plan_.summary, plan_.reportScope);
    finishPage();
    return std::move(out_);
  }

  std::vector<ReportRowScope> pageScopes;

 private:
  void dataRows() {
    const int levels = static_cast<int>(plan_.levels.size());
    groupScopes_.assign(static_cast<std::size_t>(levels), {});
    for (int i = 0; i < plan_.masterRows; ++i) {
      int first = 0;
      if (i > 0) {
        first = levels;
        for (int l = 0; l < levels; ++l) {
          if (plan_.keys[i][l] != plan_.keys[i - 1][l]) {
            first = l;
            break;
          }
        }
        setMaster(i - 1);
        for (int l = levels - 1; l >= first; --l) closeGroup(l);
      }
      setMaster(i);
      // A full page breaks before the group headers of the next row, not between them and it.
      if (plan_.master->rowsPerPage > 0 && masterOnPage_ >= plan_.master->rowsPerPage) newPage();
      for (int l = first; l < levels; ++l) openGroup(l, i);
      masterRow(i);
    }
    if (plan_.masterRows > 0) {
      setMaster(plan_.masterRows - 1);
      for (int l = levels - 1; l >= 0; --l) closeGroup(l);
    }
  }

  void setMaster(int row) {
    if (plan_.masterSource) ctx_.current[plan_.masterSource] = row;
    ctx_.row = row + 1;
  }

  void openGroup(int level, int first) {
    int last = first;
    auto sameGroup = [&](int a, int b) {
      for (int l = 0; l <= level; ++l)
        if (plan_.keys[a][l] != plan_.keys[b][l]) return false;
      return true;
    };
    while (last + 1 < plan_.masterRows && sameGroup(last + 1, first)) ++last;
    groupScopes_[level] = plan_.scopeOf(first, last);
    if (const ReportBand* header = plan_.levels[level].header) place(*header, groupScopes_[level]);
  }

  void closeGroup(int level) {
    if (const ReportBand* footer = plan_.levels[level].footer) place(*footer, groupScopes_[level]);
  }

  void masterRow(int i) {
    const ReportRowScope scope = plan_.scopeOf(i, i);

    // A master row is not left alone at the bottom of a page without its first detail row.
    double keepWith = 0;
    if (!plan_.details.empty() && !plan_.details.front().rowsOf[i].isEmpty()) {
      const DetailBand& d = plan_.details.front();
      const auto saved = ctx_.current;
      if (d.source) ctx_.current[d.source] = d.rowsOf[i].front();
      keepWith = build(*d.band, scope).height;
      ctx_.current = saved;
    }
    place(*plan_.master, scope, keepWith);
    ++masterOnPage_;
    printed(plan_.masterSource, i);

    for (const DetailBand& d : plan_.details) {
      const QVector<int>& rows = d.rowsOf[i];
      for (int k = 0; k < rows.size(); ++k) {
        ReportRowScope rowScope;
        if (plan_.masterSource) rowScope[plan_.masterSource] = {i};
        if (d.source) {
          ctx_.current[d.source] = rows[k];
          rowScope[d.source] = {rows[k]};
        }
        ctx_.row = k + 1;
        place(*d.band, rowScope);
        printed(d.source, rows[k]);
      }
    }
    ctx_.row = i + 1;
  }

  void printed(const ReportDataSource* source, int row) {
    if (!source) return;
    pageScope_[source].push_back(row);
    lastOnPage_[source] = row;
  }

  // Places a band in the flow, moving to a new page when it does not fit (together with the
  // height it must be kept with) or asks for one.
  void place(const ReportBand& band, const ReportRowScope& scope, double keepWith = 0) {
    BuiltBand built = build(band, scope);
    bool breakBefore = band.startNewPage && pageHasFlow_;
    if (!breakBefore && pageHasContent_ && y_ + built.height + keepWith > bodyBottom_ + kEpsilon)
      breakBefore = true;
    if (breakBefore) {
      newPage();
      built = build(band, scope);  // [Page] has changed
    }
    put(built, y_);
    y_ += built.height;
    pageHasContent_ = pageHasFlow_ = true;
  }

  void newPage() {
    if (!out_.pages.empty()) finishPage();
    out_.pages.push_back({size_, {}});
    ctx_.page = out_.pageCount();
    const QMarginsF& m = t_.page.margins;
    y_ = m.top();
    bodyBottom_ = size_.height() - m.bottom() - (plan_.pageFooter ? plan_.pageFooter->height : 0);
    pageScope_.clear();
    if (plan_.masterSource) pageScope_[plan_.masterSource] = {};
    for (const DetailBand& d : plan_.details)
      if (d.source) pageScope_[d.source] = {};
    lastOnPage_.clear();
    masterOnPage_ = 0;
    pageHasContent_ = pageHasFlow_ = false;

    if (ctx_.page == 1 && plan_.title) {
      const BuiltBand title = build(*plan_.title, plan_.reportScope);
      put(title, y_);
      y_ += title.height;
      pageHasContent_ = true;
    }
    if (plan_.pageHeader) {
      // The rows of this page are known only after it is laid out: the previous pass knows.
      const bool known = previous_ && static_cast<int>(previous_->size()) >= ctx_.page;
      const BuiltBand header =
          build(*plan_.pageHeader, known ? (*previous_)[ctx_.page - 1] : pageScope_);
      put(header, y_);
      y_ += header.height;
    }
  }

  void finishPage() {
    pageScopes.push_back(pageScope_);
    if (!plan_.pageFooter) return;
    const auto saved = ctx_.current;
    for (auto it = lastOnPage_.cbegin(); it != lastOnPage_.cend(); ++it)
      ctx_.current[it.key()] = it.value();
    const BuiltBand footer = build(*plan_.pageFooter, pageScope_);
    put(footer, size_.height() - t_.page.margins.bottom() - plan_.pageFooter->height);
    ctx_.current = saved;
  }

  void put(const BuiltBand& band, double top) {
    RenderedPage& page = out_.pages.back();
    for (RenderedItem item : band.items) {
      item.rect.translate(t_.page.margins.left(), top);
      page.items.push_back(std::move(item));
    }
  }

  BuiltBand build(const ReportBand& band, const ReportRowScope& scope) {
    ctx_.scope = &scope;
    const std::size_t n = band.items.size();
    std::vector<ReportText::Result> texts(n);
    std::vector<QFont> fonts(n);
    for (std::size_t i = 0; i < n; ++i) {
      const ReportItem& item = band.items[i];
      if (item.kind == Kind::QrCode) texts[i] = texts_.of(&item, item.text).evaluate(ctx_, {});
      if (item.kind != Kind::Text) continue;
      texts[i] = texts_.of(&item, item.text).evaluate(ctx_, item.displayFormat);
      fonts[i] = ReportRenderer::itemFont(item.fontFamily, item.fontSize, item.bold, item.italic,
                                          item.underline);
    }

    std::vector<QRectF> rects(n);
    for (std::size_t i = 0; i < n; ++i) rects[i] = band.items[i].rect;
    double height = band.height;
    if (band.stretch) height = stretch(band, texts, fonts, rects);

    BuiltBand out;
    out.height = height;
    for (std::size_t i = 0; i < n; ++i) {
      const ReportItem& item = band.items[i];
      RenderedItem r;
      r.rect = rects[i];
      r.color = item.color;
      r.lineWidth = item.lineWidth;
      switch (item.kind) {
        case Kind::Text:
          r.kind = RenderedItem::Kind::Text;
          r.text = texts[i].text;
          r.value = texts[i].value;
          r.format = texts[i].format;
          r.font = fonts[i];
          r.flags = int(item.alignment) | (item.wordWrap ? int(Qt::TextWordWrap) : 0);
          r.frame = item.frame;
          r.background = item.background;
          break;
        case Kind::Line:
          r.kind = RenderedItem::Kind::Line;
          break;
        case Kind::Rectangle:
          r.kind = RenderedItem::Kind::Rectangle;
          r.background = item.background;
          break;
        case Kind::Picture:
          r.kind = RenderedItem::Kind::Image;
          r.keepAspect = item.keepAspect;
          r.image = picture(item);
          if (r.image.isNull()) continue;
          break;
        case Kind::QrCode:
          r.kind = RenderedItem::Kind::Image;
          r.keepAspect = true;
          r.text = texts[i].text;  // what the code holds, for text exports and tests
          r.image = qrCodeImage(texts[i].text, item.color, item.background);
          if (r.image.isNull()) continue;
          break;
      }
      out.items.push_back(std::move(r));
    }
    return out;
  }

  QImage picture(const ReportItem& item) {
    if (item.pictureField.trimmed().isEmpty()) return texts_.embedded(item);
    QString expression = item.pictureField.trimmed();
    if (!expression.startsWith('[')) expression = "[" + expression + "]";
    const QVariant v = texts_.of(&item, expression).value(ctx_);
    return v.typeId() == QMetaType::QByteArray ? QImage::fromData(v.toByteArray()) : QImage();
  }

  // Grows auto-stretching texts to their wrapped height, moves what lies below them down, and
  // lets items that reached the band's bottom follow it. Returns the band's new height.
  double stretch(const ReportBand& band, const std::vector<ReportText::Result>& texts,
                 const std::vector<QFont>& fonts, std::vector<QRectF>& rects) const {
    const std::size_t n = band.items.size();
    std::vector<double> growth(n, 0), shift(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      const ReportItem& item = band.items[i];
      if (item.kind != Kind::Text || !item.autoStretch) continue;
      const int flags = int(item.alignment) | (item.wordWrap ? int(Qt::TextWordWrap) : 0);
      const double needed = textHeight(fonts[i], texts[i].text,
                                       item.rect.width() - 2 * RenderedItem::kTextPadding, flags) +
                            2 * kStretchPadding;
      growth[i] = std::max(0.0, needed - item.rect.height());
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return band.items[a].rect.normalized().top() < band.items[b].rect.normalized().top();
    });
    double grown = 0;
    for (std::size_t a = 0; a < n; ++a) {
      const std::size_t i = order[a];
      const QRectF ri = band.items[i].rect.normalized();
      for (std::size_t b = 0; b < a; ++b) {
        const std::size_t j = order[b];
        if (band.items[j].rect.normalized().bottom() <= ri.top() + kEpsilon)
          shift[i] = std::max(shift[i], shift[j] + growth[j]);
      }
      grown = std::max(grown, shift[i] + growth[i]);
    }
    const double height = band.height + grown;
    for (std::size_t i = 0; i < n; ++i) {
      const ReportItem& item = band.items[i];
      QRectF& r = rects[i];
      r.translate(0, shift[i]);
      r.setHeight(r.height() + growth[i]);
      const bool reachesBottom =
          std::abs(item.rect.normalized().bottom() - band.height) < 0.01 && grown > 0;
      if (!reachesBottom || item.kind == Kind::Picture || item.kind == Kind::QrCode) continue;
      if (item.kind == Kind::Line && item.rect.height() == 0) {
        r.moveTop(height);
      } else if (item.kind == Kind::Line && item.rect.width() != 0) {
        continue;  // a slanted line keeps its angle
      } else if (r.height() >= 0) {
        r.setBottom(height);
      } else {
        r.setTop(height);  // a line drawn upwards from the bottom edge
      }
    }
    return height;
  }

  const Plan& plan_;
  const ReportTemplate& t_;
  Texts& texts_;
  ReportContext ctx_;
  const std::vector<ReportRowScope>* previous_;
  QSizeF size_;
  RenderedReport out_;
  double y_ = 0;
  double bodyBottom_ = 0;
  bool pageHasContent_ = false;  // anything below the page header, the title included
  bool pageHasFlow_ = false;     // a band of the data flow
  int masterOnPage_ = 0;
  ReportRowScope pageScope_;
  QHash<const ReportDataSource*, int> lastOnPage_;
  std::vector<ReportRowScope> groupScopes_;
};

}  // namespace

QStringList RenderedPage::texts() const {
  QStringList out;
  for (const RenderedItem& item : items)
    if (item.kind == RenderedItem::Kind::Text) out << item.text;
  return out;
}

ReportRenderer::ReportRenderer(const ReportTemplate& report, const ReportData& data)
    : t_(report), data_(data) {}

QFont ReportRenderer::itemFont(const QString& family, double pointSize, bool bold, bool italic,
                               bool underline) {
  QFont font;
  QStringList families;
  if (!family.isEmpty()) families << family;
  families << kDefaultFamily;
  font.setFamilies(families);
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  // Unhinted glyphs scale linearly, so a line breaks at the same word on screen and on paper.
  font.setHintingPreference(QFont::PreferNoHinting);
  // Shaping Latin runs swaps CJK fonts' digits for glyphs with no code point of their own, and a
  // PDF could not say which digits they were; neither Latin nor Chinese needs shaping.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

RenderedReport ReportRenderer::render() const {
  Texts texts(data_);
  ReportContext context;
  context.data = &data_;
  context.now = now_.isValid() ? now_ : QDateTime::currentDateTime();
  const Plan plan = makePlan(t_, data_, texts, context.now);

  Pass first(plan, t_, texts, context, nullptr);
  RenderedReport report = first.run();
  std::vector<ReportRowScope> scopes = std::move(first.pageScopes);
  // Knowing the page count may change a stretching text, hence the page count; it settles fast.
  for (int attempt = 0; plan.twoPasses && attempt < 3; ++attempt) {
    context.totalPages = report.pageCount();
    Pass again(plan, t_, texts, context, &scopes);
    RenderedReport next = again.run();
    const bool settled = next.pageCount() == report.pageCount();
    report = std::move(next);
    scopes = std::move(again.pageScopes);
    if (settled) break;
  }
  report.title = t_.title;
  report.warnings = plan.warnings;
  return report;
}

}  // namespace qk::client

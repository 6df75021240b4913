#include "client/report/report_template.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "client/data/data_error.h"

namespace qk::client {

namespace {

using Type = ReportBand::Type;
using Kind = ReportItem::Kind;

constexpr std::pair<Type, const char*> kBandNames[] = {
    {Type::ReportTitle, "reportTitle"}, {Type::PageHeader, "pageHeader"},
    {Type::GroupHeader, "groupHeader"}, {Type::MasterData, "masterData"},
    {Type::DetailData, "detailData"},   {Type::GroupFooter, "groupFooter"},
    {Type::Summary, "summary"},         {Type::PageFooter, "pageFooter"},
};

constexpr std::pair<Kind, const char*> kItemNames[] = {{Kind::Text, "text"},
                                                       {Kind::Line, "line"},
                                                       {Kind::Rectangle, "rect"},
                                                       {Kind::Picture, "picture"},
                                                       {Kind::QrCode, "qrcode"}};

constexpr std::pair<int, const char*> kSideNames[] = {{ReportItem::Left, "left"},
                                                      {ReportItem::Top, "top"},
                                                      {ReportItem::Right, "right"},
                                                      {ReportItem::Bottom, "bottom"}};

QString number(double value) {
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString frameText(int frame) {
  if ((frame & ReportItem::AllSides) == ReportItem::AllSides) return "all";
  QStringList sides;
  for (const auto& [side, name] : kSideNames)
    if (frame & side) sides << name;
  return sides.join(',');
}

QString horizontalName(Qt::Alignment a) {
  if (a & Qt::AlignHCenter) return "center";
  if (a & Qt::AlignRight) return "right";
  if (a & Qt::AlignJustify) return "justify";
  return "left";
}

QString verticalName(Qt::Alignment a) {
  if (a & Qt::AlignTop) return "top";
  if (a & Qt::AlignBottom) return "bottom";
  return "center";
}

// ---------------------------------------------------------------------------------------------
// Writing

class Writer {
 public:
  explicit Writer(QByteArray* out) : w_(out) {
    w_.setAutoFormatting(true);
    w_.setAutoFormattingIndent(2);
  }

  void write(const ReportTemplate& t) {
    w_.writeStartDocument();
    w_.writeStartElement("report");
    w_.writeAttribute("version", QString::number(ReportTemplate::kVersion));
    if (!t.title.isEmpty()) w_.writeAttribute("title", t.title);
    page(t.page);
    for (const ReportBand& b : t.bands) band(b);
    w_.writeEndElement();
    w_.writeEndDocument();
  }

 private:
  void page(const ReportTemplate::Page& p) {
    using Paper = ReportTemplate::Page::Paper;
    w_.writeStartElement("page");
    w_.writeAttribute("paper", p.paper == Paper::A4   ? "A4"
                               : p.paper == Paper::A5 ? "A5"
                                                      : "custom");
    if (p.paper == Paper::Custom) {
      w_.writeAttribute("width", number(p.customSize.width()));
      w_.writeAttribute("height", number(p.customSize.height()));
    }
    w_.writeAttribute("orientation", p.landscape ? "landscape" : "portrait");
    w_.writeAttribute("left", number(p.margins.left()));
    w_.writeAttribute("top", number(p.margins.top()));
    w_.writeAttribute("right", number(p.margins.right()));
    w_.writeAttribute("bottom", number(p.margins.bottom()));
    w_.writeEndElement();
  }

  void band(const ReportBand& b) {
    const ReportBand none;
    w_.writeStartElement("band");
    w_.writeAttribute("type", bandTypeName(b.type));
    w_.writeAttribute("height", number(b.height));
    if (b.startNewPage) w_.writeAttribute("startNewPage", "true");
    if (b.stretch) w_.writeAttribute("stretch", "true");
    text("dataSource", b.dataSource);
    if (b.rowsPerPage != none.rowsPerPage)
      w_.writeAttribute("rowsPerPage", QString::number(b.rowsPerPage));
    text("masterKey", b.masterKey);
    text("detailKey", b.detailKey);
    text("groupBy", b.groupBy);
    for (const ReportItem& item : b.items) this->item(item);
    w_.writeEndElement();
  }

  void item(const ReportItem& i) {
    const ReportItem none;
    for (const auto& [kind, name] : kItemNames)
      if (kind == i.kind) w_.writeStartElement(name);
    w_.writeAttribute("x", number(i.rect.x()));
    w_.writeAttribute("y", number(i.rect.y()));
    w_.writeAttribute("width", number(i.rect.width()));
    w_.writeAttribute("height", number(i.rect.height()));
    if (i.kind == Kind::Text) {
      text("font", i.fontFamily);
      if (i.fontSize != none.fontSize) w_.writeAttribute("size", number(i.fontSize));
      flag("bold", i.bold);
      flag("italic", i.italic);
      flag("underline", i.underline);
      if (horizontalName(i.alignment) != "left")
        w_.writeAttribute("align", horizontalName(i.alignment));
      if (verticalName(i.alignment) != "center")
        w_.writeAttribute("valign", verticalName(i.alignment));
      flag("wrap", i.wordWrap);
      flag("autoStretch", i.autoStretch);
      text("format", i.displayFormat);
      if (i.frame != ReportItem::NoSide) w_.writeAttribute("frame", frameText(i.frame));
    }
    if (i.kind == Kind::Picture) {
      text("field", i.pictureField);
      if (!i.keepAspect) w_.writeAttribute("keepAspect", "false");
    } else {
      if (i.color != none.color) w_.writeAttribute("color", colorText(i.color));
      if (i.kind != Kind::Line && i.background.isValid())
        w_.writeAttribute("background", colorText(i.background));
      if (i.lineWidth != none.lineWidth) w_.writeAttribute("lineWidth", number(i.lineWidth));
    }
    if (i.kind == Kind::Text || i.kind == Kind::QrCode) characters(i.text);
    if (i.kind == Kind::Picture && !i.image.isEmpty()) {
      const QByteArray base64 = i.image.toBase64();
      for (qsizetype at = 0; at < base64.size(); at += 76)
        w_.writeCharacters("\n" + QString::fromLatin1(base64.mid(at, 76)));
      w_.writeCharacters("\n");
    }
    w_.writeEndElement();
  }

  // A reader turns a raw carriage return into a line feed, as XML requires, so it is written as
  // a character reference to come back as itself.
  void characters(const QString& text) {
    const QStringList lines = text.split('\r');
    for (qsizetype n = 0; n < lines.size(); ++n) {
      if (n > 0) w_.writeEntityReference("#13");
      w_.writeCharacters(lines[n]);
    }
  }

  static QString colorText(const QColor& c) {
    return c.alpha() == 255 ? c.name() : c.name(QColor::HexArgb);
  }
  void text(const char* name, const QString& value) {
    if (!value.isEmpty()) w_.writeAttribute(name, value);
  }
  void flag(const char* name, bool value) {
    if (value) w_.writeAttribute(name, "true");
  }

  QXmlStreamWriter w_;
};

// ---------------------------------------------------------------------------------------------
// Reading

class Reader {
 public:
  explicit Reader(const QByteArray& xml) : r_(xml) {}

  ReportTemplate read() {
    ReportTemplate t;
    if (!nextStartElement()) fail("文件里没有报表模板");
    if (r_.name() != QLatin1String("report"))
      fail(QString("根元素应为 <report>，而不是 <%1>").arg(r_.name()));
    checkAttributes({"version", "title"});
    const QString version = r_.attributes().value("version").toString();
    if (version.isEmpty()) fail("<report> 缺少版本号 version");
    bool ok = false;
    const int v = version.toInt(&ok);
    if (!ok || v < 1) fail(QString("版本号“%1”无效").arg(version));
    if (v > ReportTemplate::kVersion)
      fail(QString("模板的版本（%1）比本程序能读的版本（%2）新，请升级程序")
               .arg(v)
               .arg(ReportTemplate::kVersion));
    t.title = r_.attributes().value("title").toString();

    bool pageSeen = false;
    while (nextStartElement()) {
      if (r_.name() == QLatin1String("page")) {
        if (pageSeen) fail("<page> 只能出现一次");
        pageSeen = true;
        t.page = page();
      } else if (r_.name() == QLatin1String("band")) {
        t.bands.push_back(band());
      } else {
        unknownElement();
      }
    }
    finish();
    return t;
  }

 private:
  [[noreturn]] void fail(const QString& what) const {
    throw DataError(QString("报表模板格式错误（第 %1 行，第 %2 列）：%3")
                        .arg(r_.lineNumber())
                        .arg(r_.columnNumber())
                        .arg(what));
  }

  [[noreturn]] void syntaxError() const {
    if (r_.error() == QXmlStreamReader::PrematureEndOfDocumentError)
      fail("文件不完整，XML 在元素结束之前就断了");
    fail(QString("不是格式正确的 XML（%1）").arg(r_.errorString()));
  }

  [[noreturn]] void unknownElement() const { fail(QString("不认识的元素 <%1>").arg(r_.name())); }

  // The next child element of the current one; false at its end. Text between elements may
  // only be white space.
  bool nextStartElement() {
    while (true) {
      switch (r_.readNext()) {
        case QXmlStreamReader::StartElement:
          return true;
        case QXmlStreamReader::EndElement:
          return false;
        case QXmlStreamReader::Characters:
          if (!r_.isWhitespace()) fail(QString("这里不能有文字“%1”").arg(r_.text().trimmed()));
          break;
        case QXmlStreamReader::DTD:
          fail("报表模板不能含有 DTD");
        case QXmlStreamReader::EndDocument:
          return false;
        case QXmlStreamReader::Invalid:
          syntaxError();
        default:
          break;  // declaration, comments, processing instructions
      }
    }
  }

  // The text content of the current element, which may hold no elements.
  QString content() {
    QString text;
    while (true) {
      switch (r_.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
          text += r_.text();
          break;
        case QXmlStreamReader::StartElement:
          fail(QString("元素里不能再有元素 <%1>").arg(r_.name()));
        case QXmlStreamReader::EndElement:
          return text;
        case QXmlStreamReader::Invalid:
          syntaxError();
        default:
          break;
      }
    }
  }

  void finish() {
    while (!r_.atEnd()) {
      r_.readNext();
      if (r_.tokenType() == QXmlStreamReader::StartElement) fail("<report> 之后不能再有元素");
    }
    if (r_.hasError()) syntaxError();
  }

  void checkAttributes(std::initializer_list<const char*> allowed) const {
    for (const QXmlStreamAttribute& a : r_.attributes()) {
      bool known = false;
      for (const char* name : allowed) known = known || a.name() == QLatin1String(name);
      if (!known) fail(QString("元素 <%1> 没有属性“%2”").arg(r_.name(), a.name()));
    }
  }

  bool has(const char* name) const { return r_.attributes().hasAttribute(name); }
  QString text(const char* name, const QString& otherwise = {}) const {
    return has(name) ? r_.attributes().value(name).toString() : otherwise;
  }

  double decimal(const char* name, double otherwise, bool mayBeNegative = false) const {
    if (!has(name)) return otherwise;
    const QString value = text(name);
    bool ok = false;
    const double d = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d)) fail(QString("属性“%1”的值“%2”不是有效的数字").arg(name, value));
    if (d < 0 && !mayBeNegative) fail(QString("属性“%1”不能是负数（%2）").arg(name, value));
    return d;
  }

  int integer(const char* name, int otherwise) const {
    if (!has(name)) return otherwise;
    const QString value = text(name);
    bool ok = false;
    const int i = value.trimmed().toInt(&ok);
    if (!ok) fail(QString("属性“%1”的值“%2”不是有效的整数").arg(name, value));
    if (i < 0) fail(QString("属性“%1”不能是负数（%2）").arg(name, value));
    return i;
  }

  bool flag(const char* name, bool otherwise) const {
    if (!has(name)) return otherwise;
    const QString value = text(name);
    if (value == QLatin1String("true")) return true;
    if (value == QLatin1String("false")) return false;
    fail(QString("属性“%1”的值应为 true 或 false，而不是“%2”").arg(name, value));
  }

  QColor color(const char* name, const QColor& otherwise) const {
    if (!has(name)) return otherwise;
    const QColor c(text(name));
    if (!c.isValid()) fail(QString("属性“%1”的值“%2”不是有效的颜色").arg(name, text(name)));
    // Twelve- and nine-digit spellings carry more than the eight bits a channel is written
    // with; keep what is written, so that a template reads the same after saving.
    return QColor::fromRgba(c.rgba());
  }

  // One of the listed words.
  template <typename T, std::size_t N>
  T choice(const char* name, const std::pair<T, const char*> (&words)[N], T otherwise) const {
    if (!has(name)) return otherwise;
    const QString value = text(name);
    QStringList names;
    for (const auto& [v, word] : words) {
      if (value == QLatin1String(word)) return v;
      names << word;
    }
    fail(QString("属性“%1”的值“%2”无效，应为 %3 之一").arg(name, value, names.join(", ")));
  }

  ReportTemplate::Page page() {
    using Paper = ReportTemplate::Page::Paper;
    checkAttributes({"paper", "width", "height", "orientation", "left", "top", "right", "bottom"});
    ReportTemplate::Page p;
    static constexpr std::pair<Paper, const char*> papers[] = {
        {Paper::A4, "A4"}, {Paper::A5, "A5"}, {Paper::Custom, "custom"}};
    static constexpr std::pair<bool, const char*> orientations[] = {{false, "portrait"},
                                                                    {true, "landscape"}};
    p.paper = choice("paper", papers, p.paper);
    if (p.paper == Paper::Custom) {
      if (!has("width") || !has("height")) fail("自定义纸张需要宽度 width 和高度 height");
      p.customSize = QSizeF(decimal("width", 0), decimal("height", 0));
      if (p.customSize.width() <= 0 || p.customSize.height() <= 0)
        fail("纸张的宽度和高度必须大于零");
    } else if (has("width") || has("height")) {
      fail("只有自定义纸张（paper=\"custom\"）才能指定宽度和高度");
    }
    p.landscape = choice("orientation", orientations, p.landscape);
    p.margins =
        QMarginsF(decimal("left", p.margins.left()), decimal("top", p.margins.top()),
                  decimal("right", p.margins.right()), decimal("bottom", p.margins.bottom()));
    const QSizeF size = p.size();
    if (p.margins.left() + p.margins.right() >= size.width() ||
        p.margins.top() + p.margins.bottom() >= size.height())
      fail("页边距太大，纸张上没有可以打印的地方");
    if (nextStartElement()) unknownElement();
    return p;
  }

  ReportBand band() {
    checkAttributes({"type", "height", "startNewPage", "stretch", "dataSource", "rowsPerPage",
                     "masterKey", "detailKey", "groupBy"});
    ReportBand b;
    if (!has("type")) fail("带区缺少类型 type");
    const QString type = text("type");
    bool known = false;
    for (const auto& [t, name] : kBandNames) {
      if (type == QLatin1String(name)) {
        b.type = t;
        known = true;
      }
    }
    if (!known) fail(QString("不认识的带区类型“%1”").arg(type));
    b.height = decimal("height", b.height);
    b.startNewPage = flag("startNewPage", false);
    b.stretch = flag("stretch", false);
    b.dataSource = text("dataSource");
    b.rowsPerPage = integer("rowsPerPage", 0);
    b.masterKey = text("masterKey");
    b.detailKey = text("detailKey");
    b.groupBy = text("groupBy");
    while (nextStartElement()) {
      bool item = false;
      for (const auto& [kind, name] : kItemNames) {
        if (r_.name() == QLatin1String(name)) {
          b.items.push_back(this->item(kind));
          item = true;
          break;
        }
      }
      if (!item) unknownElement();
    }
    return b;
  }

  ReportItem item(Kind kind) {
    switch (kind) {
      case Kind::Text:
        checkAttributes({"x", "y", "width", "height", "font", "size", "bold", "italic", "underline",
                         "align", "valign", "wrap", "autoStretch", "format", "frame", "color",
                         "background", "lineWidth"});
        break;
      case Kind::Line:
        checkAttributes({"x", "y", "width", "height", "color", "lineWidth"});
        break;
      case Kind::Rectangle:
        checkAttributes({"x", "y", "width", "height", "color", "background", "lineWidth"});
        break;
      case Kind::Picture:
        checkAttributes({"x", "y", "width", "height", "field", "keepAspect"});
        break;
      case Kind::QrCode:
        checkAttributes({"x", "y", "width", "height", "color", "background", "lineWidth"});
        break;
    }
    ReportItem i;
    i.kind = kind;
    const bool line = kind == Kind::Line;
    i.rect = QRectF(decimal("x", 0, true), decimal("y", 0, true), decimal("width", 0, line),
                    decimal("height", 0, line));
    if (kind == Kind::Text) {
      i.fontFamily = text("font");
      i.fontSize = decimal("size", i.fontSize);
      if (i.fontSize <= 0) fail("字号必须大于零");
      i.bold = flag("bold", false);
      i.italic = flag("italic", false);
      i.underline = flag("underline", false);
      static constexpr std::pair<Qt::AlignmentFlag, const char*> horizontal[] = {
          {Qt::AlignLeft, "left"},
          {Qt::AlignHCenter, "center"},
          {Qt::AlignRight, "right"},
          {Qt::AlignJustify, "justify"}};
      static constexpr std::pair<Qt::AlignmentFlag, const char*> vertical[] = {
          {Qt::AlignTop, "top"}, {Qt::AlignVCenter, "center"}, {Qt::AlignBottom, "bottom"}};
      i.alignment =
          choice("align", horizontal, Qt::AlignLeft) | choice("valign", vertical, Qt::AlignVCenter);
      i.wordWrap = flag("wrap", false);
      i.autoStretch = flag("autoStretch", false);
      i.displayFormat = text("format");
      i.frame = frame();
    }
    if (kind != Kind::Picture) {
      i.color = color("color", i.color);
      if (kind != Kind::Line) i.background = color("background", QColor());
      i.lineWidth = decimal("lineWidth", i.lineWidth);
    } else {
      i.pictureField = text("field");
      i.keepAspect = flag("keepAspect", true);
    }

    const QString body = content();
    if (kind == Kind::Text || kind == Kind::QrCode) {
      i.text = body;
    } else if (kind == Kind::Picture) {
      QByteArray base64 = body.toLatin1();
      base64.replace(' ', "").replace('\n', "").replace('\r', "").replace('\t', "");
      auto decoded =
          QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
      if (!decoded) fail("图片数据不是有效的 base64 文本");
      i.image = *decoded;
    } else if (!body.trimmed().isEmpty()) {
      fail(QString("<%1> 里不能有文字").arg(kind == Kind::Line ? "line" : "rect"));
    }
    return i;
  }

  int frame() const {
    if (!has("frame")) return ReportItem::NoSide;
    const QString value = text("frame").trimmed();
    if (value == QLatin1String("all")) return ReportItem::AllSides;
    if (value.isEmpty() || value == QLatin1String("none")) return ReportItem::NoSide;
    int sides = ReportItem::NoSide;
    for (const QString& part : value.split(',')) {
      bool known = false;
      for (const auto& [side, name] : kSideNames) {
        if (part.trimmed() == QLatin1String(name)) {
          sides |= side;
          known = true;
        }
      }
      if (!known)
        fail(QString("边框“%1”无效，应为 all、none 或 left、top、right、bottom 的组合").arg(value));
    }
    return sides;
  }

  QXmlStreamReader r_;
};

}  // namespace

QSizeF ReportTemplate::Page::size() const {
  QSizeF portrait = paper == Paper::A4   ? QSizeF(210, 297)
                    : paper == Paper::A5 ? QSizeF(148, 210)
                                         : customSize;
  return landscape ? portrait.transposed() : portrait;
}

ReportBand& ReportTemplate::addBand(ReportBand::Type type, double height) {
  ReportBand b;
  b.type = type;
  b.height = height;
  bands.push_back(std::move(b));
  return bands.back();
}

const ReportBand* ReportTemplate::band(ReportBand::Type type) const {
  for (const ReportBand& b : bands)
    if (b.type == type) return &b;
  return nullptr;
}

double ReportTemplate::contentWidth() const {
  return page.size().width() - page.margins.left() - page.margins.right();
}

QByteArray ReportTemplate::toXml() const {
  QByteArray out;
  Writer(&out).write(*this);
  return out;
}

ReportTemplate ReportTemplate::fromXml(const QByteArray& xml) {
  return Reader(xml).read();
}

ReportTemplate ReportTemplate::load(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly))
    throw DataError(QString("无法打开报表模板文件“%1”：%2").arg(file, f.errorString()));
  return fromXml(f.readAll());
}

void ReportTemplate::save(const QString& file) const {
  QSaveFile f(file);
  if (!f.open(QIODevice::WriteOnly) || f.write(toXml()) < 0 || !f.commit())
    throw DataError(QString("无法保存报表模板文件“%1”：%2").arg(file, f.errorString()));
}

QString bandTypeName(ReportBand::Type type) {
  for (const auto& [t, name] : kBandNames)
    if (t == type) return name;
  return {};
}

QString bandTypeCaption(ReportBand::Type type) {
  switch (type) {
    case Type::ReportTitle:
      return "报表标题";
    case Type::PageHeader:
      return "页眉";
    case Type::GroupHeader:
      return "分组头";
    case Type::MasterData:
      return "主数据";
    case Type::DetailData:
      return "明细数据";
    case Type::GroupFooter:
      return "分组尾";
    case Type::Summary:
      return "汇总";
    case Type::PageFooter:
      return "页脚";
  }
  return {};
}

}  // namespace qk::client

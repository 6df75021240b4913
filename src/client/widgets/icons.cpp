#include "client/widgets/icons.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resource initialiser lives in the global namespace; the library is static, so the icons
// are only linked in when something calls it.
static void initIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace qk::client {

namespace {

constexpr QRgb kNeutral = 0x455a64;   // navigation, print, close
constexpr QRgb kCreate = 0x1565c0;    // adding and changing
constexpr QRgb kDestroy = 0xc62828;   // removing
constexpr QRgb kCommit = 0x2e7d32;    // saving and approving
constexpr QRgb kRevert = 0xe65100;    // undoing and revoking
constexpr QRgb kLookup = 0x00838f;    // finding and reading out
constexpr QRgb kDisabled = 0xb0bec5;  // any icon of a disabled action

struct ToolBarIcon {
  const char* name;
  const char* file;
  QRgb color;
};

// Tool-bar names, the drawing each one shows and its colour.
constexpr ToolBarIcon kToolBarIcons[] = {
    {"first", "chevron-left-pipe", kNeutral},
    {"prior", "chevron-left", kNeutral},
    {"next", "chevron-right", kNeutral},
    {"last", "chevron-right-pipe", kNeutral},
    {"new", "file-plus", kCreate},
    {"edit", "edit", kCreate},
    {"delete", "trash", kDestroy},
    {"add-row", "row-insert-bottom", kCreate},
    {"remove-row", "row-remove", kDestroy},
    {"insert", "row-insert-top", kCreate},
    {"save", "device-floppy", kCommit},
    {"cancel", "arrow-back-up", kRevert},
    {"audit", "rosette-discount-check", kCommit},
    {"unaudit", "rosette-discount-check-off", kRevert},
    {"find", "search", kLookup},
    {"print", "printer", kNeutral},
    {"close", "door-exit", kNeutral},
    {"select", "list-check", kCreate},
    {"query", "list-search", kLookup},
    {"export", "table-export", kLookup},
    {"detail", "list-details", kLookup},
};

// The drawings are stroked in "currentColor"; colouring one is a text substitution.
QByteArray drawing(const QString& file) {
  static QHash<QString, QByteArray> cache;
  auto it = cache.find(file);
  if (it == cache.end()) {
    initIconResources();
    QFile f(":/icons/" + file + ".svg");
    it = cache.insert(file, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
  }
  return *it;
}

// Draws the SVG afresh for every size and pixel ratio, so icons stay sharp on any screen.
class SvgIconEngine : public QIconEngine {
 public:
  SvgIconEngine(const QByteArray& svg, const QColor& color)
      : normal_(inked(svg, color)), disabled_(inked(svg, QColor(kDisabled))) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    QSvgRenderer renderer(mode == QIcon::Disabled ? disabled_ : normal_);
    renderer.render(painter, QRectF(rect));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    QPixmap pm(size * scale);
    pm.fill(Qt::transparent);
    {
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      paint(&p, pm.rect(), mode, state);
    }
    pm.setDevicePixelRatio(scale);
    return pm;
  }

  QIconEngine* clone() const override { return new SvgIconEngine(*this); }
  QString key() const override { return "qk-svg"; }
  bool isNull() override { return normal_.isEmpty(); }

 private:
  static QByteArray inked(QByteArray svg, const QColor& color) {
    return svg.replace("currentColor", color.name().toLatin1());
  }
  QByteArray normal_;
  QByteArray disabled_;
};

}  // namespace

QIcon themeIcon(const QString& name, const QColor& tint) {
  QString file = name;
  QColor color(kNeutral);
  for (const ToolBarIcon& t : kToolBarIcons)
    if (name == t.name) {
      file = t.file;
      color = QColor(t.color);
    }
  const QByteArray svg = drawing(file);
  if (svg.isEmpty()) return {};
  return QIcon(new SvgIconEngine(svg, tint.isValid() ? tint : color));
}

}  // namespace qk::client

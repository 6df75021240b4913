#include "client/report/qr_code.h"

#include <QPainter>
#include <memory>

#include <qrencode.h>

namespace qk::client {

QImage qrCodeImage(const QString& text, const QColor& color, const QColor& background) {
  if (text.isEmpty()) return {};
  const QByteArray utf8 = text.toUtf8();
  std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
      QRcode_encodeData(static_cast<int>(utf8.size()),
                        reinterpret_cast<const unsigned char*>(utf8.constData()), 0, QR_ECLEVEL_M),
      &QRcode_free);
  if (!code) return {};
  constexpr int kQuiet = 4;      // modules of blank margin a reader needs
  constexpr int kModulePx = 10;  // a 25 mm code printed at 600 dpi is about 14 px a module
  const int n = code->width;
  QImage image((n + 2 * kQuiet) * kModulePx, (n + 2 * kQuiet) * kModulePx, QImage::Format_RGB32);
  image.fill(background.isValid() ? background : QColor(Qt::white));
  QPainter painter(&image);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (code->data[y * n + x] & 1)
        painter.fillRect((x + kQuiet) * kModulePx, (y + kQuiet) * kModulePx, kModulePx, kModulePx,
                         color);
  return image;
}

}  // namespace qk::client

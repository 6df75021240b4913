// QR codes for report items, drawn with libqrencode. Each module is a block of pixels, so the
// painter's smooth scaling blurs only the blocks' edges, never a module into its neighbours.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace qk::client {

// The code of `text` (UTF-8, error correction level M) with its four-module quiet zone, dark
// modules in `color` on `background` (white when invalid); a null image when the text is empty
// or too long for a QR code.
QImage qrCodeImage(const QString& text, const QColor& color = Qt::black,
                   const QColor& background = QColor());

}  // namespace qk::client

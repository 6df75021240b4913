// A single-file web archive (.mht): a MIME multipart/related message whose HTML part is the page
// and whose other parts are the pictures it shows. Read with GMime; the HTML comes back as
// UTF-8 whatever charset the part declares.
//
// It only reads: it never fetches anything outside the file, and a reference the archive does
// not hold simply finds nothing.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>

namespace qk::client {

class MhtDocument {
 public:
  // Reads the archive; false with the reason in error() when the file is missing, is not MIME,
  // or holds no HTML part.
  bool load(const QString& path);
  bool parse(const QByteArray& bytes);

  const QString& html() const { return html_; }
  // Where the HTML part says it lives; relative references of the page resolve against it.
  const QUrl& baseUrl() const { return base_; }
  // The bytes of a part named by a page reference: "cid:…", or a location, absolute or relative
  // to the page. Empty when the archive holds no such part.
  QByteArray resource(const QUrl& reference) const;
  int resourceCount() const { return int(resources_.size()); }
  const QString& error() const { return error_; }

 private:
  friend struct MhtPartCollector;
  QString html_;
  QUrl base_;
  QMap<QString, QByteArray> resources_;  // by resolved location and by "cid:<id>"
  QString error_;
};

// The GMime the program runs with, for the about box.
QString gmimeVersion();

}  // namespace qk::client

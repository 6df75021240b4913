#include "client/help/mht_document.h"

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

#include <QFile>
#include <memory>
#include <mutex>

namespace qk::client {

namespace {

template <class T>
struct GUnref {
  void operator()(T* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

void initGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

// The decoded bytes of a part (base64 and quoted-printable undone).
QByteArray partBytes(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content) return {};
  GPtr<GMimeStream> out(g_mime_stream_mem_new());
  if (g_mime_data_wrapper_write_to_stream(content, out.get()) < 0) return {};
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return QByteArray(reinterpret_cast<const char*>(bytes->data), int(bytes->len));
}

}  // namespace

// Walks the message once: the first HTML part becomes the page, every other leaf a resource.
struct MhtPartCollector {
  MhtDocument& doc;
  struct Leaf {
    QString location;
    QString contentId;
    QByteArray bytes;
  };
  std::vector<Leaf> leaves;
  bool haveHtml = false;

  static void visit(GMimeObject*, GMimeObject* object, gpointer self) {
    static_cast<MhtPartCollector*>(self)->take(object);
  }
  void take(GMimeObject* object) {
    if (!GMIME_IS_PART(object)) return;
    auto* part = GMIME_PART(object);
    const QString location = QString::fromUtf8(g_mime_part_get_content_location(part));
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (!haveHtml && GMIME_IS_TEXT_PART(object) &&
        g_mime_content_type_is_type(type, "text", "html")) {
      // Converted from the part's declared charset; UTF-8 when it declares none.
      char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(object));
      doc.html_ = QString::fromUtf8(text);
      g_free(text);
      doc.base_ = QUrl(location);
      haveHtml = true;
      return;
    }
    leaves.push_back(
        {location, QString::fromUtf8(g_mime_object_get_content_id(object)), partBytes(part)});
  }
};

bool MhtDocument::load(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *this = {};
    error_ = file.errorString();
    return false;
  }
  return parse(file.readAll());
}

bool MhtDocument::parse(const QByteArray& bytes) {
  *this = {};
  initGMime();
  GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size()));
  GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) {
    error_ = "not a MIME archive";
    return false;
  }
  MhtPartCollector collector{*this, {}};
  g_mime_message_foreach(message.get(), &MhtPartCollector::visit, &collector);
  // A message whose only part is the page is not a multipart: foreach sees nothing then.
  if (!collector.haveHtml) {
    if (GMimeObject* body = g_mime_message_get_mime_part(message.get())) collector.take(body);
  }
  if (!collector.haveHtml) {
    error_ = "no HTML part";
    html_.clear();
    return false;
  }
  // Locations are resolved once, against the page, so any spelling of a reference finds them.
  for (const auto& leaf : collector.leaves) {
    if (!leaf.location.isEmpty())
      resources_.insert(base_.resolved(QUrl(leaf.location)).toString(), leaf.bytes);
    if (!leaf.contentId.isEmpty()) resources_.insert("cid:" + leaf.contentId, leaf.bytes);
  }
  return true;
}

QString gmimeVersion() {
  return QString("%1.%2.%3")
      .arg(gmime_major_version)
      .arg(gmime_minor_version)
      .arg(gmime_micro_version);
}

QByteArray MhtDocument::resource(const QUrl& reference) const {
  if (reference.scheme() == "cid") return resources_.value("cid:" + reference.path());
  return resources_.value(base_.resolved(reference).toString());
}

}  // namespace qk::client

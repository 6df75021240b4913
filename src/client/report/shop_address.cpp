#include "client/report/shop_address.h"

#include <QUrl>

#include "client/data/connection.h"
#include "client/data/data_module.h"

namespace qk::client {

QString shopPageAddress() {
  QString base = dm().connection().url();
  while (base.endsWith('/')) base.chop(1);
  return base + "/shop/#a=" + QString::fromLatin1(QUrl::toPercentEncoding(dm().accountName));
}

}  // namespace qk::client

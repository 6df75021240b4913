// Where a printed flow card's QR code sends a phone: the shop-floor page of the server this
// client uses, with the account set it logged in to. Reports read it as [车间报工地址].
#pragma once

#include <QString>

namespace qk::client {

// "<server>/shop/#a=<account set>"; a card's code adds "&t=" and the task line.
QString shopPageAddress();

}  // namespace qk::client

// Large ribbon icons drawn at run time: a tile in the colour of the action's area with a glyph
// from its caption, so the program ships no image files and every action looks alike.
#pragma once

#include <QIcon>
#include <QString>

namespace qk::client {

QIcon actionIcon(const QString& caption, const QString& category);

}  // namespace qk::client

// The program's icon set: outline SVG drawings compiled into the resources and drawn in one
// colour at whatever size and pixel ratio a button asks for, greyed when disabled. Every tool bar
// and the ribbon take their icons from here. An unknown name gives a null QIcon, never a crash.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace qk::client {

// The icon for a tool-bar name (first, prior, next, last, new, edit, delete, add-row,
// remove-row, insert, save, cancel, audit, unaudit, find, print, close, select, query, export,
// detail) in that name's colour, or for a drawing of the set by its file name ("truck").
// A valid tint overrides the colour.
QIcon themeIcon(const QString& name, const QColor& tint = {});

}  // namespace qk::client

// Draws rendered pages on any painter and writes them out: PDF (vector text, one PDF page per
// page at the page's size), one PNG or JPEG image per page, one spreadsheet sheet, or a printer.
// Every function reports failure as false with a text for the user; none of them throws or
// leaves a half-written file behind on a path it could not open.
#pragma once

#include <QString>
#include <QStringList>

#include "client/report/rendered_report.h"

class QPainter;
class QPrinter;

namespace qk::client {

inline constexpr double kMmPerInch = 25.4;

// Paints one page with its top-left corner at the painter's origin, scale device pixels per
// millimetre. The paper itself is the caller's: nothing is painted where the page is empty.
void paintPage(QPainter& painter, const RenderedPage& page, double scale);

bool exportPdf(const RenderedReport& report, const QString& file, QString* error);

// format "png" or "jpg"; dpi decides the pixel size (an A4 page at 100 dpi is 827 x 1169).
// In filePattern "%1" stands for the page number; without it, pages after a single one are
// numbered before the suffix ("入库单_1.png", "入库单_2.png"). The files written go to *files.
bool exportImages(const RenderedReport& report, const QString& filePattern, const QString& format,
                  int dpi, QString* error, QStringList* files = nullptr);

// Texts go to the cells their positions on the page fall into, pages one below the other;
// numbers and dates stay numbers and dates with their display formats.
bool exportXlsx(const RenderedReport& report, const QString& file, QString* error);

// Each page on the printer's paper (the report's own paper size is asked for first; a printer
// with other paper gets the page scaled down to fit).
bool print(const RenderedReport& report, QPrinter& printer, QString* error);

}  // namespace qk::client

#include "client/quality/mc_workbook.h"

#include <zip.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <pugixml.hpp>
#include <sstream>
#include <string>

// The resource initialiser lives in the global namespace; the library is static, so the template
// is only linked in when something calls it.
static void initCertificateResources() {
  Q_INIT_RESOURCE(mc_template);
}

namespace qk::client {

namespace {

constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";

QString columnName(int col) {
  QString name;
  for (; col > 0; col = (col - 1) / 26) name.prepend(QChar('A' + (col - 1) % 26));
  return name;
}

int columnOf(const char* ref) {
  int col = 0;
  for (; *ref >= 'A' && *ref <= 'Z'; ++ref) col = col * 26 + (*ref - 'A' + 1);
  return col;
}

// The row element of that number, made in row order when the template has none.
pugi::xml_node rowNode(pugi::xml_node sheetData, int r) {
  pugi::xml_node before;
  for (pugi::xml_node row : sheetData.children("row")) {
    const int n = row.attribute("r").as_int();
    if (n == r) return row;
    if (n > r) {
      before = row;
      break;
    }
  }
  pugi::xml_node row =
      before ? sheetData.insert_child_before("row", before) : sheetData.append_child("row");
  row.append_attribute("r") = r;
  return row;
}

// The cell element, made in column order when the row has none; its style is kept.
pugi::xml_node cellNode(pugi::xml_node sheetData, int r, int col) {
  pugi::xml_node row = rowNode(sheetData, r);
  const std::string ref = (columnName(col) + QString::number(r)).toStdString();
  pugi::xml_node before;
  for (pugi::xml_node c : row.children("c")) {
    const int n = columnOf(c.attribute("r").value());
    if (n == col) return c;
    if (n > col) {
      before = c;
      break;
    }
  }
  pugi::xml_node c = before ? row.insert_child_before("c", before) : row.append_child("c");
  c.append_attribute("r") = ref.c_str();
  // A row's span hint would no longer cover the new cell; readers recompute it without one.
  row.remove_attribute("spans");
  return c;
}

void clearValue(pugi::xml_node c) {
  c.remove_attribute("t");
  while (pugi::xml_node child = c.first_child()) c.remove_child(child);
}

void setText(pugi::xml_node sheetData, int r, int col, const QString& text) {
  pugi::xml_node c = cellNode(sheetData, r, col);
  clearValue(c);
  if (text.isEmpty()) return;
  c.append_attribute("t") = "inlineStr";
  pugi::xml_node t = c.append_child("is").append_child("t");
  t.append_attribute("xml:space") = "preserve";
  t.text().set(text.toStdString().c_str());
}

void setNumber(pugi::xml_node sheetData, int r, int col, double value) {
  pugi::xml_node c = cellNode(sheetData, r, col);
  clearValue(c);
  c.append_child("v").text().set(value);
}

QString item(const CertificateLine& line, int n) {
  return n - 1 < line.items.size() ? line.items[n - 1] : QString();
}

void fillSheet(pugi::xml_node sheetData, const CertificateSheet& sheet) {
  setText(sheetData, 4, 3, sheet.custName);
  setText(sheetData, 4, 14, sheet.keyNo);
  setText(sheetData, 5, 3, sheet.custId);
  setText(sheetData, 5, 14, sheet.date);
  for (std::size_t i = 0; i < sheet.lines.size() && i < kWorkbookLines; ++i) {
    const CertificateLine& l = sheet.lines[i];
    const int r = kWorkbookLineRow + static_cast<int>(i);
    const int t = kWorkbookTestRow + static_cast<int>(i);
    setText(sheetData, r, 1, l.sch);
    setText(sheetData, r, 2, l.cName + " " + l.cSize);
    setText(sheetData, r, 7, l.cMat);
    setText(sheetData, r, 10, l.cSta);
    setNumber(sheetData, r, 15, l.qty);
    setText(sheetData, r, 16, l.heatNo);
    setText(sheetData, r, 18, l.batchNo);
    setText(sheetData, t, 1, l.sch);
    // Where each inspection value goes on the template's test-value rows.
    static const std::pair<int, int> kItems[] = {
        {2, 1},   {3, 3},   {4, 2},   {5, 4},   {6, 5},   {7, 6},   {8, 7},   {9, 8},  {10, 10},
        {11, 11}, {12, 13}, {14, 20}, {15, 21}, {16, 22}, {17, 23}, {18, 24}, {19, 25}};
    for (const auto& [col, n] : kItems) setText(sheetData, t, col, item(l, n));
  }
}

QString zipError(zip_t* z) {
  return QString::fromUtf8(zip_error_strerror(zip_get_error(z)));
}

// Replaces the sheet of the copy at `file`; false with the reason when the copy is not a
// workbook of the template's kind.
bool fillCopy(const CertificateSheet& sheet, const QString& file, QString* error) {
  int code = 0;
  zip_t* z = zip_open(QFile::encodeName(file).constData(), 0, &code);
  if (!z) {
    *error = QString("证明书模板不是有效的 xlsx 文件（错误 %1）").arg(code);
    return false;
  }
  zip_stat_t st;
  zip_file_t* part = nullptr;
  if (zip_stat(z, kSheetPart, 0, &st) != 0 || !(part = zip_fopen(z, kSheetPart, 0))) {
    *error = "证明书模板中没有工作表：" + zipError(z);
    zip_discard(z);
    return false;
  }
  std::string xml(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t got = zip_fread(part, xml.data(), st.size);
  zip_fclose(part);
  pugi::xml_document doc;
  if (got != static_cast<zip_int64_t>(st.size) ||
      !doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata)) {
    *error = "证明书模板的工作表无法读取";
    zip_discard(z);
    return false;
  }
  pugi::xml_node sheetData = doc.child("worksheet").child("sheetData");
  if (!sheetData) {
    *error = "证明书模板的工作表无法读取";
    zip_discard(z);
    return false;
  }
  fillSheet(sheetData, sheet);
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw);
  // libzip reads the buffer when the archive is closed, so it must live until then.
  const std::string filled = out.str();
  zip_source_t* src = zip_source_buffer(z, filled.data(), filled.size(), 0);
  if (!src || zip_file_add(z, kSheetPart, src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
    if (src) zip_source_free(src);
    *error = "无法写入工作表：" + zipError(z);
    zip_discard(z);
    return false;
  }
  if (zip_close(z) != 0) {
    *error = "无法保存文件：" + zipError(z);
    zip_discard(z);
    return false;
  }
  return true;
}

}  // namespace

QString certificateTemplate() {
  static const bool loaded = (initCertificateResources(), true);
  (void)loaded;
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("mc_template.xlsx");
  return QFile::exists(beside) ? beside : QString(":/quality/mc_template.xlsx");
}

bool writeCertificateWorkbook(const CertificateSheet& sheet, const QString& templateFile,
                              const QString& file, QString* error) {
  QString reason;
  if (!error) error = &reason;
  if (QFile::exists(file) && !QFile::remove(file)) {
    *error = QString("无法覆盖文件 %1，它可能正被别的程序打开").arg(QDir::toNativeSeparators(file));
    return false;
  }
  if (!QFile::copy(templateFile, file)) {
    *error = QString("找不到证明书模板 %1，或无法写入 %2")
                 .arg(QDir::toNativeSeparators(templateFile), QDir::toNativeSeparators(file));
    return false;
  }
  // A copy from the resources is read-only; the archive is rewritten in place.
  QFile::setPermissions(file, QFile::permissions(file) | QFile::WriteOwner | QFile::ReadOwner);
  if (!fillCopy(sheet, file, error)) {
    QFile::remove(file);
    return false;
  }
  return true;
}

}  // namespace qk::client

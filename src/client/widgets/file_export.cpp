#include "client/widgets/file_export.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "client/data/prompter.h"
#include "client/widgets/desktop.h"

namespace qk::client {

ExportFormat xlsxFormat() {
  return {"导出到 Excel", "xlsx", "Excel 表格 (*.xlsx)"};
}

QString suggestedExportFile(const QString& name, const QString& suffix) {
  // A caption may hold characters no file system takes ("入库/出库汇总").
  QString base;
  for (const QChar c : name.trimmed())
    base += QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 0x20 ? QChar('_') : c;
  if (base.isEmpty()) base = "导出";
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  return QDir(folder).filePath(base + "." + suffix);
}

QString exportToFile(QWidget* parent, const QString& name, const ExportFormat& format,
                     const ExportWriter& write) {
  QString file = desktop().saveFileName(parent, format.caption,
                                        suggestedExportFile(name, format.suffix), format.filter);
  if (file.isEmpty()) return {};
  if (QFileInfo(file).suffix().isEmpty()) file += "." + format.suffix;
  QString error;
  if (!write(file, &error)) {
    prompter().message(error, Prompter::Icon::Warning);
    return {};
  }
  const QString shown = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
  if (prompter().confirm(QString("已导出到 %1\n\n是否现在打开该文件？").arg(shown)) &&
      !desktop().openFile(file))
    prompter().message(
        QString("系统中没有可以打开 .%1 文件的程序，文件已保存在 %2").arg(format.suffix, shown),
        Prompter::Icon::Information);
  return file;
}

}  // namespace qk::client

// What a report prints from: named data sources (a screen's datasets, or rows a dialog builds
// itself) and a callback answering variables the template names. The report only reads through
// these: it never moves a dataset's cursor, posts an edit or opens anything.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

namespace qk::client {

class Dataset;

class ReportDataSource {
 public:
  explicit ReportDataSource(QString name) : name_(std::move(name)) {}
  virtual ~ReportDataSource() = default;

  const QString& name() const { return name_; }
  virtual QStringList fieldNames() const = 0;
  virtual int rowCount() const = 0;
  // By field position in fieldNames(); null is an invalid QVariant.
  virtual QVariant value(int row, int field) const = 0;
  // The field's own display format ("#,##0.00"), used when a report item names none.
  virtual QString displayFormat(int /*field*/) const { return {}; }

  // Case-insensitive, as the database compares names; -1 when the source has no such field.
  int fieldIndex(const QString& field) const;

 private:
  QString name_;
};

// The visible rows of a dataset (after its filter and index), read at the time of rendering.
class DatasetSource : public ReportDataSource {
 public:
  DatasetSource(QString name, Dataset& dataset);

  QStringList fieldNames() const override;
  int rowCount() const override;
  QVariant value(int row, int field) const override;
  QString displayFormat(int field) const override;

 private:
  QPointer<Dataset> ds_;  // a dataset destroyed before the report reads as empty
};

// Rows held in memory.
class ReportTable : public ReportDataSource {
 public:
  ReportTable(QString name, QStringList fields);

  void addRow(QVariantList values);  // in field order; missing values are null
  void setDisplayFormat(const QString& field, const QString& format);

  QStringList fieldNames() const override { return fields_; }
  int rowCount() const override { return static_cast<int>(rows_.size()); }
  QVariant value(int row, int field) const override;
  QString displayFormat(int field) const override;

 private:
  QStringList fields_;
  QStringList formats_;
  std::vector<QVariantList> rows_;
};

class ReportData {
 public:
  ReportData() = default;
  ReportData(const ReportData&) = delete;
  ReportData& operator=(const ReportData&) = delete;

  // A source replaces one of the same name.
  ReportDataSource& add(std::unique_ptr<ReportDataSource> source);
  DatasetSource& addDataset(const QString& name, Dataset& dataset);
  ReportTable& addTable(const QString& name, const QStringList& fields);

  // Case-insensitive; null when there is none.
  const ReportDataSource* source(const QString& name) const;
  QStringList sourceNames() const;

  // Answers [名字] for names the report does not know itself; an invalid QVariant means the
  // variable does not exist and the report prints a marker for it.
  std::function<QVariant(const QString& name)> variables;
  QVariant variable(const QString& name) const;

 private:
  std::vector<std::unique_ptr<ReportDataSource>> sources_;
};

}  // namespace qk::client

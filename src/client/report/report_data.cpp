#include "client/report/report_data.h"

#include "client/data/dataset.h"

namespace qk::client {

int ReportDataSource::fieldIndex(const QString& field) const {
  const QStringList names = fieldNames();
  for (int i = 0; i < names.size(); ++i)
    if (names[i].compare(field, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------

DatasetSource::DatasetSource(QString name, Dataset& dataset)
    : ReportDataSource(std::move(name)), ds_(&dataset) {}

QStringList DatasetSource::fieldNames() const {
  QStringList names;
  if (!ds_) return names;
  for (int i = 0; i < ds_->fieldCount(); ++i) names << ds_->field(i).name();
  return names;
}

int DatasetSource::rowCount() const {
  return ds_ && ds_->active() ? ds_->recordCount() : 0;
}

QVariant DatasetSource::value(int row, int field) const {
  if (!ds_ || row < 0 || row >= rowCount() || field < 0 || field >= ds_->fieldCount()) return {};
  return ds_->valueAt(row, field);
}

QString DatasetSource::displayFormat(int field) const {
  if (!ds_ || field < 0 || field >= ds_->fieldCount()) return {};
  return ds_->field(field).displayFormat;
}

// ---------------------------------------------------------------------------------------------

ReportTable::ReportTable(QString name, QStringList fields)
    : ReportDataSource(std::move(name)), fields_(std::move(fields)) {
  for (int i = 0; i < fields_.size(); ++i) formats_ << QString();
}

void ReportTable::addRow(QVariantList values) {
  while (values.size() < fields_.size()) values << QVariant();
  rows_.push_back(std::move(values));
}

void ReportTable::setDisplayFormat(const QString& field, const QString& format) {
  const int i = fieldIndex(field);
  if (i >= 0) formats_[i] = format;
}

QVariant ReportTable::value(int row, int field) const {
  if (row < 0 || row >= rowCount() || field < 0 || field >= fields_.size()) return {};
  return rows_[static_cast<std::size_t>(row)].value(field);
}

QString ReportTable::displayFormat(int field) const {
  return formats_.value(field);
}

// ---------------------------------------------------------------------------------------------

ReportDataSource& ReportData::add(std::unique_ptr<ReportDataSource> source) {
  for (auto& existing : sources_) {
    if (existing->name().compare(source->name(), Qt::CaseInsensitive) == 0) {
      existing = std::move(source);
      return *existing;
    }
  }
  sources_.push_back(std::move(source));
  return *sources_.back();
}

DatasetSource& ReportData::addDataset(const QString& name, Dataset& dataset) {
  return static_cast<DatasetSource&>(add(std::make_unique<DatasetSource>(name, dataset)));
}

ReportTable& ReportData::addTable(const QString& name, const QStringList& fields) {
  return static_cast<ReportTable&>(add(std::make_unique<ReportTable>(name, fields)));
}

const ReportDataSource* ReportData::source(const QString& name) const {
  for (const auto& s : sources_)
    if (s->name().compare(name, Qt::CaseInsensitive) == 0) return s.get();
  return nullptr;
}

QStringList ReportData::sourceNames() const {
  QStringList names;
  for (const auto& s : sources_) names << s->name();
  return names;
}

QVariant ReportData::variable(const QString& name) const {
  return variables ? variables(name) : QVariant();
}

}  // namespace qk::client

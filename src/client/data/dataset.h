// Dataset: the client-side table every screen works with. It reads rows through a provider of
// the application server, holds them with a cursor, lets the screen edit them under its hooks
// (new-record defaults, field validation, before/after post and delete), computes calculated and
// lookup fields, filters and sorts on the client, and keeps a change log that it can send back
// (applyUpdates) or hand to a server method (delta).
//
// It never talks to widgets; DatasetModel shows it in a view. It never swallows an error: server
// failures are DataError, and a hook that has already told the user why throws Abort.
// Implemented in dataset.cpp (fields, cursor, editing, view) and dataset_change_log.cpp.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

#include "client/data/params.h"
#include "protocol/wire.h"

namespace qk::client {

class Connection;
class Dataset;

enum class FieldKind { Data, Calculated, Lookup };

// A read-only view of one record, handed to calculated fields, filters and lookups.
class Record {
 public:
  Record(const Dataset& ds, int row) : ds_(&ds), row_(row) {}
  QVariant value(const QString& field) const;  // any field kind; invalid QVariant when null
  int row() const { return row_; }

 private:
  friend class Dataset;
  Record(const Dataset& ds, int row, const void* stored) : ds_(&ds), row_(row), stored_(stored) {}
  const Dataset* ds_;
  int row_;                       // visible row; -1 for a record the filter is still judging
  const void* stored_ = nullptr;  // the dataset's own row, when the dataset made this view
};

class Field {
 public:
  const QString& name() const { return name_; }
  protocol::FieldType type() const { return type_; }
  int size() const { return size_; }
  FieldKind kind() const { return kind_; }
  int index() const { return index_; }

  // Display properties (a column layout sets them; grids read them).
  QString displayLabel;   // empty: the name
  QString displayFormat;  // e.g. "#,##0.00"
  bool visible = true;
  bool readOnly = false;
  QString label() const { return displayLabel.isEmpty() ? name_ : displayLabel; }

  // The current record's value. Setting needs the Edit or Insert state; it runs onValidate
  // first (which may throw Abort to refuse the value, or DataError) and onChange after.
  QVariant value() const;
  void setValue(const QVariant& v);
  bool isNull() const;
  QString asString() const;  // null reads as ""; trailing blanks are kept
  qlonglong asInteger() const;
  double asFloat() const;
  bool asBoolean() const;
  QDateTime asDateTime() const;

  std::function<void(Field&, const QVariant& newValue)> onValidate;
  std::function<void(Field&)> onChange;

  Dataset& dataset() const { return *ds_; }

 private:
  friend class Dataset;
  Dataset* ds_ = nullptr;
  QString name_;
  protocol::FieldType type_ = protocol::FieldType::String;
  int size_ = 0;
  FieldKind kind_ = FieldKind::Data;
  int index_ = 0;  // position among the dataset's fields; -1 while its column is not open
  // Calculated fields
  std::function<QVariant(const Record&)> calc_;
  // Lookup fields
  QString lookupKey_, lookupSourceKey_, lookupResult_;
  QPointer<Dataset> lookupSource_;  // a source closed or destroyed first reads as null
};

// One refused row of applyUpdates.
struct RowError {
  int row = -1;             // the record's position in the dataset (-1 for a deleted record)
  protocol::Change change;  // what was sent
  QString message;          // the server's text
  QString code;             // and its code (protocol::code)
};

class Dataset : public QObject {
  Q_OBJECT
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  Dataset(Connection& connection, QString provider, QObject* parent = nullptr);
  ~Dataset() override;

  Connection& connection() const { return conn_; }
  const QString& provider() const { return provider_; }

  // ---- command and parameters
  void setCommandText(const QString& sql);  // closes the dataset; rebuilds params()
  const QString& commandText() const { return sql_; }
  Params& params() { return params_; }
  void open();     // runs the text (or the provider's default query when empty)
  void execute();  // runs a statement that returns no rows; output params are filled
  void close();    // forgets rows and change log; declared calculated/lookup fields stay
  bool active() const { return state_ != State::Inactive; }
  // What the last execute() reported: the id of an inserted row, the number of rows changed.
  qint64 lastInsertId() const { return lastInsertId_; }
  qint64 rowsAffected() const { return rowsAffected_; }

  // ---- fields
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  Field& field(int index);
  Field& fieldByName(const QString& name);  // case-insensitive; DataError when unknown
  Field* findField(const QString& name);
  // Declared before open(); they survive close() and reopen.
  Field& addCalculatedField(const QString& name, protocol::FieldType type,
                            std::function<QVariant(const Record&)> calc);
  Field& addLookupField(const QString& name, const QString& keyField, Dataset& source,
                        const QString& sourceKey, const QString& resultField);

  // ---- cursor (over the visible records: after filter and index)
  int recordCount() const;
  int recNo() const;  // 1-based position of the cursor, 0 when empty
  bool isEmpty() const { return recordCount() == 0; }
  bool bof() const { return bof_; }
  bool eof() const { return eof_; }
  void first();
  void last();
  void next();
  void prior();
  void moveTo(int visibleRow);  // 0-based; posts a pending edit first like every move
  bool locate(const QString& field, const QVariant& value);  // exact match, text case-sensitive
  int currentRow() const;  // 0-based visible row of the cursor, -1 when empty
  QVariant valueAt(int visibleRow, const QString& field) const;
  QVariant valueAt(int visibleRow, int fieldIndex) const;
  Record record(int visibleRow) const;
  // Stays with the record through sorts, filters and edits; never given to another record of
  // this dataset, not even after a reopen.
  quint64 recordId(int visibleRow) const;

  // ---- editing
  State state() const { return state_; }
  void append();  // new record at the end; onNewRecord fills defaults
  void insert();  // new record before the current one
  void edit();
  void post();  // beforePost may throw Abort (stays in Edit/Insert) ; afterPost after
  void cancel();
  void remove();  // deletes the current record (beforeDelete/afterDelete hooks)
  // Drops the current record that the server has already deleted: no deletion is left in
  // the change log to be sent again.
  void forgetCurrent();
  void checkBrowseMode();  // posts a pending edit, as moving the cursor does

  std::function<void(Dataset&)> onNewRecord, beforePost, afterPost, beforeDelete, afterDelete,
      afterScroll;
  std::function<void(const RowError&)> onReconcileError;

  // ---- client-side view
  void setFilter(std::function<bool(const Record&)> predicate);
  void clearFilter();
  bool filtered() const { return static_cast<bool>(filter_); }
  void setIndex(const QString& field, Qt::SortOrder order = Qt::AscendingOrder);
  void clearIndex();

  // ---- change log
  int changeCount() const;
  protocol::Delta delta() const;  // data fields only; calculated and lookup fields never travel
  void mergeChangeLog();          // the current values become the originals
  void cancelUpdates();           // back to the originals
  // Sends the change log through the provider (with the command text naming the table).
  // Returns the number of refused rows; they stay pending and each reaches onReconcileError.
  int applyUpdates(int maxErrors = 0);

 signals:
  void changed();         // rows, fields or values changed: views refresh
  void currentChanged();  // the cursor moved

 private:
  friend class Field;
  friend class Record;
  struct Row;
  struct Impl;
  struct Batch;

  void requireActive() const;
  int findIndex(const QString& name) const;     // -1 when unknown
  int fieldIndexOf(const QString& name) const;  // DataError when unknown
  void rebuildNames();
  void retireDataFields();
  Row* currentData() const;
  const Row& visibleData(int visibleRow) const;
  QVariant valueOf(const Row& row, int fieldIndex, int visibleRow) const;
  QVariant lookupValue(const Field& field, const Row& row) const;
  QVariant currentValue(const Field& field) const;
  void setFieldValue(Field& field, const QVariant& value);
  void removeCurrent(bool logged);
  void startNewRecord(bool atEnd);
  void discardNewRecord();
  std::vector<Row*> filteredAndSorted() const;
  void refreshAfterChange(const Row* keep);
  void placeCursorAfterViewChange(const Row* keep);
  void purgeGoneRows();
  protocol::Delta buildDelta(std::vector<Row*>* sent) const;
  void copyOutParams(const protocol::Params& out);
  void touch();
  void flush(bool runHooks);

  std::unique_ptr<Impl> d_;
  Connection& conn_;
  QString provider_;
  QString sql_;
  Params params_;
  std::vector<std::unique_ptr<Field>> fields_;
  State state_ = State::Inactive;
  bool bof_ = true, eof_ = true;
  std::function<bool(const Record&)> filter_;
  qint64 lastInsertId_ = 0, rowsAffected_ = 0;
};

}  // namespace qk::client

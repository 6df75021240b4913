// The storage of a Dataset, shared by the units that implement it (dataset.cpp: fields, cursor,
// editing, view; dataset_change_log.cpp: the change log). Nothing outside them includes it.
#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <exception>
#include <memory>
#include <vector>

#include "client/data/dataset.h"

namespace qk::client {

// Gone: a delete the server has written, about to leave the log.
enum class RowStatus : quint8 { Unchanged, Inserted, Modified, Deleted, Gone };

struct Dataset::Row {
  std::vector<QVariant> values;    // data fields, in field order
  std::vector<QVariant> original;  // Modified and Deleted: as read or last merged
  RowStatus status = RowStatus::Unchanged;
  quint64 logSeq = 0;  // order of the first change, for the delta
  quint64 uid = 0;     // identity for "did the cursor reach another record"
};

struct Dataset::Impl {
  struct Lookup {
    const Dataset* source = nullptr;
    quint64 generation = 0;
    bool built = false;
    int resultIndex = -1;
    protocol::FieldType keyType = protocol::FieldType::String;
    QHash<QString, const Row*> firstByKey;
  };

  int dataCount = 0;                       // data fields come first among fields_
  std::vector<std::unique_ptr<Row>> rows;  // log order, deleted rows kept in place
  std::vector<Row*> visible;               // filtered rows in index order
  int cursor = -1;                         // into visible
  Row* editRow = nullptr;
  std::vector<QVariant> editBackup;  // Edit: the values before edit()
  quint64 beforeNewUid = 0;          // Insert: the record to return to on cancel
  quint64 nextSeq = 0, nextUid = 0;
  quint64 generation = 0;  // bumped on every change of rows or values; lookups cache on it
  QHash<QString, int> exactNames, foldedNames;
  // Data fields of an earlier open: they come back with their labels and hooks when a column of
  // the same name does, so screens set them once although they reopen the dataset.
  std::vector<std::unique_ptr<Field>> retired;
  QString indexField;
  Qt::SortOrder indexOrder = Qt::AscendingOrder;

  int depth = 0;
  bool dirty = false, reopened = false;
  quint64 startUid = 0;
  int startCursor = -1;
  QHash<const Field*, Lookup> lookups;
};

// Collects the signals of one operation, however many fields it sets, and sends them once when
// the outermost operation ends; afterScroll runs only when that operation succeeded.
struct Dataset::Batch {
  explicit Batch(Dataset& ds) : ds_(ds), exceptions_(std::uncaught_exceptions()) {
    Impl& d = *ds_.d_;
    if (d.depth++ > 0) return;
    d.dirty = false;
    d.reopened = false;
    d.startCursor = d.cursor;
    const Row* r = ds_.currentData();
    d.startUid = r ? r->uid : 0;
  }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  ~Batch() noexcept(false) {
    if (--ds_.d_->depth == 0) ds_.flush(std::uncaught_exceptions() == exceptions_);
  }
  Dataset& ds_;
  int exceptions_;
};

}  // namespace qk::client

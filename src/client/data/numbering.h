// Document, item, batch and task-line numbers. Each routine reads the highest stored number
// through the dataset it is given (pubCDS) and leaves that dataset open on its last query.
#pragma once

#include <QDate>
#include <QString>

namespace qk::client {

class Dataset;

// A new document number for a master table, by its bas_form rule. Throws DataError when the
// table has no rule or the highest number does not end in digits.
QString nextKeyNo(const QString& table, Dataset& ds, const QDate& today = QDate::currentDate());
// Sales-order item number "YY-MM-NNNN".
QString nextGsNo(Dataset& ds, const QDate& today = QDate::currentDate());
// Purchase batch number "POYYMMNNNN".
QString nextPsNo(Dataset& ds, const QDate& today = QDate::currentDate());
// Task-line number "<item number>-NN" under a sales-order item.
QString nextTaskNo(const QString& gsNo, Dataset& ds);

}  // namespace qk::client

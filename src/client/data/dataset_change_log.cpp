// The change log of a Dataset: what it sends (delta), what it keeps after the server wrote it
// (merge), what it drops (cancel), and applying it through the provider.
#include <algorithm>

#include "client/data/connection.h"
#include "client/data/data_error.h"
#include "client/data/dataset_impl.h"
#include "client/data/values.h"

namespace qk::client {

int Dataset::changeCount() const {
  int count = 0;
  for (const auto& r : d_->rows) {
    if (r->status == RowStatus::Unchanged || r->status == RowStatus::Gone) continue;
    if (r.get() == d_->editRow && state_ == State::Insert) continue;
    ++count;
  }
  return count;
}

protocol::Delta Dataset::buildDelta(std::vector<Row*>* sent) const {
  std::vector<Row*> pending;
  for (const auto& r : d_->rows) {
    if (r->status == RowStatus::Unchanged || r->status == RowStatus::Gone) continue;
    if (r.get() == d_->editRow && state_ == State::Insert) continue;  // not posted yet
    pending.push_back(r.get());
  }
  std::stable_sort(pending.begin(), pending.end(),
                   [](const Row* a, const Row* b) { return a->logSeq < b->logSeq; });
  std::vector<std::string> names;
  for (int i = 0; i < d_->dataCount; ++i) names.push_back(ss(fields_[std::size_t(i)]->name_));

  protocol::Delta delta;
  for (Row* r : pending) {
    // A record being edited travels as it was last posted.
    const std::vector<QVariant>& posted =
        r == d_->editRow && state_ == State::Edit ? d_->editBackup : r->values;
    protocol::Change change;
    switch (r->status) {
      case RowStatus::Inserted:
        change.op = protocol::ChangeOp::Insert;
        for (std::size_t i = 0; i < names.size(); ++i)
          change.newValues[names[i]] = fromVariant(posted[i]);
        break;
      case RowStatus::Modified:
        change.op = protocol::ChangeOp::Update;
        for (std::size_t i = 0; i < names.size(); ++i) {
          change.oldValues[names[i]] = fromVariant(r->original[i]);
          if (!sameValue(posted[i], r->original[i]))
            change.newValues[names[i]] = fromVariant(posted[i]);
        }
        if (change.newValues.empty()) continue;
        break;
      default:
        change.op = protocol::ChangeOp::Delete;
        for (std::size_t i = 0; i < names.size(); ++i)
          change.oldValues[names[i]] = fromVariant(r->original[i]);
        break;
    }
    delta.rows.push_back(std::move(change));
    if (sent) sent->push_back(r);
  }
  return delta;
}

protocol::Delta Dataset::delta() const {
  return buildDelta(nullptr);
}

void Dataset::purgeGoneRows() {
  std::erase_if(d_->rows, [](const auto& r) { return r->status == RowStatus::Gone; });
}

namespace {
void accept(auto& r) {  // a row the server has written: what it holds is now the original
  if (r.status == RowStatus::Deleted) {
    r.status = RowStatus::Gone;
    return;
  }
  r.status = RowStatus::Unchanged;
  r.original.clear();
  r.logSeq = 0;
}
}  // namespace

void Dataset::mergeChangeLog() {
  if (!active()) return;
  Batch batch(*this);
  checkBrowseMode();
  for (auto& r : d_->rows) accept(*r);
  purgeGoneRows();
  touch();
}

void Dataset::cancelUpdates() {
  if (!active()) return;
  Batch batch(*this);
  cancel();
  const Row* keep = currentData();
  for (auto& r : d_->rows) {
    switch (r->status) {
      case RowStatus::Inserted:
        r->status = RowStatus::Gone;
        break;
      case RowStatus::Modified:
      case RowStatus::Deleted:
        r->values = std::move(r->original);
        r->original.clear();
        r->status = RowStatus::Unchanged;
        r->logSeq = 0;
        break;
      default:
        break;
    }
  }
  if (keep && keep->status == RowStatus::Gone) keep = nullptr;
  purgeGoneRows();
  touch();
  refreshAfterChange(keep);
}

int Dataset::applyUpdates(int maxErrors) {
  if (!active()) return 0;
  checkBrowseMode();
  std::vector<Row*> sent;
  const protocol::Delta delta = buildDelta(&sent);
  if (delta.empty()) return 0;
  const protocol::ApplyReply reply = conn_.apply(provider_, sql_, delta, maxErrors);

  std::vector<char> refused(sent.size(), 0);
  for (const protocol::RowError& e : reply.errors) {
    if (e.row < 0 || e.row >= static_cast<int>(sent.size()))
      throw DataError(
          QString("应用服务器的应答无法识别：出错的行号 %1 不在提交的修改中").arg(e.row));
    refused[static_cast<std::size_t>(e.row)] = 1;
  }
  // Nothing written and no reason given must not read as a successful save.
  if (!reply.committed && reply.errors.empty())
    throw DataError("应用服务器没有保存修改，也没有说明原因");

  if (reply.committed) {
    Batch batch(*this);
    for (std::size_t i = 0; i < sent.size(); ++i)
      if (!refused[i]) accept(*sent[i]);
    purgeGoneRows();
    touch();
  }
  for (const protocol::RowError& e : reply.errors) {
    const Row* r = sent[static_cast<std::size_t>(e.row)];
    RowError error;
    auto it = std::find(d_->visible.begin(), d_->visible.end(), r);
    error.row = it == d_->visible.end() ? -1 : static_cast<int>(it - d_->visible.begin());
    error.change = delta.rows[static_cast<std::size_t>(e.row)];
    error.message = qs(e.message);
    error.code = qs(e.code);
    if (onReconcileError) onReconcileError(error);
  }
  return static_cast<int>(reply.errors.size());
}

}  // namespace qk::client

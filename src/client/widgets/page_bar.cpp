#include "client/widgets/page_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <algorithm>

namespace qk::client {

PageBar::PageBar(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  chooser_ = new QComboBox(this);
  chooser_->setMinimumWidth(70);
  pageCount_ = new QLabel(this);
  recordLabel_ = new QLabel(this);
  row->addWidget(new QLabel("当前第", this));
  row->addWidget(chooser_);
  row->addWidget(new QLabel("页 ", this));
  row->addSpacing(12);
  row->addWidget(new QLabel("共", this));
  row->addWidget(pageCount_);
  row->addWidget(new QLabel("页", this));
  row->addSpacing(12);
  row->addWidget(recordLabel_);
  row->addStretch();
  // activated comes only from the user; filling or moving the chooser stays quiet.
  connect(chooser_, &QComboBox::activated, this, [this](int index) {
    if (index < 0) return;
    page_ = index + 1;
    emit pageChosen(page_);
  });
  hide();
}

void PageBar::setTotals(int pages, int records) {
  pages_ = std::max(0, pages);
  records_ = records;
  {
    const QSignalBlocker quiet(chooser_);
    chooser_->clear();
    for (int p = 1; p <= pages_; ++p) chooser_->addItem(QString::number(p));
  }
  page_ = 1;
  if (pages_ > 0) setPage(1);
  pageCount_->setText(QString::number(pages_));
  recordLabel_->setText("记录总数：" + QString::number(records_));
  show();
}

void PageBar::setPage(int page) {
  page_ = page;
  const QSignalBlocker quiet(chooser_);
  if (page >= 1 && page <= chooser_->count()) chooser_->setCurrentIndex(page - 1);
}

QString PageBar::pageText() const {
  return page_ > 0 ? QString::number(page_) : QString();
}

QString PageBar::pageCountText() const {
  return pageCount_->text();
}

QString PageBar::recordText() const {
  return recordLabel_->text();
}

}  // namespace qk::client

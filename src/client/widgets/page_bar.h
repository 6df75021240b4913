// PageBar: the paging panel under every paged list — "当前第 [n] 页  共 N 页  记录总数：M" —
// hidden until the first result. The chooser offers the pages 1 … N.
//
// It never asks for a page itself: pageChosen is raised only by the user's choice, never while
// the screen fills or moves the bar.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

namespace qk::client {

class PageBar : public QWidget {
  Q_OBJECT
 public:
  explicit PageBar(QWidget* parent = nullptr);

  // A new result: pages 1 … pages offered, page 1 shown, the bar visible.
  void setTotals(int pages, int records);
  // Shows page n as the current one (after the screen fetched it).
  void setPage(int page);

  int page() const { return page_; }
  int pages() const { return pages_; }
  int records() const { return records_; }
  QString pageText() const;       // "3"
  QString pageCountText() const;  // "5"
  QString recordText() const;     // "记录总数：42"
  QComboBox* chooser() const { return chooser_; }

 signals:
  void pageChosen(int page);

 private:
  QComboBox* chooser_;
  QLabel* pageCount_;
  QLabel* recordLabel_;
  int page_ = 0, pages_ = 0, records_ = 0;
};

}  // namespace qk::client

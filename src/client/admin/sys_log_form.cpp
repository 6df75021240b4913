#include "client/admin/sys_log_form.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "client/admin/titled_columns.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/widgets/data_grid.h"
#include "client/widgets/error_handler.h"
#include "client/widgets/window_size.h"

namespace qk::client {

Tsys_logForm::Tsys_logForm(QWidget* parent)
    : QDialog(parent),
      mCDS(std::make_unique<Dataset>(dm().connection(), "selectDSP")),
      dCDS(std::make_unique<Dataset>(dm().connection(), "selectDetailDSP")) {
  setWindowTitle("系统日志");
  dt = new QDateEdit(QDate::currentDate(), this);
  dt->setCalendarPopup(true);
  dt->setDisplayFormat("yyyy-MM-dd");
  auto* query = new QPushButton("查询", this);
  auto* close = new QPushButton("关闭", this);
  connect(query, &QPushButton::clicked, this, guardedSlot([this] { qryExecute(); }));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("日期", this));
  top->addWidget(dt);
  top->addWidget(query);
  top->addWidget(close);
  top->addStretch(1);

  loginGrid = new DataGrid(this);
  std::vector<GridColumn> logins = titledColumns({{"computerName", "计算机名称", 120},
                                                  {"userName", "用户名", 90},
                                                  {"loginTime", "登陆时间", 140},
                                                  {"logoutTime", "退出时间", 140}});
  logins[0].footer = FooterKind::Count;
  loginGrid->setColumns(std::move(logins));
  loginGrid->setReadOnly(true);
  loginGrid->setTitleSort(true);
  loginGrid->setFooterVisible(true);
  detailGrid = new DataGrid(this);
  detailGrid->setColumns(titledColumns({{"sysdate", "日期", 140}, {"detail", "操作明细", 180}}));
  detailGrid->setReadOnly(true);

  auto* split = new QSplitter(this);
  split->addWidget(loginGrid);
  split->addWidget(detailGrid);
  split->setSizes({520, 360});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(top);
  layout->addWidget(split, 1);
  fitToScreen(*this, QSize(900, 560));

  connect(mCDS.get(), &Dataset::currentChanged, this, guardedSlot([this] { loginRowClicked(); }));
}

Tsys_logForm::~Tsys_logForm() = default;

void Tsys_logForm::qryExecute() {
  // The day as a range of the stored text, so the index on sysdate serves it.
  const QDate day = dt->date();
  mCDS->setCommandText("select * from sys_log where sysdate >= :p1 and sysdate < :p2");
  mCDS->params().byName("p1").value = QDateTime(day, QTime(0, 0));
  mCDS->params().byName("p2").value = QDateTime(day.addDays(1), QTime(0, 0));
  mCDS->open();
  if (loginGrid->dataset() != mCDS.get()) {
    loginGrid->setDataset(mCDS.get());
    loginGrid->applyStyle();
  } else {
    loginGrid->refresh();
  }
  loginRowClicked();
}

void Tsys_logForm::loginRowClicked() {
  if (!mCDS->active()) return;
  dCDS->setCommandText("select * from sys_log_det where mId = :p1");
  dCDS->params().byName("p1").value =
      mCDS->isEmpty() ? QVariant(qint64(-1)) : QVariant(mCDS->fieldByName("sysid").asInteger());
  dCDS->open();
  if (detailGrid->dataset() != dCDS.get()) {
    detailGrid->setDataset(dCDS.get());
    detailGrid->applyStyle();
  } else {
    detailGrid->refresh();
  }
}

}  // namespace qk::client

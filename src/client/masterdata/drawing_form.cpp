#include "client/masterdata/drawing_form.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLayout>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QToolBar>
#include <algorithm>
#include <memory>

#include "client/data/data_error.h"
#include "client/data/data_module.h"
#include "client/data/dataset.h"
#include "client/data/prompter.h"
#include "client/masterdata/products_form.h"
#include "client/query/sys_qry_form.h"
#include "client/widgets/desktop.h"
#include "client/widgets/screen_registry.h"
#include "client/widgets/tool_action.h"
#include "client/widgets/unsaved_work.h"
#include "protocol/wire.h"

namespace qk::client {

namespace {

constexpr int kDefaultLimitMB = 50;
// A blob travels as base64 text, which a request or reply may hold up to kMaxJsonString of.
constexpr qint64 kWireLimitBytes = static_cast<qint64>(protocol::kMaxJsonString) / 4 * 3;
static_assert(qint64{kDefaultLimitMB} * 1024 * 1024 <= kWireLimitBytes);

constexpr const char* kDrawingColumns = "drwNo, productNo, drwIdNo, remark, ext";

// Letters, digits, '-' and '_' of a drawing number: part of the viewing file's name.
QString safeNamePart(const QString& drwNo) {
  QString out;
  for (QChar c : drwNo.left(40))
    out += (c.unicode() < 128 && (c.isLetterOrNumber() || c == '-' || c == '_')) ? c : QChar('_');
  return out.isEmpty() ? QString("drawing") : out;
}

// Viewed drawings live for the run of the program in a folder of their own: the program that
// shows one may still be reading it after the screen has closed.
QTemporaryDir& viewingDir() {
  static QTemporaryDir dir;
  if (!dir.isValid()) throw DataError(QString("无法建立临时文件夹：%1").arg(dir.errorString()));
  return dir;
}

// Product descriptions by product number, read once per product and forgotten on every reopen:
// the grid asks for them whenever it paints.
using Descriptions = QHash<QString, QString>;

QString description(Dataset& drawings, Descriptions& known, const QString& productNo) {
  if (productNo.isEmpty()) return {};
  if (auto it = known.constFind(productNo); it != known.cend()) return *it;
  try {
    Dataset q(drawings.connection(), "pubDSP");
    q.setCommandText("select des,productUnit from view_bas_prd_des where productNo = :p1");
    q.params().byName("p1").value = productNo;
    q.open();
    const QString des = q.isEmpty() ? QString() : q.valueAt(0, "des").toString();
    known.insert(productNo, des);
    return des;
  } catch (const std::exception&) {
    // Painting cannot report a failure; the description is shown only and is asked again.
    return {};
  }
}

std::shared_ptr<Descriptions>& descriptions() {
  static std::shared_ptr<Descriptions> known = std::make_shared<Descriptions>();
  return known;
}

std::vector<GridColumn> drawingColumns() {
  std::vector<GridColumn> cols = gridColumns({"drwNo", "productNo", "des", "drwIdNo", "remark"});
  const char* titles[] = {"图号", "产品编号", "产品描述", "图纸类别", "备注"};
  const int widths[] = {160, 110, 280, 100, 160};
  for (std::size_t i = 0; i < cols.size(); ++i) {
    cols[i].title = titles[i];
    cols[i].width = widths[i];
  }
  cols[0].button = CellButton::Ellipsis;  // attach a file
  cols[1].button = CellButton::Ellipsis;  // choose the product
  cols[2].readOnly = true;
  cols[3].lookupSource = &dm().dIdCDS;
  cols[3].lookupKey = "drwIdNo";
  cols[3].lookupDisplay = "drwIdName";
  return cols;
}

}  // namespace

QString safeExtension(const QString& extension) {
  QString out;
  for (QChar c : extension)
    if (c.unicode() < 128 && c.isLetterOrNumber()) out += c;
  out.truncate(9);  // the stored extension holds ten characters with its dot
  return out.isEmpty() ? QString() : "." + out;
}

ListConfig drawingList() {
  return {
      .caption = "产品图纸",
      .dataset = &dm().drawingCDS,
      .columns = drawingColumns(),
      .prepare =
          [](Dataset& ds) {
            descriptions()->clear();
            Dataset& ids = dm().dIdCDS;
            if (!ds.findField("des")) {
              ds.close();  // computed fields are declared on a closed dataset
              ds.addCalculatedField(
                  "des", protocol::FieldType::String,
                  [&ds, known = descriptions()](const Record& r) {
                    return QVariant(description(ds, *known, r.value("productNo").toString()));
                  });
              ds.addLookupField("drwIdName", "drwIdNo", ids, "drwIdNo", "drwIdName");
              ds.onNewRecord = [](Dataset& d) {
                d.fieldByName("productNo").setValue(dm().curProductNo);
              };
            }
            if (!ids.active()) ids.open();
          },
  };
}

ListConfig drawingTypeList() {
  return {
      .caption = "图纸类别设置",
      .dataset = &dm().dIdCDS,
      .layoutKey = "bas_dId",
      .columns = gridColumns({"drwIdNo", "drwIdName", "remark"}),
  };
}

Tbas_drawingForm::Tbas_drawingForm(QWidget* parent) : TlistForm(drawingList(), parent) {
  auto* bar = qobject_cast<QToolBar*>(layout()->menuBar());
  addToolActions(
      *bar,
      {{"查看图纸", 'U', "detail", "用关联的程序打开图纸", [this] { viewActionExecute(); },
        &viewAction},
       {"查找", 'S', "find", "选择物料，显示其图纸", [this] { findActionExecute(); }, &findAction}},
      closeAction);
  connect(grid(), &DataGrid::buttonClicked, this, [this](const QString& field, int) {
    if (field.compare("drwNo", Qt::CaseInsensitive) == 0) attachFile();
    if (field.compare("productNo", Qt::CaseInsensitive) == 0) chooseProduct();
  });
}

void Tbas_drawingForm::openForProduct(const QString& productNo) {
  Dataset& ds = dataset();
  ds.checkBrowseMode();
  descriptions()->clear();
  ds.close();
  ds.setCommandText(QString("select %1 from bas_drawing where productNo = :p order by drwNo")
                        .arg(kDrawingColumns));
  ds.params().byName("p").value = productNo;
  ds.open();
  dm().curProductNo = productNo;
}

void Tbas_drawingForm::findActionExecute() {
  const std::vector<QVariantMap> rows = Tsys_qryForm::pick(this, "物料查询", "bas_products");
  if (rows.empty()) return;
  openForProduct(rows.front().value("productNo").toString());
}

void Tbas_drawingForm::chooseProduct() {
  Dataset& ds = dataset();
  if (!ds.active() || ds.isEmpty()) return;
  const std::vector<QVariantMap> rows = Tsys_qryForm::pick(this, "物料查询", "bas_products");
  if (rows.empty()) return;
  const QString productNo = rows.front().value("productNo").toString();
  descriptions()->insert(productNo, rows.front().value("des").toString());
  if (!isEditing(ds)) ds.edit();
  ds.fieldByName("productNo").setValue(productNo);
  dm().curProductNo = productNo;
}

qint64 Tbas_drawingForm::maxDrawingBytes() {
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select idValue from sys_config where idName = :p1");
  pub.params().byName("p1").value = QString(kDrawingLimitSetting);
  pub.open();
  bool ok = false;
  const qint64 mb =
      pub.isEmpty() ? 0 : pub.valueAt(0, "idValue").toString().trimmed().toLongLong(&ok);
  pub.close();
  const qint64 configured = (ok && mb > 0 ? mb : kDefaultLimitMB) * 1024 * 1024;
  return std::min(configured, kWireLimitBytes);
}

void Tbas_drawingForm::attachFile() {
  grid()->commitEdit();
  Dataset& ds = dataset();
  if (!ds.active() || ds.isEmpty()) {
    prompter().message(kChooseRow, Prompter::Icon::Information);
    return;
  }
  const QString file = desktop().openFileName(this, "选择图纸文件", {}, "所有文件 (*)");
  if (file.isEmpty()) return;
  const QFileInfo info(file);
  const qint64 limit = maxDrawingBytes();
  // Refused here, before the row or the file goes anywhere.
  if (info.size() > limit) {
    prompter().message(QString("图纸文件太大（%1 MB），不能超过 %2 MB!")
                           .arg(static_cast<double>(info.size()) / (1024 * 1024), 0, 'f', 1)
                           .arg(limit / (1024 * 1024)),
                       Prompter::Icon::Warning);
    return;
  }
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly))
    throw DataError(QString("无法读取文件 %1：%2").arg(file, in.errorString()));
  const QByteArray content = in.readAll();

  // The row first, so that the file has a row to go into.
  if (!isEditing(ds)) ds.edit();
  ds.post();
  if (ds.changeCount() > 0) return;  // refused; the server's reason has been shown

  const QString drwNo = ds.fieldByName("drwNo").asString();
  const QString ext = safeExtension(info.suffix());
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("update bas_drawing set drwPic = :p1, ext = :p2 where drwNo = :c1");
  pub.params().byName("p1").value = content;
  pub.params().byName("p2").value = ext;
  pub.params().byName("c1").value = drwNo;
  pub.execute();
  if (pub.rowsAffected() == 0) {
    prompter().message(kDrawingGone, Prompter::Icon::Warning);
    return;
  }
  ds.edit();
  ds.fieldByName("ext").setValue(ext);
  ds.post();
}

void Tbas_drawingForm::viewActionExecute() {
  Dataset& ds = dataset();
  if (!ds.active() || ds.isEmpty()) {
    prompter().message(kChooseRow, Prompter::Icon::Information);
    return;
  }
  const QString drwNo = ds.fieldByName("drwNo").asString();
  Dataset& pub = dm().pubCDS;
  pub.setCommandText("select drwPic, ext from bas_drawing where drwNo = :p1");
  pub.params().byName("p1").value = drwNo;
  pub.open();
  const QByteArray content = pub.isEmpty() ? QByteArray() : pub.valueAt(0, "drwPic").toByteArray();
  const QString ext = pub.isEmpty() ? QString() : pub.valueAt(0, "ext").toString();
  pub.close();
  if (content.isEmpty()) {
    prompter().message(kNoDrawingContent, Prompter::Icon::Information);
    return;
  }
  // A file of its own for every viewing: two drawings of one extension never share one.
  QTemporaryFile out(viewingDir().filePath(safeNamePart(drwNo) + "-XXXXXX" + safeExtension(ext)));
  out.setAutoRemove(false);
  if (!out.open() || out.write(content) != content.size() || !out.flush())
    throw DataError(QString("无法写入图纸文件：%1").arg(out.errorString()));
  const QString path = out.fileName();
  out.close();
  if (!desktop().openFile(path)) throw DataError(QString("没有能打开图纸文件 %1 的程序").arg(path));
}

void registerDrawingScreens() {
  registerForm<Tbas_drawingForm>("drawingAction");
  registerForm<TdIdForm>("drawingIdAction");
  registerProductScreen("drawingAction", [](QWidget* parent, const QString& productNo) {
    Tbas_drawingForm form(parent);
    form.openForProduct(productNo);
    desktop().exec(form);
  });
}

}  // namespace qk::client

#include "client/data/data_module.h"

#include <QRegularExpression>

#include "client/data/data_error.h"
#include "client/data/prompter.h"

namespace qk::client {

namespace {
DataModule* current = nullptr;
Prompter* currentPrompter = nullptr;
}  // namespace

DataModule& dm() {
  if (!current) throw DataError("数据模块尚未创建");
  return *current;
}
void setDm(DataModule* module) {
  current = module;
}

Prompter& prompter() {
  if (!currentPrompter) throw DataError("没有可用的消息对话框");
  return *currentPrompter;
}
void setPrompter(Prompter* p) {
  currentPrompter = p;
}

QString sqlIdentifier(const QString& name) {
  static const QRegularExpression plain("^[A-Za-z_][A-Za-z0-9_]*$");
  if (!plain.match(name).hasMatch()) throw DataError(QString("无效的表名或字段名：%1").arg(name));
  return name;
}

DataModule::DataModule(Connection& connection, QObject* parent)
    : QObject(parent),
      pubCDS(connection, "pubDSP"),
      tmpCDS(connection, "tmpDSP"),
      custCDS(connection, "custDSP"),
      supCDS(connection, "supDSP"),
      depCDS(connection, "depDSP"),
      staffCDS(connection, "staffDSP"),
      deviceCDS(connection, "deviceDSP"),
      processCDS(connection, "processDSP"),
      whCDS(connection, "whDSP"),
      docCDS(connection, "docDSP"),
      dIdCDS(connection, "dIdDSP"),
      drawingCDS(connection, "drawingDSP"),
      quoteCDS(connection, "quoteDSP"),
      productsCDS(connection, "productsDSP"),
      pIdCDS(connection, "gTypeDSP"),
      supListCDS(connection, "selectDSP"),
      stockCDS(connection, "selectDSP"),
      taskIdCDS(connection, "taskIdSP"),
      devLookupCDS(connection, "devLUDSP"),
      userCDS(connection, "userDSP"),
      rightsCDS(connection, "rightsDSP"),
      actionCDS(connection, "actionDSP"),
      reportsCDS(connection, "reportsDSP"),
      configCDS(connection, "configDSP"),
      conn_(connection) {
  rightsCDS.addLookupField("actionName", "actionNo", actionCDS, "actionNo", "actionName");
}

DataModule::~DataModule() {
  if (current == this) current = nullptr;
}

QString DataModule::findKeyNoByGsNo(const QString& table, const QString& gsNo) {
  pubCDS.setCommandText("select keyNo from " + sqlIdentifier(table) + " where   gsNo = :gsNo");
  pubCDS.params().byName("gsNo").value = gsNo;
  pubCDS.open();
  if (pubCDS.isEmpty()) return {};
  pubCDS.first();
  return pubCDS.fieldByName("keyNo").asString();
}

QString DataModule::login(const QString& account, const QString& user, const QString& password) {
  return conn_.login(account, user, password);
}

ServerReply DataModule::updateBasData(const Dataset& ds, const QString& table, const QString& key1,
                                      const QString& key2) {
  return conn_.updateBasData(ds.delta(), table, key1, key2);
}

ServerReply DataModule::updateData(const Dataset& a, const QString& tableA, const QString& keyA1,
                                   const QString& keyA2, const Dataset& b, const QString& tableB,
                                   const QString& keyB1, const QString& keyB2) {
  return conn_.updateData(a.delta(), tableA, keyA1, keyA2, b.delta(), tableB, keyB1, keyB2);
}

}  // namespace qk::client

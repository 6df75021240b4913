// Report templates as they come out of sys_report: bytes anybody with the designer's right may
// have stored. Any bytes are either refused with a DataError naming the place, or read into a
// template that writes back to XML which reads as the same template.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include <QByteArray>
#include <QGuiApplication>

#include "client/data/data_error.h"
#include "client/report/report_template.h"
#include "fuzz_check.h"

namespace {

using qk::client::DataError;
using qk::client::ReportTemplate;
using qk::fuzz::fail;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Colours and fonts want a GUI application; no display is needed for them.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static std::unique_ptr<QGuiApplication> app(new QGuiApplication(*argc, *argv));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray xml =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  ReportTemplate read;
  try {
    read = ReportTemplate::fromXml(xml);
  } catch (const DataError&) {
    return 0;  // refused with a text naming the line and column
  } catch (const std::exception& e) {
    fail("the template reader threw something other than DataError", e.what());
  }
  const QByteArray written = read.toXml();
  try {
    if (!(ReportTemplate::fromXml(written) == read))
      fail("a template changed when written and read again", written.toStdString());
  } catch (const DataError& e) {
    fail("the template writer wrote what the reader refuses",
         written.toStdString() + "\n" + e.what());
  }
  return 0;
}

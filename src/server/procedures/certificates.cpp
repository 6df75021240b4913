// exec sp_mc_pad 'keyNo'     pads a certificate's lines to whole pages of six and groups them
// exec sp_mc_clean 'keyNo'   removes the certificate's filler lines again
// A printed certificate has six lines a page: filler lines (without item number) complete the
// last page and mainId names each page's group. Both touch only the named certificate's lines,
// each in one transaction, so a failure leaves the lines as they were.
#include "server/procedures/registry.h"

namespace qk::server {

namespace {

constexpr int kCertificateLinesPerPage = 6;
constexpr const char* kDeleteCertificateFillers =
    "DELETE FROM check_mat_d WHERE keyNo = :k AND (sch IS NULL OR trim(sch) = '')";

std::int64_t certificateCount(const protocol::Value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(*d);
  return 0;
}

std::optional<protocol::RecordSet> padCertificate(ProcedureCall& call) {
  const std::string keyNo = call.text(0);
  std::optional<db::Transaction> tx;
  if (!call.db.inTransaction()) tx.emplace(call.db);
  // Fillers a failed earlier print left behind would otherwise be counted as lines.
  call.db.execute(kDeleteCertificateFillers, {{"k", keyNo}});
  const auto counts = call.db.query(
      "SELECT count(*), coalesce(max(rowNo), 0) FROM check_mat_d WHERE keyNo = :k", {{"k", keyNo}});
  const std::int64_t lines = certificateCount(counts.rows.at(0).at(0));
  const std::int64_t highest = certificateCount(counts.rows.at(0).at(1));
  const std::int64_t rest = lines % kCertificateLinesPerPage;
  if (rest != 0) {
    for (std::int64_t i = 0; i < kCertificateLinesPerPage - rest; ++i)
      call.db.execute("INSERT INTO check_mat_d (sch, keyNo, rowNo) VALUES ('', :k, :r)",
                      {{"k", keyNo}, {"r", highest + i + 1}});
  }
  // The groups follow the printed order, so each page's six lines share the sixth one's sysid.
  const auto ids = call.db.query(
      "SELECT sysid FROM check_mat_d WHERE keyNo = :k ORDER BY rowNo, sysid", {{"k", keyNo}});
  for (std::size_t first = 0; first + kCertificateLinesPerPage <= ids.rows.size();
       first += kCertificateLinesPerPage) {
    const protocol::Value last = ids.rows[first + kCertificateLinesPerPage - 1].at(0);
    for (std::size_t i = first; i < first + kCertificateLinesPerPage; ++i)
      call.db.execute("UPDATE check_mat_d SET mainId = :m WHERE sysid = :s",
                      {{"m", last}, {"s", ids.rows[i].at(0)}});
  }
  if (tx) tx->commit();
  return std::nullopt;
}

std::optional<protocol::RecordSet> cleanCertificate(ProcedureCall& call) {
  std::optional<db::Transaction> tx;
  if (!call.db.inTransaction()) tx.emplace(call.db);
  call.db.execute(kDeleteCertificateFillers, {{"k", call.text(0)}});
  if (tx) tx->commit();
  return std::nullopt;
}

}  // namespace

void registerCertificateProcedures() {
  registerProcedure("sp_mc_pad", padCertificate);
  registerProcedure("sp_mc_clean", cleanCertificate);
}

}  // namespace qk::server

#include "listfile/scrittura_esterna.h"

namespace custodex {

namespace {

// KeePassXC's own columns: KeePassXC and Bitwarden read them as they stand.
const char testata[] =
    "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
    "\"Last Modified\",\"Created\"\n";

// Every value quoted, quotes doubled, line breaks as they are. Nothing is prefixed to a value
// that a spreadsheet would take for a formula: a changed password is worse than a warning.
void campo(ScritturaEsterna& s, QStringView valore) {
  s.ascii("\"");
  for (qsizetype da = 0;;) {
    const qsizetype virgolette = valore.indexOf(u'"', da);
    s.utf8(valore.sliced(da, (virgolette < 0 ? valore.size() : virgolette) - da));
    if (virgolette < 0) break;
    s.ascii("\"\"");
    da = virgolette + 1;
  }
  s.ascii("\"");
}

}  // namespace

QByteArray esporta_csv(const std::vector<VoceEsterna>& voci) {
  qsizetype massimo = sizeof testata + 64;
  for (const VoceEsterna& v : voci) {
    richiediUtf8(v);
    // Three bytes for each character at most, a doubled quote being two; and the fixed columns.
    massimo += 3 * (v.nome.vista().size() + v.username.vista().size() + v.password.vista().size() +
                    v.descrizione.vista().size()) +
               64;
  }
  ScritturaEsterna s(massimo);
  s.ascii(testata);
  for (const VoceEsterna& v : voci) {
    // The root group alone: an import drops the root's name.
    s.ascii("\"Custodex\",");
    campo(s, v.nome.vista());
    s.ascii(",");
    campo(s, v.username.vista());
    s.ascii(",");
    campo(s, v.password.vista());
    s.ascii(",\"\",");
    campo(s, v.descrizione.vista());
    s.ascii(",\"\",\"0\",\"\",\"\"\n");
  }
  return s.fine();
}

}  // namespace custodex

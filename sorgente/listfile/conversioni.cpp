#include "listfile/salva_carica.h"

#include "comune/errore.h"
#include "listfile/conversioni.h"

namespace custodex {

void nonConvertibile() {
  throw Errore(Errore::TipoNonCorrispondente, QStringLiteral("Tipo non corrispondente"));
}

namespace {

QStringView senzaSpazi(QStringView v) {
  while (!v.isEmpty() && v.front() == u' ') v = v.sliced(1);
  while (!v.isEmpty() && v.back() == u' ') v.chop(1);
  return v;
}

}  // namespace

bool valore_booleano(QStringView v) {
  // As written, first: every node has two.
  if (v == u"False") return false;
  if (v == u"True") return true;
  if (v.compare(u"True", Qt::CaseInsensitive) == 0) return true;
  if (v.compare(u"False", Qt::CaseInsensitive) == 0) return false;
  v = senzaSpazi(v);
  if (!v.isEmpty() && (v.front() == u'+' || v.front() == u'-')) v = v.sliced(1);
  bool cifre = false, diverso = false, punto = false;
  for (const QChar c : v) {
    if (c == u'.' && !punto) {
      punto = true;
    } else if (c >= u'0' && c <= u'9') {
      cifre = true;
      diverso = diverso || c != u'0';
    } else {
      nonConvertibile();
    }
  }
  if (!cifre) nonConvertibile();
  return diverso;
}

Immagine valore_immagine(QStringView v) {
  if (v.isEmpty()) return std::nullopt;
  v = senzaSpazi(v);
  bool negativo = false;
  if (!v.isEmpty() && (v.front() == u'+' || v.front() == u'-')) {
    negativo = v.front() == u'-';
    v = v.sliced(1);
  }
  if (v.isEmpty()) nonConvertibile();
  int valore = 0;
  for (const QChar c : v) {
    if (c < u'0' || c > u'9') nonConvertibile();
    valore = valore * 10 + (c.unicode() - u'0');
    if (valore > 32768) nonConvertibile();
  }
  if (negativo) valore = -valore;
  if (valore > 32767) nonConvertibile();
  return static_cast<qint16>(valore);
}

}  // namespace custodex

#include "comune/errore.h"
#include "listfile/formati_esterni.h"

namespace custodex {

namespace {

bool fineRiga(QChar c) {
  return c == u'\n' || c == u'\r';
}

}  // namespace

std::vector<RecordCsv> leggi_csv(QStringView testo, std::vector<qint64>* righe) {
  std::vector<RecordCsv> record;
  const qsizetype n = testo.size();
  qsizetype i = 0;
  qint64 riga = 1;
  // A line break closes a record; CR LF is one break, and so is a CR or an LF alone.
  const auto saltaFineRiga = [&] {
    if (testo[i] == u'\r' && i + 1 < n && testo[i + 1] == u'\n') ++i;
    ++i;
    ++riga;
  };
  while (i < n) {
    // An empty line holds no record, not a record of one empty field.
    if (fineRiga(testo[i])) {
      saltaFineRiga();
      continue;
    }
    const qint64 inizioRecord = riga;
    RecordCsv campi;
    for (;;) {
      if (i < n && testo[i] == u'"') {
        // Quoted: runs to the quote not doubled. No comment character and no escape besides the
        // doubled quote: a '#' or a backslash is part of the value.
        const qsizetype inizio = ++i;
        qsizetype doppie = 0;
        for (;; ++i) {
          if (i >= n)
            throw Errore(Errore::ErroreLettura,
                         QStringLiteral("Virgolette mai chiuse nel record che inizia alla riga %1")
                             .arg(inizioRecord));
          if (testo[i] == u'\n') ++riga;
          if (testo[i] != u'"') continue;
          if (i + 1 < n && testo[i + 1] == u'"') {
            ++doppie;
            ++i;
            continue;
          }
          break;
        }
        const qsizetype fine = i++;
        // Whatever stands between the closing quote and the comma is kept, not dropped.
        qsizetype coda = i;
        while (coda < n && testo[coda] != u',' && !fineRiga(testo[coda])) ++coda;
        QString valore;
        valore.reserve(fine - inizio - doppie + (coda - i));
        for (qsizetype k = inizio; k < fine; ++k) {
          valore.append(testo[k]);
          if (testo[k] == u'"') ++k;
        }
        valore.append(testo.sliced(i, coda - i));
        i = coda;
        campi.emplace_back(std::move(valore));
      } else {
        const qsizetype inizio = i;
        while (i < n && testo[i] != u',' && !fineRiga(testo[i])) ++i;
        campi.emplace_back(testo.sliced(inizio, i - inizio));
      }
      if (i < n && testo[i] == u',') {
        ++i;
        continue;
      }
      if (i < n) saltaFineRiga();
      break;
    }
    record.push_back(std::move(campi));
    if (righe) righe->push_back(inizioRecord);
  }
  return record;
}

}  // namespace custodex

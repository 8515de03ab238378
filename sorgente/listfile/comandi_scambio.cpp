#include "listfile/comandi_scambio.h"

#include <QDir>
#include <new>
#include <optional>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "comune/testi.h"
#include "listfile/file_lista.h"
#include "listfile/formati_esterni.h"

namespace custodex {

QString testi_scambio::resoconto(const QString& formato, qint64 importate, qint64 storia,
                                 qint64 cestino, qint64 malformate, qint64 primaMalformata,
                                 bool windows1252) {
  QString testo =
      importate == 0
          ? QStringLiteral("Nessuna voce importata: il file (%1) non contiene voci da importare.")
                .arg(formato)
          : QStringLiteral("Importate %1 voci dal file (%2).").arg(importate).arg(formato);
  QStringList saltate;
  if (storia > 0)
    saltate << QStringLiteral("%1 versioni precedenti di voci (la cronologia)").arg(storia);
  if (cestino > 0) saltate << QStringLiteral("%1 voci nel cestino").arg(cestino);
  if (malformate > 0)
    saltate << QStringLiteral(
                   "%1 righe con un numero di campi diverso dall'intestazione (la "
                   "prima alla riga %2)")
                   .arg(malformate)
                   .arg(primaMalformata);
  if (!saltate.isEmpty())
    testo += QStringLiteral("\n\nNon importate:\n  - ") + saltate.join(QStringLiteral("\n  - "));
  if (windows1252)
    testo += QStringLiteral(
        "\n\nIl file non era in UTF-8 valido: è stato letto come "
        "Windows-1252. Controlla le lettere accentate.");
  return testo;
}

QString testi_scambio::esportate(qint64 voci, const QString& file) {
  return QStringLiteral(
             "Esportate %1 voci nel file %2\n\nIl file NON è criptato: cancellalo "
             "appena non serve più.")
      .arg(voci)
      .arg(QDir::toNativeSeparators(file));
}

QString testi_scambio::nonImportato(const QString& file, const QString& motivo) {
  return QStringLiteral("Errore! Nessuna voce importata dal file %1\n\nMotivo: %2")
      .arg(QDir::toNativeSeparators(file), motivo);
}

QString testi_scambio::nonEsportato(const QString& file, const QString& motivo) {
  return QStringLiteral("Errore! La lista non è stata esportata nel file %1\n\nMotivo: %2")
      .arg(QDir::toNativeSeparators(file), motivo);
}

// The import from the exchange dialog's confirmed file on.
static void importa_scelto(Scheda& scheda, Ambiente& ambiente) {
  // Taken now: the yield below may run other handlers.
  const QString file = ambiente.dialog_scambio.FileName();
  std::optional<QString> motivo;
  QString rapporto;
  bool nessuna = true;
  const int nodiPrima = scheda.elenco.Count();
  const qint64 vociPrima = scheda.nnodi.valore();
  try {
    ambiente.modulo.impostaStato(testi::statoCaricamento);
    ambiente.eventi.lasciaScorrere();
    QByteArray byte = leggi_file_esterno(file, massimoFileImportato);
    Raccolta raccolta;
    try {
      raccolta = leggi_importazione(byte);
    } catch (...) {
      azzera(byte);
      throw;
    }
    azzera(byte);
    aggiungi_voci(scheda.elenco, raccolta.voci);
    // The entries added make the list differ from its file (the tree counts its changes).
    nessuna = raccolta.voci.empty();
    rapporto = testi_scambio::resoconto(raccolta.formato, static_cast<qint64>(raccolta.voci.size()),
                                        raccolta.storia, raccolta.cestino, raccolta.malformate,
                                        raccolta.primaMalformata, raccolta.windows1252);
  } catch (const Errore& errore) {
    motivo = errore.descrizione();
  } catch (const std::bad_alloc&) {
    motivo = QStringLiteral("Memoria esaurita");
  }
  // Whatever entries made it into the tree are counted, whole or not.
  scheda.nnodi.imposta(vociPrima + (scheda.elenco.Count() - nodiPrima + 3) / 4);
  ambiente.modulo.impostaStato(testi::statoCompletato);
  if (motivo)
    ambiente.messaggi.avviso(testi_scambio::nonImportato(file, *motivo), Messaggi::Icona::Critica);
  else
    ambiente.messaggi.avviso(rapporto,
                             nessuna ? Messaggi::Icona::Critica : Messaggi::Icona::Nessuna);
}

void menu_importa(Scheda& scheda, Ambiente& ambiente) {
  if (!ambiente.dialog_scambio.mostraApri(testi_scambio::filtroImporta)) return;
  importa_scelto(scheda, ambiente);
}

void importa_file(Scheda& scheda, Ambiente& ambiente, const QString& file) {
  ambiente.dialog_scambio.impostaFileName(file);
  importa_scelto(scheda, ambiente);
}

void menu_esporta(Scheda& scheda, Ambiente& ambiente) {
  if (!ambiente.messaggi.confermaCauta(testi_scambio::avvisoEsporta)) return;
  if (!ambiente.dialog_scambio.mostraSalva(testi_scambio::filtroEsporta)) return;
  const QString file = ambiente.dialog_scambio.FileName();
  std::optional<QString> motivo;
  qint64 voci = 0;
  try {
    ambiente.modulo.impostaStato(testi::statoSalvataggio);
    ambiente.eventi.lasciaScorrere();
    const std::vector<VoceEsterna> daScrivere = voci_dall_elenco(scheda.elenco);
    voci = static_cast<qint64>(daScrivere.size());
    QByteArray byte = file.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive)
                          ? esporta_xml(daScrivere)
                          : esporta_csv(daScrivere);
    try {
      scrivi_file_esportato(file, byte);
    } catch (...) {
      azzera(byte);
      throw;
    }
    azzera(byte);
  } catch (const Errore& errore) {
    motivo = errore.descrizione();
  } catch (const std::bad_alloc&) {
    motivo = QStringLiteral("Memoria esaurita");
  }
  ambiente.modulo.impostaStato(testi::statoCompletato);
  if (motivo)
    ambiente.messaggi.avviso(testi_scambio::nonEsportato(file, *motivo), Messaggi::Icona::Critica);
  else
    ambiente.messaggi.avviso(testi_scambio::esportate(voci, file), Messaggi::Icona::Nessuna);
}

}  // namespace custodex

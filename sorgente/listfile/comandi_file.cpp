#include "listfile/comandi_file.h"

#include <QDir>
#include <new>
#include <optional>

#include "comune/errore.h"
#include "comune/testi.h"
#include "comune/testo_segreto.h"
#include "list/comandi_voce.h"
#include "listfile/chiave_digitata.h"
#include "listfile/chiave_nuova.h"
#include "listfile/file_lista.h"
#include "listfile/salva_carica.h"

namespace custodex {

QString testi_file::nonSalvata(const QString& file, const QString& motivo) {
  return QStringLiteral("Errore! La lista non è stata salvata nel file %1\n\nMotivo: %2")
      .arg(QDir::toNativeSeparators(file), motivo);
}

qint64 voci_da_nodi(qint64 nodi) {
  qint64 voci = nodi / 4;
  const qint64 resto = nodi % 4;
  if (resto > 2 || (resto == 2 && voci % 2 != 0)) ++voci;
  return voci;
}

void menu_salva(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  QString file;
  bool avviato = false;
  std::optional<QString> motivo;  // why the save failed
  try {
    if (!stato.file_noto && !ambiente.dialog.mostraSalva(testi_file::filtro)) return;
    // Taken now: the yield below may run other handlers.
    file = ambiente.dialog.FileName();
    avviato = true;
    const TestoSegreto testo(salva_albero(scheda.elenco));
    const ChiaveDigitata chiave = chiedi_chiave_nuova(ambiente);
    if (chiave.annullata()) return;
    ambiente.modulo.impostaStato(testi::statoSalvataggio);
    ambiente.eventi.lasciaScorrere();
    const QString cifrato = ambiente.cripta_decripta.cripta(testo.testo(), chiave.testo());
    scrivi_file_lista(file, cifrato);
    stato.file_noto = true;
    ambiente.modulo.impostaStato(testi::statoCompletato);
  } catch (const Errore& errore) {
    motivo = errore.descrizione();
  } catch (const std::bad_alloc&) {
    motivo = QStringLiteral("Memoria esaurita");
  }
  // The user must not leave believing the list is safe.
  if (avviato && motivo)
    ambiente.messaggi.avviso(testi_file::nonSalvata(file, *motivo), Messaggi::Icona::Critica);
}

void menu_salva_nome(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  stato.file_noto = false;
  menu_salva(scheda, stato, ambiente);
}

// The load from the dialog's confirmed file on.
static void carica_file_scelto(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  bool esaurita = false;
  try {
    // The current file is now the one chosen; until it has loaded cleanly, "Salva Lista" must
    // not write over it unasked.
    stato.file_noto = false;
    // The cipher looks at the file's first characters before the rest is read.
    const Cifrario& cifrario = ambiente.cripta_decripta;
    const QString contenuto = leggi_file_lista(
        ambiente.dialog.FileName(),
        [&cifrario](QStringView inizio, qint64 n) { return cifrario.riconosce(inizio, n); });
    const ChiaveDigitata chiave(
        ambiente.richiesta.chiedi(testi_file::chiaveCarica, Richiesta::Eco::Nascosta));
    if (chiave.annullata()) return;
    ambiente.modulo.impostaStato(testi::statoCaricamento);
    ambiente.eventi.lasciaScorrere();
    const TestoSegreto testo(ambiente.cripta_decripta.decripta(contenuto, chiave.testo()));
    // The tree is built aside and put in place whole; its message comes once the view shows it.
    const Lettura esito = carica_albero(scheda.elenco, testo.testo());
    avvisa_lettura(esito, ambiente.messaggi);
    scheda.nnodi.imposta(voci_da_nodi(scheda.elenco.Count()));
    stato.file_noto = esito == Lettura::Letta;
    ambiente.modulo.impostaStato(testi::statoCompletato);
  } catch (const Errore& errore) {
    // Ends the command; what was done stays done.
    esaurita = errore.numero() == Errore::MemoriaEsaurita;
  } catch (const std::bad_alloc&) {
    esaurita = true;
  }
  if (esaurita) {
    // A list far larger than the memory left: the list shown is the one there was, and the user
    // must not take the failure for a wrong key.
    scheda.nnodi.imposta(voci_da_nodi(scheda.elenco.Count()));
    ambiente.modulo.impostaStato(testi::statoCompletato);
    ambiente.messaggi.avviso(testi_file::memoriaEsaurita, Messaggi::Icona::Critica);
  }
}

void menu_carica(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (!ambiente.dialog.mostraApri(testi_file::filtroApri)) return;
  carica_file_scelto(scheda, stato, ambiente);
}

void carica_file(Scheda& scheda, StatoFile& stato, Ambiente& ambiente, const QString& file) {
  ambiente.dialog.impostaFileName(file);
  carica_file_scelto(scheda, stato, ambiente);
}

void nuova_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  menu_nuova(scheda, ambiente);
  stato.file_noto = false;
}

}  // namespace custodex

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
#include "listfile/impronta.h"
#include "listfile/salva_carica.h"

namespace custodex {

QString testi_file::cambiatoAltrove(const QString& file, StatoSuDisco su_disco) {
  const QString nome = QDir::toNativeSeparators(file);
  if (su_disco == StatoSuDisco::Mancante)
    return QStringLiteral(
               "Attenzione! Il file %1 è stato spostato o cancellato da un altro "
               "programma dopo che questa lista è stata caricata o salvata.")
        .arg(nome);
  return QStringLiteral(
             "Attenzione! Il file %1 è stato cambiato da un altro programma dopo che "
             "questa lista è stata caricata o salvata.\n\nSovrascrivendolo, la sua "
             "versione resterà nella copia %2.")
      .arg(nome, QDir::toNativeSeparators(nome_versione(file, 1)));
}

QString testi_file::cambiatoSenzaRicaricare(const QString& file, StatoSuDisco su_disco) {
  const QString nome = QDir::toNativeSeparators(file);
  return (su_disco == StatoSuDisco::Mancante
              ? QStringLiteral("Attenzione! Il file %1 è stato spostato o cancellato da un altro "
                               "programma.")
              : QStringLiteral("Attenzione! Il file %1 è stato cambiato da un altro programma, e "
                               "questa lista ha modifiche non salvate."))
             .arg(nome) +
         QStringLiteral(
             "\n\nLa lista resta com'è; al prossimo salvataggio verrà chiesto come "
             "procedere.");
}

QString testi_file::ricaricare(const QString& file) {
  return QStringLiteral(
             "Il file %1 è stato cambiato da un altro programma.\n\nCaricare la "
             "nuova versione al posto della lista mostrata?")
      .arg(QDir::toNativeSeparators(file));
}

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

namespace {

// The file as it now is, noted for the next check, and the list as matching it.
void ricorda(const Scheda& scheda, StatoFile& stato, const QString& file,
             std::optional<Impronta> impronta) {
  stato.percorso = file;
  stato.impronta = std::move(impronta);
  stato.versione = scheda.elenco.versione();
  stato.cambio_segnalato = false;
}

// Whether the file about to be written over is no longer the one this session loaded or saved
// there. A file the session never touched is the save dialog's business, which asks before
// replacing it.
std::optional<StatoSuDisco> cambiato_altrove(const StatoFile& stato, const QString& file) {
  if (!stato.impronta || stato.percorso != file) return std::nullopt;
  const StatoSuDisco su_disco = confronta_file(file, *stato.impronta);
  if (su_disco == StatoSuDisco::Uguale) return std::nullopt;
  return su_disco;
}

// The list is in its file whatever happens here: without memory for the key, the lock asks for
// one instead.
void tieni_chiave(StatoFile& stato, Ambiente& ambiente, const ChiaveDigitata& chiave) {
  try {
    stato.chiave = ambiente.cripta_decripta.tieni(chiave.testo());
  } catch (const Errore&) {
    stato.chiave.reset();
  } catch (const std::bad_alloc&) {
    stato.chiave.reset();
  }
}

}  // namespace

void menu_salva(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  QString file;
  bool avviato = false;
  std::optional<QString> motivo;  // why the save failed
  try {
    if (!stato.file_noto && !ambiente.dialog.mostraSalva(testi_file::filtro)) return;
    // Taken now: the yield below may run other handlers.
    file = ambiente.dialog.FileName();
    avviato = true;
    const ChiaveDigitata chiave = chiedi_chiave_nuova(ambiente);
    if (chiave.annullata()) return;
    ambiente.modulo.impostaStato(testi::statoSalvataggio);
    ambiente.eventi.lasciaScorrere();
    // The list text goes to the cipher a block at a time as it is written: it is never whole in
    // memory. No other command runs during the prompts, so it is the list the user saw.
    const std::unique_ptr<TestoCifrato> cifrato = ambiente.cripta_decripta.criptaTesto(
        [&scheda](compatto::Pozzo& pozzo) { salva_albero(scheda.elenco, pozzo); }, chiave.testo());
    // Another window or program may have written the file since: nothing is written until the
    // user has chosen.
    if (const auto su_disco = cambiato_altrove(stato, file)) {
      const QStringList scelte = {testi_file::sceltaSalvaConNome, testi_file::sceltaSovrascrivi,
                                  testi_file::sceltaAnnulla};
      const int scelta =
          ambiente.messaggi.scegli(testi_file::cambiatoAltrove(file, *su_disco), scelte);
      if (scelta == 0 && ambiente.dialog.mostraSalva(testi_file::filtro)) {
        file = ambiente.dialog.FileName();
      } else if (scelta != 1) {
        ambiente.modulo.impostaStato(testi::statoCompletato);
        return;
      }
    }
    std::optional<Impronta> impronta = scrivi_file_lista(file, *cifrato);
    tieni_chiave(stato, ambiente, chiave);
    stato.file_noto = true;
    ricorda(scheda, stato, file, std::move(impronta));
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
    const QString file = ambiente.dialog.FileName();
    // Opened now, read once the key is given: the prompt comes at once whatever the file's size.
    FileLista lista(file);
    const ChiaveDigitata chiave(
        ambiente.richiesta.chiedi(testi_file::chiaveCarica, Richiesta::Eco::Nascosta));
    if (chiave.annullata()) return;
    ambiente.modulo.impostaStato(testi::statoCaricamento);
    ambiente.eventi.lasciaScorrere();
    // The file's print is taken as it is read: the next save checks against it.
    std::optional<Impronta> impronta;
    const std::unique_ptr<VoceCifrata> voce = lista.ultimaVoce(&impronta);
    // The text comes a block at a time, never whole: only the tree it describes is built.
    const std::unique_ptr<compatto::Fonte> testo =
        ambiente.cripta_decripta.decriptaVoce(*voce, chiave.testo());
    // The tree is built aside and put in place whole; its message comes once the view shows it.
    const Lettura esito = carica_albero(scheda.elenco, *testo);
    avvisa_lettura(esito, ambiente.messaggi);
    scheda.nnodi.imposta(voci_da_nodi(scheda.elenco.Count()));
    stato.file_noto = esito == Lettura::Letta;
    if (esito != Lettura::NonValida) {
      // The list on screen now comes from that file; read only in part, it differs from it.
      ricorda(scheda, stato, file, std::move(impronta));
      if (esito != Lettura::Letta) --stato.versione;
      tieni_chiave(stato, ambiente, chiave);
    }
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

// Unsaved changes go only when the user says so.
static bool scartare(const Scheda& scheda, const StatoFile& stato, Ambiente& ambiente) {
  return !modificata(scheda.elenco, stato) ||
         ambiente.messaggi.confermaCauta(testi_file::modificheDaScartare);
}

void menu_carica(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (!scartare(scheda, stato, ambiente)) return;
  if (!ambiente.dialog.mostraApri(testi_file::filtroApri)) return;
  carica_file_scelto(scheda, stato, ambiente);
}

void carica_file(Scheda& scheda, StatoFile& stato, Ambiente& ambiente, const QString& file) {
  ambiente.dialog.impostaFileName(file);
  carica_file_scelto(scheda, stato, ambiente);
}

void nuova_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (!scartare(scheda, stato, ambiente)) return;
  menu_nuova(scheda, ambiente);
  // An empty list, from no file: nothing in it to lose.
  stato = StatoFile();
  stato.versione = scheda.elenco.versione();
}

void controlla_file(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (!stato.impronta || stato.cambio_segnalato) return;
  const StatoSuDisco su_disco = confronta_file(stato.percorso, *stato.impronta);
  if (su_disco == StatoSuDisco::Uguale) return;
  // Told once; the list stays noted as it was, so that the next save still asks.
  stato.cambio_segnalato = true;
  if (su_disco == StatoSuDisco::Mancante || modificata(scheda.elenco, stato)) {
    ambiente.messaggi.avviso(testi_file::cambiatoSenzaRicaricare(stato.percorso, su_disco),
                             Messaggi::Icona::Nessuna);
    return;
  }
  if (!ambiente.messaggi.conferma(testi_file::ricaricare(stato.percorso))) return;
  carica_file(scheda, stato, ambiente, stato.percorso);
}

}  // namespace custodex

#include "listfile/comandi_blocco.h"

#include <new>

#include "comune/errore.h"
#include "comune/testi.h"
#include "comune/testo_segreto.h"
#include "listfile/chiave_digitata.h"
#include "listfile/chiave_nuova.h"
#include "listfile/comandi_file.h"
#include "listfile/salva_carica.h"

namespace custodex {

namespace {

constexpr Modulo::Campo campi[] = {Modulo::Campo::Nome, Modulo::Campo::Username,
                                   Modulo::Campo::Password, Modulo::Campo::Descrizione};
// Each box's text goes before the list text, after its length in this many hex digits.
constexpr qsizetype cifreLunghezza = 16;

// The four boxes and the list text in one string, grown in place only: a reallocation would
// leave a copy behind unwiped.
TestoSegreto da_sigillare(const Scheda& scheda, Ambiente& ambiente) {
  const TestoSegreto albero(salva_albero(scheda.elenco));
  TestoSegreto box[4];
  qsizetype totale = albero.vista().size();
  for (int i = 0; i < 4; ++i) {
    box[i] = TestoSegreto(ambiente.modulo.testo(campi[i]));
    totale += cifreLunghezza + box[i].vista().size();
  }
  QString tutto;
  tutto.reserve(totale);
  for (const TestoSegreto& b : box) {
    tutto += QString::number(b.vista().size(), 16).rightJustified(cifreLunghezza, u'0');
    tutto += b.vista();
  }
  tutto += albero.vista();
  return TestoSegreto(std::move(tutto));
}

bool sigilla(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  const bool modificata_ora = modificata(scheda.elenco, stato);
  try {
    const TestoSegreto testo = da_sigillare(scheda, ambiente);
    stato.sigillo = stato.chiave->sigilla(testo.vista());
  } catch (const Errore&) {
    ambiente.messaggi.avviso(testi_blocco::memoriaEsaurita, Messaggi::Icona::Critica);
    return false;
  } catch (const std::bad_alloc&) {
    ambiente.messaggi.avviso(testi_blocco::memoriaEsaurita, Messaggi::Icona::Critica);
    return false;
  }
  stato.modificata_bloccata = modificata_ora;
  stato.voci_bloccate = scheda.nnodi.valore();
  scheda.elenco.Clear();
  // The last entry added lingers in the add command's values.
  for (TestoSegreto* valore :
       {&scheda.nome, &scheda.username, &scheda.password, &scheda.descrizione})
    *valore = TestoSegreto();
  scheda.nnodi.imposta(0);
  for (Modulo::Campo campo : campi) ambiente.modulo.svuota(campo);
  ambiente.appunti.ritiraSegreto();
  ambiente.modulo.impostaStato(testi::statoBloccata);
  return true;
}

// The form's boxes and the list text, as da_sigillare put them; false when it is not that.
bool rimetti(Scheda& scheda, StatoFile& stato, Ambiente& ambiente, QStringView testo) {
  QStringView box[4];
  for (QStringView& b : box) {
    if (testo.size() < cifreLunghezza) return false;
    bool ok = false;
    const qsizetype n = testo.first(cifreLunghezza).toLongLong(&ok, 16);
    testo = testo.sliced(cifreLunghezza);
    if (!ok || n < 0 || n > testo.size()) return false;
    b = testo.first(n);
    testo = testo.sliced(n);
  }
  if (carica_albero(scheda.elenco, testo) == Lettura::NonValida) return false;
  for (int i = 0; i < 4; ++i) ambiente.modulo.imposta(campi[i], box[i]);
  scheda.nnodi.imposta(stato.voci_bloccate);
  // The same relation to the file as before the lock: unsaved changes stay unsaved.
  stato.versione = scheda.elenco.versione() - (stato.modificata_bloccata ? 1 : 0);
  return true;
}

}  // namespace

bool blocca_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (bloccata(stato)) return true;
  if (!stato.chiave) {
    const ChiaveDigitata chiave = chiedi_chiave_nuova(ambiente);
    if (chiave.annullata()) return false;
    try {
      stato.chiave = ambiente.cripta_decripta.tieni(chiave.testo());
    } catch (const Errore&) {
      ambiente.messaggi.avviso(testi_blocco::memoriaEsaurita, Messaggi::Icona::Critica);
      return false;
    }
  }
  return sigilla(scheda, stato, ambiente);
}

bool blocca_se_possibile(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (bloccata(stato)) return true;
  if (!stato.chiave) return false;
  return sigilla(scheda, stato, ambiente);
}

bool sblocca_lista(Scheda& scheda, StatoFile& stato, Ambiente& ambiente) {
  if (!bloccata(stato)) return true;
  const ChiaveDigitata chiave(
      ambiente.richiesta.chiedi(testi_blocco::chiaveSblocca, Richiesta::Eco::Nascosta));
  if (chiave.annullata()) return false;
  try {
    ambiente.modulo.impostaStato(testi::statoCaricamento);
    ambiente.eventi.lasciaScorrere();
    const std::optional<TestoSegreto> testo = stato.chiave->apri(*stato.sigillo, chiave.testo());
    if (!testo || !rimetti(scheda, stato, ambiente, testo->vista())) {
      ambiente.modulo.impostaStato(testi::statoBloccata);
      ambiente.messaggi.avviso(testi_blocco::chiaveErrata, Messaggi::Icona::Critica);
      return false;
    }
  } catch (const Errore&) {
    ambiente.modulo.impostaStato(testi::statoBloccata);
    ambiente.messaggi.avviso(testi_blocco::memoriaEsaurita, Messaggi::Icona::Critica);
    return false;
  } catch (const std::bad_alloc&) {
    ambiente.modulo.impostaStato(testi::statoBloccata);
    ambiente.messaggi.avviso(testi_blocco::memoriaEsaurita, Messaggi::Icona::Critica);
    return false;
  }
  stato.sigillo.reset();
  ambiente.modulo.impostaStato(testi::statoCompletato);
  return true;
}

}  // namespace custodex

#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "comune/ambiente.h"
#include "comune/piattaforma.h"
#include "list/scheda.h"
#include "listfile/stato_file.h"
#include "search/stato_ricerca.h"

// Scripted stand-ins for the platform pieces: each answers from a queue the test fills and
// records what the command asked of it. Status texts and yields go to one shared log, so that a
// test can check their order.

namespace custodex::copione {

struct Avviso {
  QString testo;
  Messaggi::Icona icona;
};

class MessaggiCopione : public Messaggi {
 public:
  void avviso(const QString& testo, Icona icona) override {
    avvisi.push_back({testo, icona});
    if (durante) durante();
  }
  bool conferma(const QString& testo) override;
  bool confermaCauta(const QString& testo) override { return conferma(testo); }
  // Answers from `scelte`; the last button (Cancel) when it is empty.
  int scegli(const QString& testo, const QStringList& pulsanti) override {
    domande.push_back(testo);
    if (scelte.empty()) return static_cast<int>(pulsanti.size()) - 1;
    const int scelta = scelte.front();
    scelte.pop_front();
    return scelta;
  }

  std::function<void()> durante;         // runs in each message box, as its loop would
  std::function<void()> duranteDomanda;  // runs in each Yes/No question
  QList<Avviso> avvisi;
  QStringList domande;
  std::deque<bool> risposte;  // answers to both questions; Yes when empty
  std::deque<int> scelte;     // answers to scegli
};

class RichiestaCopione : public Richiesta {
 public:
  std::optional<QString> chiedi(const QString& domanda, Eco eco = Eco::Visibile) override;

  std::function<void()> durante;  // runs at each prompt, before it is answered, as its loop would
  QStringList domande;
  QList<Eco> echi;
  std::deque<std::optional<QString>> risposte;  // nothing = Cancel; an empty queue answers Cancel
};

class DialogoCopione : public DialogoFile {
 public:
  bool mostraSalva(const QString& filtro) override {
    return mostra(QStringLiteral("salva"), filtro);
  }
  bool mostraApri(const QString& filtro) override { return mostra(QStringLiteral("apri"), filtro); }
  QString FileName() const override { return fileName; }
  void impostaFileName(const QString& file) override { fileName = file; }

  std::function<void()> durante;  // runs in each dialog, before it is answered, as its loop would
  QString fileName;
  QStringList mostrati;  // "salva" or "apri", one per dialog shown
  QStringList filtri;
  std::deque<std::optional<QString>> risposte;  // the confirmed path, or nothing = Cancel

 private:
  bool mostra(const QString& tipo, const QString& filtro);
};

class AppuntiCopione : public Appunti {
 public:
  QString testo() override;
  void scriviSegreto(const QString& testo) override;
  bool tieneSegreto() override { return segreto; }
  void svuota() override;

  QString contenuto;
  bool segreto = false;      // the content is our secret copy, marked as one
  bool illeggibile = false;  // reading throws, as an unreadable clipboard does
  int letture = 0;
  int scritture = 0;
};

class EventiCopione : public Eventi {
 public:
  explicit EventiCopione(QStringList& registro) : registro_(registro) {}
  void lasciaScorrere() override;

  int volte = 0;
  std::function<void()> durante;  // runs inside the yield, as a queued event would

 private:
  QStringList& registro_;
};

class ModuloCopione : public Modulo {
 public:
  explicit ModuloCopione(QStringList& registro) : registro_(registro) {}
  QString testo(Campo campo) const override { return campi_[static_cast<int>(campo)]; }
  void svuota(Campo campo) override;
  void imposta(Campo campo, QStringView testo) override {
    svuota(campo);
    scrivi(campo, testo.toString());
  }
  void impostaStato(const QString& testo) override;
  void focusElenco() override { registro_.push_back(QStringLiteral("focus: elenco")); }
  void scrivi(Campo campo, const QString& testo) { campi_[static_cast<int>(campo)] = testo; }

  QString stato;
  QStringList svuotati;  // the fields in the order they were emptied

 private:
  QString campi_[4];
  QStringList& registro_;
};

// The edit dialog: records the values it was shown and answers from a queue, each answer the
// values the user leaves in it on OK, or nothing for Cancel; an empty queue answers Cancel.
class ModificaCopione : public ModificaVoce {
 public:
  struct Mostrati {
    QString nome, username, password, descrizione;
    bool operator==(const Mostrati&) const = default;
  };
  bool modificaVoce(Valori& valori) override;
  bool modificaTesto(TestoSegreto& testo) override;

  QList<Mostrati> voci;  // what each entry dialog showed
  QStringList testi;     // what each one-text dialog showed
  std::deque<std::optional<Mostrati>> risposteVoce;
  std::deque<std::optional<QString>> risposteTesto;
};

// The generator's dialog: hands out the queued passwords as if "Usa" were pressed; an empty
// queue closes it without one.
class GeneratoreCopione : public Generatore {
 public:
  std::optional<TestoSegreto> genera() override;

  int aperture = 0;
  std::deque<QString> risposte;
};

// Reverses the text and marks it; "deciphers" only under the same key. For tests of the commands
// that do not need the real cipher.
class CifrarioCopione : public Cifrario {
 public:
  QString cripta(const QString& testo, const QString& chiave) override;
  QString decripta(const QString& testo, const QString& chiave) override;
  // The real one at a low cost: the lock's seal is what a memory scan must not see through.
  std::unique_ptr<ChiaveTenuta> tieni(QStringView chiave) override;
};

// A clock that moves only when the test moves it.
class OrologioCopione : public Orologio {
 public:
  qint64 millisecondi() override { return adesso; }
  qint64 adesso = 0;
};

// A whole main window's state with scripted platform pieces.
struct Banco {
  Banco() = default;
  explicit Banco(Cifrario& cifrario) : cifrarioUsato(&cifrario) {}

  QStringList registro;  // "stato: <text>", "eventi" and "focus: elenco" lines, in order
  Scheda scheda;
  StatoFile file;
  StatoRicerca ricerca;
  MessaggiCopione messaggi;
  RichiestaCopione richiesta;
  DialogoCopione dialog;
  AppuntiCopione appunti;
  EventiCopione eventi{registro};
  ModuloCopione modulo{registro};
  CifrarioCopione cifrario;
  Cifrario* cifrarioUsato = &cifrario;
  ModificaCopione modifica;
  GeneratoreCopione generatore;
  DialogoCopione scambio;  // the import and export dialog
  Ambiente ambiente{
      {messaggi, richiesta, dialog, appunti, eventi, *cifrarioUsato, modifica, generatore, scambio},
      modulo};
};

// Adds an entry laid out as the add command lays it, without going through the command.
Nodo* aggiungiVoce(Albero& elenco, const QString& nome, const QString& username,
                   const QString& password, const QString& descrizione);

// The texts of the tree's nodes, in index order.
QStringList testiNodi(const Albero& elenco);

}  // namespace custodex::copione

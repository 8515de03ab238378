#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

#include "comune/testo_compatto.h"
#include "comune/testo_segreto.h"

class QIcon;

// The platform pieces the commands talk to. Each has a Qt implementation for the program and a
// scripted one for the tests, so that every command runs headless.

namespace custodex {

// Modal message boxes titled "Custodex".
class Messaggi {
 public:
  enum class Icona { Nessuna, Critica };
  virtual ~Messaggi() = default;
  // A box with the OK button only.
  virtual void avviso(const QString& testo, Icona icona) = 0;
  // A Yes/No question without an icon, Yes the default; true for Yes.
  virtual bool conferma(const QString& testo) = 0;
  // The same question with a warning, No the default: for a step the user may regret.
  virtual bool confermaCauta(const QString& testo) = 0;
  // A question with a warning and the given buttons, the last one the default and what Escape
  // or closing the box means: the index of the button chosen.
  virtual int scegli(const QString& testo, const QStringList& pulsanti) = 0;
};

// The modal one-line input box titled "Custodex", with an empty default answer.
class Richiesta {
 public:
  // A secret key is typed unseen, so that nobody reads it over the user's shoulder.
  enum class Eco { Visibile, Nascosta };
  virtual ~Richiesta() = default;
  // The typed text, or nothing when the user cancelled.
  virtual std::optional<QString> chiedi(const QString& domanda, Eco eco = Eco::Visibile) = 0;
};

// The file dialog: `dialog`, shared by save and load, and another for import and export. `FileName`
// is the file last confirmed in either dialog; only a confirmed dialog, or the file the program was
// started with, changes it.
class DialogoFile {
 public:
  virtual ~DialogoFile() = default;
  // Each shows its dialog listing the files that match the filter; false when cancelled.
  // The save dialog asks before overwriting; the open dialog wants an existing file.
  virtual bool mostraSalva(const QString& filtro) = 0;
  virtual bool mostraApri(const QString& filtro) = 0;
  virtual QString FileName() const = 0;
  // Makes `file` the current file as if the user had confirmed it in the open dialog.
  virtual void impostaFileName(const QString& file) = 0;
};

// The system clipboard.
class Appunti {
 public:
  virtual ~Appunti() = default;
  // The plain text on the clipboard; empty when it holds none.
  virtual QString testo() = 0;
  // Puts a secret on the clipboard as plain text, marked so that clipboard managers keep it out
  // of their history. The platform takes it back off by itself after a while and when the
  // program ends (see ritiraSegreto).
  virtual void scriviSegreto(const QString& testo) = 0;
  // Whether the clipboard still holds the secret written last, and nothing put there since.
  // Answered without asking any other program, so that it never waits on one.
  virtual bool tieneSegreto() = 0;
  virtual void svuota() = 0;

  // Clears our secret, unless the user has put something else on the clipboard meanwhile.
  void ritiraSegreto() {
    if (tieneSegreto()) svuota();
  }
};

// Lets the pending window events run once, so that a new status text is painted.
class Eventi {
 public:
  virtual ~Eventi() = default;
  virtual void lasciaScorrere() = 0;
};

// The key of the last load or save, stretched and kept in guarded memory, so that the list can be
// sealed in memory without asking for it: never the typed key.
class ChiaveTenuta {
 public:
  virtual ~ChiaveTenuta() = default;
  // Seals a text under a fresh nonce, then wipes the stretched key: until the seal is opened
  // again only its salt is left. Throws Errore when memory runs out.
  virtual QByteArray sigilla(QStringView testo) = 0;
  // Stretches a typed key under the kept salt and opens the seal with it; nothing when the key is
  // wrong. A right key is kept again. Throws Errore when memory runs out.
  virtual std::optional<TestoSegreto> apri(const QByteArray& sigillo, QStringView chiave) = 0;
};

// The cipher component `cripta_decripta`.
// An enciphered list text as the list file holds it, one byte a character.
class VoceCifrata {
 public:
  virtual ~VoceCifrata() = default;
  virtual qint64 lunghezza() const = 0;
  // Exactly `n` bytes from `da`. Throws Errore when they cannot be read.
  virtual void leggi(qint64 da, char* byte, qint64 n) const = 0;
};

// An enciphered list text ready to be written, one byte a character.
class TestoCifrato {
 public:
  virtual ~TestoCifrato() = default;
  virtual qint64 lunghezza() const = 0;
  // Hands the bytes to `uscita` a block at a time, in order. What `uscita` throws goes through.
  virtual void scrivi(const std::function<void(const char*, qsizetype)>& uscita) const = 0;
};

class Cifrario {
 public:
  virtual ~Cifrario() = default;
  // Stretches a typed key for ChiaveTenuta. Throws Errore when memory runs out.
  virtual std::unique_ptr<ChiaveTenuta> tieni(QStringView chiave) = 0;
  virtual QString cripta(const QString& testo, const QString& chiave) = 0;
  // A wrong key or a damaged text gives back a text that is not a list text; raises Errore only
  // when memory runs out, which says nothing of the key.
  virtual QString decripta(const QString& testo, const QString& chiave) = 0;

  // The same two operations on a list text that is never whole in memory. The save's text is the
  // one `testo` hands its pozzo; the load's comes a block at a time from what is returned, which
  // holds the deciphered text and wipes it. As above, a wrong key or a text that is not ours gives
  // a text that is not a list text. The ones here go through the whole-text operations.
  virtual std::unique_ptr<TestoCifrato> criptaTesto(
      const std::function<void(compatto::Pozzo&)>& testo, const QString& chiave);
  virtual std::unique_ptr<compatto::Fonte> decriptaVoce(const VoceCifrata& voce,
                                                        const QString& chiave);
};

// The notification-area component `tray`: one icon with a tooltip, and one event.
class Tray {
 public:
  virtual ~Tray() = default;
  // Puts the icon in the notification area under the number `id`; true only when it is really
  // there, false where the desktop has no notification area.
  virtual bool aggiungiIcona(qint16 id, const QIcon& icona, const QString& suggerimento) = 0;
  // Takes away the icon that raised the event carrying `valore`.
  virtual void togliIcona(qint16& valore) = 0;

  // Raised when the user clicks or double-clicks the icon, with the icon's number.
  std::function<void(qint16 valore)> evento;
  // Raised while the icon is in place when the notification area holding it goes away (its
  // program ended or restarted): nobody can click the icon any more.
  std::function<void()> areaPerduta;
};

// The desktop session ending (logging off, shutting down), as far as the program may hold it up.
class Sessione {
 public:
  virtual ~Sessione() = default;
  // Whether the program may ask the user something now; may wait for the session's turn.
  virtual bool puoChiedere() = 0;
  // Calls the ending off.
  virtual void annulla() = 0;
};

// A lock closes the program's open prompts: while it does, every prompt answers at once as Cancel
// would, so that the command waiting on one ends with nothing written and nothing lost. One for
// the process, as modal dialogs are.
inline bool& promptChiusi() {
  static bool chiusi = false;
  return chiusi;
}

// A monotonic clock that goes on counting while the machine sleeps, for the idle lock.
class Orologio {
 public:
  virtual ~Orologio() = default;
  virtual qint64 millisecondi() = 0;
};

// The four text boxes of the entry form and the status label `stato`.
class Modulo {
 public:
  enum class Campo { Nome, Username, Password, Descrizione };
  virtual ~Modulo() = default;
  virtual QString testo(Campo campo) const = 0;
  virtual void svuota(Campo campo) = 0;
  // Puts a text into a box in place of the one there, which is wiped as svuota wipes it.
  virtual void imposta(Campo campo, QStringView testo) = 0;
  virtual void impostaStato(const QString& testo) = 0;
  // Gives the list tree the keyboard focus (`SetFocus`).
  virtual void focusElenco() = 0;
};

// The modal dialog "Modifica Password" titled "Custodex", with OK and Cancel. Its texts are
// wiped when it closes.
class ModificaVoce {
 public:
  struct Valori {
    TestoSegreto nome, username, password, descrizione;
  };
  virtual ~ModificaVoce() = default;
  // Shows an entry's four values, the password hidden until the user asks to see it; true on OK,
  // with the values as the user left them.
  virtual bool modificaVoce(Valori& valori) = 0;
  // Shows the whole text of a node that is not laid out as an entry's; true on OK.
  virtual bool modificaTesto(TestoSegreto& testo) = 0;
};

// The password generator's modal dialog.
class Generatore {
 public:
  virtual ~Generatore() = default;
  // The password taken with "Usa"; nothing when the dialog was closed without it.
  virtual std::optional<TestoSegreto> genera() = 0;
};

}  // namespace custodex

#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/finestre.h"
#include "comune/ambiente.h"
#include "list/modello_elenco.h"
#include "list/scheda.h"
#include "listfile/stato_file.h"
#include "search/stato_ricerca.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace custodex {

class VistaContatore;
class VistaElenco;

// The main window `principale`: the whole user interface but the about window. Its handlers only
// call their subsystem's commands; it is also the form (text boxes and status line) they work on.
class Principale : public QMainWindow, private Modulo {
  Q_OBJECT

 public:
  // The platform pieces the commands talk to besides the window, which is their form itself.
  struct Pezzi : Piattaforma {
    Tray& tray;
    Orologio& orologio;
  };

  // Without keyboard or mouse input in any of the program's windows for this long, the list locks.
  static constexpr qint64 inattivitaMassima = 5 * 60 * 1000;

  // With Qt's own pieces, as the program runs.
  explicit Principale(QWidget* parent = nullptr);
  // With the given pieces, which outlive the window.
  explicit Principale(const Pezzi& pezzi, QWidget* parent = nullptr);
  ~Principale() override;

  // Shows the window centred on the screen, as it is at start.
  void avvia();
  // Loads a list file chosen before start, once the window is up: "Carica Lista" past its dialog.
  void apriFile(const QString& file);
  // Imports a file chosen before start into the list, once the window is up: "Importa Lista"
  // past its dialog.
  void importaFile(const QString& file);

  // Locks the list: at once, or at the end of the command under way, whose open prompts are closed
  // as Cancel would close them. One nobody asked for leaves a list without a key as it is.
  void richiediBlocco(bool automatico);
  // Locks the list when the input has been idle long enough; the timer asks every few seconds.
  void controllaInattivita();

  Scheda& scheda() { return scheda_; }
  StatoFile& statoFile() { return file_; }
  StatoRicerca& ricerca() { return ricerca_; }

 private slots:
  // The desktop's screen saver came on or went off; logind locked the session.
  void schermoAttivo(bool attivo);
  void sessioneBloccata();

 private:
  struct PezziQt;

  // Locks the list when the desktop locks the screen or the session, where there is a bus.
  void ascoltaDesktop();
  void costruisci(const Pezzi& pezzi);
  void creaControlli();
  void creaMenu();
  void ordinaFocus();
  // Each layer's commands with that layer's state.
  void esegui(void (*comando)(Scheda&, Ambiente&));
  void esegui(void (*comando)(Scheda&, StatoFile&, Ambiente&));
  void esegui(void (*comando)(Scheda&, StatoRicerca&, Ambiente&));
  // Runs a command of the window's unless another is under way. A command's prompts and yields
  // run the event loop, and input delivered there (a click queued behind the Enter that closed a
  // key prompt) would start a second command on state the first has half-changed: a "Nuova
  // Lista" inside a save would tie the emptied list to the file. It is refused instead.
  // While the list is locked only the commands that touch no list run.
  template <class Comando>
  void inTurno(Comando&& comando, bool ancheBloccata = false);
  void blocca(bool automatico);
  void sblocca();
  // The controls and commands that act on the list, disabled while it is locked.
  void mostraBlocco();
  bool eventFilter(QObject* oggetto, QEvent* evento) override;
  // Watches the list's file, found anew after every command: a save by another program, or ours,
  // puts a new file in its place, which the watch does not follow.
  void seguiFile();
  // Looks whether another program changed the list's file, unless a command is running.
  void controllaFile();
  void mostraContatore();
  // The one-line box of a field; none for the description.
  QLineEdit* riga(Campo campo) const;

  // Modulo
  QString testo(Campo campo) const override;
  void svuota(Campo campo) override;
  void imposta(Campo campo, QStringView testo) override;
  void impostaStato(const QString& testo) override;
  void focusElenco() override;

  Scheda scheda_;
  StatoFile file_;
  StatoRicerca ricerca_;
  ModelloElenco modello_;

  std::unique_ptr<PezziQt> qt_;  // none when the pieces were given
  std::unique_ptr<Ambiente> ambiente_;
  std::unique_ptr<Finestre> finestre_;

  VistaElenco* elenco_ = nullptr;
  QToolButton* copia_ = nullptr;
  QToolButton* incolla_ = nullptr;
  QLabel* label_nodi_ = nullptr;
  QLabel* label_nnodi_ = nullptr;
  QGroupBox* frame_aggiungi_ = nullptr;
  QLabel* stato_ = nullptr;
  QLineEdit* txt_nome_ = nullptr;
  QLineEdit* txt_username_ = nullptr;
  QLineEdit* txt_password_ = nullptr;
  QPlainTextEdit* txt_descrizione_ = nullptr;
  QPushButton* pls_elipass_ = nullptr;
  QPushButton* pls_aggiungi_ = nullptr;
  std::unique_ptr<VistaContatore> contatore_;
  // The counter label follows `nnodi` on the tick after each change; between changes the timer
  // stays stopped, so an idle program wakes for nothing.
  QTimer timer_;
  bool inCorso_ = false;  // a command is running
  // A lock asked for while a command ran, and whether the user asked for it.
  bool bloccoInAttesa_ = false;
  bool bloccoAutomatico_ = true;
  Orologio* orologio_ = nullptr;
  qint64 ultimoInput_ = 0;
  QTimer timerInattivita_;
  QAction* blocca_ = nullptr;
  QAction* sblocca_ = nullptr;
  QList<QAction*> azioniLista_;
  QFileSystemWatcher osservatoreFile_;
};

}  // namespace custodex

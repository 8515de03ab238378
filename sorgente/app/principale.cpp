#include "app/principale.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <limits>

#include "app/aspetto.h"
#include "app/campi.h"
#include "app/centra_finestra.h"
#include "app/icona.h"
#include "app/qt_generatore.h"
#include "app/qt_modifica_voce.h"
#include "app/qt_piattaforma.h"
#include "app/vista_contatore.h"
#include "app/vista_elenco.h"
#include "app/yocon_tray.h"
#include "comune/azzera.h"
#include "comune/testi.h"
#include "list/comandi_appunti.h"
#include "list/comandi_modifica.h"
#include "list/comandi_voce.h"
#include "listfile/comandi_blocco.h"
#include "listfile/comandi_file.h"
#include "listfile/comandi_scambio.h"
#include "listfile/nmcrypt.h"
#include "search/ricerca.h"

namespace custodex {

namespace {

QFont times(qreal punti, bool grassetto, bool corsivo) {
  QFont f(QStringLiteral("Times New Roman"));
  f.setPointSizeF(punti);
  f.setBold(grassetto);
  f.setItalic(corsivo);
  return f;
}

QPalette tavolozzaPredefinita() {
  QPalette p = QApplication::palette();
  p.setColor(QPalette::WindowText, p.color(QPalette::WindowText));
  return p;
}

template <class W>
W* crea(QWidget* padre, const char* nome, QRect posto) {
  auto* w = new W(padre);
  w->setObjectName(QString::fromLatin1(nome));
  w->setGeometry(posto);
  return w;
}

// Enter on a focused button presses it, as Space does, the way the platform's users expect; no
// button is a default button, so Enter would otherwise do nothing.
class InvioPreme : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* oggetto, QEvent* evento) override {
    if (evento->type() != QEvent::KeyPress) return QObject::eventFilter(oggetto, evento);
    const auto* tasto = static_cast<const QKeyEvent*>(evento);
    const bool invio = tasto->key() == Qt::Key_Return || tasto->key() == Qt::Key_Enter;
    if (!invio || (tasto->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
      return QObject::eventFilter(oggetto, evento);
    // Held down, it adds one entry, not one for each repeat.
    if (!tasto->isAutoRepeat()) static_cast<QAbstractButton*>(oggetto)->click();
    return true;
  }
};

// Notes the user's input in any of the program's windows, dialogs included.
class Attivita : public QObject {
 public:
  Attivita(QObject* padre, std::function<void()> notato)
      : QObject(padre), notato_(std::move(notato)) {}

 protected:
  bool eventFilter(QObject* oggetto, QEvent* evento) override {
    switch (evento->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::TouchBegin:
        notato_();
        break;
      default:
        break;
    }
    return QObject::eventFilter(oggetto, evento);
  }

 private:
  std::function<void()> notato_;
};

QList<QIcon> listaimg() {
  return {QIcon(QStringLiteral(":/listaimg/1.xpm")), QIcon(QStringLiteral(":/listaimg/2.xpm")),
          QIcon(QStringLiteral(":/listaimg/3.xpm"))};
}

}  // namespace

struct Principale::PezziQt {
  explicit PezziQt(QWidget* padre)
      : messaggi(padre),
        richiesta(padre),
        dialog(padre),
        dialog_scambio(padre),
        generatore(padre),
        modifica(padre, generatore) {}
  Pezzi pezzi() {
    return {{messaggi, richiesta, dialog, appunti, eventi, cripta_decripta, modifica, generatore,
             dialog_scambio},
            tray,
            orologio};
  }

  QtMessaggi messaggi;
  QtRichiesta richiesta;
  QtDialogoFile dialog;
  QtAppunti appunti;
  QtEventi eventi;
  NmCrypt cripta_decripta;
  QtDialogoFile dialog_scambio;
  YoconTray tray;
  QtOrologio orologio;
  QtGeneratore generatore;
  QtModificaVoce modifica;
};

Principale::Principale(QWidget* parent)
    : QMainWindow(parent), modello_(scheda_.elenco), qt_(std::make_unique<PezziQt>(this)) {
  costruisci(qt_->pezzi());
  ascoltaDesktop();
}

Principale::Principale(const Pezzi& pezzi, QWidget* parent)
    : QMainWindow(parent), modello_(scheda_.elenco) {
  costruisci(pezzi);
}

void Principale::costruisci(const Pezzi& p) {
  ambiente_ = std::make_unique<Ambiente>(Ambiente{p, *this});
  finestre_ = std::make_unique<Finestre>(*this, p.messaggi, p.tray);
  finestre_->modificheNonSalvate = [this] { return modificata(scheda_.elenco, file_); };
  // A click on the icon of a locked list brings the window back, then asks the key.
  p.tray.evento = [this, ripristina = std::move(p.tray.evento)](qint16 valore) {
    if (ripristina) ripristina(valore);
    if (bloccata(file_))
      QMetaObject::invokeMethod(this, &Principale::sblocca, Qt::QueuedConnection);
  };
  orologio_ = &p.orologio;
  ultimoInput_ = orologio_->millisecondi();
  qApp->installEventFilter(
      new Attivita(this, [this] { ultimoInput_ = orologio_->millisecondi(); }));
  timerInattivita_.setParent(this);
  timerInattivita_.setInterval(10 * 1000);
  connect(&timerInattivita_, &QTimer::timeout, this, &Principale::controllaInattivita);
  timerInattivita_.start();
  // Installed after the windows' own filter, so that it sees a close request first.
  installEventFilter(this);
  connect(&osservatoreFile_, &QFileSystemWatcher::fileChanged, this, &Principale::controllaFile,
          Qt::QueuedConnection);
  caricaRisorse();
  setObjectName(QStringLiteral("principale"));
  // The window has a fixed size: a maximise button would do nothing.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(testi::titolo);
  setFont(fontFinestra());
  setWindowIcon(iconaProgramma());
  modello_.impostaImmagini(listaimg());

  creaControlli();
  creaMenu();
  elenco_->viewport()->installEventFilter(this);
  ordinaFocus();

  timer_.setParent(this);
  timer_.setObjectName(QStringLiteral("Timer"));
  timer_.setInterval(1);
  connect(&timer_, &QTimer::timeout, this, &Principale::mostraContatore);
  connect(&scheda_.nnodi, &Contatore::cambiato, &timer_, qOverload<>(&QTimer::start));
}

Principale::~Principale() = default;

template <class Comando>
void Principale::inTurno(Comando&& comando, bool ancheBloccata) {
  if (inCorso_ || (bloccata(file_) && !ancheBloccata)) return;
  {
    const QScopedValueRollback inCorso(inCorso_, true);
    comando();
  }
  if (bloccoInAttesa_) {
    bloccoInAttesa_ = false;
    promptChiusi() = false;
    blocca(std::exchange(bloccoAutomatico_, true));
  }
  mostraBlocco();
  seguiFile();
}

void Principale::ascoltaDesktop() {
  // A bus that is not there fails these quietly, and the other locks still hold.
  QDBusConnection::sessionBus().connect(QString(), QStringLiteral("/org/freedesktop/ScreenSaver"),
                                        QStringLiteral("org.freedesktop.ScreenSaver"),
                                        QStringLiteral("ActiveChanged"), this,
                                        SLOT(schermoAttivo(bool)));
  QDBusConnection sistema = QDBusConnection::systemBus();
  if (!sistema.isConnected()) return;
  QDBusMessage domanda = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSessionByPID"));
  domanda << static_cast<uint>(QCoreApplication::applicationPid());
  const QDBusReply<QDBusObjectPath> sessione = sistema.call(domanda, QDBus::Block, 2000);
  if (!sessione.isValid()) return;
  sistema.connect(QStringLiteral("org.freedesktop.login1"), sessione.value().path(),
                  QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"), this,
                  SLOT(sessioneBloccata()));
}

void Principale::schermoAttivo(bool attivo) {
  if (attivo) richiediBlocco(true);
}

void Principale::sessioneBloccata() {
  richiediBlocco(true);
}

void Principale::richiediBlocco(bool automatico) {
  if (bloccata(file_)) return;
  // No dialog holds the lock off: each is closed as Cancel would close it.
  const auto chiudiPrompt = [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialogo = qobject_cast<QDialog*>(w);
      if (dialogo && dialogo->isVisible() && dialogo->isModal()) dialogo->reject();
    }
  };
  if (!inCorso_) {
    chiudiPrompt();
    blocca(automatico);
    return;
  }
  // A save or load is never cut short: the lock waits for the command to end.
  bloccoAutomatico_ = bloccoAutomatico_ && automatico;
  bloccoInAttesa_ = true;
  promptChiusi() = true;
  chiudiPrompt();
}

void Principale::controllaInattivita() {
  if (orologio_->millisecondi() - ultimoInput_ >= inattivitaMassima) richiediBlocco(true);
}

void Principale::blocca(bool automatico) {
  inTurno([&] {
    if (automatico)
      blocca_se_possibile(scheda_, file_, *ambiente_);
    else
      blocca_lista(scheda_, file_, *ambiente_);
  });
}

void Principale::sblocca() {
  inTurno([&] { sblocca_lista(scheda_, file_, *ambiente_); }, true);
}

void Principale::mostraBlocco() {
  const bool chiusa = bloccata(file_);
  for (QWidget* w : std::initializer_list<QWidget*>{frame_aggiungi_, copia_, incolla_})
    w->setEnabled(!chiusa);
  for (QAction* azione : std::as_const(azioniLista_)) azione->setEnabled(!chiusa);
  blocca_->setEnabled(!chiusa);
  sblocca_->setEnabled(chiusa);
}

void Principale::seguiFile() {
  if (const QStringList seguiti = osservatoreFile_.files(); !seguiti.isEmpty())
    osservatoreFile_.removePaths(seguiti);
  if (file_.impronta) osservatoreFile_.addPath(file_.percorso);
}

void Principale::controllaFile() {
  // A locked list is not reloaded behind the lock; the check comes back after the unlock.
  if (!inCorso_ && !bloccata(file_)) esegui(controlla_file);
}

void Principale::creaControlli() {
  auto* area = new QWidget(this);
  area->setFixedSize(px(3732), px(6468));
  setCentralWidget(area);

  elenco_ = new VistaElenco(modello_, area);
  elenco_->setObjectName(QStringLiteral("elenco"));
  elenco_->setGeometry(twip(120, 0, 3492, 3372));
  elenco_->setAccessibleName(QStringLiteral("Elenco delle password"));

  copia_ = crea<QToolButton>(area, "copia", twip(120, 3480, 372, 372));
  copia_->setIcon(QIcon(QStringLiteral(":/icone/copia.xpm")));
  copia_->setToolTip(QStringLiteral("Copia Valore"));
  copia_->setAccessibleName(copia_->toolTip());
  incolla_ = crea<QToolButton>(area, "incolla", twip(600, 3480, 372, 372));
  incolla_->setIcon(QIcon(QStringLiteral(":/icone/incolla.xpm")));
  incolla_->setToolTip(QStringLiteral("Incolla Valore"));
  incolla_->setAccessibleName(incolla_->toolTip());
  for (QToolButton* b : {copia_, incolla_}) {
    b->setIconSize(QSize(16, 16));
    b->setFocusPolicy(Qt::StrongFocus);
  }

  label_nodi_ = crea<QLabel>(area, "label_nodi", twip(1320, 3600, 1932, 252));
  label_nodi_->setText(QStringLiteral("Numero Password in lista:"));
  label_nnodi_ = crea<QLabel>(area, "label_nnodi", twip(3240, 3600, 372, 252));

  frame_aggiungi_ = crea<QGroupBox>(area, "frame_aggiungi", twip(120, 3840, 3492, 2412));
  frame_aggiungi_->setTitle(QStringLiteral("Aggiungi Password"));
  frame_aggiungi_->setFont(times(12, true, false));
  QPalette blu = frame_aggiungi_->palette();
  blu.setColor(QPalette::WindowText, QColor(0, 0, 255));
  frame_aggiungi_->setPalette(blu);

  stato_ = crea<QLabel>(area, "stato", twip(120, 6240, 3492, 252));
  stato_->setText(testi::statoCompletato);
  stato_->setFont(times(10.2, true, false));
  // The label runs past the client area's foot: text at its top keeps the descenders in sight.
  stato_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  const QFont fontEtichetta = times(9, false, true);
  auto etichetta = [&](const char* nome, QRect posto, const QString& testo) {
    auto* l = crea<QLabel>(frame_aggiungi_, nome, posto);
    l->setText(testo);
    l->setFont(fontEtichetta);
    l->setPalette(tavolozzaPredefinita());
    return l;
  };
  QLabel* label_nome = etichetta("label_nome", twip(240, 360, 612, 252), QStringLiteral("Nome:"));
  QLabel* label_username =
      etichetta("label_username", twip(120, 720, 852, 252), QStringLiteral("UserName:"));
  QLabel* label_password =
      etichetta("label_password", twip(120, 1080, 852, 252), QStringLiteral("Password:"));
  QLabel* label_descrizione =
      etichetta("label_descrizione", twip(120, 1440, 972, 252), QStringLiteral("Descizione:"));

  txt_nome_ = crea<QLineEdit>(frame_aggiungi_, "txt_nome", twip(1080, 360, 2292, 288));
  txt_username_ = crea<QLineEdit>(frame_aggiungi_, "txt_username", twip(1080, 720, 2292, 288));
  txt_password_ = crea<QLineEdit>(frame_aggiungi_, "txt_password", twip(1080, 1080, 2292, 288));
  txt_descrizione_ =
      crea<QPlainTextEdit>(frame_aggiungi_, "txt_descrizione", twip(1080, 1440, 2292, 492));
  txt_descrizione_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Values have no length limit anywhere else: a long pasted one must not be cut unseen.
  for (QLineEdit* box : {txt_nome_, txt_username_, txt_password_})
    box->setMaxLength(std::numeric_limits<int>::max());
  txt_descrizione_->setTabChangesFocus(true);

  // A screen reader names each box after the label beside it.
  const std::pair<QLabel*, QWidget*> coppie[] = {{label_nome, txt_nome_},
                                                 {label_username, txt_username_},
                                                 {label_password, txt_password_},
                                                 {label_descrizione, txt_descrizione_}};
  for (auto [label, box] : coppie) {
    label->setBuddy(box);
    box->setAccessibleName(label->text());
  }

  pls_elipass_ = crea<QPushButton>(frame_aggiungi_, "pls_elipass", twip(600, 2040, 1332, 252));
  pls_elipass_->setText(QStringLiteral("Elimina"));
  pls_aggiungi_ = crea<QPushButton>(frame_aggiungi_, "pls_aggiungi", twip(2040, 2040, 1332, 252));
  pls_aggiungi_->setText(QStringLiteral("Aggiungi"));
  for (QWidget* w :
       std::initializer_list<QWidget*>{txt_nome_, txt_username_, txt_password_, txt_descrizione_,
                                       pls_elipass_, pls_aggiungi_}) {
    w->setFont(fontFinestra());
    w->setPalette(tavolozzaPredefinita());
  }
  for (QPushButton* b : {pls_elipass_, pls_aggiungi_}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  auto* invio = new InvioPreme(this);
  for (QAbstractButton* b :
       std::initializer_list<QAbstractButton*>{pls_aggiungi_, pls_elipass_, copia_, incolla_})
    b->installEventFilter(invio);

  connect(pls_aggiungi_, &QPushButton::clicked, this, [this] { esegui(pls_aggiungi); });
  connect(pls_elipass_, &QPushButton::clicked, this, [this] { esegui(pls_elipass); });
  connect(copia_, &QToolButton::clicked, this, [this] { esegui(copia); });
  connect(incolla_, &QToolButton::clicked, this, [this] { esegui(incolla); });
  connect(elenco_, &VistaElenco::copiaRichiesta, this, [this] { esegui(copia); });
  connect(elenco_, &VistaElenco::modificaRichiesta, this, [this] { esegui(menu_modifica); });

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // A big number may push its caption left, up to a pixel clear of the picture buttons.
  contatore_ = std::make_unique<VistaContatore>(*label_nodi_, *label_nnodi_,
                                                incolla_->geometry().right() + 2);
}

void Principale::creaMenu() {
  QMenuBar* barra = menuBar();
  auto menu = [&](const char* nome, const QString& titolo) {
    QMenu* m = barra->addMenu(titolo);
    m->setObjectName(QString::fromLatin1(nome));
    return m;
  };
  auto voce = [&](QMenu* m, const char* nome, const QString& testo) {
    QAction* a = m->addAction(testo);
    a->setObjectName(QString::fromLatin1(nome));
    return a;
  };

  QMenu* menu_file = menu("menu_file", QStringLiteral("&File"));
  QAction* nuova = voce(menu_file, "menu_nuova", QStringLiteral("Nuova Lista"));
  connect(nuova, &QAction::triggered, this, [this] { esegui(nuova_lista); });
  QAction* carica = voce(menu_file, "menu_carica", QStringLiteral("Carica Lista"));
  connect(carica, &QAction::triggered, this, [this] { esegui(menu_carica); });
  QAction* salva = voce(menu_file, "menu_salva", QStringLiteral("Salva Lista"));
  connect(salva, &QAction::triggered, this, [this] { esegui(menu_salva); });
  QAction* salva_nome = voce(menu_file, "menu_salva_nome", QStringLiteral("Salva con nome"));
  connect(salva_nome, &QAction::triggered, this, [this] { esegui(menu_salva_nome); });
  menu_file->addSeparator();
  connect(voce(menu_file, "menu_importa", QStringLiteral("Importa Lista")), &QAction::triggered,
          this, [this] { esegui(menu_importa); });
  connect(voce(menu_file, "menu_esporta", QStringLiteral("Esporta Lista")), &QAction::triggered,
          this, [this] { esegui(menu_esporta); });
  menu_file->addSeparator();
  QAction* esci = voce(menu_file, "menu_esci", QStringLiteral("Esci"));
  connect(esci, &QAction::triggered, this, &QWidget::close);

  QMenu* menu_opzioni = menu("menu_opzioni", QStringLiteral("&Comandi"));
  connect(voce(menu_opzioni, "menu_aggpass", QStringLiteral("Aggiungi Password")),
          &QAction::triggered, pls_aggiungi_, &QPushButton::click);
  QAction* elipass = voce(menu_opzioni, "menu_elipass", QStringLiteral("Elimina Password"));
  connect(elipass, &QAction::triggered, pls_elipass_, &QPushButton::click);
  connect(voce(menu_opzioni, "menu_riduci", QStringLiteral("Riduci nella Traybar")),
          &QAction::triggered, this,
          [this] { inTurno([this] { finestre_->menu_riduci(); }, true); });
  QAction* trova = voce(menu_opzioni, "menu_trova", QStringLiteral("Trova"));
  connect(trova, &QAction::triggered, this, [this] { esegui(menu_trova); });
  QAction* successivo = voce(menu_opzioni, "menu_successivo", QStringLiteral("Trova Successivo"));
  connect(successivo, &QAction::triggered, this, [this] { esegui(menu_successivo); });
  menu_opzioni->addSeparator();
  QAction* modifica = voce(menu_opzioni, "menu_modifica", QStringLiteral("Modifica Password"));
  connect(modifica, &QAction::triggered, this, [this] { esegui(menu_modifica); });
  QAction* genera = voce(menu_opzioni, "menu_genera", QStringLiteral("Genera Password"));
  connect(genera, &QAction::triggered, this, [this] { esegui(menu_genera); });
  QAction* copia_user = voce(menu_opzioni, "menu_copia_username", QStringLiteral("Copia Username"));
  connect(copia_user, &QAction::triggered, this, [this] { esegui(copia_username); });
  QAction* copia_pass = voce(menu_opzioni, "menu_copia_password", QStringLiteral("Copia Password"));
  connect(copia_pass, &QAction::triggered, this, [this] { esegui(copia_password); });

  // Shown in the menus. A text box with the focus keeps the keys it uses itself (Ctrl+E moves
  // to the end of its line on some desktops): Qt lets it claim them before any shortcut.
  const std::pair<QAction*, QKeySequence> tasti[] = {
      {nuova, QKeySequence(Qt::CTRL | Qt::Key_N)},
      {carica, QKeySequence(Qt::CTRL | Qt::Key_O)},
      {salva, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {salva_nome, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {esci, QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {trova, QKeySequence(Qt::CTRL | Qt::Key_F)},
      {successivo, QKeySequence(Qt::Key_F3)},
      {modifica, QKeySequence(Qt::CTRL | Qt::Key_E)},
      {genera, QKeySequence(Qt::CTRL | Qt::Key_G)},
      {elipass, QKeySequence(Qt::Key_Delete)},
      {copia_user, QKeySequence(Qt::CTRL | Qt::Key_B)},
      {copia_pass, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}};
  menu_opzioni->addSeparator();
  blocca_ = voce(menu_opzioni, "menu_blocca", QStringLiteral("Blocca Lista"));
  connect(blocca_, &QAction::triggered, this, [this] { richiediBlocco(false); });
  sblocca_ = voce(menu_opzioni, "menu_sblocca", QStringLiteral("Sblocca"));
  connect(sblocca_, &QAction::triggered, this, &Principale::sblocca);
  sblocca_->setEnabled(false);
  azioniLista_ = {nuova,    carica, salva,      salva_nome, trova,  successivo,
                  modifica, genera, copia_user, copia_pass, elipass};
  for (const char* nome : {"menu_importa", "menu_esporta", "menu_aggpass"})
    azioniLista_.push_back(findChild<QAction*>(QString::fromLatin1(nome)));
  for (const auto& [azione, tasto] : tasti) azione->setShortcut(tasto);
  blocca_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  // These act on the selected node: only from the tree, so that Delete in a text box deletes a
  // character, and pressed anywhere else they do nothing.
  for (QAction* azione : {elipass, copia_user, copia_pass}) {
    azione->setShortcutContext(Qt::WidgetShortcut);
    elenco_->addAction(azione);
  }

  QMenu* menu_info = menu("menu_info", QStringLiteral("&Info"));
  connect(voce(menu_info, "menu_pass", QStringLiteral("Custodex")), &QAction::triggered, this,
          [this] { inTurno([this] { finestre_->menu_pass(); }, true); });
}

void Principale::ordinaFocus() {
  const QWidget* ordine[] = {pls_aggiungi_,    elenco_,       pls_elipass_,
                             txt_nome_,        txt_username_, txt_password_,
                             txt_descrizione_, copia_,        incolla_};
  for (std::size_t i = 0; i + 1 < std::size(ordine); ++i)
    setTabOrder(const_cast<QWidget*>(ordine[i]), const_cast<QWidget*>(ordine[i + 1]));
  pls_aggiungi_->setFocus();
}

void Principale::avvia() {
  adjustSize();
  centraFinestra(*this);
  show();
  // The first tick shows the counter; until then the label is empty.
  timer_.start();
}

void Principale::apriFile(const QString& file) {
  // The key prompt is modal: it waits for the event loop, so that it opens over the window.
  QMetaObject::invokeMethod(
      this, [this, file] { inTurno([&] { carica_file(scheda_, file_, *ambiente_, file); }); },
      Qt::QueuedConnection);
}

void Principale::importaFile(const QString& file) {
  // Queued as apriFile is: the report opens over the window.
  QMetaObject::invokeMethod(
      this, [this, file] { inTurno([&] { importa_file(scheda_, *ambiente_, file); }); },
      Qt::QueuedConnection);
}

void Principale::esegui(void (*comando)(Scheda&, Ambiente&)) {
  inTurno([&] { comando(scheda_, *ambiente_); });
}

void Principale::esegui(void (*comando)(Scheda&, StatoFile&, Ambiente&)) {
  inTurno([&] { comando(scheda_, file_, *ambiente_); });
}

void Principale::esegui(void (*comando)(Scheda&, StatoRicerca&, Ambiente&)) {
  inTurno([&] { comando(scheda_, ricerca_, *ambiente_); });
}

bool Principale::eventFilter(QObject* oggetto, QEvent* evento) {
  // A click on the emptied tree of a locked list asks the key.
  if (elenco_ && oggetto == elenco_->viewport() && evento->type() == QEvent::MouseButtonPress &&
      bloccata(file_)) {
    QMetaObject::invokeMethod(this, &Principale::sblocca, Qt::QueuedConnection);
    return true;
  }
  // Leaving in the middle of a command would end it half done: a save half written, a load
  // half shown.
  if (oggetto == this && evento->type() == QEvent::Close && inCorso_) {
    evento->ignore();
    return true;
  }
  // Coming back to the window is when the user would want to know that the file changed; the
  // question waits for the activation to end.
  if (oggetto == this && evento->type() == QEvent::WindowActivate)
    QMetaObject::invokeMethod(this, &Principale::controllaFile, Qt::QueuedConnection);
  return QMainWindow::eventFilter(oggetto, evento);
}

void Principale::mostraContatore() {
  timer_.stop();
  contatore_->mostra(scheda_.nnodi.valore());
}

QString Principale::testo(Campo campo) const {
  switch (campo) {
    case Campo::Nome:
      return txt_nome_->text();
    case Campo::Username:
      return txt_username_->text();
    case Campo::Password:
      return txt_password_->text();
    case Campo::Descrizione:
      return testoDi(*txt_descrizione_);
  }
  return {};
}

QLineEdit* Principale::riga(Campo campo) const {
  switch (campo) {
    case Campo::Nome:
      return txt_nome_;
    case Campo::Username:
      return txt_username_;
    case Campo::Password:
      return txt_password_;
    case Campo::Descrizione:
      break;
  }
  return nullptr;
}

void Principale::svuota(Campo campo) {
  if (QLineEdit* box = riga(campo))
    svuotaCampo(*box);
  else
    svuotaCampo(*txt_descrizione_);
}

void Principale::imposta(Campo campo, QStringView testo) {
  svuota(campo);
  // A string of its own, which the box lets go of when it is emptied and wiped.
  if (QLineEdit* box = riga(campo))
    box->setText(testo.toString());
  else
    txt_descrizione_->setPlainText(testo.toString());
}

void Principale::impostaStato(const QString& testo) {
  stato_->setText(testo);
}

void Principale::focusElenco() {
  elenco_->setFocus();
}

}  // namespace custodex

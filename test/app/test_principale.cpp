#include <sys/resource.h>

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/icona.h"
#include "app/italiano.h"
#include "app/principale.h"
#include "comune/testi.h"
#include "listfile/comandi_file.h"
#include "listfile/file_lista.h"
#include "listfile/nmcrypt.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"
#include "supporto/copione_finestre.h"
#include "supporto/figlio.h"
#include "supporto/finestra_copione.h"

using namespace custodex;
using copione::FinestraCopione;

namespace {

template <class W = QWidget>
W* controllo(Principale& p, const char* nome) {
  W* w = p.findChild<W*>(QString::fromLatin1(nome));
  if (!w) qFatal("missing control %s", nome);
  return w;
}

QAction* voce(Principale& p, const char* nome) {
  return controllo<QAction>(p, nome);
}

QRect twip(int l, int t, int w, int h) {
  auto px = [](int v) { return qRound(v / 15.0); };
  return QRect(px(l), px(t), px(w), px(h));
}

QString nomeAccessibile(QObject* o) {
  QAccessibleInterface* i = QAccessible::queryAccessibleInterface(o);
  return i ? i->text(QAccessible::Name) : QStringLiteral("<none>");
}

}  // namespace

class TestPrincipale : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    p = std::make_unique<Principale>();
    p->avvia();
    QVERIFY(QTest::qWaitForWindowActive(p.get()));
  }
  void cleanup() { p.reset(); }

  void finestraEControlli() {
    QCOMPARE(p->windowTitle(), QStringLiteral("Custodex"));
    QCOMPARE(p->centralWidget()->size(), QSize(249, 431));
    QCOMPARE(p->minimumSize(), p->maximumSize());  // fixed size
    QVERIFY(!p->windowIcon().isNull());
    QCOMPARE(p->windowIcon().availableSizes(), iconaProgramma().availableSizes());

    struct Atteso {
      const char* nome;
      QRect posto;
      std::optional<QString> testo;  // nothing: written by the timer, which may have ticked
    };
    const Atteso attesi[] = {
        {"elenco", twip(120, 0, 3492, 3372), {}},
        {"copia", twip(120, 3480, 372, 372), {}},
        {"incolla", twip(600, 3480, 372, 372), {}},
        {"label_nodi", twip(1320, 3600, 1932, 252), "Numero Password in lista:"},
        {"label_nnodi", twip(3240, 3600, 372, 252), std::nullopt},
        {"frame_aggiungi", twip(120, 3840, 3492, 2412), "Aggiungi Password"},
        {"stato", twip(120, 6240, 3492, 252), "Stato: operazioni completate"},
        {"label_nome", twip(240, 360, 612, 252), "Nome:"},
        {"label_username", twip(120, 720, 852, 252), "UserName:"},
        {"label_password", twip(120, 1080, 852, 252), "Password:"},
        {"label_descrizione", twip(120, 1440, 972, 252), "Descizione:"},
        {"txt_nome", twip(1080, 360, 2292, 288), {}},
        {"txt_username", twip(1080, 720, 2292, 288), {}},
        {"txt_password", twip(1080, 1080, 2292, 288), {}},
        {"txt_descrizione", twip(1080, 1440, 2292, 492), {}},
        {"pls_elipass", twip(600, 2040, 1332, 252), "Elimina"},
        {"pls_aggiungi", twip(2040, 2040, 1332, 252), "Aggiungi"},
    };
    for (const Atteso& a : attesi) {
      QWidget* w = controllo(*p, a.nome);
      QCOMPARE(w->geometry(), a.posto);
      QString testo;
      if (auto* l = qobject_cast<QLabel*>(w)) testo = l->text();
      if (auto* b = qobject_cast<QPushButton*>(w)) testo = b->text();
      if (auto* g = qobject_cast<QGroupBox*>(w)) testo = g->title();
      if (auto* e = qobject_cast<QLineEdit*>(w)) testo = e->text();
      if (a.testo) QCOMPARE(testo, *a.testo);
    }
    QCOMPARE(controllo(*p, "copia")->toolTip(), QStringLiteral("Copia Valore"));
    QCOMPARE(controllo(*p, "incolla")->toolTip(), QStringLiteral("Incolla Valore"));
    QCOMPARE(controllo<QLineEdit>(*p, "txt_password")->echoMode(), QLineEdit::Normal);
    QCOMPARE(controllo<QPlainTextEdit>(*p, "txt_descrizione")->verticalScrollBarPolicy(),
             Qt::ScrollBarAlwaysOn);
  }

  void caratteri() {
    auto font = [&](const char* nome) { return controllo(*p, nome)->font(); };
    QCOMPARE(font("frame_aggiungi").family(), QStringLiteral("Times New Roman"));
    QCOMPARE(font("frame_aggiungi").pointSizeF(), 12.0);
    QVERIFY(font("frame_aggiungi").bold());
    QCOMPARE(controllo(*p, "frame_aggiungi")->palette().color(QPalette::WindowText),
             QColor(0, 0, 255));
    QCOMPARE(font("stato").pointSizeF(), 10.2);
    QVERIFY(font("stato").bold());
    for (const char* l : {"label_nome", "label_username", "label_password", "label_descrizione"}) {
      QCOMPARE(font(l).family(), QStringLiteral("Times New Roman"));
      QCOMPARE(font(l).pointSizeF(), 9.0);
      QVERIFY(font(l).italic());
      QVERIFY(!font(l).bold());
      QCOMPARE(controllo(*p, l)->palette().color(QPalette::WindowText),
               p->palette().color(QPalette::WindowText));
    }
    // The caption's font stays on the caption.
    for (const char* c : {"txt_nome", "pls_aggiungi", "pls_elipass"}) {
      QCOMPARE(font(c), p->font());
      QVERIFY(!font(c).bold());
    }
  }

  void menu() {
    const QList<QAction*> menus = p->menuBar()->actions();
    QStringList titoli;
    for (QAction* m : menus) titoli << m->text();
    QCOMPARE(titoli, (QStringList{"&File", "&Comandi", "&Info"}));
    auto voci = [](QAction* m) {
      QStringList t;
      for (QAction* a : m->menu()->actions()) {
        if (a->isSeparator()) {
          t << "-";
          continue;
        }
        t << a->objectName() + "=" + a->text();
        if (!a->shortcut().isEmpty()) t.last() += " " + a->shortcut().toString();
        // Nothing is checkable; only "Sblocca" is disabled, with nothing locked.
        if (!a->isEnabled() || a->isCheckable()) t << "!";
      }
      return t;
    };
    QCOMPARE(
        voci(menus[0]),
        (QStringList{"menu_nuova=Nuova Lista Ctrl+N", "menu_carica=Carica Lista Ctrl+O",
                     "menu_salva=Salva Lista Ctrl+S", "menu_salva_nome=Salva con nome Ctrl+Shift+S",
                     "-", "menu_importa=Importa Lista", "menu_esporta=Esporta Lista", "-",
                     "menu_esci=Esci Ctrl+Q"}));
    // The program's own commands come after the others, set apart.
    QCOMPARE(
        voci(menus[1]),
        (QStringList{"menu_aggpass=Aggiungi Password", "menu_elipass=Elimina Password Del",
                     "menu_riduci=Riduci nella Traybar", "menu_trova=Trova Ctrl+F",
                     "menu_successivo=Trova Successivo F3", "-",
                     "menu_modifica=Modifica Password Ctrl+E", "menu_genera=Genera Password Ctrl+G",
                     "menu_copia_username=Copia Username Ctrl+B",
                     "menu_copia_password=Copia Password Ctrl+Shift+C", "-",
                     "menu_blocca=Blocca Lista Ctrl+L", "menu_sblocca=Sblocca", "!"}));
    QCOMPARE(voci(menus[2]), (QStringList{"menu_pass=Custodex"}));
  }

  void focusEOrdineDiTabulazione() {
    QCOMPARE(QApplication::focusWidget(), controllo(*p, "pls_aggiungi"));
    QStringList giro;
    for (int i = 0; i < 9; ++i) {
      giro << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(giro, (QStringList{"pls_aggiungi", "elenco", "pls_elipass", "txt_nome", "txt_username",
                                "txt_password", "txt_descrizione", "copia", "incolla"}));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("pls_aggiungi"));
    QVERIFY(!controllo<QPushButton>(*p, "pls_aggiungi")->isDefault());
  }

  void nomiAccessibili() {
    QCOMPARE(nomeAccessibile(controllo(*p, "txt_nome")), QStringLiteral("Nome:"));
    QCOMPARE(nomeAccessibile(controllo(*p, "txt_username")), QStringLiteral("UserName:"));
    QCOMPARE(nomeAccessibile(controllo(*p, "txt_password")), QStringLiteral("Password:"));
    QCOMPARE(nomeAccessibile(controllo(*p, "txt_descrizione")), QStringLiteral("Descizione:"));
    QCOMPARE(nomeAccessibile(controllo(*p, "copia")), QStringLiteral("Copia Valore"));
    QCOMPARE(nomeAccessibile(controllo(*p, "incolla")), QStringLiteral("Incolla Valore"));
    QCOMPARE(nomeAccessibile(controllo(*p, "pls_aggiungi")), QStringLiteral("Aggiungi"));
    for (const char* c : {"elenco", "label_nnodi"})
      QVERIFY(!nomeAccessibile(controllo(*p, c)).isEmpty());
    // The labels are the boxes' buddies, without showing an access key.
    QCOMPARE(controllo<QLabel>(*p, "label_nome")->buddy(), controllo(*p, "txt_nome"));
  }

  void contatoreAlTickDopoIlComando() {
    auto* label = controllo<QLabel>(*p, "label_nnodi");
    auto* timer = controllo<QTimer>(*p, "Timer");
    // The window was shown and waited for, so the first tick has come.
    QTRY_COMPARE(label->text(), QStringLiteral("0"));
    QVERIFY(!timer->isActive());  // idle: nothing left to show, no ticks

    controllo<QLineEdit>(*p, "txt_nome")->setText(QStringLiteral("posta"));
    controllo<QPushButton>(*p, "pls_aggiungi")->click();
    QCOMPARE(label->text(), QStringLiteral("0"));  // not inside the command
    QVERIFY(timer->isActive());
    QTRY_COMPARE(label->text(), QStringLiteral("1"));
    QVERIFY(!timer->isActive());
  }

  void etichettaVuotaPrimaDelPrimoTick() {
    Principale nuova;
    nuova.avvia();
    QCOMPARE(controllo<QLabel>(nuova, "label_nnodi")->text(), QString());
    QTRY_COMPARE(controllo<QLabel>(nuova, "label_nnodi")->text(), QStringLiteral("0"));
  }

  void menuEseguonoIComandiDeiPulsanti() {
    auto* nome = controllo<QLineEdit>(*p, "txt_nome");
    nome->setText(QStringLiteral("uno"));
    voce(*p, "menu_aggpass")->trigger();
    nome->setText(QStringLiteral("due"));
    voce(*p, "menu_aggpass")->trigger();
    Albero& a = p->scheda().elenco;
    QCOMPARE(a.Count(), 8);
    a.setSelectedItem(a.Item(3));
    voce(*p, "menu_elipass")->trigger();
    QCOMPARE(a.Count(), 4);
    QCOMPARE(p->scheda().nnodi.valore(), qint64(1));
    p->statoFile().versione = a.versione();  // as if just saved: nothing to ask about
    voce(*p, "menu_nuova")->trigger();
    QCOMPARE(a.Count(), 0);
    QCOMPARE(controllo<QLabel>(*p, "stato")->text(),
             QStringLiteral("Stato: operazioni completate"));
  }

  void aggiungiLeggeIQuattroCampi() {
    FinestraCopione f;
    // Longer than a line edit keeps by default.
    const QString lunga = QString(40000, u'x') + u'!';
    controllo<QLineEdit>(f.p, "txt_nome")->setText(QStringLiteral("posta"));
    controllo<QLineEdit>(f.p, "txt_username")->setText(QStringLiteral("io"));
    controllo<QLineEdit>(f.p, "txt_password")->setText(lunga);
    // A no-break space and a line separator stay; the box breaks its lines at "\r\n" as at "\n".
    controllo<QPlainTextEdit>(f.p, "txt_descrizione")
        ->insertPlainText(QString::fromUtf16(u"a\u00A0b\u2028c\nd\r\ne"));
    controllo<QPushButton>(f.p, "pls_aggiungi")->click();
    QCOMPARE(copione::testiNodi(f.p.scheda().elenco),
             (QStringList{"posta", "Username: io", "Password: " + lunga,
                          QString::fromUtf16(u"a\u00A0b\u2028c\nd\ne")}));
    for (const char* c : {"txt_nome", "txt_username", "txt_password"})
      QVERIFY(controllo<QLineEdit>(f.p, c)->text().isEmpty());
    QVERIFY(controllo<QPlainTextEdit>(f.p, "txt_descrizione")->toPlainText().isEmpty());
  }

  void ogniVoceDelMenuFileIlSuoComando() {
    FinestraCopione f;
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("lista.kvx"));
    auto* stato = controllo<QLabel>(f.p, "stato");
    QString statoInPausa;
    f.eventi.durante = [&] { statoInPausa = stato->text(); };
    copione::aggiungiVoce(f.p.scheda().elenco, QStringLiteral("posta"), {}, {}, {});
    auto esegui = [&](const char* nome, std::deque<std::optional<QString>> chiavi) {
      f.dialog.risposte = {file};
      f.richiesta.risposte = std::move(chiavi);
      statoInPausa.clear();
      voce(f.p, nome)->trigger();
      return stato->text() == QStringLiteral("Stato: operazioni completate");
    };

    // "Salva Lista" asks for a file only until it has one, "Salva con nome" every time.
    QVERIFY(esegui("menu_salva", {QStringLiteral("k"), QStringLiteral("k")}));
    QCOMPARE(statoInPausa, QStringLiteral("Stato: salvataggio in corso...."));
    QVERIFY(esegui("menu_salva", {QStringLiteral("k"), QStringLiteral("k")}));
    QCOMPARE(f.dialog.mostrati, QStringList{"salva"});
    QVERIFY(esegui("menu_salva_nome", {QStringLiteral("k"), QStringLiteral("k")}));
    QCOMPARE(f.dialog.mostrati, (QStringList{"salva", "salva"}));

    f.p.scheda().elenco.Clear();
    QVERIFY(esegui("menu_carica", {QStringLiteral("k")}));
    QCOMPARE(statoInPausa, QStringLiteral("Stato: caricamento...."));
    QCOMPARE(f.dialog.mostrati.last(), QStringLiteral("apri"));
    QCOMPARE(f.p.scheda().elenco.Count(), 4);

    // Export and import through their own dialog: the list's file stays the one it was.
    const QString csv = cartella.filePath(QStringLiteral("lista.csv"));
    f.messaggi.risposte = {true};
    f.scambio.risposte = {csv};
    voce(f.p, "menu_esporta")->trigger();
    f.scambio.risposte = {csv};
    voce(f.p, "menu_importa")->trigger();
    QCOMPARE(f.p.scheda().elenco.Count(), 8);
    QCOMPARE(f.p.scheda().nnodi.valore(), 2);
    QCOMPARE(f.dialog.fileName, file);
    QCOMPARE(f.messaggi.avvisi.size(), 2);  // the export's report and the import's
    f.messaggi.avvisi.clear();

    QVERIFY(esegui("menu_nuova", {}));
    QCOMPARE(statoInPausa, QStringLiteral("Stato: operazioni in corso...."));
    QCOMPARE(f.p.scheda().elenco.Count(), 0);
    QVERIFY(f.messaggi.avvisi.isEmpty());
  }

  void memoriaEsauritaNelCaricamento() {
#ifdef CON_ASAN
    QSKIP("the address sanitizer reserves address space of its own");
#endif
    // A small file whose list declares two million nodes: the tree outgrows the memory left.
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("enorme.kvx"));
    QString testo = QStringLiteral("TreeView(");
    for (int i = 0; i < 2000000; ++i) testo += QStringLiteral("Root(BasicInfo()\r)\r");
    testo += u')';
    scrivi_file_lista(file, NmCrypt(NmCrypt::Costo{1, 8}).cripta(testo, QStringLiteral("k")));
    testo = QString();

    FinestraCopione f;
    f.p.avvia();
    copione::aggiungiVoce(f.p.scheda().elenco, QStringLiteral("posta"), {}, {}, {});
    f.p.scheda().nnodi.imposta(1);
    QVERIFY(copione::nelFiglio([&] {
      const rlimit limite{static_cast<rlim_t>(copione::memoriaVirtuale() + (200 << 20)),
                          RLIM_INFINITY};
      QCOMPARE(::setrlimit(RLIMIT_AS, &limite), 0);
      f.dialog.risposte = {file};
      f.richiesta.risposte = {QStringLiteral("k")};
      f.scegli("menu_carica");
      // The list shown is the one there was, the counter true to it, and the user told why.
      QCOMPARE(f.messaggi.avvisi.size(), 1);
      QCOMPARE(f.messaggi.avvisi[0].testo, testi_file::memoriaEsaurita);
      QCOMPARE(controllo<QLabel>(f.p, "stato")->text(), testi::statoCompletato);
      QCOMPARE(controllo<QTreeView>(f.p, "elenco")->model()->rowCount(), 1);
      QCOMPARE(f.p.scheda().elenco.Count(), 4);
      QCOMPARE(f.p.scheda().nnodi.valore(), qint64(1));
      QVERIFY(!f.p.statoFile().file_noto);
    }));
  }

  void ilMessaggioDelLettoreATreeIntero() {
    // The reader's message is a modal box: whatever the view or a screen reader asks of the
    // model inside it must find a whole tree, not one in the middle of a reset.
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("guasta.kvx"));
    scrivi_file_lista(file, NmCrypt(NmCrypt::Costo{1, 8})
                                .cripta(QStringLiteral("TreeView(Root(BasicInfo(Text(uno)) "
                                                       "Child(Altro())))"),
                                        QStringLiteral("k")));
    FinestraCopione f;
    f.p.avvia();
    copione::aggiungiVoce(f.p.scheda().elenco, QStringLiteral("vecchia"), {}, {}, {});
    auto* vista = controllo<QTreeView>(f.p, "elenco");
    vista->setCurrentIndex(vista->model()->index(0, 0));
    bool inRipristino = false;
    connect(vista->model(), &QAbstractItemModel::modelAboutToBeReset, [&] { inRipristino = true; });
    connect(vista->model(), &QAbstractItemModel::modelReset, [&] { inRipristino = false; });
    QStringList visti;
    f.messaggi.durante = [&] {
      QVERIFY(!inRipristino);
      for (QModelIndex i = vista->model()->index(0, 0); i.isValid(); i = vista->indexBelow(i))
        visti << i.data().toString();
    };
    f.dialog.risposte = {file};
    f.richiesta.risposte = {QStringLiteral("k")};
    f.scegli("menu_carica");
    QCOMPARE(f.messaggi.avvisi.size(), 1);
    QCOMPARE(f.messaggi.avvisi[0].testo, testi_file::listaCorrotta);
    QCOMPARE(visti, QStringList{"uno"});
  }

  void contatoreDiOgniGrandezza_data() {
    QTest::addColumn<qint64>("valore");
    for (qint64 v : {0, 12000, 100000, 9999999}) QTest::addRow("%lld", v) << v;
  }
  void contatoreDiOgniGrandezza() {
    QFETCH(qint64, valore);
    auto* numero = controllo<QLabel>(*p, "label_nnodi");
    auto* didascalia = controllo<QLabel>(*p, "label_nodi");
    p->scheda().nnodi.imposta(valore);
    QTRY_COMPARE(numero->text(), QString::number(valore));
    // Every digit shows, ending where the layout ends the number...
    QVERIFY(numero->sizeHint().width() <= numero->width());
    QCOMPARE(numero->geometry().right(), twip(3240, 3600, 372, 252).right());
    // ...clear of its caption, which stays clear of the picture buttons.
    const int fineDidascalia =
        didascalia->x() + didascalia->fontMetrics().horizontalAdvance(didascalia->text());
    QVERIFY(numero->x() + numero->indent() - fineDidascalia >= 2);
    QVERIFY(didascalia->x() > controllo(*p, "incolla")->geometry().right());
    QVERIFY(nomeAccessibile(numero).contains(QString::number(valore)));
  }

  void didascaliaFermaSeIlNumeroCiSta() {
    auto* numero = controllo<QLabel>(*p, "label_nnodi");
    p->scheda().nnodi.imposta(7);
    QTRY_COMPARE(numero->text(), QStringLiteral("7"));
    QCOMPARE(controllo<QLabel>(*p, "label_nodi")->geometry(), twip(1320, 3600, 1932, 252));
    QCOMPARE(numero->geometry(), twip(3240, 3600, 372, 252));
  }

  void laVistaEIlNodoRestanoUno() {
    auto* vista = controllo<QTreeView>(*p, "elenco");
    QAbstractItemModelTester tester(vista->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto* nome = controllo<QLineEdit>(*p, "txt_nome");
    for (const char* n : {"uno", "due"}) {
      nome->setText(QString::fromLatin1(n));
      controllo<QPushButton>(*p, "pls_aggiungi")->click();
    }
    Albero& a = p->scheda().elenco;
    const QModelIndex due = vista->model()->index(1, 0);
    for (int riga : {0, 1, 2}) {
      const QModelIndex i = vista->model()->index(riga, 0, due);
      QVERIFY(!qvariant_cast<QIcon>(i.data(Qt::DecorationRole)).isNull());
    }

    // The user selects and expands: the store follows.
    vista->setCurrentIndex(vista->model()->index(1, 0, due));
    QCOMPARE(a.SelectedItem(), a.Item(7));
    vista->expand(due);
    QVERIFY(a.Expanded(a.Item(5)));
    vista->collapse(due);
    QVERIFY(!a.Expanded(a.Item(5)));

    // The store changes: the view shows it.
    a.setSelectedItem(a.Item(1));
    QCOMPARE(vista->currentIndex(), vista->model()->index(0, 0));
    QVERIFY(vista->selectionModel()->isSelected(vista->model()->index(0, 0)));
    a.setExpanded(a.Item(1), true);
    QVERIFY(vista->isExpanded(vista->model()->index(0, 0)));

    // Deleting the selected entry leaves no stale selection behind.
    controllo<QPushButton>(*p, "pls_elipass")->click();
    QCOMPARE(a.Count(), 4);
    QVERIFY(a.SelectedItem() == nullptr || a.Index(a.SelectedItem()) <= 4);

    // A tree put in place whole shows the expansion and selection it brings.
    {
      Albero nuovo;
      copione::aggiungiVoce(nuovo, QStringLiteral("a"), QStringLiteral("u"), QStringLiteral("p"),
                            QStringLiteral("d"));
      nuovo.setExpanded(nuovo.Item(1), true);
      nuovo.setSelectedItem(nuovo.Item(2));
      a.sostituisci(nuovo);
    }
    QVERIFY(vista->isExpanded(vista->model()->index(0, 0)));
    QCOMPARE(vista->currentIndex(), vista->model()->index(0, 0, vista->model()->index(0, 0)));
  }

  // Entries added at the end of the list are taken into the tree's rows one by one: it must show
  // what a layout of the whole list shows, through removals, adds at the top and expansions in
  // the same pass, its scroll bar must reach them, and selecting one must bring it into sight.
  void leVociInCodaSonoComeDopoUnLayoutIntero() {
    auto* vista = controllo<QTreeView>(*p, "elenco");
    // Its branch lines tell whether a row has one more below it at its level.
    vista->setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    vista->style()->setParent(this);
    Albero& a = p->scheda().elenco;
    auto voce = [&](const char* nome) { return copione::aggiungiVoce(a, nome, "u", "p", "d"); };
    auto righe = [&] {  // in order, each with its place and indent
      QList<QPair<QModelIndex, QRect>> r;
      for (QModelIndex i = vista->model()->index(0, 0); i.isValid(); i = vista->indexBelow(i))
        r.append({i, vista->visualRect(i)});
      return r;
    };
    auto comeUnLayoutIntero = [&] {
      const auto prima = righe();
      const QImage immagine = vista->viewport()->grab().toImage();
      vista->doItemsLayout();
      QCOMPARE(righe(), prima);
      QCOMPARE(vista->viewport()->grab().toImage(), immagine);
    };
    a.setExpanded(voce("uno"), true);
    QCoreApplication::processEvents();
    a.Add(a.radici().front(), Relazione::Primo, {}, u"zero");
    voce("due");
    comeUnLayoutIntero();
    a.Remove(a.Index(voce("via")));
    QCoreApplication::processEvents();
    a.setExpanded(voce("tre"), true);
    voce("quattro");
    comeUnLayoutIntero();
    for (int i = 0; i < 15; ++i) voce("nuova");
    QCoreApplication::processEvents();
    vista->verticalScrollBar()->setValue(vista->verticalScrollBar()->maximum());
    const QModelIndex penultima = vista->model()->index(19, 0);
    QVERIFY(vista->viewport()->rect().contains(vista->visualRect(penultima)));
    QCOMPARE(vista->indexAt(vista->visualRect(penultima).center()), penultima);
    a.setSelectedItem(voce("ultima"));
    QVERIFY(vista->viewport()->rect().contains(vista->visualRect(vista->model()->index(20, 0))));
  }

  void selezioneToltaNellaVista() {
    // The user clears the view's selection: "Elimina" then deletes nothing.
    FinestraCopione f;
    Albero& a = f.p.scheda().elenco;
    copione::aggiungiVoce(a, QStringLiteral("posta"), {}, {}, {});
    auto* vista = controllo<QTreeView>(f.p, "elenco");
    vista->setCurrentIndex(vista->model()->index(0, 0));
    QCOMPARE(a.SelectedItem(), a.Item(1));
    vista->selectionModel()->clearSelection();
    QCOMPARE(a.SelectedItem(), nullptr);
    controllo<QPushButton>(f.p, "pls_elipass")->click();
    QCOMPARE(a.Count(), 4);
  }

  void caricataComeSalvata() {
    // The entries saved expanded show expanded once the file is loaded, the others closed.
    QTemporaryDir cartella;
    const QString file = cartella.filePath(QStringLiteral("lista.kvx"));
    FinestraCopione f;
    Albero& a = f.p.scheda().elenco;
    for (const char* nome : {"uno", "due"}) copione::aggiungiVoce(a, nome, "u", "p", "d");
    a.setExpanded(a.Item(5), true);
    f.dialog.risposte = {file};
    f.richiesta.risposte = {QStringLiteral("k"), QStringLiteral("k")};
    f.scegli("menu_salva");
    f.scegli("menu_nuova");
    f.dialog.risposte = {file};
    f.richiesta.risposte = {QStringLiteral("k")};
    f.scegli("menu_carica");
    QCOMPARE(a.Count(), 8);
    auto* vista = controllo<QTreeView>(f.p, "elenco");
    QVERIFY(!vista->isExpanded(vista->model()->index(0, 0)));
    QVERIFY(vista->isExpanded(vista->model()->index(1, 0)));
  }

  void ctrlCSullElencoCopiaIlValore() {
    FinestraCopione f;
    copione::aggiungiVoce(f.p.scheda().elenco, "posta", "io", "s3gr3to", "");
    auto* vista = controllo<QTreeView>(f.p, "elenco");
    vista->setCurrentIndex(vista->model()->index(1, 0, vista->model()->index(0, 0)));
    QGuiApplication::clipboard()->clear();
    for (const Qt::Key tasto : {Qt::Key_C, Qt::Key_Insert}) {
      f.appunti.svuota();
      QTest::keyClick(vista, tasto, Qt::ControlModifier);
      QCOMPARE(f.appunti.contenuto, QStringLiteral("s3gr3to"));
      QVERIFY(f.appunti.segreto);
    }
    QCOMPARE(f.appunti.scritture, 2);
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());  // not behind the command's back
  }

  void ilDialogoParlaItaliano() {
    QVERIFY(installaItaliano(*QCoreApplication::instance()));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"),
             QStringLiteral("&Nome del file:"));
  }

 private:
  std::unique_ptr<Principale> p;
};

QTEST_MAIN(TestPrincipale)
#include "test_principale.moc"

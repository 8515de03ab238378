#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "app/finestre.h"
#include "supporto/finestra_copione.h"

using namespace custodex;
using copione::FinestraCopione;

// Every shortcut through the real window, as the user presses it: the wiring is what can break.

namespace {

struct Finestra : FinestraCopione {
  Finestra() {
    Albero& a = p.scheda().elenco;
    copione::aggiungiVoce(a, "Posta", "mario", "segreta", "");
    password = a.figli(a.radici()[0])[1];
    a.setSelectedItem(password);
    p.statoFile().file_noto = true;  // as if just loaded
    p.statoFile().versione = a.versione();
    dialog.fileName = QStringLiteral("/nessuna/cartella/lista.kvx");
    p.avvia();
  }
  QTreeView* vista() { return p.findChild<QTreeView*>(QStringLiteral("elenco")); }
  QLineEdit* box(const char* nome) { return p.findChild<QLineEdit*>(QString::fromLatin1(nome)); }

  Nodo* password = nullptr;
};

struct Riga {
  const char* nome;
  QKeyCombination tasto;
  const char* fuoco;  // the control with the focus: "elenco", or a text box
  std::function<bool(Finestra&)> giunto;
};

}  // namespace

class TestTasti : public QObject {
  Q_OBJECT

 private slots:
  void ogniTastoRaggiungeIlSuoComando() {
    const Riga righe[] = {
        {"Nuova Lista", Qt::CTRL | Qt::Key_N, "txt_nome",
         [](Finestra& f) { return f.p.scheda().elenco.Count() == 0; }},
        {"Carica Lista", Qt::CTRL | Qt::Key_O, "elenco",
         [](Finestra& f) { return f.dialog.mostrati == QStringList{"apri"}; }},
        // The list is tied to a file: "Salva Lista" asks for the key at once.
        {"Salva Lista", Qt::CTRL | Qt::Key_S, "elenco",
         [](Finestra& f) {
           return f.dialog.mostrati.isEmpty() && f.richiesta.domande.size() == 1;
         }},
        {"Salva con nome", Qt::CTRL | Qt::SHIFT | Qt::Key_S, "elenco",
         [](Finestra& f) { return f.dialog.mostrati == QStringList{"salva"}; }},
        {"Esci", Qt::CTRL | Qt::Key_Q, "elenco",
         [](Finestra& f) {
           return f.messaggi.domande == QStringList{testi_finestre::domandaUscita} &&
                  f.p.isVisible();
         }},
        {"Trova", Qt::CTRL | Qt::Key_F, "txt_nome",
         [](Finestra& f) { return f.richiesta.domande.size() == 1; }},
        {"Trova Successivo", Qt::Key_F3, "elenco",
         [](Finestra& f) { return f.p.ricerca().indice_trovato == 1; }},
        {"Modifica Password", Qt::CTRL | Qt::Key_E, "elenco",
         [](Finestra& f) { return f.modifica.voci.size() == 1; }},
        {"Genera Password", Qt::CTRL | Qt::Key_G, "txt_nome",
         [](Finestra& f) { return f.generatore.aperture == 1; }},
        {"Elimina Password", Qt::Key_Delete, "elenco",
         [](Finestra& f) { return f.p.scheda().elenco.Count() == 0; }},
        {"Copia Valore", Qt::CTRL | Qt::Key_C, "elenco",
         [](Finestra& f) { return f.appunti.contenuto == "segreta"; }},
        {"Copia Username", Qt::CTRL | Qt::Key_B, "elenco",
         [](Finestra& f) { return f.appunti.contenuto == "mario"; }},
        {"Copia Password", Qt::CTRL | Qt::SHIFT | Qt::Key_C, "elenco",
         [](Finestra& f) { return f.appunti.contenuto == "segreta" && f.appunti.segreto; }},
        {"Invio sulla riga", QKeyCombination(Qt::Key_Return), "elenco",
         [](Finestra& f) { return f.modifica.voci.size() == 1; }},
        // The tree's own keys do nothing from a text box, which keeps its Delete and copy.
        {"Canc nel testo", Qt::Key_Delete, "txt_nome",
         [](Finestra& f) {
           return f.p.scheda().elenco.Count() == 4 && f.box("txt_nome")->text() == "bc";
         }},
        {"Ctrl+B nel testo", Qt::CTRL | Qt::Key_B, "txt_nome",
         [](Finestra& f) { return f.appunti.scritture == 0; }},
    };
    for (const Riga& r : righe) {
      Finestra f;
      QVERIFY(QTest::qWaitForWindowActive(&f.p));
      f.p.ricerca().parola_chiave = QStringLiteral("posta");
      f.messaggi.risposte = {false};
      f.box("txt_nome")->setText(QStringLiteral("abc"));
      f.box("txt_nome")->setCursorPosition(0);
      QWidget* fuoco =
          qstrcmp(r.fuoco, "elenco") == 0 ? static_cast<QWidget*>(f.vista()) : f.box(r.fuoco);
      fuoco->setFocus();
      QCOMPARE(QApplication::focusWidget(), fuoco);
      QTest::keyClick(fuoco, r.tasto.key(), r.tasto.keyboardModifiers());
      QVERIFY2(r.giunto(f), r.nome);
    }
  }

  void doppioClicApreLaVoce() {
    Finestra f;
    QVERIFY(QTest::qWaitForWindowActive(&f.p));
    QTreeView* vista = f.vista();
    const QModelIndex voce = vista->model()->index(0, 0);
    const bool aperta = vista->isExpanded(voce);
    const QPoint punto = vista->visualRect(voce).center();
    // As the window system delivers it: a click, then the second press as a double-click.
    QTest::mouseClick(vista->viewport(), Qt::LeftButton, {}, punto);
    QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {}, punto);
    QCOMPARE(f.modifica.voci.size(), 1);
    // Not opened or closed by it.
    QCOMPARE(vista->isExpanded(voce), aperta);
  }

  void ctrlCNelTestoCopiaIlTesto() {
    Finestra f;
    QVERIFY(QTest::qWaitForWindowActive(&f.p));
    QLineEdit* nome = f.box("txt_nome");
    nome->setText(QStringLiteral("Banca"));
    nome->selectAll();
    nome->setFocus();
    QTest::keyClick(nome, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Banca"));
    QCOMPARE(f.appunti.scritture, 0);
  }
};

QTEST_MAIN(TestTasti)
#include "test_tasti.moc"

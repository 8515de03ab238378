#include <QAbstractItemModelTester>
#include <QIcon>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

#include "comune/errore.h"
#include "list/albero.h"
#include "list/modello_elenco.h"
#include "supporto/copione.h"

using namespace custodex;

namespace {

template <class F>
int numeroErrore(F f) {
  try {
    f();
  } catch (const Errore& e) {
    return e.numero();
  }
  return 0;
}

}  // namespace

class TestAlbero : public QObject {
  Q_OBJECT

 private slots:
  void alberoVuoto() {
    Albero a;
    QCOMPARE(a.Count(), 0);
    QCOMPARE(a.SelectedItem(), nullptr);
    QCOMPARE(numeroErrore([&] { a.Item(1); }), int(Errore::IndiceNonValido));
    QCOMPARE(numeroErrore([&] { a.Remove(0); }), int(Errore::IndiceNonValido));
  }

  void nodoMancanteSollevaErrore() {
    Albero a;
    Nodo* radice = a.Add(nullptr, {}, {}, QStringLiteral("r"));
    QCOMPARE(a.Parent(radice), nullptr);
    QCOMPARE(numeroErrore([&] { a.Index(a.Parent(radice)); }), int(Errore::NodoMancante));
    QCOMPARE(numeroErrore([&] { a.Children(a.SelectedItem()); }), int(Errore::NodoMancante));
    QCOMPARE(numeroErrore([&] { a.setText(nullptr, {}); }), int(Errore::NodoMancante));
  }

  void campiDiUnNodoNuovo() {
    Albero a;
    Nodo* n = a.Add(nullptr, Relazione::Figlio, QStringLiteral("k"), QStringLiteral("t"), 1, 2);
    QCOMPARE(a.Text(n), QStringLiteral("t"));
    QCOMPARE(a.Key(n), QStringLiteral("k"));
    QCOMPARE(a.Image(n), Immagine(1));
    QCOMPARE(a.SelectedImage(n), Immagine(2));
    QCOMPARE(a.ExpandedImage(n), Immagine());
    QCOMPARE(a.Tag(n), QString());
    QVERIFY(!a.Expanded(n));
    QVERIFY(!a.Selected(n));
    QCOMPARE(a.Index(n), 1);
  }

  void figliNellOrdineDiAggiunta() {
    Albero a;
    Nodo* p = a.Add(nullptr, {}, {}, QStringLiteral("p"));
    Nodo* q = a.Add(nullptr, {}, {}, QStringLiteral("q"));
    Nodo* c1 = a.Add(p, Relazione::Figlio, {}, QStringLiteral("c1"));
    Nodo* c2 = a.Add(p, Relazione::Figlio, {}, QStringLiteral("c2"));
    QCOMPARE(a.Children(p), 2);
    QCOMPARE(a.Child(p), c1);
    QCOMPARE(a.Next(c1), c2);
    QCOMPARE(a.Next(c2), nullptr);
    QCOMPARE(a.Next(p), q);
    QCOMPARE(a.Parent(c2), p);
    QCOMPARE(a.Index(c2), 4);
  }

  void chiaveRipetutaRifiutata() {
    Albero a;
    a.Add(nullptr, {}, QStringLiteral("k"), QStringLiteral("a"));
    QCOMPARE(numeroErrore([&] { a.Add(nullptr, {}, QStringLiteral("k"), QStringLiteral("b")); }),
             int(Errore::ChiaveNonUnica));
    QCOMPARE(a.Count(), 1);
    // An empty key is no key, and may repeat; a removed node's key is free again.
    a.Add(nullptr, {}, {}, QStringLiteral("c"));
    a.Add(nullptr, {}, {}, QStringLiteral("d"));
    a.Remove(1);
    a.Add(nullptr, {}, QStringLiteral("k"), QStringLiteral("e"));
    QCOMPARE(copione::testiNodi(a), (QStringList{"c", "d", "e"}));
  }

  void rimozioneChiudeIlVuoto() {
    Albero a;
    copione::aggiungiVoce(a, "uno", "u1", "p1", {});
    copione::aggiungiVoce(a, "due", "u2", "p2", "d2");
    copione::aggiungiVoce(a, "tre", "u3", "p3", {});
    a.Remove(5);
    QCOMPARE(a.Count(), 8);
    QCOMPARE(copione::testiNodi(a),
             (QStringList{"uno", "Username: u1", "Password: p1", "Nessuna Descrizione", "tre",
                          "Username: u3", "Password: p3", "Nessuna Descrizione"}));
    for (int i = 1; i <= a.Count(); ++i) QCOMPARE(a.Index(a.Item(i)), i);
    QCOMPARE(a.Next(a.Item(1)), a.Item(5));
  }

  void rimozioneDiUnSottoalberoProfondo() {
    Albero a;
    Nodo* r = a.Add(nullptr, {}, {}, QStringLiteral("r"));
    Nodo* b = a.Add(r, Relazione::Figlio, {}, QStringLiteral("b"));
    a.Add(nullptr, {}, {}, QStringLiteral("s"));
    Nodo* c = a.Add(b, Relazione::Figlio, {}, QStringLiteral("c"));
    a.Add(c, Relazione::Figlio, {}, QStringLiteral("d"));
    a.Add(r, Relazione::Figlio, {}, QStringLiteral("e"));
    a.setSelectedItem(c);
    a.Remove(a.Index(b));
    QCOMPARE(copione::testiNodi(a), (QStringList{"r", "s", "e"}));
    QCOMPARE(a.SelectedItem(), nullptr);
    QCOMPARE(a.Child(a.Item(1)), a.Item(3));
  }

  void unSoloNodoSelezionato() {
    Albero a;
    Nodo* x = a.Add(nullptr, {}, {}, QStringLiteral("x"));
    Nodo* y = a.Add(nullptr, {}, {}, QStringLiteral("y"));
    a.setSelected(x, true);
    a.setSelected(y, true);
    QVERIFY(!a.Selected(x));
    QVERIFY(a.Selected(y));
    a.setSelected(x, false);  // not the selected one: nothing changes
    QCOMPARE(a.SelectedItem(), y);
    a.setSelected(y, false);
    QCOMPARE(a.SelectedItem(), nullptr);
  }

  void laSelezioneNonSopravviveAllAlberoVecchio() {
    // "Nuova Lista" and a load put another tree in place: a pointer kept into the old one would
    // send the next "Elimina" into freed memory.
    Albero a;
    a.setSelectedItem(a.Add(nullptr, {}, {}, QStringLiteral("vecchio")));
    a.Clear();
    QCOMPARE(a.SelectedItem(), nullptr);
    a.setSelectedItem(a.Add(nullptr, {}, {}, QStringLiteral("vecchio")));
    Albero caricato;
    caricato.Add(nullptr, {}, {}, QStringLiteral("nuovo"));
    a.sostituisci(caricato);
    QCOMPARE(a.SelectedItem(), nullptr);
  }

  void relazioniFraFratelli() {
    Albero a;
    Nodo* b = a.Add(nullptr, {}, {}, QStringLiteral("b"));
    a.Add(b, Relazione::Primo, {}, QStringLiteral("a"));
    a.Add(b, Relazione::Successivo, {}, QStringLiteral("c"));
    a.Add(b, Relazione::Ultimo, {}, QStringLiteral("d"));
    QStringList viste;
    for (Nodo* n : a.radici()) viste << a.Text(n);
    QCOMPARE(viste, (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(copione::testiNodi(a), (QStringList{"b", "a", "c", "d"}));
  }

  void ilModelloSegueOgniModifica() {
    Albero a;
    ModelloElenco m(a);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Nodo* v = copione::aggiungiVoce(a, "uno", "u", "p", {});
    copione::aggiungiVoce(a, "due", "u", "p", {});
    QCOMPARE(m.rowCount(), 2);
    QCOMPARE(m.rowCount(m.indiceDi(v)), 3);
    QCOMPARE(m.index(1, 0, m.indiceDi(v)).data().toString(), QStringLiteral("Password: p"));
    a.setText(a.Item(2), QStringLiteral("nuovo"));
    QCOMPARE(m.index(0, 0, m.indiceDi(v)).data().toString(), QStringLiteral("nuovo"));
    a.Remove(1);
    QCOMPARE(m.rowCount(), 1);
    {
      // Built aside, put in place at once; the old nodes go with `nuovo`.
      Albero nuovo;
      for (int i = 0; i < 51; ++i) copione::aggiungiVoce(nuovo, "x", "u", "p", {});
      a.sostituisci(nuovo);
      QCOMPARE(nuovo.Count(), 4);
    }
    QCOMPARE(m.rowCount(), 51);
    a.Clear();
    QCOMPARE(m.rowCount(), 0);
  }

  void ilModelloAnnunciaEspansioneESelezione() {
    Albero a;
    ModelloElenco m(a);
    QSignalSpy espansioni(&m, &ModelloElenco::espansioneRichiesta);
    QSignalSpy selezioni(&m, &ModelloElenco::selezioneRichiesta);
    Nodo* v = copione::aggiungiVoce(a, "uno", "u", "p", {});
    a.setExpanded(v, true);
    a.setExpanded(v, true);
    a.setSelectedItem(a.Child(v));
    QCOMPARE(espansioni.count(), 1);
    QCOMPARE(selezioni.count(), 1);
    QCOMPARE(selezioni.at(0).at(0).value<QModelIndex>(), m.index(0, 0, m.indiceDi(v)));
  }

  void iconaDiSelezioneSoloSulSelezionato() {
    Albero a;
    ModelloElenco m(a);
    QList<QIcon> immagini;
    for (const Qt::GlobalColor colore : {Qt::red, Qt::green}) {
      QPixmap pixmap(1, 1);
      pixmap.fill(colore);
      immagini << QIcon(pixmap);
    }
    m.impostaImmagini(immagini);
    Nodo* x = a.Add(nullptr, {}, {}, QStringLiteral("x"), 1, 2);
    Nodo* y = a.Add(nullptr, {}, {}, QStringLiteral("y"), 1, 2);
    const auto immagine = [&](Nodo* n) {
      return qvariant_cast<QIcon>(m.indiceDi(n).data(Qt::DecorationRole)).cacheKey();
    };
    a.setSelectedItem(x);
    QCOMPARE(immagine(x), immagini[1].cacheKey());
    QCOMPARE(immagine(y), immagini[0].cacheKey());
    // The node left behind gets its own picture back, and the view hears of it.
    QSignalSpy cambiati(&m, &QAbstractItemModel::dataChanged);
    a.setSelectedItem(y);
    QCOMPARE(immagine(x), immagini[0].cacheKey());
    QVERIFY(std::any_of(cambiati.cbegin(), cambiati.cend(), [&](const QList<QVariant>& c) {
      return c.at(0).value<QModelIndex>() == m.indiceDi(x);
    }));
  }
};

QTEST_MAIN(TestAlbero)
#include "test_albero.moc"

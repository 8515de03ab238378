#include <QRandomGenerator>
#include <QTest>

#include "comune/testi.h"
#include "listfile/salva_carica.h"
#include "search/corrispondenza.h"
#include "search/ricerca.h"
#include "supporto/copione.h"

using namespace custodex;
using copione::aggiungiVoce;
using copione::Banco;

namespace {

const QString domanda = QStringLiteral("Inserire la parola chiave da cercare: ");
const QString cercando = "stato: " + testi::statoRicerca;
const QString completato = "stato: " + testi::statoCompletato;
const QString focus = QStringLiteral("focus: elenco");

// Three entries: nodes 1-4, 5-8 and 9-12.
void treVoci(Albero& a) {
  aggiungiVoce(a, "Posta", "mario@posta.it", "Segreto1", "casella di lavoro");
  aggiungiVoce(a, "Banca", "mrossi", "POSTAle", {});
  aggiungiVoce(a, "Forum", "mario", "x", "iscritto con la posta di casa");
}

qint64 trova(Banco& b, const std::optional<QString>& risposta) {
  b.richiesta.risposte.push_back(risposta);
  menu_trova(b.scheda, b.ambiente);
  return b.scheda.indice_trovato;
}

qint64 successivo(Banco& b) {
  menu_successivo(b.scheda, b.ambiente);
  return b.scheda.indice_trovato;
}

qint64 selezionato(const Albero& a) {
  return a.SelectedItem() ? a.Index(a.SelectedItem()) : 0;
}

}  // namespace

class TestRicerca : public QObject {
  Q_OBJECT

 private slots:
  void alberoVuoto() {
    Banco b;
    b.scheda.parola_chiave = QStringLiteral("vecchia");
    b.scheda.indice_trovato = 7;
    menu_trova(b.scheda, b.ambiente);
    QVERIFY(b.richiesta.domande.isEmpty());  // no prompt at all
    QVERIFY(b.registro.isEmpty());
    QCOMPARE(b.scheda.parola_chiave, QStringLiteral("vecchia"));

    // Find next with a keyword examines no node, and only says so.
    QCOMPARE(successivo(b), 7);
    QCOMPARE(b.registro, (QStringList{cercando, "eventi", completato}));
  }

  void promptAnnullatoOVuoto_data() {
    QTest::addColumn<std::optional<QString>>("risposta");
    QTest::newRow("Annulla") << std::optional<QString>();
    QTest::newRow("vuota") << std::optional<QString>(QString());
  }
  void promptAnnullatoOVuoto() {
    QFETCH(std::optional<QString>, risposta);
    Banco b;
    Albero& a = b.scheda.elenco;
    a.Add(nullptr, {}, {}, QString());  // an empty text matches not even the empty keyword
    treVoci(a);
    b.scheda.parola_chiave = QStringLiteral("vecchia");

    QCOMPARE(trova(b, risposta), 2);
    QCOMPARE(b.richiesta.domande, QStringList{domanda});
    QCOMPARE(b.richiesta.echi, QList<Richiesta::Eco>{Richiesta::Eco::Visibile});
    QCOMPARE(b.scheda.parola_chiave, QString());
    QCOMPARE(selezionato(a), 2);
    QCOMPARE(b.registro, (QStringList{cercando, "eventi", focus, completato}));

    // Find next stays inert while the keyword is empty.
    b.registro.clear();
    QCOMPARE(successivo(b), 2);
    QVERIFY(b.registro.isEmpty());
  }

  void piuCorrispondenzeFinoAllaFine() {
    Banco b;
    Albero& a = b.scheda.elenco;
    treVoci(a);
    // Capitals in the keyword; the words in the nodes in every mix of case.
    QCOMPARE(trova(b, QStringLiteral("PoStA")), 1);
    QCOMPARE(b.scheda.parola_chiave, QStringLiteral("posta"));
    QCOMPARE(selezionato(a), 1);
    QCOMPARE(successivo(b), 2);
    QCOMPARE(successivo(b), 7);
    QCOMPARE(b.registro.mid(b.registro.size() - 4),
             (QStringList{cercando, "eventi", focus, completato}));
    QCOMPARE(successivo(b), 12);
    QCOMPARE(selezionato(a), 12);

    // The last node matched: no wrap-around, the selection stays, only the status is set.
    b.registro.clear();
    QCOMPARE(successivo(b), 12);
    QCOMPARE(selezionato(a), 12);
    QCOMPARE(b.registro, (QStringList{cercando, "eventi", completato}));

    // A new find starts again from the first node.
    QCOMPARE(trova(b, QStringLiteral("posta")), 1);

    // A find without a match keeps the old index and the selection: find next goes on from
    // there with the new keyword.
    QCOMPARE(trova(b, QStringLiteral("forum")), 9);
    QCOMPARE(trova(b, QStringLiteral("assente")), 9);
    QCOMPARE(selezionato(a), 9);
    QCOMPARE(b.scheda.parola_chiave, QStringLiteral("assente"));
    b.scheda.parola_chiave = QStringLiteral("casella");
    QCOMPARE(successivo(b), 9);  // node 4 holds it, but lies before the old index
  }

  void prefissiEDescrizioni() {
    Banco b;
    Albero& a = b.scheda.elenco;
    treVoci(a);
    // The prefixes are part of the text searched.
    QCOMPARE(trova(b, QStringLiteral("password")), 3);
    QCOMPARE(successivo(b), 7);
    QCOMPARE(successivo(b), 11);
    QCOMPARE(trova(b, QStringLiteral("user")), 2);
    // The keyword is not trimmed: one blank first matches a detail line's prefix.
    QCOMPARE(trova(b, QStringLiteral(" ")), 2);
    // A word only in a description selects the description, not its entry.
    QCOMPARE(trova(b, QStringLiteral("ISCRITTO")), 12);
    QCOMPARE(a.SelectedItem(), a.Item(12));
    QCOMPARE(a.Parent(a.SelectedItem()), a.Item(9));
  }

  void indiceVecchioDopoEliminazioneECaricamento() {
    Banco b;
    Albero& a = b.scheda.elenco;
    treVoci(a);
    QCOMPARE(trova(b, QStringLiteral("mario")), 2);

    // The index is a plain number: deleting the first entry moves "Forum" to nodes 5-8, and find
    // next goes on from node 3 of the new collection.
    a.Remove(1);
    QCOMPARE(successivo(b), 6);
    QCOMPARE(a.Text(a.Item(6)), QStringLiteral("Username: mario"));

    // Another list is loaded: the old index and keyword stay. At or past the new count nothing
    // is examined and nothing is found.
    Albero altra;
    aggiungiVoce(altra, "mario", "u", "p", {});
    QVERIFY(carica_albero(a, salva_albero(altra), b.messaggi));
    b.registro.clear();
    QCOMPARE(successivo(b), 6);
    QCOMPARE(b.registro, (QStringList{cercando, "eventi", completato}));
    QCOMPARE(trova(b, QStringLiteral("mario")), 1);
  }

  void laPausaPrecedeIlConteggio() {
    // A command queued by the user runs during the yield; the count that bounds the scan is read
    // after it.
    Banco b;
    Albero& a = b.scheda.elenco;
    treVoci(a);
    b.eventi.durante = [&] { a.Clear(); };
    QCOMPARE(trova(b, QStringLiteral("posta")), 0);
    QCOMPARE(b.registro, (QStringList{cercando, "eventi", completato}));

    treVoci(a);
    b.eventi.durante = [&] { aggiungiVoce(a, "Posta nuova", "u", "p", {}); };
    b.scheda.indice_trovato = 12;
    QCOMPARE(successivo(b), 13);
  }

  void oltreIlNodo32767() {
    Banco b;
    Albero& a = b.scheda.elenco;
    a.riserva(40004);
    for (int i = 0; i < 10000; ++i) aggiungiVoce(a, QString::number(i), "u", "p", {});
    a.setText(a.Item(32767), QStringLiteral("ago"));
    a.setText(a.Item(32768), QStringLiteral("ago"));
    a.setText(a.Item(40000), QStringLiteral("ago"));
    QCOMPARE(trova(b, QStringLiteral("ago")), 32767);
    QCOMPARE(successivo(b), 32768);
    QCOMPARE(successivo(b), 40000);
    QCOMPARE(selezionato(a), 40000);
    QCOMPARE(successivo(b), 40000);
  }

  // The quick scan answers as the rule does: lower-case the text, then search it ignoring case.
  // The letters chosen each have one lower-case form, where the two ways of folding agree; among
  // them the Kelvin sign and the long s, which fold to ASCII letters, a letter beyond the 16-bit
  // range, and the signs beside A-Z and a-z.
  void corrispondenzaComeLaRegola() {
    const char16_t* const lettere[] = {
        u"a",          u"A",          u"b", u"B", u"k", u"K", u"s", u"S",
        u"\u212A",     u"\u017F",     u"é", u"É", u"ß", u" ", u":", u"1",
        u"\U00010400", u"\U00010428", u"z", u"Z", u"@", u"`", u"[", u"{"};
    QRandomGenerator caso(7);
    auto parola = [&](int massimo) {
      QStringList s;
      for (int n = int(caso.bounded(massimo + 1)); n > 0; --n)
        s << QString::fromUtf16(lettere[caso.bounded(int(std::size(lettere)))]);
      return s;
    };
    int vere = 0;
    for (int prova = 0; prova < 20000; ++prova) {
      const QStringList testo = parola(12);
      QString chiave;
      if (prova % 2 && !testo.isEmpty()) {
        // A piece of the text, each letter turned to either case.
        const qsizetype da = caso.bounded(testo.size());
        for (const QString& l : testo.mid(da, caso.bounded(testo.size() - da) + 1))
          chiave += caso.bounded(2) ? l.toUpper() : l.toLower();
      } else {
        chiave = parola(3).join(QString());
      }
      chiave = chiave.toLower();
      const QString unito = testo.join(QString());
      const bool atteso = !unito.isEmpty() && unito.toLower().contains(chiave, Qt::CaseInsensitive);
      if (Corrispondenza(chiave).in(unito) != atteso)
        QFAIL(qPrintable("\"" + chiave + "\" in \"" + unito + "\""));
      vere += atteso;
    }
    QVERIFY(vere > 5000 && vere < 15000);
  }
};

QTEST_GUILESS_MAIN(TestRicerca)
#include "test_ricerca.moc"

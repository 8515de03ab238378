#include <QRandomGenerator>
#include <QTest>

#include "listfile/salva_carica.h"
#include "search/corrispondenza.h"
#include "search/ricerca.h"
#include "supporto/copione.h"

using namespace custodex;
using copione::aggiungiVoce;

namespace {

const QStringList trovato = {"stato: Stato: sto cercando....", "eventi", "focus: elenco",
                             "stato: Stato: operazioni completate"};
const QStringList nonTrovato = {trovato[0], trovato[1], trovato[3]};

struct Banco : copione::Banco {
  Albero& a = scheda.elenco;
  void treVoci() {  // nodes 1-4, 5-8, 9-12
    aggiungiVoce(a, "Posta", "mario@posta.it", "Segreto1", "casella");
    aggiungiVoce(a, "Banca", "mrossi", "POSTAle", {});
    aggiungiVoce(a, "Forum", "mario", "x", "iscritto con la posta");
  }
  qint64 trova(const std::optional<QString>& risposta) {
    richiesta.risposte = {risposta};
    registro.clear();
    menu_trova(scheda, ricerca, ambiente);
    return ricerca.indice_trovato;
  }
  qint64 successivo() {
    registro.clear();
    menu_successivo(scheda, ricerca, ambiente);
    return ricerca.indice_trovato;
  }
};

}  // namespace

class TestRicerca : public QObject {
  Q_OBJECT

 private slots:
  void trovaESuccessivo() {
    Banco b;
    b.ricerca.parola_chiave = QStringLiteral("y");
    QCOMPARE(b.trova(QStringLiteral("x")), 0);  // empty tree: no prompt, nothing changes
    QVERIFY(b.richiesta.domande.isEmpty() && b.registro.isEmpty());
    QCOMPARE(b.successivo(), 0);
    QCOMPARE(b.registro, nonTrovato);

    // A cancelled prompt searches for the empty keyword, which an empty text does not hold;
    // find next then stays inert.
    b.a.Add(nullptr, {}, {}, QString());
    b.treVoci();
    QCOMPARE(b.trova(std::nullopt), 2);
    QCOMPARE(b.richiesta.domande, QStringList{"Inserire la parola chiave da cercare: "});
    QCOMPARE(b.registro, trovato);
    QCOMPARE(b.successivo(), 2);
    QVERIFY(b.registro.isEmpty());

    b.a.Remove(1);
    QCOMPARE(b.trova(QStringLiteral("PoStA")), 1);
    QCOMPARE(b.ricerca.parola_chiave, QStringLiteral("posta"));
    QCOMPARE(b.successivo(), 2);
    QCOMPARE(b.successivo(), 7);
    QCOMPARE(b.successivo(), 12);
    QCOMPARE(b.successivo(), 12);  // no wrap-around; the selection stays
    QCOMPARE(b.registro, nonTrovato);
    QCOMPARE(b.a.SelectedItem(), b.a.Item(12));
    // Prefixes are searched; a word only in a description selects the description.
    QCOMPARE(b.trova(QStringLiteral("password")), 3);
    QCOMPARE(b.trova(QStringLiteral(" ")), 2);
    QCOMPARE(b.trova(QStringLiteral("ISCRITTO")), 12);
    QCOMPARE(b.trova(QStringLiteral("assente")), 12);
  }

  void indicePianoDopoEliminaECarica() {
    Banco b;
    b.treVoci();
    QCOMPARE(b.trova(QStringLiteral("mario")), 2);
    b.a.Remove(1);  // "Forum" moves to nodes 5-8; find next goes on from node 3
    QCOMPARE(b.successivo(), 6);
    Albero altra;
    aggiungiVoce(altra, "mario", "u", "p", {});
    QVERIFY(carica_albero(b.a, salva_albero(altra), b.messaggi));
    QCOMPARE(b.successivo(), 6);
    // The count is read after the yield, where a queued command may change the tree.
    b.eventi.durante = [&] { b.treVoci(); };
    QCOMPARE(b.successivo(), 14);
  }

  void oltreIlNodo32767() {
    Banco b;
    for (int i = 0; i < 10000; ++i) aggiungiVoce(b.a, QString::number(i), "u", "p", {});
    for (int i : {32767, 32768, 40000}) b.a.setText(b.a.Item(i), QStringLiteral("ago"));
    QCOMPARE(b.trova(QStringLiteral("ago")), 32767);
    QCOMPARE(b.successivo(), 32768);
    QCOMPARE(b.successivo(), 40000);
  }

  // The scan answers as the rule: lower-case the text, then search it ignoring case. Most letters
  // fold as their lower case does and some fold to ASCII; "İ" lower-cases to two characters,
  // "ς" folds to "σ", Cherokee folds to upper case, and some lie beyond 16 bits.
  void corrispondenzaComeLaRegola() {
    QStringList lettere;
    for (char32_t c : {0x10400, 0x10428, 0x1E900, 0x1E922, 0x1D400})
      lettere << QString::fromUcs4(&c, 1);
    for (QChar c :
         QStringView(u"aAkKzZsSiI\u212A\u017F\u0130\u0307\u0131éÉß\u1E9E\u03A3\u03C3\u03C2"
                     u"\u13A0\uAB70\u13F0\u13F8\u2102 :1@`[{"))
      lettere << c;
    QRandomGenerator caso(7);
    auto parola = [&](int n) {
      QStringList s;
      for (n = int(caso.bounded(n + 1)); n > 0; --n)
        s << lettere[caso.bounded(int(lettere.size()))];
      return s;
    };
    for (int prova = 0; prova < 40000; ++prova) {
      const QStringList lista = parola(12);  // half the keywords are pieces of the text
      const QString testo = lista.join(QString());
      QString k =
          (prova % 2 ? lista.mid(caso.bounded(lista.size() + 1), 3) : parola(3)).join(QString());
      if (prova % 3) k = k.toLower();  // as the find command keeps it, but not always
      const bool atteso = !testo.isEmpty() && testo.toLower().contains(k, Qt::CaseInsensitive);
      if (Corrispondenza(k).in(testo) != atteso) QFAIL(qPrintable(k + " in " + testo));
    }
  }

  // Every character whose lower case Qt makes unlike its fold, not only those known today.
  void ogniMinuscolaSpeciale() {
    for (char32_t c = 1; c < 0x110000; ++c) {
      if (c == 0xD800) c = 0xE000;
      const QString testo = QString::fromUcs4(&c, 1), minuscolo = testo.toLower();
      if (minuscolo.size() == testo.size() && minuscolo.toCaseFolded() == testo.toCaseFolded())
        continue;
      QVERIFY(Corrispondenza(minuscolo).in(testo));
      QVERIFY(Corrispondenza(minuscolo.left(1)).in(QStringLiteral("x") + testo));
    }
  }
};

QTEST_GUILESS_MAIN(TestRicerca)
#include "test_ricerca.moc"

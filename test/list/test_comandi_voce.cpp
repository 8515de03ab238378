#include <QTest>
#include <limits>

#include "comune/testi.h"
#include "list/comandi_voce.h"
#include "supporto/copione.h"

using namespace custodex;
using Campo = Modulo::Campo;

namespace {

const QString nomeMancante = QStringLiteral(
    "Attenzione per aggiungere un dato alla lista è necessario compilare il campo Nome");

void compila(copione::Banco& b, const QString& nome, const QString& username,
             const QString& password, const QString& descrizione) {
  b.modulo.scrivi(Campo::Nome, nome);
  b.modulo.scrivi(Campo::Username, username);
  b.modulo.scrivi(Campo::Password, password);
  b.modulo.scrivi(Campo::Descrizione, descrizione);
}

}  // namespace

class TestComandiVoce : public QObject {
  Q_OBJECT

 private slots:
  void aggiuntaCreaLaVoce() {
    copione::Banco b;
    compila(b, QStringLiteral(" posta "), QStringLiteral("utente"), QStringLiteral("s(e)greto"),
            QStringLiteral("riga uno\nriga due"));
    pls_aggiungi(b.scheda, b.ambiente);

    Albero& a = b.scheda.elenco;
    QCOMPARE(copione::testiNodi(a), (QStringList{" posta ", "Username: utente",
                                                 "Password: s(e)greto", "riga uno\nriga due"}));
    const Immagine attese[] = {1, 2, 2, 3};
    for (int i = 1; i <= 4; ++i) {
      Nodo* n = a.Item(i);
      QCOMPARE(a.Image(n), attese[i - 1]);
      QCOMPARE(a.SelectedImage(n), attese[i - 1]);
      QCOMPARE(a.ExpandedImage(n), Immagine());
      QCOMPARE(a.Key(n), QString());
      QCOMPARE(a.Tag(n), QString());
      QCOMPARE(a.Parent(n), i == 1 ? nullptr : a.Item(1));
    }
    QCOMPARE(b.modulo.svuotati,
             (QStringList{"txt_username", "txt_password", "txt_descrizione", "txt_nome"}));
    QCOMPARE(b.scheda.nnodi.valore(), qint64(1));
    QCOMPARE(b.scheda.nome.testo(), QStringLiteral(" posta "));
    QVERIFY(b.messaggi.avvisi.isEmpty());
    QVERIFY(b.registro.isEmpty());  // no status text, no yield
  }

  void soloIlNomeEObbligatorio() {
    copione::Banco b;
    compila(b, QStringLiteral("x"), {}, {}, {});
    pls_aggiungi(b.scheda, b.ambiente);
    compila(b, QStringLiteral("x"), {}, {}, {});
    pls_aggiungi(b.scheda, b.ambiente);
    QCOMPARE(copione::testiNodi(b.scheda.elenco),
             (QStringList{"x", "Username: ", "Password: ", "Nessuna Descrizione", "x",
                          "Username: ", "Password: ", "Nessuna Descrizione"}));
    QCOMPARE(b.scheda.nnodi.valore(), qint64(2));
  }

  void nomeMancanteAvvisaESiFerma() {
    copione::Banco b;
    compila(b, {}, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("d"));
    pls_aggiungi(b.scheda, b.ambiente);
    QCOMPARE(b.scheda.elenco.Count(), 0);
    QCOMPARE(b.scheda.nnodi.valore(), qint64(0));
    QCOMPARE(b.modulo.testo(Campo::Username), QStringLiteral("u"));
    QVERIFY(b.modulo.svuotati.isEmpty());
    QCOMPARE(b.messaggi.avvisi.size(), 1);
    QCOMPARE(b.messaggi.avvisi[0].testo, nomeMancante);
    QCOMPARE(b.messaggi.avvisi[0].icona, Messaggi::Icona::Critica);
  }

  void contatoreSenzaTettoA16Bit() {
    copione::Banco b;
    b.scheda.nnodi.imposta(32767);
    compila(b, QStringLiteral("n"), {}, {}, {});
    pls_aggiungi(b.scheda, b.ambiente);
    QCOMPARE(b.scheda.nnodi.valore(), qint64{32768});
    b.scheda.nnodi.imposta(-32768);
    b.scheda.elenco.setSelectedItem(b.scheda.elenco.Item(2));
    pls_elipass(b.scheda, b.ambiente);
    QCOMPARE(b.scheda.elenco.Count(), 0);
    QCOMPARE(b.scheda.nnodi.valore(), qint64{-32769});

    // At the very top the entry still goes in and the boxes are emptied; the counter stays.
    b.scheda.nnodi.imposta(std::numeric_limits<qint64>::max());
    compila(b, QStringLiteral("n"), {}, {}, {});
    pls_aggiungi(b.scheda, b.ambiente);
    QCOMPARE(b.scheda.elenco.Count(), 4);
    QCOMPARE(b.modulo.svuotati.size(), 8);
    QCOMPARE(b.scheda.nnodi.valore(), std::numeric_limits<qint64>::max());
    QVERIFY(b.messaggi.avvisi.isEmpty());
  }

  void eliminaDaOgniNodoDellaVoce_data() {
    QTest::addColumn<int>("scelto");
    for (int i = 0; i < 4; ++i) QTest::addRow("nodo %d della voce", i) << i;
  }
  void eliminaDaOgniNodoDellaVoce() {
    QFETCH(int, scelto);
    copione::Banco b;
    for (const char* nome : {"uno", "due", "tre"}) {
      compila(b, QString::fromLatin1(nome), QStringLiteral("u"), QStringLiteral("p"), {});
      pls_aggiungi(b.scheda, b.ambiente);
    }
    Albero& a = b.scheda.elenco;
    a.setSelectedItem(a.Item(5 + scelto));
    pls_elipass(b.scheda, b.ambiente);
    QCOMPARE(copione::testiNodi(a),
             (QStringList{"uno", "Username: u", "Password: p", "Nessuna Descrizione", "tre",
                          "Username: u", "Password: p", "Nessuna Descrizione"}));
    QCOMPARE(a.Index(a.radici()[1]), 5);
    QCOMPARE(b.scheda.nnodi.valore(), qint64(2));
  }

  void eliminaSenzaBersaglioNonTocca_data() {
    QTest::addColumn<bool>("selezionaFoglia");
    QTest::newRow("nulla selezionato") << false;
    QTest::newRow("nodo di primo livello senza figli") << true;
  }
  void eliminaSenzaBersaglioNonTocca() {
    QFETCH(bool, selezionaFoglia);
    copione::Banco b;
    Albero& a = b.scheda.elenco;
    copione::aggiungiVoce(a, "v", "u", "p", {});
    Nodo* solo = a.Add(nullptr, {}, {}, QStringLiteral("solo"));
    b.scheda.nnodi.imposta(1);
    if (selezionaFoglia) a.setSelectedItem(solo);
    pls_elipass(b.scheda, b.ambiente);
    QCOMPARE(a.Count(), 5);
    QCOMPARE(b.scheda.nnodi.valore(), qint64(1));
  }

  void eliminaInUnAlberoProfondo() {
    copione::Banco b;
    Albero& a = b.scheda.elenco;
    Nodo* r = a.Add(nullptr, {}, {}, QStringLiteral("r"));
    Nodo* m = a.Add(r, Relazione::Figlio, {}, QStringLiteral("m"));
    Nodo* f = a.Add(m, Relazione::Figlio, {}, QStringLiteral("f"));
    a.Add(f, Relazione::Figlio, {}, QStringLiteral("g"));
    a.Add(r, Relazione::Figlio, {}, QStringLiteral("altro"));

    // A node with children below the top level goes with its own subtree.
    a.setSelectedItem(f);
    pls_elipass(b.scheda, b.ambiente);
    QCOMPARE(copione::testiNodi(a), (QStringList{"r", "m", "altro"}));
    // A leaf takes its parent along, whatever its level.
    a.setSelectedItem(a.Item(2));
    pls_elipass(b.scheda, b.ambiente);
    QCOMPARE(copione::testiNodi(a), (QStringList{}));
    QCOMPARE(b.scheda.nnodi.valore(), qint64(-2));
  }

  void nuovaLista() {
    copione::Banco b;
    copione::aggiungiVoce(b.scheda.elenco, "v", "u", "p", {});
    b.scheda.nnodi.imposta(7);
    compila(b, "n", "u", "p", "d");
    int nodiDuranteLaPausa = -1;
    b.eventi.durante = [&] { nodiDuranteLaPausa = b.scheda.elenco.Count(); };

    menu_nuova(b.scheda, b.ambiente);
    QCOMPARE(b.scheda.elenco.Count(), 0);
    QCOMPARE(nodiDuranteLaPausa, 4);  // pending events run before the tree is emptied
    QCOMPARE(b.registro, (QStringList{"stato: " + testi::statoInCorso, "eventi",
                                      "stato: " + testi::statoCompletato}));
    QCOMPARE(b.modulo.svuotati,
             (QStringList{"txt_nome", "txt_descrizione", "txt_password", "txt_username"}));
    QCOMPARE(b.scheda.nnodi.valore(), qint64(0));
  }
};

QTEST_GUILESS_MAIN(TestComandiVoce)
#include "test_comandi_voce.moc"

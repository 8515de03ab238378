#include <QTest>

#include "comune/testi.h"
#include "list/comandi_appunti.h"
#include "list/comandi_modifica.h"
#include "supporto/copione.h"

using namespace custodex;
using copione::ModificaCopione;
using Mostrati = ModificaCopione::Mostrati;

// "Modifica Password", "Genera Password" and the copies of an entry's user name and password,
// with scripted dialogs.

namespace {

struct Voci {
  copione::Banco b;
  Albero& a = b.scheda.elenco;
  Nodo* prima = copione::aggiungiVoce(a, "Banca", "anna", "uno", "");
  Nodo* voce = copione::aggiungiVoce(a, "Posta", "mario", "Password: due", "riga uno\nriga due");

  Nodo* riga(int i) { return a.figli(voce)[i]; }
};

}  // namespace

class TestComandiModifica : public QObject {
  Q_OBJECT

 private slots:
  void iQuattroValoriDaOgniNodo() {
    for (int nodo = 0; nodo < 4; ++nodo) {
      Voci v;
      Nodo* scelto = nodo == 0 ? v.voce : v.riga(nodo - 1);
      v.a.setSelectedItem(scelto);
      v.a.setExpanded(v.voce, true);
      v.b.scheda.nnodi.imposta(2);
      v.b.modifica.risposteVoce = {Mostrati{"Posta nuova", "Username: x", "a b\n", "tre\nrighe"}};
      menu_modifica(v.b.scheda, v.b.ambiente);

      QCOMPARE(v.b.modifica.voci,
               (QList<Mostrati>{{"Posta", "mario", "Password: due", "riga uno\nriga due"}}));
      QCOMPARE(
          copione::testiNodi(v.a),
          (QStringList{"Banca", "Username: anna", "Password: uno", "Nessuna Descrizione",
                       "Posta nuova", "Username: Username: x", "Password: a b\n", "tre\nrighe"}));
      QCOMPARE(v.a.SelectedItem(), scelto);
      QVERIFY(v.a.Expanded(v.voce));
      QCOMPARE(v.b.scheda.nnodi.valore(), 2);
      QVERIFY(v.b.messaggi.avvisi.isEmpty());
    }

    // Round trip: the values shown come back unchanged; an emptied description is the layout's.
    Voci v;
    v.a.setSelectedItem(v.riga(2));
    v.b.modifica.risposteVoce = {Mostrati{"Posta", "mario", "Password: due", ""}, std::nullopt};
    menu_modifica(v.b.scheda, v.b.ambiente);
    menu_modifica(v.b.scheda, v.b.ambiente);
    QCOMPARE(v.b.modifica.voci.last(),
             (Mostrati{"Posta", "mario", "Password: due", "Nessuna Descrizione"}));
  }

  void unNodoFuoriDalloSchemaComeTesto() {
    // The password line renamed by "Incolla Valore": the entry is no longer laid out as one.
    Voci v;
    v.a.setText(v.riga(1), u"segreta");
    for (int nodo : {0, 2}) {
      Nodo* scelto = nodo == 0 ? v.voce : v.riga(nodo - 1);
      v.a.setSelectedItem(scelto);
      v.b.modifica.risposteTesto = {QStringLiteral("nuovo %1").arg(nodo)};
      menu_modifica(v.b.scheda, v.b.ambiente);
      QCOMPARE(v.a.Text(scelto), QStringLiteral("nuovo %1").arg(nodo));
    }
    QCOMPARE(v.b.modifica.testi, (QStringList{"Posta", "segreta"}));
    QVERIFY(v.b.modifica.voci.isEmpty());
    QCOMPARE(v.a.Text(v.riga(0)), QStringLiteral("Username: mario"));

    // A loaded tree of another shape: a line with a child of its own.
    Albero& a = v.a;
    Nodo* figlio = a.Add(v.riga(2), Relazione::Figlio, {}, u"sotto");
    a.setSelectedItem(a.figli(a.radici()[0])[0]);  // the first entry is still an entry
    v.b.modifica.risposteVoce = {std::nullopt};
    menu_modifica(v.b.scheda, v.b.ambiente);
    QCOMPARE(v.b.modifica.voci.size(), 1);
    a.setSelectedItem(figlio);
    v.b.modifica.risposteTesto = {QString()};
    menu_modifica(v.b.scheda, v.b.ambiente);
    QCOMPARE(a.Text(figlio), QString());
  }

  void nomeVuotoRifiutatoEAnnulla() {
    Voci v;
    v.a.setSelectedItem(v.riga(1));
    const QStringList prima = copione::testiNodi(v.a);
    v.b.modifica.risposteVoce = {Mostrati{"", "u", "p", "d"}, std::nullopt};
    menu_modifica(v.b.scheda, v.b.ambiente);
    QCOMPARE(v.b.messaggi.avvisi.size(), 1);
    QCOMPARE(v.b.messaggi.avvisi[0].testo, testi::nomeMancante);
    QCOMPARE(v.b.messaggi.avvisi[0].icona, Messaggi::Icona::Critica);
    // Shown again as the user left it, then cancelled.
    QCOMPARE(v.b.modifica.voci.last(), (Mostrati{"", "u", "p", "d"}));
    QCOMPARE(copione::testiNodi(v.a), prima);

    v.a.setSelected(v.a.SelectedItem(), false);
    menu_modifica(v.b.scheda, v.b.ambiente);
    QCOMPARE(v.b.modifica.voci.size(), 2);
  }

  void copieDelNomeUtenteEDellaPassword() {
    Voci v;
    for (Nodo* n : {v.voce, v.riga(0), v.riga(1), v.riga(2)}) {
      v.a.setSelectedItem(n);
      copia_username(v.b.scheda, v.b.ambiente);
      QCOMPARE(v.b.appunti.contenuto, QStringLiteral("mario"));
      copia_password(v.b.scheda, v.b.ambiente);
      QCOMPARE(v.b.appunti.contenuto, QStringLiteral("Password: due"));
      QVERIFY(v.b.appunti.segreto);
    }
    v.a.setText(v.riga(0), u"mario");
    v.b.appunti.scritture = 0;
    copia_username(v.b.scheda, v.b.ambiente);
    copia_password(v.b.scheda, v.b.ambiente);
    QCOMPARE(v.b.appunti.scritture, 0);
  }

  void generataNelModulo() {
    copione::Banco b;
    b.modulo.scrivi(Modulo::Campo::Password, QStringLiteral("vecchia"));
    menu_genera(b.scheda, b.ambiente);
    QCOMPARE(b.modulo.testo(Modulo::Campo::Password), QStringLiteral("vecchia"));
    b.generatore.risposte = {QStringLiteral("Nuova-password")};
    menu_genera(b.scheda, b.ambiente);
    QCOMPARE(b.generatore.aperture, 2);
    QCOMPARE(b.modulo.testo(Modulo::Campo::Password), QStringLiteral("Nuova-password"));
    QCOMPARE(b.modulo.svuotati, QStringList{"txt_password"});
  }
};

QTEST_GUILESS_MAIN(TestComandiModifica)
#include "test_comandi_modifica.moc"

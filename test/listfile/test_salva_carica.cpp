#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include "comune/errore.h"
#include "list/modello_elenco.h"
#include "listfile/forma64.h"
#include "listfile/salva_carica.h"
#include "supporto/copione.h"

using namespace custodex;
using custodex::copione::MessaggiCopione;

namespace {

const QString& nonValido = testi_file::listaNonValida;
const QString& rootMancante = testi_file::listaSenzaRoot;
const QString& corrotto = testi_file::listaCorrotta;

// Lines given as (indentation, characters), joined by line breaks as the writer joins them.
QString righe(const std::vector<std::pair<int, QString>>& elenco) {
  QStringList r;
  for (const auto& [spazi, testo] : elenco) r << QString(spazi, u' ') + testo;
  return r.join(QStringLiteral("\r\n"));
}

// One BasicInfo item with the given property lines, at depth d.
QString info(int d, const QStringList& proprieta) {
  std::vector<std::pair<int, QString>> r{{2 * d, QStringLiteral("BasicInfo(")}};
  for (const QString& p : proprieta) r.push_back({2 * d + 2, p});
  r.push_back({2 * d, QStringLiteral(")")});
  return righe(r);
}

QString infoTesto(int d, const QString& testo) {
  return info(d, {QStringLiteral("Text(") + testo + u')'});
}

// A list text of the given Root values.
QString lista(const QStringList& radici) {
  QString t = QStringLiteral("TreeView(");
  for (const QString& r : radici)
    t += QStringLiteral("\r\n  Root(\r\n") + r + QStringLiteral("\r\n  )");
  return t + QStringLiteral("\r\n)");
}

QString figlio(int d, const QString& blocco) {
  return QStringLiteral("\r\n") + QString(2 * d, u' ') + QStringLiteral("Child(\r\n") + blocco +
         QStringLiteral("\r\n") + QString(2 * d, u' ') + u')';
}

// The first field in which two trees differ, walking both from their top-level nodes in
// collection order; empty when they hold the same nodes with the same fields.
QString differenza(const Albero& a, const Albero& b) {
  if (a.Count() != b.Count()) return QStringLiteral("Count %1 != %2").arg(a.Count()).arg(b.Count());
  std::vector<const Nodo*> ra, rb;
  for (const Nodo* n : a.Nodes())
    if (!a.Parent(n)) ra.push_back(n);
  for (const Nodo* n : b.Nodes())
    if (!b.Parent(n)) rb.push_back(n);
  if (ra.size() != rb.size()) return QStringLiteral("numero di radici");
  std::vector<std::pair<const Nodo*, const Nodo*>> pila;
  for (std::size_t i = ra.size(); i-- > 0;) pila.push_back({ra[i], rb[i]});
  auto immagine = [](Immagine i) { return i ? QString::number(*i) : QStringLiteral("-"); };
  while (!pila.empty()) {
    auto [x, y] = pila.back();
    pila.pop_back();
    const QString dove = QStringLiteral(" del nodo %1: ").arg(a.Index(x));
    if (a.Text(x) != b.Text(y))
      return QStringLiteral("Text") + dove + a.Text(x) + QStringLiteral(" / ") + b.Text(y);
    if (a.Key(x) != b.Key(y))
      return QStringLiteral("Key") + dove + a.Key(x) + QStringLiteral(" / ") + b.Key(y);
    if (a.Tag(x) != b.Tag(y))
      return QStringLiteral("Tag") + dove + a.Tag(x) + QStringLiteral(" / ") + b.Tag(y);
    if (a.Image(x) != b.Image(y))
      return QStringLiteral("Image") + dove + immagine(a.Image(x)) + QStringLiteral(" / ") +
             immagine(b.Image(y));
    if (a.SelectedImage(x) != b.SelectedImage(y)) return QStringLiteral("SelectedImage") + dove;
    if (a.ExpandedImage(x) != b.ExpandedImage(y)) return QStringLiteral("ExpandedImage") + dove;
    if (a.Expanded(x) != b.Expanded(y)) return QStringLiteral("Expanded") + dove;
    if (a.Selected(x) != b.Selected(y)) return QStringLiteral("Selected") + dove;
    if (a.Children(x) != b.Children(y)) return QStringLiteral("Children") + dove;
    std::vector<std::pair<const Nodo*, const Nodo*>> figli;
    for (const Nodo *fx = a.Child(x), *fy = b.Child(y); fx; fx = a.Next(fx), fy = b.Next(fy))
      figli.push_back({fx, fy});
    pila.insert(pila.end(), figli.rbegin(), figli.rend());
  }
  return {};
}

// Values rich in what a text form finds hard: parentheses in every balance, blanks, line
// breaks, control characters, accents, surrogate pairs and lone halves, and the escaped
// form's own characters.
QString valoreCasuale(QRandomGenerator& g) {
  static const QList<QString> pezzi = {
      QStringLiteral("("),        QStringLiteral(")"),       QStringLiteral("()"),
      QStringLiteral(")("),       QStringLiteral(" "),       QStringLiteral("\r\n"),
      QStringLiteral("\r"),       QStringLiteral("\n"),      QStringLiteral("\t"),
      QStringLiteral("a"),        QStringLiteral("Zz"),      QStringLiteral("è"),
      QStringLiteral("€"),        QStringLiteral("😀"),       QString(QChar(0xD800)),
      QString(QChar(0xDFFF)),     QString(QChar(0)),         QString(QChar(0x7F)),
      QString(QChar(0x01)),       QStringLiteral("Text(x)"), QStringLiteral("=+/"),
      QStringLiteral("YQApAGIA"), QStringLiteral("Child("),  QStringLiteral("BasicInfo()")};
  QString v;
  const int n = static_cast<int>(g.bounded(0, 9));
  for (int i = 0; i < n; ++i) v += pezzi[static_cast<int>(g.bounded(pezzi.size()))];
  return v;
}

Immagine immagineCasuale(QRandomGenerator& g) {
  switch (g.bounded(6)) {
    case 0:
      return std::nullopt;
    case 1:
      return qint16(-32768);
    case 2:
      return qint16(32767);
    case 3:
      return qint16(0);
    default:
      return static_cast<qint16>(g.bounded(-5, 6));
  }
}

// A tree of random shape: top-level nodes put in every relationship (so that the shown order
// differs from the order of adding), children under any node, sometimes long chains.
void alberoCasuale(Albero& e, QRandomGenerator& g) {
  const int nodi = static_cast<int>(g.bounded(0, 30));
  for (int i = 0; i < nodi; ++i) {
    const QString chiave =
        g.bounded(3) == 0 ? valoreCasuale(g) + u'#' + QString::number(i) : QString();
    const QString testo = valoreCasuale(g);
    const Immagine img = immagineCasuale(g), sel = immagineCasuale(g);
    Nodo* relativo = nullptr;
    std::optional<Relazione> relazione;
    const auto scelta = g.bounded(10);
    if (e.Count() > 0 && scelta < 6) {
      relativo = scelta < 2 ? e.Item(e.Count()) : e.Item(g.bounded(1, e.Count() + 1));
      relazione = Relazione::Figlio;
    } else if (e.Count() > 0 && scelta < 9) {
      relativo = e.Item(g.bounded(1, e.Count() + 1));
      relazione = static_cast<Relazione>(g.bounded(4));
    }
    Nodo* n = e.Add(relativo, relazione, chiave, testo, img, sel);
    e.setExpanded(n, g.bounded(2) == 0);
    e.setExpandedImage(n, immagineCasuale(g));
    if (g.bounded(3) == 0) e.setTag(n, valoreCasuale(g));
    if (g.bounded(8) == 0) e.setSelected(n, true);
  }
}

qsizetype nonSopravvissuti(const Albero& e) {
  qsizetype n = 0;
  for (const Nodo* x : e.Nodes())
    for (const QString* v : {&e.Key(x), &e.Tag(x), &e.Text(x)})
      if (!forma64::sopravvive(*v)) ++n;
  return n;
}

// What a load leaves: its outcome, its messages and every node with its parent.
QString esito(const Albero& e, const MessaggiCopione& m, const QString& come) {
  QString r = come + u'|';
  for (const auto& a : m.avvisi) r += a.testo + u'|';
  for (const Nodo* n : e.Nodes())
    r += e.Text(n) + u'<' + QString::number(e.Parent(n) ? e.Index(e.Parent(n)) : 0) + u';';
  return r;
}

// The reading rules applied as written, level by level, each value taken off its enclosing one
// by leggi_voce: the reference the one-pass reader must match.
bool nodoContando(Albero& e, Nodo* padre, QStringView valore, MessaggiCopione& m) {
  QStringView nome, info;
  leggi_voce(valore, nome, info);
  if (nome != u"BasicInfo") {
    m.avviso(corrotto, Messaggi::Icona::Nessuna);
    return true;
  }
  bool espanso = false, selezionato = false;
  Immagine immagine, selezionata, espansa;
  QString chiave, etichetta, testo;
  auto testo64 = [](QStringView v) {
    const auto d = forma64::decodifica(v);
    if (!d) throw Errore(Errore::TipoNonCorrispondente, {});
    return *d;
  };
  for (;;) {
    QStringView v;
    leggi_voce(info, nome, v);
    if (nome.isEmpty()) break;
    if (nome == u"Expanded") espanso = valore_booleano(v);
    if (nome == u"Selected") selezionato = valore_booleano(v);
    if (nome == u"Image") immagine = valore_immagine(v);
    if (nome == u"SelectedImage") selezionata = valore_immagine(v);
    if (nome == u"ExpandedImage") espansa = valore_immagine(v);
    if (nome == u"Key") chiave = v.toString();
    if (nome == u"Tag") etichetta = v.toString();
    if (nome == u"Text") testo = v.toString();
    if (nome == u"Key64") chiave = testo64(v);
    if (nome == u"Tag64") etichetta = testo64(v);
    if (nome == u"Text64") testo = testo64(v);
  }
  Nodo* n = e.Add(padre, Relazione::Figlio, chiave, testo, immagine, selezionata);
  e.setExpanded(n, espanso);
  e.setExpandedImage(n, espansa);
  e.setSelected(n, selezionato);
  e.setTag(n, etichetta);
  for (;;) {
    QStringView voce;
    leggi_voce(valore, nome, voce);
    if (nome.isEmpty()) return false;
    if (nome != u"Child") {
      m.avviso(corrotto, Messaggi::Icona::Nessuna);
      return true;
    }
    if (nodoContando(e, n, voce, m)) return true;
  }
}

QString caricaContando(const QString& t) {
  Albero e;
  MessaggiCopione m;
  QString come = QStringLiteral("letto");
  try {
    QStringView testo = t, nome, valore;
    leggi_voce(testo, nome, valore);
    if (nome != u"TreeView") {
      m.avviso(nonValido, Messaggi::Icona::Nessuna);
      come = QStringLiteral("fermato");
    } else {
      for (;;) {
        QStringView voce;
        leggi_voce(valore, nome, voce);
        if (nome.isEmpty()) break;
        if (nome != u"Root") {
          m.avviso(rootMancante, Messaggi::Icona::Nessuna);
          come = QStringLiteral("fermato");
          break;
        }
        if (nodoContando(e, nullptr, voce, m)) {
          come = QStringLiteral("fermato");
          break;
        }
      }
    }
  } catch (const Errore& errore) {
    come = QStringLiteral("errore %1").arg(errore.numero());
  }
  return esito(e, m, come);
}

// The text's compact form one byte at a time: the reader refills its window at every byte.
class FonteAGoccia : public compatto::Fonte {
 public:
  explicit FonteAGoccia(QStringView testo) : byte_(3 * testo.size(), 0) {
    byte_.resize(compatto::codifica(testo.utf16(), testo.size(), byte_.data()));
  }
  std::size_t leggi(unsigned char* blocco, std::size_t) override {
    if (letti_ == byte_.size()) return 0;
    *blocco = byte_[letti_++];
    return 1;
  }

 private:
  std::vector<unsigned char> byte_;
  std::size_t letti_ = 0;
};

QString caricaComeSempre(const QString& t, bool aGoccia = false) {
  Albero e;
  MessaggiCopione m;
  QString come;
  try {
    Lettura letto = Lettura::Letta;
    if (aGoccia) {
      FonteAGoccia fonte(t);
      letto = carica_albero(e, fonte);
      avvisa_lettura(letto, m);
    } else {
      letto = carica_albero(e, t);
      avvisa_lettura(letto, m);
    }
    come = letto == Lettura::Letta ? QStringLiteral("letto") : QStringLiteral("fermato");
  } catch (const Errore& errore) {
    come = QStringLiteral("errore %1").arg(errore.numero());
  }
  return esito(e, m, come);
}

}  // namespace

class TestSalvaCarica : public QObject {
  Q_OBJECT

 private slots:
  void esempioLavorato_data();
  void esempioLavorato();
  void alberoVuoto();
  void ordineDiRaccolta();
  void profonditaQualsiasi();
  void andataERitornoCasuale();
  void formaProtetta();
  void chiaveEdEtichettaProtette();
  void leggiVoce();
  void listeDanneggiate();
  void testiACaso();
  void spazzaturaPrimaEDopo();
  void nomiNonRiconosciuti_data();
  void nomiNonRiconosciuti();
  void proprietaInQualsiasiOrdine();
  void proprietaAttaccate();
  void primoMessaggio();
  void secondoMessaggio();
  void terzoMessaggio_data();
  void terzoMessaggio();
  void dueVociConFiglioSenzaInfo();
  void dueSelezionati();
  void conversioniRiuscite();
  void conversioniFallite_data();
  void conversioniFallite();
  void unSoloAggiornamentoDellaVista();
  void testoLungo();
  void annidamentoProfondo();
};

void TestSalvaCarica::esempioLavorato_data() {
  QTest::addColumn<QString>("password");
  QTest::newRow("semplice") << QStringLiteral("s3gret0!");
  QTest::newRow("parentesi bilanciate") << QStringLiteral("a(b)c (d(e)) ");
  QTest::newRow("vuota") << QString();
}

void TestSalvaCarica::esempioLavorato() {
  QFETCH(QString, password);
  Albero e;
  copione::aggiungiVoce(e, QStringLiteral("posta"), QStringLiteral("utente"), password, {});

  auto proprieta = [](int spazi, int immagine, const QString& testo) {
    return std::vector<std::pair<int, QString>>{
        {spazi, QStringLiteral("Expanded(False)")},
        {spazi, QStringLiteral("ExpandedImage()")},
        {spazi, QStringLiteral("Image(%1)").arg(immagine)},
        {spazi, QStringLiteral("Key()")},
        {spazi, QStringLiteral("Selected(False)")},
        {spazi, QStringLiteral("SelectedImage(%1)").arg(immagine)},
        {spazi, QStringLiteral("Tag()")},
        {spazi, QStringLiteral("Text(") + testo + u')'}};
  };
  std::vector<std::pair<int, QString>> attese{{0, QStringLiteral("TreeView(")},
                                              {2, QStringLiteral("Root(")},
                                              {4, QStringLiteral("BasicInfo(")}};
  for (auto& r : proprieta(6, 1, QStringLiteral("posta"))) attese.push_back(r);
  attese.push_back({4, QStringLiteral(")")});
  const std::pair<int, QString> figli[] = {{2, QStringLiteral("Username: utente")},
                                           {2, QStringLiteral("Password: ") + password},
                                           {3, QStringLiteral("Nessuna Descrizione")}};
  for (const auto& [immagine, testo] : figli) {
    attese.push_back({4, QStringLiteral("Child(")});
    attese.push_back({6, QStringLiteral("BasicInfo(")});
    for (auto& r : proprieta(8, immagine, testo)) attese.push_back(r);
    attese.push_back({6, QStringLiteral(")")});
    attese.push_back({4, QStringLiteral(")")});
  }
  attese.push_back({2, QStringLiteral(")")});
  attese.push_back({0, QStringLiteral(")")});
  QCOMPARE(attese.size(), std::size_t(50));

  const QString testo = salva_albero(e);
  QCOMPARE(testo, righe(attese));
  QCOMPARE(testo.size(), 881 + password.size());

  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, testo, m));
  QVERIFY(m.avvisi.isEmpty());
  QCOMPARE(differenza(e, letto), QString());
}

void TestSalvaCarica::alberoVuoto() {
  Albero vuoto;
  const QString testo = salva_albero(vuoto);
  QCOMPARE(testo, QStringLiteral("TreeView(\r\n)"));
  QCOMPARE(testo.size(), 12);

  // Reading it empties a tree that held entries, and adds nothing.
  Albero e;
  copione::aggiungiVoce(e, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), {});
  MessaggiCopione m;
  QVERIFY(carica_albero(e, testo, m));
  QCOMPARE(e.Count(), 0);
  QVERIFY(e.radici().empty());
  QCOMPARE(e.SelectedItem(), nullptr);
  QVERIFY(m.avvisi.isEmpty());
}

void TestSalvaCarica::ordineDiRaccolta() {
  // The third top-level node is shown first, but the list keeps the order of adding.
  Albero e;
  Nodo* primo = e.Add(nullptr, {}, {}, QStringLiteral("uno"));
  e.Add(nullptr, {}, {}, QStringLiteral("due"));
  e.Add(primo, Relazione::Precedente, {}, QStringLiteral("tre"));
  e.Add(primo, Relazione::Figlio, {}, QStringLiteral("figlio di uno"));
  QCOMPARE(e.Text(e.radici().front()), QStringLiteral("tre"));

  const QString testo = salva_albero(e);
  const auto uno = testo.indexOf(QStringLiteral("Text(uno)"));
  const auto figlioUno = testo.indexOf(QStringLiteral("Text(figlio di uno)"));
  const auto due = testo.indexOf(QStringLiteral("Text(due)"));
  const auto tre = testo.indexOf(QStringLiteral("Text(tre)"));
  QVERIFY(uno >= 0 && uno < figlioUno && figlioUno < due && due < tre);

  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, testo, m));
  QCOMPARE(copione::testiNodi(letto),
           (QStringList{QStringLiteral("uno"), QStringLiteral("figlio di uno"),
                        QStringLiteral("due"), QStringLiteral("tre")}));
}

void TestSalvaCarica::profonditaQualsiasi() {
  Albero e;
  Nodo* a = e.Add(nullptr, {}, {}, QStringLiteral("a"));
  Nodo* b = e.Add(a, Relazione::Figlio, {}, QStringLiteral("b"));
  e.Add(b, Relazione::Figlio, {}, QStringLiteral("c"));
  const QString testo = salva_albero(e);
  const QString atteso = lista({infoTesto(2, QStringLiteral("a")) +
                                figlio(2, info(3, {QStringLiteral("Text(b)")}) +
                                              figlio(3, info(4, {QStringLiteral("Text(c)")})))});
  // Only the Text lines are given above; the full node lines sit between.
  auto soloStruttura = [](QString t) {
    QStringList tenute;
    for (const QString& r : t.split(QStringLiteral("\r\n")))
      if (!r.trimmed().startsWith(QStringLiteral("Expanded")) &&
          !r.trimmed().startsWith(QStringLiteral("Image")) &&
          !r.trimmed().startsWith(QStringLiteral("Key")) &&
          !r.trimmed().startsWith(QStringLiteral("Selected")) &&
          !r.trimmed().startsWith(QStringLiteral("Tag")))
        tenute << r;
    return tenute.join(QStringLiteral("\r\n"));
  };
  QCOMPARE(soloStruttura(testo), atteso);
  QVERIFY(
      testo.contains(QStringLiteral("\r\n      Child(\r\n        BasicInfo(\r\n          "
                                    "Expanded(False)\r\n")));

  // One node's block, appended to a text that holds something already, is the block that the
  // whole list holds for it.
  QString blocco = QStringLiteral("prima");
  salva_nodo(e, b, 3, blocco);
  QVERIFY(blocco.startsWith(QStringLiteral("prima      BasicInfo(\r\n")));
  QVERIFY(blocco.endsWith(QStringLiteral("Text(c)\r\n        )\r\n      )")));
  QVERIFY(testo.contains(blocco.mid(5)));

  // A chain of a few hundred levels goes out and comes back.
  Albero lungo;
  Nodo* n = lungo.Add(nullptr, {}, {}, QStringLiteral("0"));
  for (int i = 1; i < 300; ++i) n = lungo.Add(n, Relazione::Figlio, {}, QString::number(i));
  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, salva_albero(lungo), m));
  QCOMPARE(differenza(lungo, letto), QString());
}

void TestSalvaCarica::andataERitornoCasuale() {
  QRandomGenerator g(20240611);
  MessaggiCopione m;
  for (int prova = 0; prova < 3000; ++prova) {
    Albero e;
    alberoCasuale(e, g);
    const QString testo = salva_albero(e);
    // Laid out in one string reserved at its exact size, never grown.
    QCOMPARE(testo.capacity(), testo.size());

    // Values that come back verbatim are written verbatim; only the others are escaped.
    const qsizetype protetti = testo.count(QStringLiteral("Text64(")) +
                               testo.count(QStringLiteral("Key64(")) +
                               testo.count(QStringLiteral("Tag64("));
    QCOMPARE(protetti, nonSopravvissuti(e));

    Albero letto;
    copione::aggiungiVoce(letto, QStringLiteral("vecchia"), {}, {}, {});
    const bool fino_in_fondo = carica_albero(letto, testo, m);
    if (!fino_in_fondo || !m.avvisi.isEmpty() || !differenza(e, letto).isEmpty())
      QFAIL(qPrintable(QStringLiteral("albero %1: %2").arg(prova).arg(differenza(e, letto))));
    QCOMPARE(salva_albero(letto), testo);
  }
}

void TestSalvaCarica::formaProtetta() {
  Albero e;
  e.Add(nullptr, {}, {}, QStringLiteral("a)b"));
  e.Add(nullptr, {}, {}, QStringLiteral("nota (vecchia)"));
  e.Add(nullptr, {}, {}, QStringLiteral(")("));
  e.Add(nullptr, {}, {}, QStringLiteral("(("));
  const QString testo = salva_albero(e);
  // "a)b" as 16-bit characters, low byte first: 61 00 29 00 62 00.
  QVERIFY(testo.contains(QStringLiteral("Tag()\r\n      Text64(YQApAGIA)\r\n    )")));
  QVERIFY(testo.contains(QStringLiteral("Text(nota (vecchia))")));
  QVERIFY(!testo.contains(QStringLiteral("Text()(")));
  QVERIFY(!testo.contains(QStringLiteral("Text(((")));

  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, testo, m));
  QCOMPARE(differenza(e, letto), QString());

  // Whichever of the plain and the escaped item comes last gives the value.
  const QString prima =
      lista({info(2, {QStringLiteral("Text64(YQApAGIA)"), QStringLiteral("Text(piano)")})});
  QVERIFY(carica_albero(letto, prima, m));
  QCOMPARE(letto.Text(letto.Item(1)), QStringLiteral("piano"));
  const QString dopo =
      lista({info(2, {QStringLiteral("Text(piano)"), QStringLiteral("Text64(YQApAGIA)")})});
  QVERIFY(carica_albero(letto, dopo, m));
  QCOMPARE(letto.Text(letto.Item(1)), QStringLiteral("a)b"));
  QVERIFY(m.avvisi.isEmpty());
}

void TestSalvaCarica::chiaveEdEtichettaProtette() {
  Albero e;
  Nodo* n = e.Add(nullptr, {}, QStringLiteral("k)"), QStringLiteral("t"));
  e.setTag(n, QStringLiteral("("));
  const QString testo = salva_albero(e);
  QVERIFY(testo.contains(QStringLiteral("\r\n      Key64(")));
  QVERIFY(testo.contains(QStringLiteral("\r\n      Tag64(")));
  QVERIFY(testo.indexOf(QStringLiteral("Key64(")) < testo.indexOf(QStringLiteral("Selected(")));
  QVERIFY(testo.indexOf(QStringLiteral("SelectedImage(")) <
          testo.indexOf(QStringLiteral("Tag64(")));

  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, testo, m));
  QCOMPARE(letto.Key(letto.Item(1)), QStringLiteral("k)"));
  QCOMPARE(letto.Tag(letto.Item(1)), QStringLiteral("("));
}

void TestSalvaCarica::leggiVoce() {
  struct Caso {
    QString testo, nome, valore, resto;
  };
  const Caso casi[] = {
      {QStringLiteral(" \r\n\t\u00e9Nome(va(l)ue)Xresto"), QStringLiteral("Nome"),
       QStringLiteral("va(l)ue"), QStringLiteral("resto")},
      {QStringLiteral("Nome(abc)XY"), QStringLiteral("Nome"), QStringLiteral("abc"),
       QStringLiteral("Y")},
      {QStringLiteral("Nome(abc)X"), QStringLiteral("Nome"), QStringLiteral("abc"), {}},
      {QStringLiteral("Nome(abc)"), QStringLiteral("Nome"), QStringLiteral("abc"), {}},
      {QStringLiteral("Nome(a(bc"), QStringLiteral("Nome"), QStringLiteral("a(bc"), {}},
      {QStringLiteral("No me\r\n(x) y"), QStringLiteral("No me\r\n"), QStringLiteral("x"),
       QStringLiteral("y")},
      {QStringLiteral("  (x)Nome(y)"), {}, {}, {}},
      {QStringLiteral("senza parentesi"), {}, {}, {}},
      {QStringLiteral(" \r\n "), {}, {}, {}},
      {QString(), {}, {}, {}},
  };
  for (const Caso& c : casi) {
    QStringView testo = c.testo, nome, valore;
    leggi_voce(testo, nome, valore);
    QCOMPARE(nome.toString(), c.nome);
    QCOMPARE(valore.toString(), c.valore);
    QCOMPARE(testo.toString(), c.resto);
  }
}

void TestSalvaCarica::listeDanneggiate() {
  // Damaged lists, with parentheses added, dropped and overwritten anywhere, load exactly as
  // the reading rules applied level by level load them: same nodes, same message, same error.
  QRandomGenerator g(11);
  static const char16_t pezzi[] = u"()()) \r\nxT";
  for (int prova = 0; prova < 3000; ++prova) {
    Albero e;
    for (int i = 0, n = static_cast<int>(g.bounded(1, 4)); i < n; ++i)
      copione::aggiungiVoce(e, QStringLiteral("n(%1)").arg(i), QStringLiteral("u"),
                            QStringLiteral("p)"), {});
    QString t = salva_albero(e);
    for (int j = 0, n = static_cast<int>(g.bounded(1, 6)); j < n; ++j) {
      const auto dove = static_cast<qsizetype>(g.bounded(static_cast<int>(t.size())));
      const QChar c(pezzi[g.bounded(10)]);
      switch (g.bounded(3)) {
        case 0:
          t.insert(dove, c);
          break;
        case 1:
          t.remove(dove, g.bounded(1, 20));
          break;
        default:
          t[dove] = c;
      }
    }
    const QString atteso = caricaContando(t);
    QCOMPARE(caricaComeSempre(t), atteso);
    QCOMPARE(caricaComeSempre(t, true), atteso);
  }
}

void TestSalvaCarica::testiACaso() {
  // Texts strung together from names, parentheses, blanks and junk, nested as it comes.
  QRandomGenerator g(5);
  static const QList<QString> pezzi = {
      QStringLiteral("TreeView("),  QStringLiteral("Root("),
      QStringLiteral("Child("),     QStringLiteral("BasicInfo("),
      QStringLiteral("Text("),      QStringLiteral("Image(2"),
      QStringLiteral("Selected(1"), QStringLiteral("Expanded(False"),
      QStringLiteral("("),          QStringLiteral(")"),
      QStringLiteral(")"),          QStringLiteral(")"),
      QStringLiteral(" "),          QStringLiteral("\r\n"),
      QStringLiteral("x"),          QStringLiteral("Key(k"),
      QStringLiteral("Tag("),       QStringLiteral("\u00e9"),
      QStringLiteral("\u20ac"),     QString(QChar(0xDC00))};
  for (int prova = 0; prova < 20000; ++prova) {
    QString t;
    for (int i = 0, n = static_cast<int>(g.bounded(0, 40)); i < n; ++i)
      t += pezzi[static_cast<int>(g.bounded(pezzi.size()))];
    const QString atteso = caricaContando(t);
    QCOMPARE(caricaComeSempre(t), atteso);
    QCOMPARE(caricaComeSempre(t, true), atteso);
  }
}

void TestSalvaCarica::spazzaturaPrimaEDopo() {
  Albero e;
  copione::aggiungiVoce(e, QStringLiteral("posta"), QStringLiteral("utente"),
                        QStringLiteral("x(y)z"), QStringLiteral("nota"));
  const QString testo = salva_albero(e);
  const QString prima =
      QStringLiteral(" \r\n\r\n\t") + QChar(1) + QChar(0x7F) + QStringLiteral("é€") + QChar(0xD800);
  const QString dopo = QStringLiteral("\r\n)) coda (( Root(") + QChar(0);
  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, prima + testo + dopo, m));
  QVERIFY(m.avvisi.isEmpty());
  QCOMPARE(differenza(e, letto), QString());
}

void TestSalvaCarica::nomiNonRiconosciuti_data() {
  QTest::addColumn<QString>("testo");
  QTest::addColumn<QString>("messaggio");
  QTest::addColumn<int>("nodi");
  const QString buono = infoTesto(2, QStringLiteral("x"));
  QTest::newRow("treeview") << QStringLiteral("treeview(\r\n)") << nonValido << 1;
  QTest::newRow("TreeView (") << QStringLiteral("TreeView (\r\n)") << nonValido << 1;
  QTest::newRow("root") << lista({buono}).replace(QStringLiteral("Root("), QStringLiteral("root("))
                        << rootMancante << 0;
  QTest::newRow("Root (") << lista({buono}).replace(QStringLiteral("Root("),
                                                    QStringLiteral("Root ("))
                          << rootMancante << 0;
  QTest::newRow("basicinfo") << lista({buono}).replace(QStringLiteral("BasicInfo("),
                                                       QStringLiteral("basicinfo("))
                             << corrotto << 0;
  QTest::newRow("child") << lista({buono + figlio(2, infoTesto(3, QStringLiteral("y")))})
                                .replace(QStringLiteral("Child("), QStringLiteral("child("))
                         << corrotto << 1;
}

void TestSalvaCarica::nomiNonRiconosciuti() {
  QFETCH(QString, testo);
  QFETCH(QString, messaggio);
  QFETCH(int, nodi);
  Albero e;
  e.Add(nullptr, {}, {}, QStringLiteral("di prima"));
  MessaggiCopione m;
  QVERIFY(!carica_albero(e, testo, m));
  QCOMPARE(m.avvisi.size(), 1);
  QCOMPARE(m.avvisi[0].testo, messaggio);
  QCOMPARE(e.Count(), nodi);
}

void TestSalvaCarica::proprietaInQualsiasiOrdine() {
  const QString testo = lista({info(
      2, {QStringLiteral("Text(primo)"), QStringLiteral("Image(2)"), QStringLiteral("Ignota(x)"),
          QStringLiteral("Selected(True)"), QStringLiteral("Tag(t)"),
          QStringLiteral("Text(ultimo)"), QStringLiteral("Expanded(True)"),
          QStringLiteral("Expanded(False)"), QStringLiteral("Key(k)")})});
  Albero e;
  MessaggiCopione m;
  QVERIFY(carica_albero(e, testo, m));
  QCOMPARE(e.Count(), 1);
  Nodo* n = e.Item(1);
  QCOMPARE(e.Text(n), QStringLiteral("ultimo"));
  QCOMPARE(e.Image(n), Immagine(2));
  QCOMPARE(e.SelectedImage(n), Immagine());
  QCOMPARE(e.ExpandedImage(n), Immagine());
  QCOMPARE(e.Key(n), QStringLiteral("k"));
  QCOMPARE(e.Tag(n), QStringLiteral("t"));
  QVERIFY(!e.Expanded(n));
  QCOMPARE(e.SelectedItem(), n);

  // Nothing given: every default.
  QVERIFY(carica_albero(e, lista({info(2, {})}), m));
  n = e.Item(1);
  QCOMPARE(e.Text(n), QString());
  QCOMPARE(e.Key(n), QString());
  QCOMPARE(e.Image(n), Immagine());
  QVERIFY(!e.Expanded(n));
  QCOMPARE(e.SelectedItem(), nullptr);
  QVERIFY(m.avvisi.isEmpty());
}

void TestSalvaCarica::proprietaAttaccate() {
  // The character after a ")" goes unread: the second item's name loses its first letter.
  const QString testo = lista({QStringLiteral("    BasicInfo(Text(a)Image(2))")});
  Albero e;
  MessaggiCopione m;
  QVERIFY(carica_albero(e, testo, m));
  QCOMPARE(e.Text(e.Item(1)), QStringLiteral("a"));
  QCOMPARE(e.Image(e.Item(1)), Immagine());
}

void TestSalvaCarica::primoMessaggio() {
  for (const QString& testo :
       {QString(), QStringLiteral("rumore"), QStringLiteral("Root(x)"), QStringLiteral("   ")}) {
    Albero e;
    copione::aggiungiVoce(e, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), {});
    e.setSelected(e.Item(3), true);
    const QString primaDi = salva_albero(e);
    MessaggiCopione m;
    QVERIFY(!carica_albero(e, testo, m));
    QCOMPARE(m.avvisi.size(), 1);
    QCOMPARE(m.avvisi[0].testo, nonValido);
    QVERIFY(m.avvisi[0].icona == Messaggi::Icona::Nessuna);
    QCOMPARE(salva_albero(e), primaDi);
  }
}

void TestSalvaCarica::secondoMessaggio() {
  QString testo = lista({infoTesto(2, QStringLiteral("uno")), infoTesto(2, QStringLiteral("due")),
                         infoTesto(2, QStringLiteral("tre"))});
  // The second item at the top level is a Child.
  testo.replace(testo.indexOf(QStringLiteral("Root("), testo.indexOf(QStringLiteral("Root(")) + 1),
                5, QStringLiteral("Child("));
  Albero e;
  MessaggiCopione m;
  QVERIFY(!carica_albero(e, testo, m));
  QCOMPARE(m.avvisi.size(), 1);
  QCOMPARE(m.avvisi[0].testo, rootMancante);
  QVERIFY(m.avvisi[0].icona == Messaggi::Icona::Nessuna);
  QCOMPARE(copione::testiNodi(e), QStringList{QStringLiteral("uno")});
}

void TestSalvaCarica::terzoMessaggio_data() {
  QTest::addColumn<QString>("testo");
  QTest::addColumn<QStringList>("nodi");
  const QString uno = infoTesto(2, QStringLiteral("uno"));
  QTest::newRow("Root vuota") << lista({uno, QString()}) << QStringList{QStringLiteral("uno")};
  QTest::newRow("secondo BasicInfo")
      << lista({uno + QStringLiteral("\r\n") + infoTesto(2, QStringLiteral("bis")),
                infoTesto(2, QStringLiteral("tre"))})
      << QStringList{QStringLiteral("uno")};
  QTest::newRow("figlio senza BasicInfo")
      << lista({uno + figlio(2, infoTesto(3, QStringLiteral("f1"))) +
                    figlio(2, QStringLiteral("      Text(f2)")) +
                    figlio(2, infoTesto(3, QStringLiteral("f3"))),
                infoTesto(2, QStringLiteral("due"))})
      << QStringList{QStringLiteral("uno"), QStringLiteral("f1")};
  QTest::newRow("nipote fuori posto")
      << lista({uno + figlio(2, infoTesto(3, QStringLiteral("f1")) + QStringLiteral("\r\n") +
                                    infoTesto(3, QStringLiteral("g1")))})
      << QStringList{QStringLiteral("uno"), QStringLiteral("f1")};
}

void TestSalvaCarica::terzoMessaggio() {
  QFETCH(QString, testo);
  QFETCH(QStringList, nodi);
  Albero e;
  copione::aggiungiVoce(e, QStringLiteral("vecchia"), {}, {}, {});
  MessaggiCopione m;
  QVERIFY(!carica_albero(e, testo, m));
  QCOMPARE(m.avvisi.size(), 1);
  QCOMPARE(m.avvisi[0].testo, corrotto);
  QVERIFY(m.avvisi[0].icona == Messaggi::Icona::Nessuna);
  QCOMPARE(copione::testiNodi(e), nodi);
}

void TestSalvaCarica::dueVociConFiglioSenzaInfo() {
  Albero e;
  copione::aggiungiVoce(e, QStringLiteral("prima"), QStringLiteral("u1"), QStringLiteral("p1"),
                        QStringLiteral("d1"));
  copione::aggiungiVoce(e, QStringLiteral("seconda"), QStringLiteral("u2"), QStringLiteral("p2"),
                        QStringLiteral("d2"));
  copione::aggiungiVoce(e, QStringLiteral("terza"), QStringLiteral("u3"), QStringLiteral("p3"),
                        QStringLiteral("d3"));
  QString testo = salva_albero(e);
  // The second entry's password child loses its BasicInfo name.
  const auto password = testo.indexOf(QStringLiteral("Text(Password: p2)"));
  const auto info = testo.lastIndexOf(QStringLiteral("BasicInfo("), password);
  testo.replace(info, 9, QStringLiteral("Info"));

  Albero letto;
  MessaggiCopione m;
  QVERIFY(!carica_albero(letto, testo, m));
  QCOMPARE(m.avvisi.size(), 1);
  QCOMPARE(m.avvisi[0].testo, corrotto);
  QCOMPARE(letto.Count(), 6);
  QCOMPARE(copione::testiNodi(letto),
           (QStringList{QStringLiteral("prima"), QStringLiteral("Username: u1"),
                        QStringLiteral("Password: p1"), QStringLiteral("d1"),
                        QStringLiteral("seconda"), QStringLiteral("Username: u2")}));
  QCOMPARE(letto.Children(letto.Item(1)), 3);
  QCOMPARE(letto.Children(letto.Item(5)), 1);
  QCOMPARE(letto.Image(letto.Item(6)), Immagine(2));
}

void TestSalvaCarica::dueSelezionati() {
  const QString selezionato = QStringLiteral("Selected(True)");
  const QString testo =
      lista({info(2, {selezionato, QStringLiteral("Text(a)")}) +
                 figlio(2, info(3, {selezionato, QStringLiteral("Text(b)")})),
             info(2, {QStringLiteral("Text(c)"), QStringLiteral("Selected(False)")})});
  Albero e;
  MessaggiCopione m;
  QVERIFY(carica_albero(e, testo, m));
  QCOMPARE(e.SelectedItem(), e.Item(2));
  QVERIFY(!e.Selected(e.Item(1)));

  // Expanded is set on a node before its children exist, and stays.
  const QString espanso = lista({info(2, {QStringLiteral("Expanded(True)")}) +
                                 figlio(2, info(3, {QStringLiteral("Text(b)")}))});
  QVERIFY(carica_albero(e, espanso, m));
  QVERIFY(e.Expanded(e.Item(1)));
  QVERIFY(!e.Expanded(e.Item(2)));
  QCOMPARE(e.SelectedItem(), nullptr);
}

void TestSalvaCarica::conversioniRiuscite() {
  struct Caso {
    QString proprieta;
    bool espanso;
    Immagine immagine;
  };
  const Caso casi[] = {
      {QStringLiteral("Expanded(tRuE)"), true, {}},
      {QStringLiteral("Expanded(FALSE)"), false, {}},
      {QStringLiteral("Expanded( 0 )"), false, {}},
      {QStringLiteral("Expanded(-2.5)"), true, {}},
      {QStringLiteral("Expanded(0.000)"), false, {}},
      {QStringLiteral("Expanded(+7)"), true, {}},
      {QStringLiteral("Expanded(10)"), true, {}},
      {QStringLiteral("Expanded(0.01)"), true, {}},
      {QStringLiteral("Image( 7 )"), false, 7},
      {QStringLiteral("Image(-32768)"), false, -32768},
      {QStringLiteral("Image(32767)"), false, 32767},
      {QStringLiteral("Image(007)"), false, 7},
      {QStringLiteral("Image()"), false, {}},
  };
  for (const Caso& c : casi) {
    Albero e;
    MessaggiCopione m;
    QVERIFY2(carica_albero(e, lista({info(2, {c.proprieta})}), m), qPrintable(c.proprieta));
    QCOMPARE(e.Expanded(e.Item(1)), c.espanso);
    QCOMPARE(e.Image(e.Item(1)), c.immagine);
  }
}

void TestSalvaCarica::conversioniFallite_data() {
  QTest::addColumn<QString>("proprieta");
  for (const char* p :
       {"Expanded()", "Expanded(yes)", "Selected(Vero)", "Expanded(1e3)", "Expanded(.)",
        "Selected(-)", "Expanded(1.2.3)", "Image(x)", "Image(1.5)", "Image(32768)", "Image(-32769)",
        "Image( )", "Image(+)", "SelectedImage(99999999999999999999)", "ExpandedImage(0x1)",
        "Text64(!!)", "Text64(YQ==)", "Key64(\xc3\xa8)"})
    QTest::newRow(p) << QString::fromUtf8(p);
}

void TestSalvaCarica::conversioniFallite() {
  QFETCH(QString, proprieta);
  // The first entry is in; the node whose BasicInfo fails is not added, nor anything after it.
  const QString testo =
      lista({infoTesto(2, QStringLiteral("uno")), info(2, {QStringLiteral("Text(due)"), proprieta}),
             infoTesto(2, QStringLiteral("tre"))});
  Albero e;
  MessaggiCopione m;
  try {
    carica_albero(e, testo, m);
    QFAIL("nessun errore");
  } catch (const Errore& errore) {
    QCOMPARE(errore.numero(), int(Errore::TipoNonCorrispondente));
  }
  QVERIFY(m.avvisi.isEmpty());
  QCOMPARE(copione::testiNodi(e), QStringList{QStringLiteral("uno")});
}

void TestSalvaCarica::unSoloAggiornamentoDellaVista() {
  Albero e;
  ModelloElenco modello(e);
  copione::aggiungiVoce(e, QStringLiteral("vecchia"), {}, {}, {});
  Albero fonte;
  for (int i = 0; i < 50; ++i)
    copione::aggiungiVoce(fonte, QString::number(i), QStringLiteral("u"), QStringLiteral("p"), {});
  fonte.setSelected(fonte.Item(7), true);
  fonte.setExpanded(fonte.Item(5), true);

  QSignalSpy prima(&modello, &QAbstractItemModel::modelAboutToBeReset);
  QSignalSpy dopo(&modello, &QAbstractItemModel::modelReset);
  QSignalSpy righe(&modello, &QAbstractItemModel::rowsInserted);
  MessaggiCopione m;
  QVERIFY(carica_albero(e, salva_albero(fonte), m));
  QCOMPARE(prima.size(), 1);
  QCOMPARE(dopo.size(), 1);
  QCOMPARE(righe.size(), 0);
  QCOMPARE(modello.rowCount(), 50);
  QCOMPARE(differenza(fonte, e), QString());

  // A load that ends in an error still ends its one reset, and the view hears of later changes.
  const QString guasto =
      lista({infoTesto(2, QStringLiteral("uno")), info(2, {QStringLiteral("Expanded(forse)")})});
  QVERIFY_THROWS_EXCEPTION(Errore, carica_albero(e, guasto, m));
  QCOMPARE(prima.size(), 2);
  QCOMPARE(dopo.size(), 2);
  QCOMPARE(modello.rowCount(), 1);
  e.Add(nullptr, {}, {}, QStringLiteral("dopo"));
  QCOMPARE(righe.size(), 1);

  // The first message leaves the tree and the view alone.
  QVERIFY(!carica_albero(e, QStringLiteral("rumore"), m));
  QCOMPARE(dopo.size(), 2);
}

void TestSalvaCarica::testoLungo() {
  Albero e;
  for (int i = 0; i < 60; ++i)
    copione::aggiungiVoce(e, QStringLiteral("voce %1").arg(i), QStringLiteral("utente"),
                          QStringLiteral("pw(%1)").arg(i), QString(i % 7 == 0 ? 400 : 20, u'd'));
  Nodo* grande = e.Add(nullptr, {}, {}, QString(40000, u'x') + u')');
  e.Add(grande, Relazione::Figlio, {}, QStringLiteral("dopo il grande"));
  const QString testo = salva_albero(e);
  QVERIFY(testo.size() > 3 * 32767);
  Albero letto;
  MessaggiCopione m;
  QVERIFY(carica_albero(letto, testo, m));
  QCOMPARE(differenza(e, letto), QString());
}

void TestSalvaCarica::annidamentoProfondo() {
  // A compact text can nest far deeper than any written one; reading it must neither overflow
  // the stack nor take quadratic time, and it stops at the deepest level a save can write.
  const int livelli = 200000;
  QString testo = QStringLiteral("TreeView(Root(");
  testo.reserve(livelli * 20 + 100);
  for (int i = 0; i < livelli; ++i) testo += QStringLiteral("BasicInfo(Text(x)) Child(");
  testo += QStringLiteral("BasicInfo(Text(fondo))");
  testo += QString(livelli, u')');
  testo += QStringLiteral("))");
  Albero e;
  MessaggiCopione m;
  QVERIFY(!carica_albero(e, testo, m));
  QCOMPARE(m.avvisi.size(), 1);
  QCOMPARE(m.avvisi[0].testo, corrotto);
  QCOMPARE(e.Count(), int(massimoLivelli));
  QCOMPARE(e.Parent(e.Item(massimoLivelli)), e.Item(massimoLivelli - 1));

  // What was loaded saves and loads back whole.
  Albero riletto;
  QVERIFY(carica_albero(riletto, salva_albero(e), m));
  QCOMPARE(differenza(e, riletto), QString());

  // One level more is refused by the writer before it lays anything out.
  e.Add(e.Item(massimoLivelli), Relazione::Figlio, {}, QStringLiteral("troppo"));
  try {
    salva_albero(e);
    QFAIL("nessun errore");
  } catch (const Errore& errore) {
    QCOMPARE(errore.numero(), int(Errore::Overflow));
  }
}

QTEST_GUILESS_MAIN(TestSalvaCarica)
#include "test_salva_carica.moc"

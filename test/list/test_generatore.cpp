#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>
#include <random>

#include "list/generatore.h"

using namespace custodex;
using Tipo = OpzioniGeneratore::Tipo;

namespace {

// The same draws at every run.
Caso seminato(quint64 seme) {
  auto motore = std::make_shared<std::mt19937_64>(seme);
  return [motore](quint32 limite) {
    return std::uniform_int_distribution<quint32>(0, limite - 1)(*motore);
  };
}

OpzioniGeneratore opzioni(int lunghezza, bool minuscole, bool maiuscole, bool cifre, bool simboli,
                          bool escludiSimili) {
  OpzioniGeneratore o;
  o.lunghezza = lunghezza;
  o.minuscole = minuscole;
  o.maiuscole = maiuscole;
  o.cifre = cifre;
  o.simboli = simboli;
  o.escludiSimili = escludiSimili;
  return o;
}

const OpzioniGeneratore combinazioni[] = {
    OpzioniGeneratore{},
    opzioni(8, true, true, true, true, true),
    opzioni(128, true, true, true, true, false),
    opzioni(8, false, false, true, true, true),
    opzioni(12, false, true, false, false, false),
    opzioni(9, true, false, true, false, true),
};

// The number of passwords holding every class, counted position by position over the subsets of
// classes seen so far: another way to the count than inclusion-exclusion.
long double log2Conteggio(const OpzioniGeneratore& o) {
  const QStringList classi = classiScelte(o);
  const unsigned tutte = (1u << classi.size()) - 1;
  std::vector<long double> visti(tutte + 1, 0);
  visti[0] = 1;
  long double scala = 0;  // log2 of the factor taken out to keep the numbers in range
  for (int posizione = 0; posizione < o.lunghezza; ++posizione) {
    std::vector<long double> dopo(tutte + 1, 0);
    for (unsigned m = 0; m <= tutte; ++m)
      for (int c = 0; c < classi.size(); ++c) dopo[m | (1u << c)] += visti[m] * classi[c].size();
    const long double massimo = *std::max_element(dopo.begin(), dopo.end());
    for (long double& v : dopo) v /= massimo;
    scala += std::log2(massimo);
    visti = dopo;
  }
  return scala + std::log2(visti[tutte]);
}

// Chi-square of the characters of each class against an even spread within the class, summed
// over the classes, and its degrees of freedom. Even a perfect draw leans towards the classes
// that would otherwise be missing, but within a class every character is as likely as another.
std::pair<double, int> chiQuadro(const OpzioniGeneratore& o, const Caso& caso, int password) {
  const QStringList classi = classiScelte(o);
  QHash<QChar, int> conti;
  for (int i = 0; i < password; ++i) {
    const TestoSegreto p = generaPassword(o, caso);
    for (QChar c : p.vista()) ++conti[c];
  }
  double chi = 0;
  int gradi = 0;
  for (const QString& classe : classi) {
    double totale = 0;
    for (QChar c : classe) totale += conti.value(c);
    const double atteso = totale / classe.size();
    for (QChar c : classe) chi += std::pow(conti.value(c) - atteso, 2) / atteso;
    gradi += classe.size() - 1;
  }
  return {chi, gradi};
}

// The chi-square value that an even draw passes by chance once in a million (Wilson-Hilferty).
double soglia(int gradi) {
  const double k = 2.0 / (9.0 * gradi);
  return gradi * std::pow(1 - k + 4.753 * std::sqrt(k), 3);
}

}  // namespace

class TestGeneratore : public QObject {
  Q_OBJECT

 private slots:
  void ogniClasseSceltaNessunSimile() {
    const Caso caso = seminato(1);
    for (const OpzioniGeneratore& o : combinazioni) {
      const QStringList classi = classiScelte(o);
      const QString alfabeto = classi.join(QString());
      for (int i = 0; i < 2000; ++i) {
        const TestoSegreto p = generaPassword(o, caso);
        QCOMPARE(p.vista().size(), o.lunghezza);
        for (const QString& classe : classi)
          QVERIFY2(std::any_of(p.vista().begin(), p.vista().end(),
                               [&](QChar c) { return classe.contains(c); }),
                   qPrintable(p.testo()));
        for (QChar c : p.vista()) {
          QVERIFY(alfabeto.contains(c));
          if (o.escludiSimili) QVERIFY(!QStringView(caratteriSimili).contains(c));
        }
      }
    }
    // Without the look-alikes each class loses its own: l; I O B G; 1 0 8 6; |.
    QCOMPARE(classiScelte(OpzioniGeneratore{}).join(QString()).size(), 25 + 22 + 6 + 31);
    QCOMPARE(classiScelte(opzioni(20, true, true, true, true, false)).join(QString()).size(), 94);
    QVERIFY(generaPassword(opzioni(20, false, false, false, false, true), caso).isEmpty());
  }

  void bitContatiEsattamente() {
    for (const OpzioniGeneratore& o : combinazioni)
      QVERIFY2(std::abs(bitPassword(o) - static_cast<double>(log2Conteggio(o))) < 1e-6,
               qPrintable(QString::number(bitPassword(o))));
    // One class: every string counts. Two classes of 26 over 8 characters: 52^8 - 2 * 26^8.
    QCOMPARE(bitPassword(opzioni(8, false, false, true, false, false)), 8 * std::log2(10.0));
    QVERIFY(std::abs(bitPassword(opzioni(8, true, true, false, false, false)) -
                     std::log2(std::pow(52.0, 8) - 2 * std::pow(26.0, 8))) < 1e-9);
  }

  void caratteriUniformiInOgniClasse() {
    const OpzioniGeneratore o;
    const auto [chi, gradi] = chiQuadro(o, seminato(2), 20000);
    QVERIFY2(chi < soglia(gradi), qPrintable(QString::number(chi)));

    // The check is strong enough to see a draw of one byte folded over the alphabet.
    auto byte = std::make_shared<std::mt19937>(3);
    const Caso piegato = [byte](quint32 limite) {
      return std::uniform_int_distribution<quint32>(0, 255)(*byte) % limite;
    };
    QVERIFY(chiQuadro(o, piegato, 20000).first > soglia(gradi));
  }

  void fraseDiParoleDellElenco() {
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("parole"));
    QFile file(percorso);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("casa\ncittà\n\ncasa\nmezzo-giorno\nbel paese\n  mare \nsole\nluna\n")
                   .toUtf8());
    file.close();
    const QStringList parole = leggiParole(percorso);
    QCOMPARE(parole, (QStringList{"casa", "città", "mare", "sole", "luna"}));
    QVERIFY(leggiParole(cartella.filePath(QStringLiteral("mancante"))).isEmpty());

    const Caso caso = seminato(4);
    QSet<QString> usate;
    for (int i = 0; i < 200; ++i) {
      const QStringList scelte = generaFrase(parole, 6, caso).testo().split(separatoreParole);
      QCOMPARE(scelte.size(), 6);
      for (const QString& s : scelte) QVERIFY(parole.contains(s));
      usate.unite(QSet<QString>(scelte.begin(), scelte.end()));
    }
    QCOMPARE(usate.size(), parole.size());
    QCOMPARE(bitFrase(parole.size(), 6), 6 * std::log2(5.0));
    QVERIFY(generaFrase({}, 6, caso).isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestGeneratore)
#include "test_generatore.moc"

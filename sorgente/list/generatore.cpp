#include "list/generatore.h"

#include <sodium.h>

#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace custodex {

Caso casoSodium() {
  // Fails only where the system has no source of randomness at all.
  static const int esito = sodium_init();
  if (esito < 0) throw std::runtime_error("libsodium cannot start");
  // randombytes_uniform draws again rather than fold a draw over the range, which would favour
  // its first values.
  return [](quint32 limite) { return randombytes_uniform(limite); };
}

QStringList classiScelte(const OpzioniGeneratore& opzioni) {
  static const QString minuscole = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
  static const QString maiuscole = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  static const QString cifre = QStringLiteral("0123456789");
  static const QString simboli = QStringLiteral("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
  QStringList classi;
  for (const auto& [scelta, classe] : {std::pair{opzioni.minuscole, &minuscole},
                                       {opzioni.maiuscole, &maiuscole},
                                       {opzioni.cifre, &cifre},
                                       {opzioni.simboli, &simboli}}) {
    if (!scelta) continue;
    QString c = *classe;
    if (opzioni.escludiSimili)
      c.removeIf([](QChar x) { return QStringView(caratteriSimili).contains(x); });
    classi << c;
  }
  return classi;
}

TestoSegreto generaPassword(const OpzioniGeneratore& opzioni, const Caso& caso) {
  const QStringList classi = classiScelte(opzioni);
  if (classi.isEmpty()) return {};
  const QString alfabeto = classi.join(QString());
  std::vector<int> classeDi;
  for (int c = 0; c < classi.size(); ++c) classeDi.insert(classeDi.end(), classi[c].size(), c);
  const unsigned tutte = (1u << classi.size()) - 1;
  const int lunghezza = std::clamp(opzioni.lunghezza, OpzioniGeneratore::lunghezzaMinima,
                                   OpzioniGeneratore::lunghezzaMassima);

  // One buffer, written over at each new draw, so that no discarded draw is left in memory.
  QString bozza(lunghezza, QChar());
  for (;;) {
    unsigned presenti = 0;
    for (QChar& x : bozza) {
      const quint32 i = caso(static_cast<quint32>(alfabeto.size()));
      x = alfabeto[i];
      presenti |= 1u << classeDi[i];
    }
    if (presenti == tutte) return TestoSegreto(std::move(bozza));
  }
}

double bitPassword(const OpzioniGeneratore& opzioni) {
  const QStringList classi = classiScelte(opzioni);
  if (classi.isEmpty()) return 0;
  const int lunghezza = std::clamp(opzioni.lunghezza, OpzioniGeneratore::lunghezzaMinima,
                                   OpzioniGeneratore::lunghezzaMassima);
  long double tutti = 0;
  for (const QString& c : classi) tutti += c.size();
  // The share of all strings over the alphabet that hold every class: the strings missing the
  // classes of each subset are taken away or put back by the subset's parity. Shares stay within
  // 0..1 where the counts themselves would run past any integer type.
  long double quota = 0;
  for (unsigned mancanti = 0; mancanti < (1u << classi.size()); ++mancanti) {
    long double restanti = tutti;
    for (int c = 0; c < classi.size(); ++c)
      if (mancanti & (1u << c)) restanti -= classi[c].size();
    const long double termine = std::pow(restanti / tutti, static_cast<long double>(lunghezza));
    quota += (std::popcount(mancanti) % 2 == 0) ? termine : -termine;
  }
  return static_cast<double>(lunghezza * std::log2(tutti) + std::log2(quota));
}

QStringList paroleUtilizzabili(const QStringList& righe) {
  QStringList parole;
  QSet<QString> viste;
  for (const QString& riga : righe) {
    const QString parola = riga.trimmed();
    if (parola.isEmpty() || parola.contains(separatoreParole) ||
        std::any_of(parola.begin(), parola.end(), [](QChar c) { return c.isSpace(); }))
      continue;
    if (viste.contains(parola)) continue;
    viste.insert(parola);
    parole << parola;
  }
  return parole;
}

QStringList leggiParole(const QString& percorso) {
  QFile file(percorso);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray byte = file.readAll();
  // Debian's word lists are in UTF-8; an older one in Latin-1 is read as such.
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString testo = utf8(byte);
  if (utf8.hasError()) testo = QString::fromLatin1(byte);
  return paroleUtilizzabili(testo.split(u'\n'));
}

TestoSegreto generaFrase(const QStringList& parole, int quante, const Caso& caso) {
  if (parole.isEmpty() || quante < 1) return {};
  std::vector<qsizetype> scelte;
  qsizetype lunghezza = quante - 1;
  for (int i = 0; i < quante; ++i) {
    scelte.push_back(caso(static_cast<quint32>(parole.size())));
    lunghezza += parole[scelte.back()].size();
  }
  // Reserved whole, so that it is never moved and left behind in freed memory.
  QString frase;
  frase.reserve(lunghezza);
  for (qsizetype s : scelte) {
    if (!frase.isEmpty()) frase += separatoreParole;
    frase += parole[s];
  }
  std::fill(scelte.begin(), scelte.end(), 0);
  return TestoSegreto(std::move(frase));
}

double bitFrase(qsizetype parole, int quante) {
  return parole < 1 || quante < 1 ? 0 : quante * std::log2(static_cast<double>(parole));
}

}  // namespace custodex

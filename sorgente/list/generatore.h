#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "comune/testo_segreto.h"

namespace custodex {

// A whole number drawn evenly from 0 to limite - 1. The program draws from libsodium; a test may
// pass a seeded one, so that its draws are the same at every run.
using Caso = std::function<quint32(quint32 limite)>;
Caso casoSodium();

// What "Genera Password" makes. The generator's dialog keeps it for the session only.
struct OpzioniGeneratore {
  enum class Tipo { Caratteri, Parole };
  static constexpr int lunghezzaMinima = 8, lunghezzaMassima = 128;
  static constexpr int paroleMinime = 3, paroleMassime = 20;

  Tipo tipo = Tipo::Caratteri;
  int lunghezza = 20;
  bool minuscole = true, maiuscole = true, cifre = true, simboli = true;
  // Characters easily taken for one another when a password is read aloud or copied by hand.
  bool escludiSimili = true;
  int parole = 6;
};

// The characters easily taken for one another, left out on request.
inline constexpr char16_t caratteriSimili[] = u"lI1O0|B8G6";

// The character classes chosen, each without the look-alikes when these are left out; an empty
// list when none is chosen.
QStringList classiScelte(const OpzioniGeneratore& opzioni);

// A password of the chosen length drawn evenly among all those that hold at least one character
// of each chosen class: a draw missing a class is drawn again whole, so that no position leans
// towards a class. Empty when no class is chosen.
TestoSegreto generaPassword(const OpzioniGeneratore& opzioni, const Caso& caso);

// The strength of that draw: log2 of the number of passwords it may give, counted exactly
// (inclusion-exclusion over the classes that a password might miss).
double bitPassword(const OpzioniGeneratore& opzioni);

// Words joined by this; a word that holds it is not used, so that every choice of words gives a
// different passphrase and the strength is exactly n * log2(words).
inline constexpr QChar separatoreParole = u'-';

// The usable words of a word list, one per line, each once.
QStringList paroleUtilizzabili(const QStringList& righe);
// The words of the word list file in the given path, as paroleUtilizzabili; empty when the file
// cannot be read.
QStringList leggiParole(const QString& percorso);

// `quante` words drawn evenly from `parole`, joined by the separator.
TestoSegreto generaFrase(const QStringList& parole, int quante, const Caso& caso);
double bitFrase(qsizetype parole, int quante);

}  // namespace custodex

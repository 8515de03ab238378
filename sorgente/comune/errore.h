#pragma once

#include <QString>
#include <exception>

namespace custodex {

// An error raised below a command. Every command that can fail on ordinary input catches it at
// its trap and ends there; nothing below a trap catches it.
class Errore : public std::exception {
 public:
  // Numbers follow the classic runtime's, so that a command can tell its own signal (1) apart.
  enum Numero {
    NomeMancante = 1,
    Overflow = 6,
    MemoriaEsaurita = 7,
    TipoNonCorrispondente = 13,
    ErroreInterno = 51,
    FileNonTrovato = 53,
    ErroreLettura = 62,
    NodoMancante = 91,
    IndiceNonValido = 35600,
    ChiaveNonUnica = 35602,
    RelazioneNonValida = 35603,
    FileNonScritto = 75,
    AppuntiIllegibili = 521,
  };

  Errore(int numero, QString descrizione)
      : numero_(numero), descrizione_(std::move(descrizione)), testo_(descrizione_.toUtf8()) {}

  int numero() const { return numero_; }
  const QString& descrizione() const { return descrizione_; }
  const char* what() const noexcept override { return testo_.constData(); }

 private:
  int numero_;
  QString descrizione_;
  QByteArray testo_;
};

}  // namespace custodex

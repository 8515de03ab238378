#pragma once

#include <QString>

namespace custodex::testi {

inline const QString titolo = QStringLiteral("Custodex");

inline const QString statoCompletato = QStringLiteral("Stato: operazioni completate");
inline const QString statoInCorso = QStringLiteral("Stato: operazioni in corso....");
inline const QString statoCaricamento = QStringLiteral("Stato: caricamento....");
inline const QString statoSalvataggio = QStringLiteral("Stato: salvataggio in corso....");
inline const QString statoRicerca = QStringLiteral("Stato: sto cercando....");
inline const QString statoBloccata = QStringLiteral("Stato: lista bloccata");

// An entry needs a name, when it is added and when it is changed.
inline const QString nomeMancante = QStringLiteral(
    "Attenzione per aggiungere un dato alla lista è necessario compilare il campo Nome");

}  // namespace custodex::testi

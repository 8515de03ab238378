#pragma once

#include <QString>

#include "comune/ambiente.h"
#include "listfile/chiave_digitata.h"

namespace custodex {

// The key a list is about to be saved under. Typed unseen, so it is asked twice: a slip of the
// finger would otherwise encipher the list under a key nobody knows. When the two differ the user
// is told and both are asked again, as they are when the user, told that an empty key lets
// anyone open the list, declines it. Cancel at either prompt gives the cancelled key.
ChiaveDigitata chiedi_chiave_nuova(Ambiente& ambiente);

namespace testi_file {
inline const QString chiaveRipeti = QStringLiteral("Ripetere la chiave segreta di criptazione: ");
inline const QString chiaviDiverse =
    QStringLiteral("Attenzione le due chiavi inserite non coincidono");
inline const QString chiaveVuota = QStringLiteral(
    "Attenzione la chiave inserita è vuota: chiunque potrà aprire la lista. Salvare comunque?");
}  // namespace testi_file

}  // namespace custodex

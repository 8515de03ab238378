#pragma once

#include <QtGlobal>
#include <limits>

#include "comune/errore.h"

namespace custodex {

// The counters the user sees are signed 16-bit; leaving that range is an error, never a wrap.
inline qint16 intero16(qint64 valore) {
  if (valore < std::numeric_limits<qint16>::min() || valore > std::numeric_limits<qint16>::max())
    throw Errore(Errore::Overflow, QStringLiteral("Overflow"));
  return static_cast<qint16>(valore);
}

}  // namespace custodex

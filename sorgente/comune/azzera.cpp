#include "comune/azzera.h"

#include <sodium.h>

namespace custodex {

void azzera(QString& testo) noexcept {
  // A string without memory of its own (empty, or a literal) reports itself shared.
  if (testo.isEmpty() || !testo.isDetached()) return;
  sodium_memzero(testo.data(), static_cast<std::size_t>(testo.size()) * sizeof(QChar));
}

void azzera(QByteArray& byte) noexcept {
  if (byte.isEmpty() || !byte.isDetached()) return;
  sodium_memzero(byte.data(), static_cast<std::size_t>(byte.size()));
}

}  // namespace custodex

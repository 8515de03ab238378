#include "listfile/buffer_azzerato.h"

#include <sodium.h>

#include <algorithm>
#include <utility>

#include "comune/pagine_grandi.h"

namespace custodex {

BufferAzzerato::~BufferAzzerato() {
  azzera();
}

BufferAzzerato::BufferAzzerato(BufferAzzerato&& altro) noexcept
    : dati_(std::move(altro.dati_)), capienza_(std::exchange(altro.capienza_, 0)) {}

BufferAzzerato& BufferAzzerato::operator=(BufferAzzerato&& altro) noexcept {
  if (this != &altro) {
    azzera();
    dati_ = std::move(altro.dati_);
    capienza_ = std::exchange(altro.capienza_, 0);
  }
  return *this;
}

void BufferAzzerato::azzera() noexcept {
  if (dati_) sodium_memzero(dati_.get(), capienza_);
}

void BufferAzzerato::cresci(std::size_t capienza, std::size_t tenuti) {
  if (capienza <= capienza_) return;
  auto nuovi = std::make_unique_for_overwrite<unsigned char[]>(capienza);
  preferisciPagineGrandi(nuovi.get(), capienza);
  std::copy_n(dati_.get(), std::min(tenuti, capienza_), nuovi.get());
  azzera();
  dati_ = std::move(nuovi);
  capienza_ = capienza;
}

}  // namespace custodex

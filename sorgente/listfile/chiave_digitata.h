#pragma once

#include <sodium.h>

#include <QString>
#include <optional>
#include <utility>

namespace custodex {

// A key as the user typed it, wiped when the command lets go of it (as far as this copy goes:
// the input box had its own). Moving hands the buffer on, so no unwiped copy is left behind.
class ChiaveDigitata {
 public:
  // Nothing means the user cancelled the prompt.
  explicit ChiaveDigitata(std::optional<QString> chiave) : chiave_(std::move(chiave)) {}
  ~ChiaveDigitata() {
    if (chiave_ && chiave_->isDetached() && !chiave_->isEmpty())
      sodium_memzero(chiave_->data(), static_cast<std::size_t>(chiave_->size()) * sizeof(QChar));
  }
  ChiaveDigitata(ChiaveDigitata&& altra) noexcept
      : chiave_(std::exchange(altra.chiave_, std::nullopt)) {}
  ChiaveDigitata(const ChiaveDigitata&) = delete;
  ChiaveDigitata& operator=(const ChiaveDigitata&) = delete;
  ChiaveDigitata& operator=(ChiaveDigitata&&) = delete;

  bool annullata() const { return !chiave_; }
  const QString& testo() const { return *chiave_; }

 private:
  std::optional<QString> chiave_;
};

}  // namespace custodex

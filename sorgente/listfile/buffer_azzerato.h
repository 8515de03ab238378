#pragma once

#include <cstddef>
#include <memory>

namespace custodex {

// A working buffer for list text, compressed or not, that grows without leaving a copy behind:
// the old memory is wiped before it goes, and the whole buffer when it goes.
class BufferAzzerato {
 public:
  BufferAzzerato() = default;
  explicit BufferAzzerato(std::size_t capienza) { cresci(capienza); }
  ~BufferAzzerato();
  BufferAzzerato(BufferAzzerato&& altro) noexcept;
  BufferAzzerato& operator=(BufferAzzerato&& altro) noexcept;
  BufferAzzerato(const BufferAzzerato&) = delete;
  BufferAzzerato& operator=(const BufferAzzerato&) = delete;

  unsigned char* dati() { return dati_.get(); }
  const unsigned char* dati() const { return dati_.get(); }
  std::size_t capienza() const { return capienza_; }

  // Room for at least `capienza` bytes, the first `tenuti` kept. Throws std::bad_alloc.
  void cresci(std::size_t capienza, std::size_t tenuti = 0);

 private:
  void azzera() noexcept;

  std::unique_ptr<unsigned char[]> dati_;
  std::size_t capienza_ = 0;
};

}  // namespace custodex

#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>

// The list text in compact form, as it travels between the writer, the cipher and the reader.
//
// Each 16-bit character on its own becomes one to three bytes, laid out as UTF-8 lays out a
// character of that value; a surrogate too, alone, so that any sequence of 16-bit characters
// comes back exactly, lone surrogates included. A text of ASCII takes a byte a character instead
// of two. Every byte of a character beyond ASCII is 0x80 or more: parentheses, blanks and item
// names read the same in either form, so the reader can follow its rules on the bytes.

namespace custodex::compatto {

inline constexpr std::size_t massimoPerCarattere = 3;

// Writes the compact form of `n` characters to `uscita`, which has room for
// massimoPerCarattere * n bytes, and returns how many bytes it wrote.
std::size_t codifica(const char16_t* testo, std::size_t n, unsigned char* uscita) noexcept;

// The characters of `n` bytes of compact form, written to `uscita` when it is not null; returns
// how many there are (never more than `n`). A byte that does not belong where it stands (possible
// only in a text the writer did not make) becomes one character of the bits it carries.
std::size_t decodifica(const unsigned char* byte, std::size_t n, char16_t* uscita) noexcept;

// How many characters `n` bytes of compact form hold: the bytes that begin one.
std::size_t caratteri(const unsigned char* byte, std::size_t n) noexcept;

// The same, into a new string.
QString inStringa(const unsigned char* byte, std::size_t n);

// How many bytes the lead byte of a character says the character takes.
constexpr std::size_t lunghezza(unsigned char primo) {
  return primo < 0xC0 ? 1 : primo < 0xE0 ? 2 : 3;
}

// The list text a block at a time, in compact form: what the cipher gives the reader on a load.
class Fonte {
 public:
  virtual ~Fonte() = default;
  // Writes the next bytes to `blocco`, at least one and at most `n` while any are left, and
  // returns how many; 0 once the text has ended. `n` is at least massimoPerCarattere. A
  // character may be split between blocks.
  virtual std::size_t leggi(unsigned char* blocco, std::size_t n) = 0;
};

// Where the writer puts the list text a block at a time, in compact form, on a save.
class Pozzo {
 public:
  virtual ~Pozzo() = default;
  virtual void scrivi(const unsigned char* byte, std::size_t n) = 0;
};

// A text in memory given a block at a time in compact form.
class FonteStringa : public Fonte {
 public:
  explicit FonteStringa(QStringView testo) : testo_(testo) {}
  std::size_t leggi(unsigned char* blocco, std::size_t n) override;

 private:
  QStringView testo_;
};

}  // namespace custodex::compatto

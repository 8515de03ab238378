#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

// The escaped form of a property value that the list text could not carry as it is.
//
// The reader finds the end of a value only by counting parentheses, so a value comes back whole
// exactly when its parentheses balance as that count goes: no ")" closes more than the "(" before
// it and every "(" is closed by the end. Every other character, line breaks, blanks, control
// characters and lone surrogates included, is taken verbatim. A value that does not balance is
// written instead as the base64 (standard alphabet, with padding) of its 16-bit characters, each
// low byte first, which holds no parenthesis at all.
namespace custodex::forma64 {

// True when the value, written verbatim between "(" and ")", is read back whole.
bool sopravvive(QStringView valore);

// The escaped form of the value, appended to `testo`.
void accoda(QString& testo, QStringView valore);
// How many characters the escaped form of a value of `caratteri` characters takes.
constexpr qsizetype lunghezza(qsizetype caratteri) {
  return (2 * caratteri + 2) / 3 * 4;
}

// The value an escaped form holds; nothing when the text is not one.
std::optional<QString> decodifica(QStringView forma);
// The same, from the form's characters in compact form.
std::optional<QString> decodifica(std::span<const unsigned char> forma);

}  // namespace custodex::forma64

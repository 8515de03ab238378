#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace custodex {

// A multi-line box's text with its no-break spaces and line separators as they were typed or
// pasted; every break between its blocks is a line break.
QString testoDi(const QPlainTextEdit& box);

// Empties a box that may hold a secret, with its undo history, so that Ctrl+Z cannot bring it
// back; the characters it held are wiped once it has let go of them.
void svuotaCampo(QLineEdit& box);
void svuotaCampo(QPlainTextEdit& box);

}  // namespace custodex

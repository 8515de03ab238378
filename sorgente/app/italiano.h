#pragma once

class QCoreApplication;

namespace custodex {

// Qt's own texts (the buttons of message boxes, the file dialog) speak Italian like the rest of
// the program, whatever the system's language. False when the translation is not installed.
bool installaItaliano(QCoreApplication& applicazione);

}  // namespace custodex

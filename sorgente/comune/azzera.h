#pragma once

#include <QByteArray>
#include <QString>

namespace custodex {

// Wipes the characters of a string before its memory goes back, when no other string shares
// them (a shared one is left to its last holder). A freed list text or password would otherwise
// stay readable in the process's memory, and in a crash dump.
void azzera(QString& testo) noexcept;
void azzera(QByteArray& byte) noexcept;

}  // namespace custodex

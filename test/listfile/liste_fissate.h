#pragma once

#include <QString>
#include <QStringList>

#include "list/albero.h"
#include "supporto/copione.h"

// Lists kept as files written by an earlier version of the program, with their keys: every later
// version must load them to these trees.

namespace custodex::fissate {

struct Lista {
  QString file;
  QString chiave;
  void (*costruisci)(Albero&);
};

inline void vuota(Albero&) {}

inline void valoriScomodi(Albero& e) {
  copione::aggiungiVoce(e, QStringLiteral("città è però"), QStringLiteral("ütente ñ €"),
                        QStringLiteral("pässwörd (nota) ((due))"),
                        QStringLiteral("nota (vecchia)"));
  copione::aggiungiVoce(e, QStringLiteral("righe"), QStringLiteral("a\r\nb"),
                        QStringLiteral("  spazi intorno  "), QStringLiteral("prima\r\nseconda\n"));
  // Unbalanced parentheses, quotes, tabs, a character beyond the BMP.
  copione::aggiungiVoce(e, QStringLiteral("a)b"), QStringLiteral("(aperta"),
                        QStringLiteral("\"virgolette\",\t) ( \U0001F511"), QString());
}

inline void statiENodi(Albero& e) {
  Nodo* uno = copione::aggiungiVoce(e, QStringLiteral("posta"), QStringLiteral("io"),
                                    QStringLiteral("x"), QStringLiteral("d"));
  copione::aggiungiVoce(e, QStringLiteral("banca"), QStringLiteral("tu"), QStringLiteral("y"), {});
  e.setExpanded(uno, true);
  e.setSelected(e.Item(7), true);
  e.setTag(e.Item(2), QStringLiteral("etichetta (1)"));
  e.setExpandedImage(e.Item(5), 2);
  e.Add(nullptr, {}, QStringLiteral("chiave"), QStringLiteral("con chiave"), {}, {});
}

inline const Lista liste[] = {
    {QStringLiteral("vuota.kvx"), QStringLiteral("segreta"), vuota},
    {QStringLiteral("scomodi.kvx"), QString(), valoriScomodi},
    {QStringLiteral("stati.kvx"), QStringLiteral("chiave (è) \"k\""), statiENodi},
    // The second form of the file, whose seal holds the compact text.
    {QStringLiteral("scomodi-2.kvx"), QString(), valoriScomodi},
    {QStringLiteral("stati-2.kvx"), QStringLiteral("chiave (è) \"k\""), statiENodi},
};

}  // namespace custodex::fissate

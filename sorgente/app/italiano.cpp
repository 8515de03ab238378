#include "app/italiano.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace custodex {

bool installaItaliano(QCoreApplication& applicazione) {
  auto* traduzione = new QTranslator(&applicazione);
  if (!traduzione->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete traduzione;
    return false;
  }
  return QCoreApplication::installTranslator(traduzione);
}

}  // namespace custodex

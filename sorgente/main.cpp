#include <QApplication>

#include "app/principale.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  custodex::Principale principale;
  principale.avvia();
  return app.exec();
}

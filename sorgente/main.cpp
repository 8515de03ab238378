#include <QApplication>

#include "app/italiano.h"
#include "app/principale.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  custodex::installaItaliano(app);
  custodex::Principale principale;
  principale.avvia();
  return app.exec();
}

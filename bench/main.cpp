#include <QApplication>
#include <QRandomGenerator>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/processo.h"
#include "bench/comune.h"

namespace custodex::bench {

std::vector<Sezione>& sezioni() {
  static std::vector<Sezione> tutte;
  return tutte;
}

double piccoMemoriaMiB() {
  std::ifstream status("/proc/self/status");
  std::string riga;
  while (std::getline(status, riga))
    if (riga.rfind("VmHWM:", 0) == 0) return std::stod(riga.substr(6)) / 1024.0;
  return 0;
}

void riempi(Albero& elenco, int voci) {
  QRandomGenerator caso(42);
  auto parola = [&](int da, int a) {
    QString s;
    const int n = static_cast<int>(caso.bounded(da, a + 1));
    for (int i = 0; i < n; ++i) s += QChar(u'a' + static_cast<char16_t>(caso.bounded(26)));
    return s;
  };
  elenco.riserva(elenco.Count() + 4 * voci);
  for (int i = 0; i < voci; ++i) {
    Nodo* voce = elenco.Add(nullptr, {}, {}, parola(5, 14) + QString::number(i), 1, 1);
    elenco.Add(voce, Relazione::Figlio, {},
               QStringLiteral("Username: ") + parola(6, 12) + "@posta.it", 2, 2);
    elenco.Add(voce, Relazione::Figlio, {}, QStringLiteral("Password: ") + parola(12, 20), 2, 2);
    elenco.Add(
        voce, Relazione::Figlio, {},
        i % 3 ? parola(20, 60) + QStringLiteral(" (note)") : QStringLiteral("Nessuna Descrizione"),
        3, 3);
  }
}

}  // namespace custodex::bench

// Usage: custodex_bench [section-name-substring]
int main(int argc, char* argv[]) {
  // The program's own memory settings, so that what is measured is what it does.
  custodex::preparaMemoria();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  for (const auto& s : custodex::bench::sezioni()) {
    if (argc > 1 && !std::strstr(s.nome, argv[1])) continue;
    std::printf("== %s\n", s.nome);
    s.esegui();
    std::fflush(stdout);
  }
  return 0;
}

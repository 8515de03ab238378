#pragma once

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "list/albero.h"

// Shared pieces of the benchmark program: every bench_*.cpp registers its sections with
// REGISTRA_BENCH, and main runs them in file-name order.

namespace custodex::bench {

struct Sezione {
  const char* nome;
  std::function<void()> esegui;
};

std::vector<Sezione>& sezioni();

struct Registra {
  Registra(const char* nome, std::function<void()> esegui) {
    sezioni().push_back({nome, std::move(esegui)});
  }
};

#define CUSTODEX_CONCAT2(a, b) a##b
#define CUSTODEX_CONCAT(a, b) CUSTODEX_CONCAT2(a, b)
#define REGISTRA_BENCH(nome, funzione) \
  static ::custodex::bench::Registra CUSTODEX_CONCAT(registra_, __LINE__)(nome, funzione)

struct Tempi {
  double prima;    // the first run, as a user's one save or load meets it
  double mediana;  // of all runs
};

// Wall times of `volte` runs, in milliseconds.
inline Tempi misura(int volte, const std::function<void()>& f) {
  std::vector<double> tempi;
  for (int i = 0; i < volte; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    tempi.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  const double prima = tempi.front();
  std::sort(tempi.begin(), tempi.end());
  return {prima, tempi[tempi.size() / 2]};
}

// Median wall time of `volte` runs, in milliseconds.
inline double mediana(int volte, const std::function<void()>& f) {
  return misura(volte, f).mediana;
}

// The process's peak resident memory so far, in MiB.
double piccoMemoriaMiB();

// Fills the tree with `voci` entries laid out as the add command lays them, with realistic
// values: names, user names, passwords of 12 to 20 characters, descriptions of a line or two.
void riempi(Albero& elenco, int voci);

inline const std::vector<int> dimensioni = {1000, 10000, 100000};

}  // namespace custodex::bench

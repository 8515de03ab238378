#include "supporto/copione.h"

#include <algorithm>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "listfile/nmcrypt.h"

namespace custodex::copione {

bool MessaggiCopione::conferma(const QString& testo) {
  domande.push_back(testo);
  if (duranteDomanda) duranteDomanda();
  if (risposte.empty()) return !promptChiusi();
  const bool si = risposte.front();
  risposte.pop_front();
  return si && !promptChiusi();
}

std::optional<QString> RichiestaCopione::chiedi(const QString& domanda, Eco eco) {
  domande.push_back(domanda);
  echi.push_back(eco);
  if (durante) durante();
  if (risposte.empty()) return std::nullopt;
  auto risposta = risposte.front();
  risposte.pop_front();
  if (promptChiusi()) return std::nullopt;
  return risposta;
}

bool DialogoCopione::mostra(const QString& tipo, const QString& filtro) {
  mostrati.push_back(tipo);
  filtri.push_back(filtro);
  if (durante) durante();
  if (risposte.empty()) return false;
  auto risposta = risposte.front();
  risposte.pop_front();
  if (!risposta) return false;
  fileName = *risposta;
  return true;
}

QString AppuntiCopione::testo() {
  ++letture;
  if (illeggibile)
    throw Errore(Errore::AppuntiIllegibili, QStringLiteral("Impossibile aprire gli Appunti"));
  return contenuto;
}

void AppuntiCopione::scriviSegreto(const QString& testo) {
  ++scritture;
  contenuto = testo;
  segreto = true;
}

void AppuntiCopione::svuota() {
  contenuto.clear();
  segreto = false;
}

void EventiCopione::lasciaScorrere() {
  ++volte;
  registro_.push_back(QStringLiteral("eventi"));
  if (durante) durante();
}

void ModuloCopione::svuota(Campo campo) {
  // As the window's boxes do: the characters are wiped as they go.
  azzera(campi_[static_cast<int>(campo)]);
  campi_[static_cast<int>(campo)].clear();
  static const char* const nomi[] = {"txt_nome", "txt_username", "txt_password", "txt_descrizione"};
  svuotati.push_back(QString::fromLatin1(nomi[static_cast<int>(campo)]));
}

void ModuloCopione::impostaStato(const QString& testo) {
  stato = testo;
  registro_.push_back(QStringLiteral("stato: ") + testo);
}

bool ModificaCopione::modificaVoce(Valori& valori) {
  voci.push_back({valori.nome.testo(), valori.username.testo(), valori.password.testo(),
                  valori.descrizione.testo()});
  if (risposteVoce.empty()) return false;
  const std::optional<Mostrati> risposta = risposteVoce.front();
  risposteVoce.pop_front();
  if (!risposta) return false;
  valori.nome.imposta(risposta->nome);
  valori.username.imposta(risposta->username);
  valori.password.imposta(risposta->password);
  valori.descrizione.imposta(risposta->descrizione);
  return true;
}

bool ModificaCopione::modificaTesto(TestoSegreto& testo) {
  testi.push_back(testo.testo());
  if (risposteTesto.empty()) return false;
  const std::optional<QString> risposta = risposteTesto.front();
  risposteTesto.pop_front();
  if (!risposta) return false;
  testo.imposta(*risposta);
  return true;
}

std::optional<TestoSegreto> GeneratoreCopione::genera() {
  ++aperture;
  if (risposte.empty()) return std::nullopt;
  TestoSegreto scelta(QStringView(risposte.front()));
  risposte.pop_front();
  return scelta;
}

QString CifrarioCopione::cripta(const QString& testo, const QString& chiave) {
  QString rovescio = testo;
  std::reverse(rovescio.begin(), rovescio.end());
  return QStringLiteral("CP") + QString::number(chiave.size()) + chiave + rovescio;
}

QString CifrarioCopione::decripta(const QString& testo, const QString& chiave) {
  const QString testa = QStringLiteral("CP") + QString::number(chiave.size()) + chiave;
  if (!testo.startsWith(testa)) return QStringLiteral("rumore");
  QString chiaro = testo.mid(testa.size());
  std::reverse(chiaro.begin(), chiaro.end());
  return chiaro;
}

std::unique_ptr<ChiaveTenuta> CifrarioCopione::tieni(QStringView chiave) {
  return NmCrypt(NmCrypt::Costo{1, 8}).tieni(chiave);
}

Nodo* aggiungiVoce(Albero& elenco, const QString& nome, const QString& username,
                   const QString& password, const QString& descrizione) {
  Nodo* voce = elenco.Add(nullptr, {}, {}, nome, 1, 1);
  elenco.Add(voce, Relazione::Figlio, {}, QStringLiteral("Username: ") + username, 2, 2);
  elenco.Add(voce, Relazione::Figlio, {}, QStringLiteral("Password: ") + password, 2, 2);
  elenco.Add(voce, Relazione::Figlio, {},
             descrizione.isEmpty() ? QStringLiteral("Nessuna Descrizione") : descrizione, 3, 3);
  return voce;
}

QStringList testiNodi(const Albero& elenco) {
  QStringList testi;
  for (Nodo* n : elenco.Nodes()) testi << elenco.Text(n);
  return testi;
}

}  // namespace custodex::copione

#include <QUrl>
#include <array>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "listfile/formati_esterni.h"

namespace custodex {

namespace {

// What a column means, whatever its name in the file.
enum class Ruolo {
  Gruppo,    // a group path from the root, the root's name first
  Cartella,  // a folder, no root before it
  Titolo,
  Utente,
  Password,
  Url,
  Note,
  Totp,
  Campi,  // "name: value" lines already
  Preferito,
  Tipo,
  Realm,
  OrigineModulo,
  Ignora,  // the keeper's own bookkeeping: icons, times, identifiers, prompts
};

struct Colonna {
  Ruolo ruolo;
  std::initializer_list<const char16_t*> nomi;  // lower case; Italian beside English
  bool richiesta;
};

struct Formato {
  const char16_t* nome;
  std::initializer_list<Colonna> colonne;
};

// Tried in this order: the first whose required columns are all in the header wins. Chrome's
// few columns come last, since the others hold them too.
const Formato formati[] = {
    {u"CSV di KeePassXC",
     {{Ruolo::Gruppo, {u"group", u"gruppo"}, true},
      {Ruolo::Titolo, {u"title", u"titolo"}, true},
      {Ruolo::Utente, {u"username", u"nome utente"}, true},
      {Ruolo::Password, {u"password"}, true},
      {Ruolo::Url, {u"url"}, true},
      {Ruolo::Note, {u"notes", u"note"}, true},
      {Ruolo::Totp, {u"totp"}, false},
      {Ruolo::Ignora,
       {u"icon", u"icona", u"last modified", u"ultima modifica", u"created", u"creazione"},
       false}}},
    {u"CSV di Bitwarden",
     {{Ruolo::Cartella, {u"folder"}, true},
      {Ruolo::Preferito, {u"favorite"}, true},
      {Ruolo::Tipo, {u"type"}, true},
      {Ruolo::Titolo, {u"name"}, true},
      {Ruolo::Note, {u"notes"}, true},
      {Ruolo::Campi, {u"fields"}, true},
      {Ruolo::Ignora, {u"reprompt"}, false},
      {Ruolo::Url, {u"login_uri"}, true},
      {Ruolo::Utente, {u"login_username"}, true},
      {Ruolo::Password, {u"login_password"}, true},
      {Ruolo::Totp, {u"login_totp"}, true}}},
    {u"CSV di Firefox",
     {{Ruolo::Url, {u"url"}, true},
      {Ruolo::Utente, {u"username"}, true},
      {Ruolo::Password, {u"password"}, true},
      {Ruolo::Realm, {u"httprealm"}, true},
      {Ruolo::OrigineModulo, {u"formactionorigin"}, true},
      {Ruolo::Ignora, {u"guid", u"timecreated", u"timelastused", u"timepasswordchanged"}, false}}},
    {u"CSV di Chrome",
     {{Ruolo::Titolo, {u"name"}, true},
      {Ruolo::Url, {u"url"}, true},
      {Ruolo::Utente, {u"username"}, true},
      {Ruolo::Password, {u"password"}, true},
      {Ruolo::Note, {u"note"}, false}}},
};

// A column of the file: its role, or none for a column the format does not name, whose values
// are kept as lines labelled with its header.
struct Campo {
  std::optional<Ruolo> ruolo;
  QString intestazione;
};

std::optional<std::pair<const Formato*, std::vector<Campo>>> riconosci(const RecordCsv& testata) {
  for (const Formato& f : formati) {
    std::vector<Campo> campi;
    std::vector<bool> trovate(f.colonne.size(), false);
    for (const TestoSegreto& t : testata) {
      const QString nome = t.vista().trimmed().toString().toLower();
      Campo campo{std::nullopt, t.vista().trimmed().toString()};
      std::size_t k = 0;
      for (const Colonna& c : f.colonne) {
        for (const char16_t* alias : c.nomi)
          // The bookkeeping columns are many under one role; each other role is one column.
          if ((!trovate[k] || c.ruolo == Ruolo::Ignora) && nome == QStringView(alias)) {
            campo.ruolo = c.ruolo;
            trovate[k] = true;
            break;
          }
        if (campo.ruolo) break;
        ++k;
      }
      campi.push_back(std::move(campo));
    }
    bool tutte = true;
    std::size_t k = 0;
    for (const Colonna& c : f.colonne) tutte = tutte && (trovate[k++] || !c.richiesta);
    if (tutte) return std::make_pair(&f, std::move(campi));
  }
  return std::nullopt;
}

// A group path less its first name, the root's, which every entry shares.
QStringView senzaRadice(QStringView gruppo) {
  const qsizetype barra = gruppo.indexOf(u'/');
  return barra < 0 ? QStringView() : gruppo.sliced(barra + 1);
}

// KeePassXC exports its recycle bin as a group under the root, named in the user's language.
bool nelCestino(QStringView gruppo) {
  const QStringView primo = gruppo.left(gruppo.indexOf(u'/'));
  return primo == u"Recycle Bin" || primo == u"Cestino";
}

// The label lines, each "label: value", joined with line breaks, the notes last.
class Descrizione {
 public:
  void riga(QStringView etichetta, QStringView valore) {
    if (valore.isEmpty()) return;
    parti_.emplace_back(unisci({etichetta, u": ", valore}));
  }
  void testo(QStringView valore) {
    if (!valore.isEmpty()) parti_.emplace_back(valore);
  }
  TestoSegreto fine() {
    qsizetype n = 0;
    for (const TestoSegreto& p : parti_) n += p.vista().size() + 1;
    QString s;
    s.reserve(n);
    for (const TestoSegreto& p : parti_) {
      if (!s.isEmpty()) s.append(u'\n');
      s.append(p.vista());
    }
    return TestoSegreto(std::move(s));
  }

 private:
  std::vector<TestoSegreto> parti_;
};

}  // namespace

QString formati_compresi() {
  QStringList nomi;
  for (const Formato& f : formati) nomi << QString::fromUtf16(f.nome);
  nomi << QStringLiteral("XML di KeePass 2 (non cifrato)")
       << QStringLiteral("CSV di Custodex (come quello di KeePassXC)");
  return nomi.join(QStringLiteral("\n  - ")).prepend(QStringLiteral("  - "));
}

Raccolta importa_csv(QStringView testo) {
  std::vector<qint64> righe;
  const std::vector<RecordCsv> record = leggi_csv(testo, &righe);
  if (record.empty())
    throw Errore(Errore::ErroreLettura, QStringLiteral("Il file è vuoto: non contiene voci."));
  const auto riconosciuto = riconosci(record.front());
  if (!riconosciuto)
    throw Errore(Errore::TipoNonCorrispondente,
                 QStringLiteral("L'intestazione del file non è quella di nessun formato "
                                "conosciuto. I formati compresi sono:\n%1")
                     .arg(formati_compresi()));
  const auto& [formato, campi] = *riconosciuto;
  Raccolta raccolta;
  raccolta.formato = QString::fromUtf16(formato->nome);
  raccolta.voci.reserve(record.size() - 1);
  for (std::size_t r = 1; r < record.size(); ++r) {
    const RecordCsv& valori = record[r];
    if (valori.size() != campi.size()) {
      if (raccolta.malformate++ == 0) raccolta.primaMalformata = righe[r];
      continue;
    }
    std::array<QStringView, static_cast<int>(Ruolo::Ignora) + 1> v{};
    for (std::size_t k = 0; k < campi.size(); ++k)
      if (campi[k].ruolo) v[static_cast<int>(*campi[k].ruolo)] = valori[k].vista();
    const auto di = [&v](Ruolo ruolo) { return v[static_cast<int>(ruolo)]; };

    QStringView gruppo = di(Ruolo::Cartella);
    if (formato->colonne.begin()->ruolo == Ruolo::Gruppo) {
      gruppo = senzaRadice(di(Ruolo::Gruppo));
      if (nelCestino(gruppo)) {
        ++raccolta.cestino;
        continue;
      }
    }
    Descrizione d;
    d.riga(u"URL", di(Ruolo::Url));
    d.riga(u"Gruppo", gruppo);
    d.riga(u"TOTP", di(Ruolo::Totp));
    d.riga(u"Realm HTTP", di(Ruolo::Realm));
    if (di(Ruolo::OrigineModulo) != di(Ruolo::Url)) d.riga(u"Modulo", di(Ruolo::OrigineModulo));
    if (di(Ruolo::Preferito) != u"0") d.riga(u"Preferito", di(Ruolo::Preferito));
    if (di(Ruolo::Tipo) != u"login") d.riga(u"Tipo", di(Ruolo::Tipo));
    d.testo(di(Ruolo::Campi));
    for (std::size_t k = 0; k < campi.size(); ++k)
      if (!campi[k].ruolo) d.riga(campi[k].intestazione, valori[k].vista());
    d.testo(di(Ruolo::Note));

    VoceEsterna voce;
    voce.nome = TestoSegreto(di(Ruolo::Titolo));
    // Browsers keep no title: the site's host names the entry, or failing that its user.
    if (voce.nome.isEmpty()) {
      QString host = QUrl(di(Ruolo::Url).toString()).host();
      voce.nome = TestoSegreto(std::move(host));
    }
    if (voce.nome.isEmpty()) voce.nome = TestoSegreto(di(Ruolo::Utente));
    if (voce.nome.isEmpty()) voce.nome.imposta(u"Senza nome");
    voce.username = TestoSegreto(di(Ruolo::Utente));
    voce.password = TestoSegreto(di(Ruolo::Password));
    voce.descrizione = d.fine();
    raccolta.voci.push_back(std::move(voce));
  }
  return raccolta;
}

}  // namespace custodex

#include <QXmlStreamReader>

#include "comune/azzera.h"
#include "comune/errore.h"
#include "listfile/formati_esterni.h"

namespace custodex {

namespace {

// The elements may come in any order: a group's name after its entries, the recycle bin's
// identifier after the groups. The file is read whole first, and the entries placed after.
struct Gruppo {
  QString nome, uuid;
  int padre = -1;  // index in the groups read; -1 for a group directly under Root
};

struct Stringa {
  TestoSegreto chiave, valore;
};

struct Voce {
  int gruppo = -1;
  std::vector<Stringa> stringhe;
  TestoSegreto etichette;
};

[[noreturn]] void illeggibile(const QXmlStreamReader& xml, const QString& motivo) {
  throw Errore(Errore::ErroreLettura, QStringLiteral("Il file XML non si può leggere (riga %1): %2")
                                          .arg(xml.lineNumber())
                                          .arg(motivo));
}

class Lettore {
 public:
  explicit Lettore(const QByteArray& byte) : xml_(byte) {}

  void leggi() {
    if (!xml_.readNextStartElement() || xml_.name() != u"KeePassFile")
      illeggibile(xml_, QStringLiteral("non è un file XML di KeePass 2"));
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"Meta")
        meta();
      else if (xml_.name() == u"Root")
        radice();
      else
        xml_.skipCurrentElement();
    }
    if (xml_.hasError()) illeggibile(xml_, xml_.errorString());
  }

  std::vector<Gruppo> gruppi;
  std::vector<Voce> voci;
  QString cestino;  // the recycle bin's UUID
  qint64 storia = 0;

 private:
  void meta() {
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"RecycleBinUUID")
        cestino = xml_.readElementText().trimmed();
      else
        xml_.skipCurrentElement();
    }
  }

  void radice() {
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"Group")
        gruppo(-1);
      else
        xml_.skipCurrentElement();
    }
  }

  void gruppo(int padre) {
    const int questo = static_cast<int>(gruppi.size());
    gruppi.push_back({{}, {}, padre});
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"Name")
        gruppi[questo].nome = xml_.readElementText();
      else if (xml_.name() == u"UUID")
        gruppi[questo].uuid = xml_.readElementText().trimmed();
      else if (xml_.name() == u"Entry")
        voce(questo);
      else if (xml_.name() == u"Group")
        gruppo(questo);
      else
        xml_.skipCurrentElement();
    }
  }

  void voce(int gruppo) {
    Voce v;
    v.gruppo = gruppo;
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"String") {
        v.stringhe.push_back(stringa());
      } else if (xml_.name() == u"Tags") {
        v.etichette = TestoSegreto(xml_.readElementText());
      } else if (xml_.name() == u"History") {
        // Older versions of this entry: counted, never entries of their own.
        while (xml_.readNextStartElement()) {
          if (xml_.name() == u"Entry") ++storia;
          xml_.skipCurrentElement();
        }
      } else {
        xml_.skipCurrentElement();
      }
    }
    voci.push_back(std::move(v));
  }

  Stringa stringa() {
    Stringa s;
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"Key") {
        s.chiave = TestoSegreto(xml_.readElementText());
      } else if (xml_.name() == u"Value") {
        // Still enciphered under the database's inner stream: its text is not the value.
        if (xml_.attributes()
                .value(QLatin1StringView("Protected"))
                .compare(u"True", Qt::CaseInsensitive) == 0)
          throw Errore(Errore::ErroreLettura,
                       QStringLiteral("Il file XML contiene valori ancora cifrati "
                                      "(Protected=\"True\"). Esportalo di nuovo come XML non "
                                      "cifrato."));
        s.valore = TestoSegreto(xml_.readElementText());
      } else {
        xml_.skipCurrentElement();
      }
    }
    return s;
  }

  QXmlStreamReader xml_;
};

}  // namespace

Raccolta importa_xml(const QByteArray& byte) {
  Lettore l(byte);
  l.leggi();
  Raccolta raccolta;
  raccolta.formato = QStringLiteral("XML di KeePass 2");
  raccolta.storia = l.storia;
  raccolta.voci.reserve(l.voci.size());
  for (Voce& v : l.voci) {
    // The path from below the top group, which is the database itself.
    std::vector<QStringView> nomi;
    bool cestino = false;
    for (int g = v.gruppo; g >= 0; g = l.gruppi[g].padre) {
      cestino = cestino || (!l.cestino.isEmpty() && l.gruppi[g].uuid == l.cestino);
      if (l.gruppi[g].padre >= 0) nomi.insert(nomi.begin(), l.gruppi[g].nome);
    }
    if (cestino) {
      ++raccolta.cestino;
      continue;
    }
    VoceEsterna voce;
    QStringView url, note;
    std::vector<const Stringa*> altre;
    for (const Stringa& s : v.stringhe) {
      const QStringView k = s.chiave.vista();
      if (k == u"Title")
        voce.nome = s.valore;
      else if (k == u"UserName")
        voce.username = s.valore;
      else if (k == u"Password")
        voce.password = s.valore;
      else if (k == u"URL")
        url = s.valore.vista();
      else if (k == u"Notes")
        note = s.valore.vista();
      else
        altre.push_back(&s);
    }
    QString gruppo;
    for (const QStringView nome : nomi) {
      if (!gruppo.isEmpty()) gruppo += u'/';
      gruppo += nome;
    }
    std::vector<TestoSegreto> righe;
    const auto riga = [&righe](QStringView etichetta, QStringView valore) {
      if (!valore.isEmpty()) righe.emplace_back(unisci({etichetta, u": ", valore}));
    };
    riga(u"URL", url);
    riga(u"Gruppo", gruppo);
    for (const Stringa* s : altre) riga(s->chiave.vista(), s->valore.vista());
    riga(u"Etichette", v.etichette.vista());
    if (!note.isEmpty()) righe.emplace_back(note);
    qsizetype n = 0;
    for (const TestoSegreto& r : righe) n += r.vista().size() + 1;
    QString descrizione;
    descrizione.reserve(n);
    for (const TestoSegreto& r : righe) {
      if (!descrizione.isEmpty()) descrizione.append(u'\n');
      descrizione.append(r.vista());
    }
    voce.descrizione = TestoSegreto(std::move(descrizione));
    if (voce.nome.isEmpty()) voce.nome = TestoSegreto(url);
    if (voce.nome.isEmpty()) voce.nome = voce.username;
    if (voce.nome.isEmpty()) voce.nome.imposta(u"Senza nome");
    raccolta.voci.push_back(std::move(voce));
  }
  return raccolta;
}

Raccolta leggi_importazione(QByteArray& byte) {
  // A KeePass file begins with its XML declaration or root element, after any byte order mark.
  qsizetype i = byte.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (i < byte.size() &&
         (byte[i] == ' ' || byte[i] == '\t' || byte[i] == '\r' || byte[i] == '\n'))
    ++i;
  const bool utf16 =
      (byte.startsWith("\xFF\xFE<") || byte.startsWith(QByteArrayView("\xFE\xFF\0<", 4)));
  if ((i < byte.size() && byte[i] == '<') || utf16) {
    Raccolta r = importa_xml(byte);
    azzera(byte);
    return r;
  }
  bool windows1252 = false;
  TestoSegreto testo(decodifica_testo(byte, windows1252));
  if (testo.isEmpty())
    throw Errore(Errore::ErroreLettura, QStringLiteral("Il file è vuoto: non contiene voci."));
  Raccolta r = importa_csv(testo.vista());
  r.windows1252 = windows1252;
  return r;
}

}  // namespace custodex

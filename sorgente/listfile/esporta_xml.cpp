#include <QUuid>

#include "listfile/scrittura_esterna.h"

namespace custodex {

namespace {

// XML 1.0 has no form for these, not even as a character reference.
bool vietatoInXml(char16_t c) {
  return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
}

void testo(ScritturaEsterna& s, QStringView valore) {
  qsizetype da = 0;
  for (qsizetype i = 0; i < valore.size(); ++i) {
    const char* entita = nullptr;
    switch (valore[i].unicode()) {
      case u'&':
        entita = "&amp;";
        break;
      case u'<':
        entita = "&lt;";
        break;
      case u'>':
        entita = "&gt;";
        break;
      case u'"':
        entita = "&quot;";
        break;
      // A reader turns a raw CR, and CR LF, into LF: written as a reference it comes back as CR.
      case u'\r':
        entita = "&#13;";
        break;
      default:
        continue;
    }
    s.utf8(valore.sliced(da, i - da));
    s.ascii(entita);
    da = i + 1;
  }
  s.utf8(valore.sliced(da));
}

void stringa(ScritturaEsterna& s, const char* chiave, QStringView valore, bool protetto = false) {
  s.ascii("\t\t\t\t<String>\n\t\t\t\t\t<Key>");
  s.ascii(chiave);
  s.ascii(protetto ? "</Key>\n\t\t\t\t\t<Value ProtectInMemory=\"True\">"
                   : "</Key>\n\t\t\t\t\t<Value>");
  testo(s, valore);
  s.ascii("</Value>\n\t\t\t\t</String>\n");
}

void uuid(ScritturaEsterna& s) {
  s.ascii(QUuid::createUuid().toRfc4122().toBase64().constData());
}

}  // namespace

QByteArray esporta_xml(const std::vector<VoceEsterna>& voci) {
  qsizetype massimo = 1024;
  for (const VoceEsterna& v : voci) {
    richiediUtf8(v);
    for (const TestoSegreto* t : {&v.nome, &v.username, &v.password, &v.descrizione})
      for (const QChar c : t->vista())
        if (vietatoInXml(c.unicode()))
          throw Errore(Errore::TipoNonCorrispondente,
                       QStringLiteral("La voce «%1» contiene un carattere di controllo che "
                                      "l'XML non può contenere: il file non è stato scritto, "
                                      "perché il valore sarebbe cambiato. Esporta in CSV, che lo "
                                      "conserva.")
                           .arg(v.nome.vista()));
    // Six bytes for each character at most ("&quot;"); and the entry's fixed lines.
    massimo += 6 * (v.nome.vista().size() + v.username.vista().size() + v.password.vista().size() +
                    v.descrizione.vista().size()) +
               512;
  }
  ScritturaEsterna s(massimo);
  s.ascii(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KeePassFile>\n\t<Meta>\n"
      "\t\t<Generator>Custodex</Generator>\n\t</Meta>\n\t<Root>\n\t\t<Group>\n\t\t\t<UUID>");
  uuid(s);
  s.ascii("</UUID>\n\t\t\t<Name>Custodex</Name>\n");
  for (const VoceEsterna& v : voci) {
    s.ascii("\t\t\t<Entry>\n\t\t\t\t<UUID>");
    uuid(s);
    s.ascii("</UUID>\n");
    stringa(s, "Title", v.nome.vista());
    stringa(s, "UserName", v.username.vista());
    stringa(s, "Password", v.password.vista(), true);
    stringa(s, "URL", {});
    stringa(s, "Notes", v.descrizione.vista());
    s.ascii("\t\t\t</Entry>\n");
  }
  s.ascii("\t\t</Group>\n\t</Root>\n</KeePassFile>\n");
  return s.fine();
}

}  // namespace custodex

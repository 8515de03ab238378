#include <sodium.h>
#include <zstd.h>

#include <QtTest>
#include <random>
#include <stdexcept>

#include "comune/errore.h"
#include "listfile/busta.h"
#include "listfile/nmcrypt.h"
#include "listfile/segreto.h"

using namespace custodex;

namespace {

// The cheapest cost libsodium allows, so that the tests derive keys in microseconds.
const NmCrypt::Costo economico{1, 8};

QString conSurrogati() {
  QString s = QStringLiteral("alto ");
  s += QChar(0xD800);  // a high surrogate alone
  s += QStringLiteral(" basso ");
  s += QChar(0xDC00);  // a low surrogate alone
  s += QStringLiteral(" coppia \U0001F511 fine");
  return s;
}

QString ogniCarattere() {
  QString s;
  for (int c = 0; c <= 0xFFFF; ++c) s += QChar(static_cast<char16_t>(c));
  return s;
}

// Replaces one character of an enciphered text by another of the same alphabet.
QString cambiaCarattere(QString testo, qsizetype i) {
  testo[i] = testo[i] == u'A' ? u'B' : u'A';
  return testo;
}

}  // namespace

class TestNmCrypt : public QObject {
  Q_OBJECT

 private slots:
  void andataERitorno_data();
  void andataERitorno();
  void costoPredefinitoNelTesto();
  void formaDelTesto();
  void chiaviDiverseNonAprono_data();
  void chiaviDiverseNonAprono();
  void ogniCarattereCambiatoERifiutato();
  void ogniTroncamentoERifiutato();
  void codaDopoIlTestoRifiutata();
  void decodificaComeLibsodium();
  void primaFormaLunga();
  void testiEstranei_data();
  void testiEstranei();
  void intestazioneOstileRifiutataSubito_data();
  void intestazioneOstileRifiutataSubito();
  void costoFinoAOttoVolteIlNostro();
  void limiteDiLunghezza();
  void costoIlleggibileRifiutato();
};

void TestNmCrypt::andataERitorno_data() {
  QTest::addColumn<QString>("testo");
  QTest::addColumn<QString>("chiave");
  const QString lista = QStringLiteral(
      "TreeView(\r\n  Root(\r\n    BasicInfo(\r\n      Text(posta)\r\n    )\r\n  )\r\n)");
  QTest::newRow("lista, chiave vuota") << lista << QString();
  QTest::newRow("lista, chiave ascii") << lista << QStringLiteral("segreta");
  QTest::newRow("lista, chiave non ascii") << lista << QStringLiteral("чаёé🔑 «città»");
  QTest::newRow("lista, chiave con surrogati soli") << lista << conSurrogati();
  QTest::newRow("testo vuoto") << QString() << QStringLiteral("k");
  QTest::newRow("surrogati soli nel testo") << conSurrogati() << QStringLiteral("k");
  QTest::newRow("ogni carattere a 16 bit") << ogniCarattere() << QStringLiteral("k\"\r\n,");
  QTest::newRow("lista lunga") << lista.repeated(5000) << QStringLiteral("k");
}

void TestNmCrypt::andataERitorno() {
  QFETCH(QString, testo);
  QFETCH(QString, chiave);
  NmCrypt cifrario(economico);
  const QString cifrato = cifrario.cripta(testo, chiave);
  const QString chiaro = cifrario.decripta(cifrato, chiave);
  QCOMPARE(chiaro.size(), testo.size());
  QVERIFY(chiaro == testo);
  // Another instance, as after a restart, reads it too.
  QVERIFY(NmCrypt(economico).decripta(cifrato, chiave) == testo);
}

void TestNmCrypt::costoPredefinitoNelTesto() {
  NmCrypt cifrario;
  const QString cifrato = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  const auto aperta = cifrario.apri(cifrato);
  QVERIFY(aperta);
  QCOMPARE(int(aperta->intestazione.algoritmo), crypto_pwhash_ALG_ARGON2ID13);
  QCOMPARE(aperta->intestazione.passate, 3u);
  QCOMPARE(aperta->intestazione.memoriaKiB, 64u * 1024);
  QCOMPARE(cifrario.decripta(cifrato, QStringLiteral("k")), QStringLiteral("TreeView(\r\n)"));
}

void TestNmCrypt::formaDelTesto() {
  NmCrypt cifrario(economico);
  const QString testo = ogniCarattere();
  const QString primo = cifrario.cripta(testo, QStringLiteral("k"));
  const QString secondo = cifrario.cripta(testo, QStringLiteral("k"));
  QVERIFY(primo.startsWith(QLatin1String("CDX")));
  for (const QChar c : primo) {
    QVERIFY2(c.isLetterOrNumber() || c == u'-' || c == u'_',
             qPrintable(QStringLiteral("carattere %1").arg(c.unicode())));
    QVERIFY(c.unicode() < 0x80);
  }
  // A fresh salt and nonce every time: nothing repeats between two saves of the same list.
  QVERIFY(primo != secondo);
  const auto a = cifrario.apri(primo), b = cifrario.apri(secondo);
  QVERIFY(a && b);
  QVERIFY(a->intestazione.sale != b->intestazione.sale);
  QVERIFY(a->intestazione.nonce != b->intestazione.nonce);
  // Compressed before sealing: repetitive list text shrinks to a small part of its size.
  const QString ripetuto = QStringLiteral("  Child(\r\n    BasicInfo(\r\n  )\r\n").repeated(1000);
  QVERIFY(cifrario.cripta(ripetuto, QStringLiteral("k")).size() < ripetuto.size() / 20);
}

void TestNmCrypt::chiaviDiverseNonAprono_data() {
  QTest::addColumn<QString>("salvata");
  QTest::addColumn<QString>("data");
  QTest::newRow("altra parola") << QStringLiteral("segreta") << QStringLiteral("segreto");
  QTest::newRow("vuota contro spazio") << QString() << QStringLiteral(" ");
  QTest::newRow("maiuscola") << QStringLiteral("Segreta") << QStringLiteral("segreta");
  // UTF-8 would turn both lone surrogates into the same replacement character.
  QTest::newRow("surrogato alto contro basso") << QString(QChar(0xD800)) << QString(QChar(0xDC00));
  QTest::newRow("surrogato contro sostituto") << QString(QChar(0xD800)) << QString(QChar(0xFFFD));
  QTest::newRow("ordine dei byte") << QString(QChar(0x0102)) << QString(QChar(0x0201));
}

void TestNmCrypt::chiaviDiverseNonAprono() {
  QFETCH(QString, salvata);
  QFETCH(QString, data);
  NmCrypt cifrario(economico);
  const QString cifrato = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), salvata);
  QCOMPARE(cifrario.decripta(cifrato, data), QString());
  QCOMPARE(cifrario.decripta(cifrato, salvata), QStringLiteral("TreeView(\r\n)"));
}

void TestNmCrypt::ogniCarattereCambiatoERifiutato() {
  NmCrypt cifrario(economico);
  const QString cifrato = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  for (qsizetype i = 0; i < cifrato.size(); ++i)
    QVERIFY2(cifrario.decripta(cambiaCarattere(cifrato, i), QStringLiteral("k")).isEmpty(),
             qPrintable(QStringLiteral("posizione %1").arg(i)));

  // A long text is decoded a block at a time: changes at the blocks' edges are caught as well.
  const QString lungo = cifrario.cripta(ogniCarattere(), QStringLiteral("k"));
  QVERIFY(lungo.size() > 3 * 16384);
  for (const qsizetype i : {qsizetype{16383}, qsizetype{16384}, qsizetype{16385}, qsizetype{16386},
                            qsizetype{32770}, lungo.size() - 1})
    QVERIFY2(cifrario.decripta(cambiaCarattere(lungo, i), QStringLiteral("k")).isEmpty(),
             qPrintable(QStringLiteral("posizione %1").arg(i)));
}

void TestNmCrypt::ogniTroncamentoERifiutato() {
  NmCrypt cifrario(economico);
  const QString cifrato = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  for (qsizetype n = 0; n < cifrato.size(); ++n)
    QVERIFY2(cifrario.decripta(cifrato.left(n), QStringLiteral("k")).isEmpty(),
             qPrintable(QStringLiteral("lunghezza %1").arg(n)));
  QVERIFY(cifrario.decripta(cifrato + u'A', QStringLiteral("k")).isEmpty());
}

void TestNmCrypt::codaDopoIlTestoRifiutata() {
  // Whatever follows the text is a change to it, even where it decodes to nothing.
  NmCrypt cifrario(economico);
  const QString cifrato = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  QCOMPARE(cifrario.decripta(cifrato, QStringLiteral("k")), QStringLiteral("TreeView(\r\n)"));
  for (const QString& coda :
       {QStringLiteral("!"), QStringLiteral(" "), QStringLiteral("="), QStringLiteral("=="),
        QStringLiteral("\t\r\n"), QStringLiteral("AA"), QStringLiteral("A!"), QString(QChar(0))})
    QVERIFY2(cifrario.decripta(cifrato + coda, QStringLiteral("k")).isEmpty(),
             qPrintable(coda.toUtf8().toPercentEncoding()));
}

void TestNmCrypt::testiEstranei_data() {
  QTest::addColumn<QString>("testo");
  QTest::newRow("vuoto") << QString();
  QTest::newRow("lista in chiaro") << QStringLiteral("TreeView(\r\n)");
  QTest::newRow("solo l'etichetta") << QStringLiteral("CDX");
  QTest::newRow("base64 non valido") << QStringLiteral("CDX!!!!").repeated(20);
  QTest::newRow("base64 con imbottitura") << QStringLiteral("CDXAAAA==");
  QTest::newRow("spazio in mezzo") << QStringLiteral("CDX") + QString(200, u'A') + u' ' + u'A';
  QTest::newRow("carattere oltre ascii") << QStringLiteral("CDX") + QString(200, QChar(0x0141));
  QTest::newRow("etichetta minuscola") << QStringLiteral("cdx") + QString(200, u'A');
}

void TestNmCrypt::testiEstranei() {
  QFETCH(QString, testo);
  QCOMPARE(NmCrypt(economico).decripta(testo, QString()), QString());
}

void TestNmCrypt::decodificaComeLibsodium() {
  // The decoder takes and refuses exactly what libsodium's strict one does, tails of every
  // length, stray characters and nonzero unused bits included, across the boundary between
  // blocks.
  NmCrypt cifrario(economico);
  const QString intestazione =
      cifrario.cripta(QString(), QString()).first(busta::caratteriIniziali);
  static const char alfabeto[] = "AQgw_-z9+/=.\"";
  std::mt19937 caso(7);
  for (int prova = 0; prova < 4000; ++prova) {
    const int lunghezza =
        prova % 4 == 0 ? 16380 + static_cast<int>(caso() % 12) : static_cast<int>(caso() % 40);
    QByteArray coda(lunghezza, 'A');
    for (char& c : coda)
      if (caso() % (lunghezza > 100 ? 20000 : 8) == 0) c = alfabeto[caso() % (sizeof alfabeto - 1)];
    const QString testo = intestazione + QString::fromLatin1(coda);
    const QByteArray ascii = testo.sliced(busta::lunghezzaEtichetta).toLatin1();
    std::vector<unsigned char> atteso(ascii.size());
    std::size_t n = 0;
    const char* fine = nullptr;
    const bool valido =
        sodium_base642bin(atteso.data(), atteso.size(), ascii.constData(), ascii.size(), nullptr,
                          &n, &fine, sodium_base64_VARIANT_URLSAFE_NO_PADDING) == 0 &&
        fine == ascii.constData() + ascii.size();
    const auto aperta = busta::apri(testo, 1 << 20);
    QCOMPARE(aperta.has_value(), valido);
    if (valido)
      QVERIFY(std::equal(atteso.begin(), atteso.begin() + n, aperta->binario.get(),
                         aperta->binario.get() + aperta->dimensione));
    // And the writer's blocks say what libsodium's encoder says.
    if (valido) {
      QByteArray scritto;
      busta::componiABlocchi(std::span(aperta->binario.get(), aperta->dimensione),
                             [&scritto](const char* c, qsizetype k) { scritto.append(c, k); });
      std::vector<char> base64(
          sodium_base64_ENCODED_LEN(aperta->dimensione, sodium_base64_VARIANT_URLSAFE_NO_PADDING));
      sodium_bin2base64(base64.data(), base64.size(), aperta->binario.get(), aperta->dimensione,
                        sodium_base64_VARIANT_URLSAFE_NO_PADDING);
      QCOMPARE(scritto, QByteArray(busta::etichetta) + QByteArray(base64.data()));
    }
  }
}

void TestNmCrypt::primaFormaLunga() {
  // The first form sealed the text's 16-bit units whole; read back a block at a time, a unit split
  // between blocks and characters of every length in the compact form come out exactly.
  QString testo;
  for (int i = 0; testo.size() < 300000; ++i)
    testo += QStringLiteral("voce %1 àè€ ").arg(i) + QChar(0xD83D) + QChar(0xDD11) + QChar(0xDC00);
  QByteArray unita(testo.size() * 2, Qt::Uninitialized);
  qToLittleEndian<char16_t>(testo.utf16(), testo.size(), unita.data());
  QByteArray compresso(static_cast<qsizetype>(ZSTD_compressBound(unita.size())), Qt::Uninitialized);
  compresso.resize(static_cast<qsizetype>(
      ZSTD_compress(compresso.data(), compresso.size(), unita.constData(), unita.size(), 1)));

  NmCrypt cifrario(economico);
  busta::Intestazione h = cifrario.nuovaIntestazione();
  h.versione = 1;
  const Segreto chiave = *NmCrypt::derivaChiave(u"k", h);
  std::vector<unsigned char> sigillato(compresso.size() +
                                       crypto_aead_xchacha20poly1305_ietf_ABYTES);
  const busta::DatiAutenticati ad = busta::datiAutenticati(h);
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      sigillato.data(), nullptr, reinterpret_cast<const unsigned char*>(compresso.constData()),
      compresso.size(), ad.data(), ad.size(), nullptr, h.nonce.data(), chiave.dati());
  QCOMPARE(cifrario.decripta(busta::componi(h, sigillato), QStringLiteral("k")), testo);
}

void TestNmCrypt::intestazioneOstileRifiutataSubito_data() {
  QTest::addColumn<int>("versione");
  QTest::addColumn<int>("algoritmo");
  QTest::addColumn<quint32>("passate");
  QTest::addColumn<quint32>("memoriaKiB");
  const int id = crypto_pwhash_ALG_ARGON2ID13;
  QTest::newRow("versione sconosciuta") << 3 << id << 1u << 8u;
  QTest::newRow("argon2i") << 1 << int(crypto_pwhash_ALG_ARGON2I13) << 3u << 8u;
  QTest::newRow("algoritmo zero") << 1 << 0 << 1u << 8u;
  QTest::newRow("zero passate") << 1 << id << 0u << 8u;
  QTest::newRow("memoria sotto il minimo") << 1 << id << 1u << 4u;
  QTest::newRow("quattro TiB") << 1 << id << 1u << 0xFFFFFFFFu;
  QTest::newRow("passate infinite") << 1 << id << 0xFFFFFFFFu << 8u;
  QTest::newRow("1 GiB per 16 passate") << 1 << id << 16u << 1024u * 1024;
  // Each several seconds of derivation on the window's thread.
  QTest::newRow("512 MiB per 16 passate") << 1 << id << 16u << 512u * 1024;
  QTest::newRow("1 GiB per 8 passate") << 1 << id << 8u << 1024u * 1024;
  QTest::newRow("512 MiB per 4 passate") << 1 << id << 4u << 512u * 1024;
  // Within the work allowed, beyond the memory.
  QTest::newRow("1 GiB per 1 passata") << 1 << id << 1u << 1024u * 1024;
  QTest::newRow("1,5 GiB per 1 passata") << 1 << id << 1u << 1536u * 1024;
}

void TestNmCrypt::intestazioneOstileRifiutataSubito() {
  QFETCH(int, versione);
  QFETCH(int, algoritmo);
  QFETCH(quint32, passate);
  QFETCH(quint32, memoriaKiB);
  NmCrypt cifrario(economico);
  const QString buono = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  auto aperta = cifrario.apri(buono);
  QVERIFY(aperta);
  aperta->intestazione.versione = static_cast<unsigned char>(versione);
  aperta->intestazione.algoritmo = static_cast<unsigned char>(algoritmo);
  aperta->intestazione.passate = passate;
  aperta->intestazione.memoriaKiB = memoriaKiB;
  const QString ostile = busta::componi(aperta->intestazione, aperta->sigillato());
  // Refused on reading the header, before any key derivation is attempted.
  const quint64 derivate = NmCrypt::chiaviDerivate();
  QVERIFY(!cifrario.apri(ostile));
  QCOMPARE(cifrario.decripta(ostile, QStringLiteral("k")), QString());
  QCOMPARE(NmCrypt::chiaviDerivate(), derivate);
}

void TestNmCrypt::costoFinoAOttoVolteIlNostro() {
  // Later versions may ask up to about eight times what this one writes, no more.
  NmCrypt cifrario(economico);
  const QString buono = cifrario.cripta(QStringLiteral("TreeView(\r\n)"), QStringLiteral("k"));
  auto aperta = cifrario.apri(buono);
  QVERIFY(aperta);
  const auto apribile = [&](quint32 passate, quint32 memoriaKiB) {
    aperta->intestazione.passate = passate;
    aperta->intestazione.memoriaKiB = memoriaKiB;
    return cifrario.apri(busta::componi(aperta->intestazione, aperta->sigillato())).has_value();
  };
  const quint32 nostra = NmCrypt::memoriaPredefinitaKiB, passate = NmCrypt::passatePredefinite;
  QVERIFY(apribile(passate, 8 * nostra));
  QVERIFY(!apribile(passate, 8 * nostra + 1));
  QVERIFY(apribile(16, 8 * passate * nostra / 16));
  QVERIFY(!apribile(16, 8 * passate * nostra / 16 + 1));
}

void TestNmCrypt::limiteDiLunghezza() {
  NmCrypt corto(economico, 100);
  const QString cento(100, u'x');
  QCOMPARE(corto.decripta(corto.cripta(cento, QString()), QString()), cento);
  QVERIFY_THROWS_EXCEPTION(Errore, corto.cripta(cento + u'x', QString()));

  // A text that a roomier cipher wrote but that exceeds this one's bound is not decompressed.
  NmCrypt lungo(economico, 1000);
  QCOMPARE(corto.decripta(lungo.cripta(QString(101, u'x'), QString()), QString()), QString());
  QCOMPARE(lungo.decripta(lungo.cripta(QString(101, u'x'), QString()), QString()),
           QString(101, u'x'));
}

void TestNmCrypt::costoIlleggibileRifiutato() {
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, NmCrypt(NmCrypt::Costo{0, 8}));
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, NmCrypt(NmCrypt::Costo{1, 2 * 1024 * 1024}));
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, NmCrypt(NmCrypt::Costo{17, 8}));
}

QTEST_GUILESS_MAIN(TestNmCrypt)
#include "test_nmcrypt.moc"

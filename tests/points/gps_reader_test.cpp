// The GPS reader's logic without a port: sentences to a position, damaged input, the point's
// texts from a position, UTM against published reference points, and the choice of port.
#include <gtest/gtest.h>

#include <QFile>
#include <QTextStream>
#include <string>

#include "platform/settings_store.h"
#include "points/device_button.h"
#include "points/gps_format.h"
#include "points/gps_nmea_decoder.h"
#include "points/gps_point_logic.h"
#include "points/gps_port_choice.h"
#include "points/gps_position.h"
#include "support/gps_sentences.h"
#include "support/harness.h"

using qlt::test::NmeaSentence;

namespace {

const std::string kMunichFix =
    NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");

CGPSPosition Decoded(const std::string& bytes) {
  CGPSNmeaDecoder decoder;
  decoder.Feed(bytes);
  EXPECT_TRUE(decoder.Position().has_value()) << bytes;
  return decoder.Position().value_or(CGPSPosition());
}

}  // namespace

TEST(GpsDecoder, FixSentencesGiveThePosition) {
  struct Case {
    std::string body;
    int fixed, time, satellites;
    float latitude, longitude, altitude, hdop;
  };
  const Case cases[] = {
      {"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", 1, 123519, 8, 4807.038f,
       1131.0f, 545.4f, 0.9f},
      // A leading zero is not octal: 03:07:19 with 8 satellites.
      {"GPGGA,030719.000,3747.0873,S,17518.8938,E,2,08,1.1,59.9,M,23.7,M,,0000", 1, 30719, 8,
       -3747.0873f, 17518.8938f, 59.9f, 1.1f},
      {"GNGGA,165007.000,4143.6058,N,08338.0778,W,6,06,1.5,204.3,M,-33.7,M,,", 0, 165007, 6,
       4143.6058f, -8338.0778f, 204.3f, 1.5f},
      {"GNGNS,051347.00,6001.336799,N,03014.169008,E,AAN,09,0.9,16.5,18.0,,,V", 1, 51347, 9,
       6001.336799f, 3014.169008f, 16.5f, 0.9f},
      {"GNGNS,074150.799,3114.8953,S,12135.2439,W,NNNN,00,9.9,1.0,8.3,,0000", 0, 74150, 0,
       -3114.8953f, -12135.2439f, 1.0f, 9.9f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const CGPSPosition p = Decoded(NmeaSentence(c.body));
    EXPECT_EQ(p.fixed, c.fixed);
    EXPECT_EQ(p.time, c.time);
    EXPECT_EQ(p.satellites, c.satellites);
    EXPECT_FLOAT_EQ(p.latitude, c.latitude);
    EXPECT_FLOAT_EQ(p.longitude, c.longitude);
    EXPECT_FLOAT_EQ(p.altitude, c.altitude);
    EXPECT_FLOAT_EQ(p.hdop, c.hdop);
  }
}

TEST(GpsDecoder, DilutionsComeFromAFullSatelliteStatus) {
  CGPSNmeaDecoder decoder;
  decoder.Feed(NmeaSentence("GPGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,2.5,1.3,2.1"));
  decoder.Feed(kMunichFix);
  ASSERT_TRUE(decoder.Position());
  EXPECT_FLOAT_EQ(decoder.Position()->pdop, 2.5f);
  EXPECT_FLOAT_EQ(decoder.Position()->hdop, 0.9f);  // the fix's own
  EXPECT_FLOAT_EQ(decoder.Position()->vdop, 2.1f);

  // A later status reaches the stored position; one naming fewer than twelve satellites is not
  // used at all.
  decoder.Feed(NmeaSentence("GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,1.8,1.0,1.5"));
  decoder.Feed(NmeaSentence("GPGSA,A,3,17,28,06,01,30,20,26,,,,,,1.9,1.1,1.6"));
  EXPECT_FLOAT_EQ(decoder.Position()->pdop, 1.8f);
  EXPECT_FLOAT_EQ(decoder.Position()->vdop, 1.5f);
  EXPECT_FLOAT_EQ(decoder.LastHdop(), 1.0f);
}

TEST(GpsDecoder, DamagedInputIsSkippedAndTheLastGoodFixStays) {
  const std::string good = kMunichFix;
  std::string badChecksum = NmeaSentence("GPGGA,111111,1111.000,N,01111.000,E,1,04,0.9,1.0,M,,M,,");
  badChecksum[badChecksum.size() - 3] ^= 1;
  std::string withNul = NmeaSentence("GPGGA,111111,1111.000,N,01111.000,E,1,04,0.9,1.0,M,,M,,");
  withNul.insert(20, 1, '\0');
  std::string binary(300, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 37 + 11);
  struct Case {
    const char* name;
    std::string bytes;
    std::uint64_t rejected;
  };
  const Case cases[] = {
      {"wrong checksum", badChecksum, 1},
      {"no checksum", "$GPGGA,111111,1111.000,N,01111.000,E,1,04,0.9,1.0,M,,M,,\r\n", 1},
      {"checksum not hexadecimal", "$GPGGA,111111,1111.000,N,01111.000,E,1,04,0.9,1.0*G1\r\n", 1},
      {"truncated, then the next sentence", "$GPGGA,111111,1111.0" + NmeaSentence("GPZDA,1"), 1},
      {"a NUL inside a sentence whose checksum holds without it", withNul, 1},
      {"binary noise", binary, 0},
      {"longer than any sentence",
       "$GPGGA" + std::string(400, ',') + "*00\r\n" + NmeaSentence("GPTXT,ok"), 1},
      {"empty latitude: not a full fix",
       NmeaSentence("GPGGA,111111,,N,01111.000,E,1,04,0.9,1.0,M,,M,,"), 0},
      {"no-fix sentence with empty fields",
       NmeaSentence("GPGGA,165019.000,,,,,0,00,,,M,0.0,M,,0000"), 0},
      {"latitude past the pole",
       NmeaSentence("GPGGA,111111,9100.000,N,01111.000,E,1,04,0.9,1.0,M,,M,,"), 0},
      {"not a number", NmeaSentence("GPGGA,111111,nan,N,inf,E,1,04,0.9,1.0,M,,M,,"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CGPSNmeaDecoder decoder;
    decoder.Feed(good);
    const std::uint64_t rejectedBefore = decoder.Statistics().rejected;
    decoder.Feed(c.bytes);
    EXPECT_GE(decoder.Statistics().rejected - rejectedBefore, c.rejected);
    ASSERT_TRUE(decoder.Position());
    EXPECT_EQ(decoder.Position()->time, 123519);
    EXPECT_FLOAT_EQ(decoder.Position()->latitude, 4807.038f);
    // The decoder is still in step: the next good sentence is taken.
    decoder.Feed(NmeaSentence("GPGGA,222222,2222.000,N,02222.000,E,1,05,1.0,2.0,M,,M,,"));
    EXPECT_EQ(decoder.Position()->time, 222222);
  }
}

TEST(GpsDecoder, BytesInAnyPiecesGiveTheSameResult) {
  const std::string stream =
      NmeaSentence("GPGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,2.5,1.3,2.1") + kMunichFix;
  for (std::size_t piece : {1u, 2u, 7u, 64u}) {
    CGPSNmeaDecoder decoder;
    for (std::size_t i = 0; i < stream.size(); i += piece) {
      decoder.Feed(std::string_view(stream).substr(i, piece));
    }
    ASSERT_TRUE(decoder.Position()) << piece;
    EXPECT_EQ(decoder.Statistics().accepted, 2u);
    EXPECT_FLOAT_EQ(decoder.Position()->pdop, 2.5f);
  }
}

TEST(GpsFormat, TokensAndSubPointsOfAFix) {
  CGPSPosition p = Decoded(kMunichFix);
  // 32-bit floats show in the last digits: 48.117302, not 48.117300; 2.29 seconds, not 2.28.
  const std::pair<const char*, const char*> tokens[] = {
      {"%lat%", "48.117302"},
      {"%lat-d%", "48"},
      {"%lat-m%", "7"},
      {"%lat-s%", "2.29"},
      {"%lat-ms%", "7.0381"},
      {"%lat-hem%", "N"},
      {"%lat-raw%", "4807.0381"},
      {"%long%", " 11.516666"},
      {"%long-d%", "11"},
      {"%long-m%", "31"},
      {"%long-s%", "0.00"},
      {"%long-hem%", "E"},
      {"%long-raw%", "01131.0000"},
      {"%alt%", "545.4"},
      {"%sats%", "8"},
      {"%time%", "123519"},
      {"%hdop%", "0.9"},
      {"%pdop%", "0.0"},
      {"%zone%", "32U"},
      {"%easting%", "0687300"},
      {"%northing%", "5332402"},
      {"%accuracy%", "100.0"},
      {"%vaccuracy%", "10.0"},
      {"%unknown% 100% %", "%unknown% 100% %"},
  };
  for (const auto& [format, text] : tokens) {
    EXPECT_EQ(CGPSFormat::FormatValue(p, QString::fromUtf8(format)), QString::fromUtf8(text))
        << format;
  }
  EXPECT_EQ(CGPSFormat::FormatValue(p, CGPSFormat::DefaultFormat()),
            QStringLiteral("48\u00b07'2.29\" N 11\u00b031'0.00\" E"));

  CGPSPosition south = Decoded(
      NmeaSentence("GPGGA,030719.000,3747.0873,S,17518.8938,W,1,08,1.1,59.9,M,23.7,M,,0000"));
  QStringList subPoints;
  for (const auto& [suffix, text] : CGPSFormat::SubPointTexts(south)) {
    subPoints << suffix + QLatin1Char('=') + text;
  }
  EXPECT_EQ(subPoints.join(QLatin1Char(' ')),
            QStringLiteral(".Lat=-37.784790 .LatD=37 .LatM=47 .LatS=5.24 .LatMS=47.0874 .LatHem=S "
                           ".LatRaw=3747.0874 .Long=-175.314911 .LongD=175 .LongM=18 .LongS=53.67 "
                           ".LongMS=18.8945 .LongHem=W .LongRaw=17518.8945 .Easting=0648383 "
                           ".Northing=5816726 .Zone=1H .Time=030719 .Alt=59.9 .Sats=8 .PDOP=0.0 "
                           ".HDOP=1.1 .VDOP=0.0 .Accuracy=100.0 .VAccuracy=100.0"));
}

// Reference points: tests/data/thirdparty/utm/utm_reference_points.csv, from the geodesy test
// suites named in its NOTICE entry (published UTM values of the Eiffel Tower, the Sydney Opera
// House, the Norway and Svalbard zone exceptions and others), to the millimetre.
TEST(GpsUtm, MatchesPublishedReferencePoints) {
  QFile file(qlt::test::ThirdPartyData(QStringLiteral("utm/utm_reference_points.csv")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  QTextStream in(&file);
  in.readLine();
  int points = 0;
  while (!in.atEnd()) {
    const QStringList f = in.readLine().split(QLatin1Char(','));
    if (f.size() < 8) continue;
    SCOPED_TRACE(f[0].toStdString());
    const CGPSPosition::Utm utm = CGPSPosition::ToUtm(f[1].toDouble(), f[2].toDouble());
    EXPECT_EQ(utm.zone, f[3].toInt());
    EXPECT_EQ(QChar::fromLatin1(utm.band), f[4][0]);
    EXPECT_NEAR(utm.easting, f[6].toDouble(), 0.01);
    EXPECT_NEAR(utm.northing, f[7].toDouble(), 0.01);
    ++points;
  }
  EXPECT_EQ(points, 20);

  // The band outside -80 to 84 degrees, "X" up to 84 itself, and longitudes past 180.
  EXPECT_EQ(CGPSPosition::ToUtm(84.0, 10).band, 'X');
  EXPECT_EQ(CGPSPosition::ToUtm(84.5, 10).band, '?');
  EXPECT_EQ(CGPSPosition::ToUtm(-80.5, 10).band, '?');
  EXPECT_EQ(CGPSPosition::ToUtm(-80.5, 10).zone, 32);
  EXPECT_EQ(CGPSPosition::ToUtm(10, 180.0).zone, 1);
  EXPECT_EQ(CGPSPosition::ToUtm(10, 363.0).zone, 31);
  CGPSPosition norway;
  norway.latitude = 6000.0f;
  norway.longitude = 500.0f;
  CGPSPosition copy = norway;
  EXPECT_EQ(CGPSFormat::FormatValue(copy, QStringLiteral("%zone%")), QStringLiteral("32V"));
}

TEST(GpsPortChoice, SettingsThenDiscoveryThenTheFallback) {
  const QString file = qlt::test::TestHome() + QStringLiteral("/Tarnwick.conf");
  const std::vector<CGPSPortChoice::Port> none;
  const std::vector<CGPSPortChoice::Port> ports = {
      {QStringLiteral("ttyS0"), QStringLiteral("16550A"), QString(), -1},
      {QStringLiteral("ttyUSB0"), QStringLiteral("CP2102"), QStringLiteral("Silicon Labs"), 0x10c4},
      {QStringLiteral("ttyACM0"), QStringLiteral("u-blox 7 - GPS/GNSS Receiver"), QString(),
       0x1546},
  };
  struct Case {
    const char* name;  // nullptr: not written
    int baud;          // 0: not written
    const std::vector<CGPSPortChoice::Port>* available;
    const char* port;
    int expectedBaud;
  };
  const Case cases[] = {
      {"/dev/ttyUSB3", 4800, &ports, "/dev/ttyUSB3", 4800},
      {"auto", 4800, &ports, "ttyACM0", 57600},
      {"", 4800, &ports, "ttyACM0", 57600},
      {"/dev/ttyUSB3", 0, &ports, "ttyACM0", 57600},
      {nullptr, 0, &none, "GPS1:", 57600},
      {"Auto", 9600, &none, "GPS1:", 57600},
  };
  for (const Case& c : cases) {
    QFile::remove(file);
    CSettingsStore settings(file);
    if (c.name) settings.WriteString(QStringLiteral("GPS"), QStringLiteral("PortName"), c.name);
    if (c.baud) settings.WriteInt(QStringLiteral("GPS"), QStringLiteral("PortBaud"), c.baud);
    const CGPSPortChoice::Choice choice = CGPSPortChoice::Choose(settings, *c.available);
    EXPECT_EQ(choice.name, QString::fromUtf8(c.port)) << (c.name ? c.name : "(none)");
    EXPECT_EQ(choice.baud, c.expectedBaud) << (c.name ? c.name : "(none)");
  }
}

TEST(GpsPoint, TapsHeightAndDefaults) {
  using Action = CGPSPointLogic::TapAction;
  struct Case {
    int fromBottom;
    bool largeButton;
    int scale;
    bool readOnly, valueEmpty, write;
    Action action;
  };
  const Case cases[] = {
      {10, false, 1, false, true, true, Action::kOpenWindow},
      {42, false, 1, false, true, true, Action::kOpenWindow},
      {43, false, 1, false, true, true, Action::kPassOn},  // the caption's
      {80, false, 2, false, false, true, Action::kClear},
      {100, true, 1, false, false, false, Action::kNothing},  // a value stays without "Write"
      {10, false, 1, true, true, true, Action::kNothing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CGPSPointLogic::Tap(c.fromBottom, c.largeButton, c.scale, c.readOnly, c.valueEmpty,
                                  c.write),
              c.action)
        << c.fromBottom << " " << c.largeButton;
  }
  // The GPS and barcode points grow below their caption by the device button's band.
  EXPECT_EQ(CDeviceButton::Extra(false, 2), 84);
  EXPECT_EQ(CDeviceButton::Extra(true, 1), 104);
  const CGPSPointLogic::Properties defaults = CGPSPointLogic::Defaults();
  EXPECT_TRUE(defaults.write && defaults.expand && !defaults.closeOnFix && !defaults.largeButton);
  EXPECT_EQ(defaults.format, CGPSFormat::DefaultFormat());
}

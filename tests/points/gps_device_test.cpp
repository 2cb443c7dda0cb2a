// The GPS reader against a receiver on a pseudo-terminal: recorded receiver logs replayed through
// it, a stream with no line break at all, and a receiver unplugged in the middle of a sentence
// and plugged in again. The port is a link in the test's home that points at the terminal, as
// /dev/serial/by-id links point at real receivers.
#include "points/gps_device.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/settings_store.h"
#include "support/fake_gps_receiver.h"
#include "support/gps_sentences.h"
#include "support/harness.h"

using CFakeReceiver = qlt::test::CFakeGpsReceiver;
using qlt::test::NmeaSentence;
using qlt::test::ProcessEventsUntil;

namespace {

class GpsDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    m_settings = qlt::test::TestHome() + QStringLiteral("/Tarnwick.conf");
    m_link = qlt::test::TestHome() + QStringLiteral("/gps0");
    CSettingsStore store(m_settings);
    ASSERT_TRUE(store.WriteString(QStringLiteral("GPS"), QStringLiteral("PortName"), m_link));
    ASSERT_TRUE(store.WriteInt(QStringLiteral("GPS"), QStringLiteral("PortBaud"), 4800));
  }

  // Waits until the reader has taken `bytes` bytes in all.
  static bool ReadUpTo(const CGPSDevice& device, qint64 bytes) {
    return ProcessEventsUntil([&] { return device.BytesRead() >= bytes; });
  }

  QString m_settings;
  QString m_link;
};

std::string Log(const char* name) {
  const QByteArray bytes = qlt::test::ReadFixture(
      qlt::test::ThirdPartyData(QStringLiteral("nmea/") + QString::fromLatin1(name)));
  return bytes.toStdString();
}

}  // namespace

TEST_F(GpsDevice, RecordedLogsGiveTheirLastFix) {
  // The last fix of each log and its count of sentences with a good checksum, as the notes that
  // come with the logs give them.
  struct Case {
    const char* log;
    std::uint64_t accepted;  // 0: not given
    int fixed, time, satellites;
    float latitude, longitude, altitude, hdop;
  };
  const Case cases[] = {
      {"bu353s4.log", 90, 1, 30743, 7, -3747.0877f, 17518.8941f, 60.2f, 1.1f},
      {"tn200.log", 63, 0, 204139, 0, 0.0f, 0.0f, 0.0f, 50.0f},
      {"beidou-bd.log", 79, 1, 74159, 7, 3114.8943f, 12135.2444f, 196.4f, 1.1f},
      {"gp-320fw-2019-04-07-coldboot.log", 0, 1, 345, 4, 4808.9993f, 1135.0798f, 459.9f, 1.4f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    const std::string log = Log(c.log);
    ASSERT_FALSE(log.empty());
    CFakeReceiver receiver(m_link);
    CGPSDevice device(m_settings);
    ASSERT_TRUE(device.Open());
    EXPECT_EQ(device.PortName(), m_link);
    EXPECT_EQ(device.Baud(), 4800);
    ASSERT_TRUE(receiver.Send(log));
    ASSERT_TRUE(ReadUpTo(device, qint64(log.size())));
    if (c.accepted) {
      EXPECT_EQ(device.Statistics().accepted, c.accepted);
    }
    const std::optional<CGPSPosition> p = device.TakePosition();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->fixed, c.fixed);
    EXPECT_EQ(p->time, c.time);
    EXPECT_EQ(p->satellites, c.satellites);
    EXPECT_FLOAT_EQ(p->latitude, c.latitude);
    EXPECT_FLOAT_EQ(p->longitude, c.longitude);
    EXPECT_FLOAT_EQ(p->altitude, c.altitude);
    EXPECT_FLOAT_EQ(p->hdop, c.hdop);
  }
}

TEST_F(GpsDevice, TenMegabytesWithoutALineBreakNeitherBlockNorStopTheReader) {
  CFakeReceiver receiver(m_link);
  CGPSDevice device(m_settings);
  ASSERT_TRUE(device.Open());
  const std::string flood = "$GPGGA," + std::string(10 * 1024 * 1024, '7');
  const std::string fix = NmeaSentence("GPGGA,101010,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,");
  ASSERT_TRUE(receiver.Send(flood));
  // The window thread is never held up meanwhile: taking the position answers at once.
  EXPECT_FALSE(device.TakePosition());
  ASSERT_TRUE(receiver.Send("\r\n" + fix));
  ASSERT_TRUE(ReadUpTo(device, qint64(flood.size() + 2 + fix.size())));
  const std::optional<CGPSPosition> p = device.TakePosition();
  ASSERT_TRUE(p);
  EXPECT_EQ(p->time, 101010);
  EXPECT_EQ(device.Statistics().rejected, 1u);
}

TEST_F(GpsDevice, AReceiverUnpluggedMidSentenceIsTakenBackWhenItReturns) {
  CFakeReceiver receiver(m_link);
  CGPSDevice device(m_settings);
  ASSERT_TRUE(device.Open());
  const std::string first =
      NmeaSentence("GPGGA,101010,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,");
  const std::string half = "$GPGGA,202020,3747.08";
  ASSERT_TRUE(receiver.Send(first + half));
  ASSERT_TRUE(ReadUpTo(device, qint64(first.size() + half.size())));
  receiver.Unplug();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !device.IsConnected(); }));
  // The reader stays open and keeps the last position while the receiver is away.
  EXPECT_TRUE(device.IsOpen());
  ASSERT_TRUE(device.TakePosition());
  EXPECT_EQ(device.TakePosition()->time, 101010);

  receiver.PlugIn();
  ASSERT_TRUE(ProcessEventsUntil([&] { return device.IsConnected(); }));
  EXPECT_EQ(device.Connections(), 2);
  // The rest of the cut sentence arrives first and must not be joined to its beginning.
  const std::string rest = "77,S,17518.8938,E,1,08,1.1,59.9,M,23.7,M,,0000*7D\r\n";
  const std::string next =
      NmeaSentence("GPGGA,303030,3747.0873,S,17518.8938,E,1,08,1.1,59.9,M,,M,,");
  const qint64 before = device.BytesRead();
  ASSERT_TRUE(receiver.Send(rest + next));
  ASSERT_TRUE(ReadUpTo(device, before + qint64(rest.size() + next.size())));
  EXPECT_EQ(device.TakePosition()->time, 303030);
  EXPECT_EQ(device.Statistics().fixes, 2u);

  device.Close();
  EXPECT_FALSE(device.IsOpen());
  EXPECT_FALSE(device.TakePosition());
}

TEST_F(GpsDevice, APortThatIsNotThereFailsToOpenAndTheLastUserCloses) {
  CGPSDevice device(m_settings);
  EXPECT_FALSE(device.Open());
  EXPECT_FALSE(device.IsOpen());

  CFakeReceiver receiver(m_link);
  device.AddUser();
  device.AddUser();
  ASSERT_TRUE(device.Open());
  device.RemoveUser();
  EXPECT_TRUE(device.IsOpen());
  device.RemoveUser();
  EXPECT_FALSE(device.IsOpen());
}

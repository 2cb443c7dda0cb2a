// The device descriptions: os-release parsing, the composition with the kernel release and the
// board name file.
#include "platform/system_description.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <QFile>

#include "support/harness.h"

namespace {

TEST(SystemDescriptionTest, PrettyNameIsUnquoted) {
  EXPECT_EQ(CSystemDescription::PrettyName("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                           "(bookworm)\"\nID=debian\n"),
            QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
  EXPECT_EQ(CSystemDescription::PrettyName("PRETTY_NAME='Alpine  Linux '\n"),
            QStringLiteral("Alpine  Linux"));
  EXPECT_EQ(CSystemDescription::PrettyName("# comment\n  PRETTY_NAME=Arch\n"),
            QStringLiteral("Arch"));
  EXPECT_EQ(CSystemDescription::PrettyName("PRETTY_NAME=\"Say \\\"hi\\\" \\\\o/\"\n"),
            QStringLiteral("Say \"hi\" \\o/"));
}

TEST(SystemDescriptionTest, MissingPrettyNameMeansLinux) {
  EXPECT_EQ(CSystemDescription::PrettyName("NAME=Foo\nID=foo\n"), QStringLiteral("Linux"));
  EXPECT_EQ(CSystemDescription::PrettyName(QByteArray()), QStringLiteral("Linux"));
}

TEST(SystemDescriptionTest, NameAndKernelReleaseAreJoinedByOneBlank) {
  EXPECT_EQ(CSystemDescription::ComposeOperatingSystem(QStringLiteral(" Debian 12 "),
                                                       QStringLiteral("6.1.0-18-amd64\n")),
            QStringLiteral("Debian 12 6.1.0-18-amd64"));
  EXPECT_EQ(CSystemDescription::ComposeOperatingSystem(QString(), QStringLiteral("6.1")),
            QStringLiteral("6.1"));
  EXPECT_EQ(CSystemDescription::ComposeOperatingSystem(QStringLiteral("Debian"), QString()),
            QStringLiteral("Debian"));
}

TEST(SystemDescriptionTest, ThisMachineIsDescribedWithItsKernelRelease) {
  struct utsname names {};
  ASSERT_EQ(uname(&names), 0);
  const QString description = CSystemDescription::OperatingSystem();
  EXPECT_TRUE(description.endsWith(QLatin1Char(' ') + QString::fromUtf8(names.release)))
      << description.toStdString();
  EXPECT_EQ(description, description.trimmed());
}

TEST(SystemDescriptionTest, BoardNameIsTrimmedOrEmpty) {
  const QString path = qlt::test::TestHome() + QStringLiteral("/board_name");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("  B450M PRO4\n\0junk", 19));
  file.close();
  EXPECT_EQ(CSystemDescription::Hardware(path), QStringLiteral("B450M PRO4"));
  EXPECT_EQ(CSystemDescription::Hardware(path + QStringLiteral(".missing")), QString());
}

}  // namespace

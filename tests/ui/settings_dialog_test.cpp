// The settings dialog with real widgets: typing in the address, the relay notice, the query, the
// lock and its unlock prompt, and what OK and Cancel leave in the store and the connection; the
// frame opens it from Settings and from Connect without a server.
#include "ui/settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "platform/settings_store.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "sync/connection.h"
#include "sync/socket.h"
#include "ui/client_frame.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::ProcessEventsUntil;

class SettingsDialogTest : public ::testing::Test {
 protected:
  // The dialog over the stored settings, shown.
  CSettingsDialog& Open(const QString& query = QString()) {
    m_connection =
        std::make_unique<CConnection>(CConnectionSettings::Load(m_store), CHandshake::Identity{}, 0,
                                      [] { return std::unique_ptr<CSocket>(); });
    m_dialog =
        std::make_unique<CSettingsDialog>(m_store, *m_connection, QStringLiteral("Unit-7"), query);
    m_dialog->show();
    return *m_dialog;
  }
  template <typename T = QWidget>
  T* Control(int id, QWidget* in = nullptr) const {
    T* control = (in ? in : m_dialog.get())->findChild<T*>(QString::number(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  void Click(int id, QWidget* in = nullptr) const {
    QTest::mouseClick(Control<QPushButton>(id, in), Qt::LeftButton);
  }
  // Replaces the text of an edit by typing.
  void Type(int id, const QString& text) const {
    QWidget* edit = Control(id);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  int StoredInt(const char* entry) const {
    return m_store.ReadInt(QStringLiteral("Settings"), QString::fromLatin1(entry), -1);
  }
  QString Stored(const char* entry) const {
    return m_store.ReadString(QStringLiteral("Settings"), QString::fromLatin1(entry),
                              QStringLiteral("<none>"));
  }
  QDialog* Prompt() const {
    return m_dialog->findChild<QDialog*>(QStringLiteral("Unlock Settings"));
  }
  // Whether every control but OK, Cancel and the lock box is enabled (or, with false, disabled).
  void ExpectControlsEnabled(bool enabled) const {
    for (const int id : {1000, 1001, 1003, 1004, 1005, 1007, 1008, 1009, 1010, 1011}) {
      EXPECT_EQ(Control(id)->isEnabled(), enabled) << id;
    }
    EXPECT_TRUE(Control(1012)->isEnabled());
    EXPECT_TRUE(Control(1)->isEnabled());
    EXPECT_TRUE(Control(2)->isEnabled());
  }

  CScopedServices m_services;
  CSettingsStore m_store{CSettingsStore::DefaultFilePath()};
  std::unique_ptr<CConnection> m_connection;
  std::unique_ptr<CSettingsDialog> m_dialog;
};

TEST_F(SettingsDialogTest, ControlsCarryTheirTextsAndTheStoredValues) {
  m_store.WriteString("Settings", "Server", "10.0.0.5:2002");
  m_store.WriteInt("Settings", "PurgeDays", 7);
  m_store.WriteInt("Settings", "Demand", 1);
  CSettingsDialog& dialog = Open();
  EXPECT_EQ(dialog.windowTitle(), CScopedServices::Text("Settings.Title"));
  EXPECT_EQ(Control<QLineEdit>(1000)->text(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(Control<QSpinBox>(1001)->value(), 2002);
  EXPECT_EQ(Control<QLineEdit>(1004)->text(), QStringLiteral("Unit-7"));
  EXPECT_EQ(Control<QLineEdit>(1003)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Control<QCheckBox>(1006)->text(),
            QLatin1Char(' ') + CScopedServices::Text("Settings.FieldEncryptionLong"));
  EXPECT_FALSE(Control<QCheckBox>(1005)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(1006)->isChecked());
  EXPECT_EQ(Control<QComboBox>(1010)->count(), 38);
  EXPECT_EQ(Control<QComboBox>(1010)->currentData().toInt(), 7);
  EXPECT_TRUE(Control<QLabel>(1024)->text().startsWith(QLatin1String("Version ")));
  EXPECT_FALSE(Control(1026)->isVisible());
  EXPECT_EQ(Control<QLabel>(1026)->font().weight(), QFont::Bold);
  EXPECT_TRUE(Control(1025)->isVisible());
  ExpectControlsEnabled(true);
}

TEST_F(SettingsDialogTest, TypedAddressIsCheckedAndStoredWithItsPort) {
  CSettingsDialog& dialog = Open();
  Type(1000, QStringLiteral("a/b?c"));
  EXPECT_EQ(Control<QLineEdit>(1000)->text(), QStringLiteral("abc"));

  Type(1000, QStringLiteral("10.0.0.5"));
  Type(1001, QStringLiteral("2002"));
  Type(1003, QStringLiteral("secret"));
  Click(1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(Stored("Server"), QStringLiteral("10.0.0.5:2002"));
  EXPECT_EQ(Stored("Password"), QStringLiteral("secret"));
  EXPECT_EQ(m_connection->Settings().server, QStringLiteral("10.0.0.5:2002"));
}

TEST_F(SettingsDialogTest, RelayNameHidesThePortAndIsStoredWithoutIt) {
  Open();
  Type(1001, QStringLiteral("2002"));
  Type(1000, QStringLiteral("$Depot 1"));
  EXPECT_EQ(Control<QLineEdit>(1000)->text(), QStringLiteral("$Depot1"));
  EXPECT_TRUE(Control(1026)->isVisible());
  EXPECT_FALSE(Control(1025)->isVisible());
  EXPECT_FALSE(Control(1001)->isVisible());
  EXPECT_FALSE(Control(1006)->isEnabled());
  Click(1);
  EXPECT_EQ(Stored("Server"), QStringLiteral("$Depot1"));
}

TEST_F(SettingsDialogTest, QueryFillsTheFieldsAndItsLockOutlivesCancel) {
  Open(
      QStringLiteral("server_address=10.0.0.5&server_port=3000&encryption=0&purge_days=7&"
                     "settings_locked=1"));
  EXPECT_EQ(Control<QLineEdit>(1000)->text(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(Control<QSpinBox>(1001)->value(), 3000);
  EXPECT_FALSE(Control<QCheckBox>(1006)->isChecked());
  EXPECT_EQ(Control<QComboBox>(1010)->currentData().toInt(), 7);
  EXPECT_TRUE(Control<QCheckBox>(1012)->isChecked());
  ExpectControlsEnabled(false);
  EXPECT_FALSE(Control(1006)->isEnabled());
  Click(2);
  EXPECT_EQ(StoredInt("Locked"), 1);
  EXPECT_EQ(Stored("Server"), QStringLiteral("<none>"));

  Open(QStringLiteral("purge_days=35"));
  EXPECT_EQ(Control<QComboBox>(1010)->currentData().toInt(), 30);
}

TEST_F(SettingsDialogTest, UnlockNeedsTheExactPasswordAndHoldsAfterCancel) {
  m_store.WriteString("Settings", "Password", "Secret");
  m_store.WriteInt("Settings", "Locked", 1);
  Open();
  ExpectControlsEnabled(false);

  // Cancelling the prompt keeps the page locked.
  Control<QCheckBox>(1012)->click();
  ASSERT_NE(Prompt(), nullptr);
  Click(2, Prompt());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Prompt() == nullptr; }));
  EXPECT_TRUE(Control<QCheckBox>(1012)->isChecked());
  ExpectControlsEnabled(false);

  Control<QCheckBox>(1012)->click();
  ASSERT_NE(Prompt(), nullptr);
  QTest::keyClicks(Control(1003, Prompt()), QStringLiteral("secret"));
  Click(1, Prompt());
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            CScopedServices::Text("Settings.UnlockFailedWrongPassword"));
  EXPECT_TRUE(Prompt()->isVisible());
  EXPECT_TRUE(Control<QLineEdit>(1003, Prompt())->text().isEmpty());
  EXPECT_EQ(StoredInt("Locked"), 1);

  QTest::keyClicks(Control(1003, Prompt()), QStringLiteral("Secret"));
  Click(1, Prompt());
  ASSERT_TRUE(ProcessEventsUntil([&] { return Prompt() == nullptr; }));
  EXPECT_EQ(StoredInt("Locked"), 0);
  EXPECT_FALSE(Control<QCheckBox>(1012)->isChecked());
  ExpectControlsEnabled(true);
  EXPECT_TRUE(Control(1006)->isEnabled());
  Click(2);
  EXPECT_EQ(StoredInt("Locked"), 0);
}

TEST_F(SettingsDialogTest, LockingWithoutAPasswordIsRefusedAndNothingIsSaved) {
  CSettingsDialog& dialog = Open();
  Type(1000, QStringLiteral("host"));
  Control<QCheckBox>(1012)->click();
  EXPECT_EQ(Prompt(), nullptr);
  Click(1);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            CScopedServices::Text("Settings.LockNeedsPassword"));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(Stored("Server"), QStringLiteral("<none>"));
  EXPECT_EQ(StoredInt("Locked"), -1);

  Type(1003, QStringLiteral("pw"));
  Click(1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(StoredInt("Locked"), 1);
  EXPECT_EQ(Stored("Server"), QStringLiteral("host"));
}

TEST_F(SettingsDialogTest, FrameOpensItFromSettingsAndFromConnectWithoutAServer) {
  QTemporaryDir data;
  for (const uint32_t command : {CClientFrame::kCmdSettings, CClientFrame::kCmdConnect}) {
    SCOPED_TRACE(command);
    CClientFrame frame(m_store, data.path());
    frame.show();
    EXPECT_EQ(frame.findChild<CSettingsDialog*>(), nullptr);
    frame.OnCommand(command);
    auto* dialog = frame.findChild<CSettingsDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("1000")),
                     QStringLiteral("127.0.0.1"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
    EXPECT_TRUE(frame.ServerConnection().Settings().server.isEmpty());
  }
}

}  // namespace

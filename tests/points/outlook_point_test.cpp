// The contacts point without widgets: reading vCard address books (folded, quoted-printable,
// other encodings, damaged files), the list's entries and category filter, which sibling takes
// which field, and picking from the list of a plain page window.
#include "points/outlook_point.h"

#include <gtest/gtest.h>

#include <QDir>

#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "points/outlook_address_book.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"

namespace {

using Book = COutlookAddressBook;
using qlt::test::AddPoint;
using qlt::test::CScopedServices;
using qlt::test::FixturePath;

const QString kFolder = QStringLiteral("contacts");

QList<COutlookContact> ReadFixtures() {
  QList<COutlookContact> contacts;
  EXPECT_TRUE(Book::ReadFolder(FixturePath(kFolder), contacts));
  return contacts;
}

const COutlookContact* Find(const QList<COutlookContact>& contacts, const QString& fileAs) {
  for (const COutlookContact& contact : contacts) {
    if (contact.FileAs() == fileAs) return &contact;
  }
  return nullptr;
}

TEST(OutlookAddressBook, GoodContactsOfEveryFileListSortedWhateverTheDamage) {
  QStringList names;
  for (const COutlookContact& contact : ReadFixtures()) names.append(contact.FileAs());
  // damaged.vcf: a card left open ends at the next BEGIN, a card without any name is dropped, the
  // last card lacks its END and a line of invalid UTF-8 reads as Windows-1252.
  EXPECT_EQ(names, QStringList({QStringLiteral("Ada ÿþ Broken"), QStringLiteral("Jane Okafor"),
                                QStringLiteral("Jürgen Müller"), QStringLiteral("Lindqvist, Rolf"),
                                QStringLiteral("Priya Raman"), QStringLiteral("Zoë Ånström")}));
  QList<COutlookContact> none;
  EXPECT_FALSE(Book::ReadFolder(FixturePath(QStringLiteral("no such folder")), none));
  EXPECT_TRUE(Book::Parse(QByteArray("\0\1\2BEGIN:VCARD\nEND:VCARD\n:::\n", 30)).isEmpty());
}

TEST(OutlookAddressBook, PropertiesMapToContactFields) {
  const QList<COutlookContact> contacts = ReadFixtures();
  const struct {
    const char* contact;
    const char* field;
    QString value;
  } cases[] = {
      {"Jane Okafor", "FirstName", QStringLiteral("Jane")},
      {"Jane Okafor", "LastName", QStringLiteral("Okafor")},
      {"Jane Okafor", "MiddleName", QStringLiteral("Adaeze")},
      {"Jane Okafor", "Title", QStringLiteral("Dr.")},
      {"Jane Okafor", "Suffix", QStringLiteral("PhD")},
      {"Jane Okafor", "CompanyName", QStringLiteral("Harbour Builders Ltd")},
      {"Jane Okafor", "Department", QStringLiteral("Site Safety")},
      {"Jane Okafor", "JobTitle", QStringLiteral("Site manager")},
      {"Jane Okafor", "MobileTelephoneNumber", QStringLiteral("+44 7700 900123")},
      {"Jane Okafor", "BusinessTelephoneNumber", QStringLiteral("+44 20 7946 0001")},
      {"Jane Okafor", "BusinessFaxNumber", QStringLiteral("+44 20 7946 0002")},
      {"Jane Okafor", "Email1Address", QStringLiteral("jane.okafor@example.com")},
      {"Jane Okafor", "Email2Address", QStringLiteral("j.okafor@example.org")},
      {"Jane Okafor", "BusinessAddressStreet", QStringLiteral("Unit 4\n12 Harbour Street")},
      {"Jane Okafor", "BusinessAddressPostalCode", QStringLiteral("PO1 3AB")},
      {"Jane Okafor", "Categories", QStringLiteral("Contractors, Safety")},
      {"Jane Okafor", "Body",
       QStringLiteral("Prefers calls before 9, after 4.\nAsk for the gate code.")},
      {"Jane Okafor", "WebPage", QStringLiteral("https://example.com/harbour")},
      {"Lindqvist, Rolf", "HomeTelephoneNumber", QStringLiteral("01632 960111")},
      {"Lindqvist, Rolf", "HomeAddressCity", QStringLiteral("Bristol")},
      {"Lindqvist, Rolf", "Body",
       QStringLiteral("A long note that a writer folded over two lines, as the standard allows.")},
      {"Jürgen Müller", "LastName", QStringLiteral("Müller")},
      {"Jürgen Müller", "CompanyName", QStringLiteral("Straßenbau GmbH")},
      {"Jürgen Müller", "MobileTelephoneNumber", QStringLiteral("+49 151 2345678")},
      {"Jürgen Müller", "BusinessAddressStreet", QStringLiteral("Königstraße 5\nHinterhaus")},
      {"Jürgen Müller", "BusinessAddressCity", QStringLiteral("Köln")},
      {"Priya Raman", "MobileTelephoneNumber", QStringLiteral("07700 900456")},
      {"Priya Raman", "Email1Address", QString()},  // a line without ":" is skipped
      {"Ada ÿþ Broken", "Body", QStringLiteral("half a card at the end of the file")},
      {"Zoë Ånström", "Email1Address", QStringLiteral("zoe@example.se")},
      {"Zoë Ånström", "MobileTelephoneNumber", QStringLiteral("+46-70-123-4567")},
  };
  for (const auto& c : cases) {
    const COutlookContact* contact = Find(contacts, QString::fromUtf8(c.contact));
    ASSERT_TRUE(contact) << c.contact;
    EXPECT_EQ(contact->texts.value(QLatin1String(c.field)), c.value) << c.contact << " " << c.field;
  }
  EXPECT_EQ(Find(contacts, QStringLiteral("Jane Okafor"))->dates.value(QStringLiteral("Birthday")),
            QDate(1980, 4, 23));
  EXPECT_EQ(
      Find(contacts, QStringLiteral("Lindqvist, Rolf"))->dates.value(QStringLiteral("Anniversary")),
      QDate(2005, 6, 18));
  EXPECT_TRUE(Find(contacts, QStringLiteral("Priya Raman"))->dates.isEmpty());
}

TEST(OutlookAddressBook, EntriesFilterAndSiblingNames) {
  const QString createNew = QStringLiteral("[  Create New...  ]");
  const QString showAll = QStringLiteral("[  Show All  ]");
  QString category;
  using Kind = Book::EntryKind;
  EXPECT_EQ(Book::ClassifyEntry(QString(), createNew, showAll), Kind::kEmpty);
  EXPECT_EQ(Book::ClassifyEntry(createNew, createNew, showAll), Kind::kCreateNew);
  EXPECT_EQ(Book::ClassifyEntry(showAll, createNew, showAll), Kind::kShowAll);
  EXPECT_EQ(Book::ClassifyEntry(QStringLiteral("[ Clients ]"), createNew, showAll, &category),
            Kind::kCategory);
  EXPECT_EQ(category, QStringLiteral("Clients"));
  EXPECT_EQ(Book::ClassifyEntry(QStringLiteral("[ ]"), createNew, showAll), Kind::kContact);
  EXPECT_EQ(Book::ClassifyEntry(QStringLiteral("Okafor, Jane"), createNew, showAll),
            Kind::kContact);

  const QList<COutlookContact> contacts = ReadFixtures();
  const QStringList all = Book::ListEntries(contacts, QString(), showAll);
  ASSERT_EQ(all.size(), 1 + 6 + 3);
  EXPECT_EQ(all.first(), QString());
  EXPECT_EQ(all.mid(7),
            QStringList({QStringLiteral("[ Clients ]"), QStringLiteral("[ Contractors ]"),
                         QStringLiteral("[ Safety ]")}));
  EXPECT_EQ(Book::ListEntries(contacts, QStringLiteral("safety"), showAll),
            QStringList({QString(), QStringLiteral("Jane Okafor"), showAll,
                         QStringLiteral("[ Clients ]"), QStringLiteral("[ Contractors ]")}));

  const struct {
    const char* point;
    const char* sibling;
    const char* field;
  } names[] = {
      {"Client", "Client.FirstName", "FirstName"},
      {"Client", "Client.LastName", "LastName"},
      {"Client", "Client.Birthday", "Birthday"},
      {"Client", "Client.Nickname", ""},
      {"Client", "client.FirstName", ""},
      {"Client", "Client.firstname", ""},
      {"Client", "Client.", ""},
      {"Person.Picker", "Person.CompanyName", "CompanyName"},
      {"Person.Picker", "Person.Picker", ""},
      {"A.B.C", "A.B.Email1Address", "Email1Address"},
  };
  for (const auto& n : names) {
    const QString prefix = Book::SiblingPrefix(QString::fromLatin1(n.point));
    EXPECT_EQ(Book::SiblingField(prefix, QString::fromLatin1(n.sibling)), QLatin1String(n.field))
        << n.point << " " << n.sibling;
  }
}

class OutlookPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    UseFolder(FixturePath(kFolder));
  }
  void UseFolder(const QString& folder) {
    CSettingsStore store(CSettingsStore::DefaultFilePath());
    store.WriteString(QStringLiteral("Outlook"), QStringLiteral("Folder"), folder);
  }
  COutlookPoint* AddContacts(const QString& name) {
    return AddPoint<COutlookPoint>(m_page, name, QStringLiteral("Contact"));
  }
  const CPlainPageWindow::ControlState& List(COutlookPoint* point) {
    static const CPlainPageWindow::ControlState kNone;
    const CPlainPageWindow::ControlState* state = m_window.State(point->Combo());
    return state ? *state : kNone;
  }
  // Picks the entry as the user would.
  void Pick(COutlookPoint* point, const QString& entry) {
    CPlainPageWindow::ControlState* state = m_window.State(point->Combo());
    ASSERT_TRUE(state);
    if (!state->items.contains(entry)) state->items.append(entry);
    state->current = static_cast<int>(state->items.indexOf(entry));
    m_window.Notify(point->Combo(), kNotifySelectionChange);
  }

  CScopedServices m_services;
  CProject m_project;
  CPage* m_page = nullptr;
  CPlainPageWindow m_window;
};

TEST_F(OutlookPointTest, PickingAContactFillsTheNamedSiblingsOnly) {
  COutlookPoint* client = AddContacts(QStringLiteral("Client"));
  auto* first = AddPoint<CEditPoint>(m_page, QStringLiteral("Client.FirstName"));
  auto* last = AddPoint<CEditPoint>(m_page, QStringLiteral("Client.LastName"));
  auto* nickname = AddPoint<CEditPoint>(m_page, QStringLiteral("Client.Nickname"));
  auto* birthday = AddPoint<CEditPoint>(m_page, QStringLiteral("Client.Birthday"));
  nickname->AssignValue(CVariant::FromString(QStringLiteral("kept")));
  m_page->Activate(&m_window);
  EXPECT_EQ(List(client).items.size(), 10);
  EXPECT_EQ(List(client).current, 0);
  Pick(client, QStringLiteral("Jane Okafor"));
  EXPECT_EQ(client->OutputText(), QStringLiteral("Jane Okafor"));
  EXPECT_EQ(first->OutputText(), QStringLiteral("Jane"));
  EXPECT_EQ(last->OutputText(), QStringLiteral("Okafor"));
  EXPECT_EQ(nickname->OutputText(), QStringLiteral("kept"));
  EXPECT_FALSE(birthday->OutputText().isEmpty());
  // Another contact replaces every field it fills, empty ones included.
  Pick(client, QStringLiteral("Zoë Ånström"));
  EXPECT_EQ(first->OutputText(), QString());
  EXPECT_EQ(birthday->OutputText(), QString());

  // The "Create New" entry changes nothing and goes back to the empty entry.
  Pick(client, CScopedServices::Text("Point.Outlook.New"));
  EXPECT_EQ(client->OutputText(), QStringLiteral("Zoë Ånström"));
  EXPECT_EQ(List(client).current, 0);
}

TEST_F(OutlookPointTest, PrefixEndsAtTheLastFullStop) {
  COutlookPoint* picker = AddContacts(QStringLiteral("Person.Picker"));
  auto* company = AddPoint<CEditPoint>(m_page, QStringLiteral("Person.CompanyName"));
  m_page->Activate(&m_window);
  Pick(picker, QStringLiteral("Jürgen Müller"));
  EXPECT_EQ(company->OutputText(), QStringLiteral("Straßenbau GmbH"));
}

TEST_F(OutlookPointTest, CategoryEntriesNarrowTheListAndAreRemembered) {
  COutlookPoint* client = AddContacts(QStringLiteral("Client"));
  m_page->Activate(&m_window);
  Pick(client, QStringLiteral("[ Clients ]"));
  EXPECT_EQ(List(client).items.mid(0, 3),
            QStringList({QString(), QStringLiteral("Lindqvist, Rolf"),
                         CScopedServices::Text("Point.Outlook.ShowAll")}));
  EXPECT_EQ(client->OutputText(), QString());
  // The filter is a setting of the user: the next showing lists the same.
  ASSERT_TRUE(m_page->Leave(false));
  m_page->Activate(&m_window);
  EXPECT_EQ(List(client).items.size(), 5);
  Pick(client, CScopedServices::Text("Point.Outlook.ShowAll"));
  EXPECT_EQ(List(client).items.size(), 10);
}

TEST_F(OutlookPointTest, WithoutAnAddressBookTheStoredNameStaysSelected) {
  UseFolder(QDir(qlt::test::TestHome()).filePath(QStringLiteral("missing")));
  COutlookPoint* client = AddContacts(QStringLiteral("Client"));
  client->AssignValue(CVariant::FromString(QStringLiteral("Jane Okafor")));
  m_page->Activate(&m_window);
  EXPECT_EQ(List(client).items, QStringList({QString(), QStringLiteral("Jane Okafor")}));
  EXPECT_EQ(List(client).current, 1);
  ASSERT_TRUE(m_page->Leave(false));
  EXPECT_EQ(m_window.State(client->Combo()), nullptr);
}

}  // namespace

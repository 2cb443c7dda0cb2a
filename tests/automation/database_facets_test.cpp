// IDatabase and ISession over a real session database: a project built by the tool, opened
// through the editing flow, sessions saved and read back through the vtable and by name.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "app/app_folders.h"
#include "dispatch_support.h"
#include "project/project.h"
#include "qlt_automation.h"
#include "sessions/session_database.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"
#include "values/safe_array.h"

namespace {

using namespace qlt::test;

constexpr const char* kForm = R"({
  "title": "Visits",
  "pages": [{"points": [{"type": "Edit", "name": "Site"}, {"type": "Edit", "name": "Count"}]}]
})";

// An object result taken out of its variant (the caller releases it).
template <typename I>
I* Take(CallResult&& r) {
  EXPECT_EQ(r.hr, S_OK);
  if (r.result.v.vt != VT_DISPATCH) return nullptr;
  auto* object = static_cast<I*>(r.result.v.pdispVal);
  r.result.v.vt = VT_EMPTY;
  return object;
}

OwnedVariant Strings(uint16_t elementType, const QList<CVariant>& items, int dimensions = 1) {
  std::vector<CSafeArray::Bound> bounds(dimensions, {0, static_cast<int32_t>(items.size())});
  if (dimensions > 1) bounds.back().count = 1;
  CSafeArray array(elementType, bounds);
  for (int i = 0; i < items.size(); ++i) {
    if (elementType == kVtBstr) array.Strings()[i] = items[i].StringPayload();
    if (elementType == kVtVariant) array.Variants()[i] = items[i];
  }
  return OwnedVariant(CVariant::FromArray(array));
}

class DatabaseFacets : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_hosted.Ok()) << m_hosted.BuildError().toStdString();
    IDispatch* project = m_hosted.Root().ProjectFacet(&m_hosted.Project());
    m_project = static_cast<IProject*>(project);
    IDispatch* database = nullptr;
    ASSERT_EQ(m_project->get_Database(&database), S_OK);
    m_database = static_cast<IDatabase*>(database);
  }
  void TearDown() override {
    if (m_database != nullptr) m_database->Release();
    if (m_project != nullptr) m_project->Release();
    EXPECT_EQ(m_hosted.Root().LiveFacets(), 0);
  }

  // A session saved through the facets; the new reference is the caller's.
  ISession* Saved(const QString& site, const QString& count) {
    IDispatch* object = nullptr;
    EXPECT_EQ(m_database->Add(&object), S_OK);
    auto* session = static_cast<ISession*>(object);
    EXPECT_EQ(session->put_Item(Arg(QStringLiteral("Site")).v, Arg(site).v), S_OK);
    EXPECT_EQ(session->put_Item(Arg(QStringLiteral("Count")).v, Arg(count).v), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(session->Save(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    return session;
  }
  static QString Guid(ISession* session) {
    BSTR guid = nullptr;
    EXPECT_EQ(session->get_GUID(&guid), S_OK);
    const QString text = TextFromBstr(guid);
    SysFreeString(guid);
    return text;
  }

  CScopedServices m_services;
  // Built in the data folder, where IProjects.Open finds a project by its name.
  CHostedProject m_hosted{QString::fromLatin1(kForm),
                          CAppFolders::DataFolder(CAppFolders::ProgramFolder())};
  IProject* m_project = nullptr;
  IDatabase* m_database = nullptr;
};

TEST_F(DatabaseFacets, SessionsAreAddedSavedFoundAndDeleted) {
  ISession* north = Saved(QStringLiteral("North"), QStringLiteral("3"));
  ISession* south = Saved(QStringLiteral("South"), QStringLiteral("4"));
  LONG count = 0;
  EXPECT_EQ(m_database->get_Count(&count), S_OK);
  EXPECT_EQ(count, 2);
  // By the list position, by GUID text (with or without braces), and by name through Invoke.
  ISession* first = Take<ISession>(Get(m_database, QStringLiteral("Item"), {Arg(1)}));
  ISession* second = Take<ISession>(Get(m_database, QStringLiteral("Item"), {Arg(2)}));
  ASSERT_TRUE(first != nullptr && second != nullptr);
  QStringList listed{Guid(first), Guid(second)};
  QStringList saved{Guid(north), Guid(south)};
  listed.sort();
  saved.sort();
  EXPECT_EQ(listed, saved);
  EXPECT_NE(first, north);  // read again from the file
  const QString secondGuid = Guid(second);
  second->Release();
  // The enumerator loads the listed sessions as it reaches them.
  IUnknown* enumerator = nullptr;
  ASSERT_EQ(m_database->get__NewEnum(&enumerator), S_OK);
  VARIANT items[3];
  ULONG fetched = 0;
  EXPECT_EQ(static_cast<IEnumVARIANT*>(enumerator)->Next(3, items, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(items[1].vt, VT_DISPATCH);
  EXPECT_EQ(Guid(static_cast<ISession*>(items[1].pdispVal)), secondGuid);
  for (VARIANT& item : items) VariantClear(&item);
  enumerator->Release();
  ISession* byGuid = Take<ISession>(
      Get(m_database, QStringLiteral("Item"), {Arg(QLatin1Char('{') + Guid(south) + u'}')}));
  ASSERT_NE(byGuid, nullptr);
  EXPECT_EQ(Get(byGuid, QStringLiteral("Item"), {Arg(QStringLiteral("site"))}).result.Text(),
            QStringLiteral("South"));
  for (const OwnedVariant& bad : {Arg(0), Arg(3), Arg(QStringLiteral("not a guid"))}) {
    EXPECT_EQ(Get(m_database, QStringLiteral("Item"), {bad}).hr, E_INVALIDARG);
  }
  VARIANT_BOOL archived = VARIANT_FALSE;
  EXPECT_EQ(byGuid->get_Archived(&archived), S_OK);
  EXPECT_EQ(archived, VARIANT_TRUE);

  // Marked is read from and written to the file.
  EXPECT_EQ(Put(byGuid, QStringLiteral("Marked"), OwnedVariant(CVariant::FromBool(true))).hr, S_OK);
  VARIANT_BOOL marked = VARIANT_FALSE;
  EXPECT_EQ(south->get_Marked(&marked), S_OK);
  EXPECT_EQ(marked, VARIANT_TRUE);
  EXPECT_EQ(m_hosted.Flow().Database()->ListFlagsOf(CSession::GuidFromText(Guid(south))),
            CSession::kFlagMarked);

  VARIANT_BOOL done = VARIANT_FALSE;
  EXPECT_EQ(first->Delete(&done), S_OK);
  EXPECT_EQ(Get(m_database, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(1));
  // The object read before still answers; a new session cannot be deleted.
  EXPECT_EQ(Get(first, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(2));
  IDispatch* fresh = nullptr;
  ASSERT_EQ(m_database->Add(&fresh), S_OK);
  EXPECT_EQ(static_cast<ISession*>(fresh)->Delete(&done), E_UNEXPECTED);
  EXPECT_EQ(done, VARIANT_FALSE);
  for (IUnknown* object :
       {static_cast<IUnknown*>(north), static_cast<IUnknown*>(south), static_cast<IUnknown*>(first),
        static_cast<IUnknown*>(byGuid), static_cast<IUnknown*>(fresh)}) {
    object->Release();
  }
}

TEST_F(DatabaseFacets, SessionMembersKeepTheirEdges) {
  ISession* session = Saved(QStringLiteral("North"), QStringLiteral("3"));
  const struct {
    const char* member;
    LONG index;
    HRESULT hr;
    const char* text;
  } cases[] = {
      {"Key", 1, S_OK, "site"},     {"Key", 2, S_OK, "count"}, {"Key", 3, E_INVALIDARG, ""},
      {"Key", 0, E_INVALIDARG, ""}, {"Value", 2, S_OK, "3"},   {"Value", 3, E_INVALIDARG, ""},
  };
  for (const auto& c : cases) {
    const CallResult r = Get(session, QString::fromLatin1(c.member), {Arg(c.index)});
    EXPECT_EQ(r.hr, c.hr) << c.member << c.index;
    EXPECT_EQ(r.result.Text(), QString::fromLatin1(c.text)) << c.member << c.index;
  }
  // A position past the end is empty; a key must be a text to be put.
  EXPECT_EQ(Get(session, QStringLiteral("Item"), {Arg(5)}).result.v.vt, VT_EMPTY);
  EXPECT_EQ(session->put_Item(Arg(7).v, Arg(QStringLiteral("x")).v), E_INVALIDARG);
  EXPECT_EQ(Guid(session).size(), 36);
  // Dates travel as dates to script callers.
  EXPECT_EQ(Get(session, QStringLiteral("Date")).result.v.vt, VT_DATE);
  EXPECT_EQ(Get(session, QStringLiteral("Name")).hr, E_NOTIMPL);

  IDispatch* copy = nullptr;
  ASSERT_EQ(session->Clone(&copy), S_OK);
  auto* clone = static_cast<ISession*>(copy);
  EXPECT_NE(Guid(clone), Guid(session));
  EXPECT_EQ(Get(clone, QStringLiteral("Value"), {Arg(1)}).result.Text(), QStringLiteral("North"));
  VARIANT_BOOL archived = VARIANT_TRUE;
  EXPECT_EQ(clone->get_Archived(&archived), S_OK);
  EXPECT_EQ(archived, VARIANT_FALSE);
  clone->Release();
  session->Release();
}

TEST_F(DatabaseFacets, QueryReturnsRowsOfTextsAndRefusesMalformedColumns) {
  ISession* a = Saved(QStringLiteral("North"), QStringLiteral("10"));
  ISession* b = Saved(QStringLiteral("South"), QStringLiteral("9"));
  const CallResult r = Method(
      m_database, QStringLiteral("Query"),
      {Arg(QStringLiteral("A")), Arg(QString()), Arg(QString()), Arg(QStringLiteral("Count")),
       OwnedVariant(CVariant::FromBool(true)), OwnedVariant(CVariant::FromBool(false)),
       Strings(kVtBstr, {CVariant::FromString(QStringLiteral("Site"))})});
  ASSERT_EQ(r.hr, S_OK);
  const CVariant rows = r.result.Value();
  ASSERT_TRUE(rows.IsArray());
  ASSERT_EQ(rows.Array()->ElementType(), kVtBstr);
  const QStringList cells = rows.Array()->Strings();
  ASSERT_EQ(cells.size(), 6);
  EXPECT_EQ(cells[0], Guid(b));  // 9 before 10 when sorted as numbers
  EXPECT_EQ(cells[2], QStringLiteral("South"));
  EXPECT_EQ(cells[5], QStringLiteral("North"));

  const OwnedVariant goodColumns[] = {
      OwnedVariant(), Strings(kVtVariant, {CVariant::FromString(QStringLiteral("Site"))})};
  const OwnedVariant badColumns[] = {
      Arg(QStringLiteral("Site")), Strings(kVtI4, {CVariant::FromInt32(1)}),
      Strings(kVtVariant, {CVariant::FromInt32(1)}),
      Strings(kVtBstr, {CVariant::FromString(QStringLiteral("Site"))}, 2)};
  for (const OwnedVariant& columns : goodColumns) {
    VARIANT out;
    EXPECT_EQ(m_database->Query(nullptr, nullptr, nullptr, nullptr, VARIANT_FALSE, VARIANT_FALSE,
                                columns.v, &out),
              S_OK);
    VariantClear(&out);
  }
  for (const OwnedVariant& columns : badColumns) {
    VARIANT out;
    EXPECT_EQ(m_database->Query(nullptr, nullptr, nullptr, nullptr, VARIANT_FALSE, VARIANT_FALSE,
                                columns.v, &out),
              E_INVALIDARG);
    EXPECT_EQ(out.vt, VT_EMPTY);
  }
  // A refused query is a failure, not an empty list.
  ASSERT_TRUE(m_hosted.Flow().Database()->BeginTransaction());
  VARIANT out;
  EXPECT_EQ(m_database->Query(nullptr, nullptr, nullptr, nullptr, VARIANT_FALSE, VARIANT_FALSE,
                              OwnedVariant().v, &out),
            E_FAIL);
  m_hosted.Flow().Database()->EndTransaction(false);
  a->Release();
  b->Release();
}

TEST_F(DatabaseFacets, FileValuesGoToAndComeFromDisk) {
  const QString source = m_hosted.Path() + QStringLiteral(".txt");
  QFile file(source);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("field notes");
  file.close();
  CallResult loaded = Method(m_database, QStringLiteral("LoadFromFile"), {Arg(source)});
  ASSERT_EQ(loaded.hr, S_OK);
  EXPECT_EQ(Method(m_database, QStringLiteral("IsFileValue"), {loaded.result}).result.Value(),
            CVariant::FromBool(true));
  EXPECT_EQ(Method(m_database, QStringLiteral("GetFileName"), {loaded.result}).result.Text(),
            QStringLiteral("Visits.ppc.txt"));
  const QString target = m_hosted.Path() + QStringLiteral(".copy");
  EXPECT_EQ(Method(m_database, QStringLiteral("SaveToFile"), {loaded.result, Arg(target)}).hr,
            S_OK);
  QFile copy(target);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), QByteArray("field notes"));

  EXPECT_EQ(Method(m_database, QStringLiteral("GetFileName"), {Arg(QStringLiteral("x"))}).hr,
            E_INVALIDARG);
  EXPECT_EQ(
      Method(m_database, QStringLiteral("LoadFromFile"), {Arg(source + QStringLiteral(".missing"))})
          .hr,
      E_FAIL);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(m_database->SaveToFile(loaded.result.v, nullptr, &ok), E_POINTER);
  EXPECT_EQ(m_database->SaveToFile(Arg(QStringLiteral("x")).v, Arg(target).v.bstrVal, &ok), E_FAIL);
}

TEST_F(DatabaseFacets, CurrentSessionIsTheEditedOneAndFacetsGoWithTheProject) {
  IDispatch* none = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(m_project->get_CurrentSession(&none), S_FALSE);
  EXPECT_EQ(none, nullptr);
  ASSERT_TRUE(m_hosted.Start());
  IDispatch* current = nullptr;
  ASSERT_EQ(m_project->get_CurrentSession(&current), S_OK);
  auto* session = static_cast<ISession*>(current);
  EXPECT_EQ(Guid(session), m_hosted.Flow().Session()->GuidText());
  IDispatch* again = nullptr;
  ASSERT_EQ(m_project->get_CurrentSession(&again), S_OK);
  EXPECT_EQ(again, current);  // one facet per session object
  again->Release();
  IDispatch* database = nullptr;
  ASSERT_EQ(m_project->get_Database(&database), S_OK);
  EXPECT_EQ(database, m_database);
  database->Release();

  // Closing the project disconnects its database and its sessions; they only wait for Release.
  m_hosted.Flow().Abandon();
  ASSERT_TRUE(m_hosted.Reopen());
  LONG count = 0;
  EXPECT_EQ(m_database->get_Count(&count), RPC_E_DISCONNECTED);
  EXPECT_EQ(session->get_Count(&count), RPC_E_DISCONNECTED);
  session->Release();
}

TEST_F(DatabaseFacets, ProjectsOpenAFileByPathOrByNameInTheDataFolder) {
  IDispatch* projects = m_hosted.Root().ProjectsFacet();
  QStringList asked;
  m_hosted.Root().SetProjectOpener([&](const QString& path) -> CProject* {
    asked.append(path);
    return QFileInfo(path) == QFileInfo(m_hosted.Path()) ? &m_hosted.Project() : nullptr;
  });
  const struct {
    QString name;
    HRESULT hr;
  } cases[] = {{m_hosted.Path(), S_OK},
               {QStringLiteral("Visits"), S_OK},
               {QStringLiteral("Visits.ppc"), S_OK},
               {QStringLiteral("../Visits.ppc"), E_FAIL},
               {QStringLiteral("Missing"), E_FAIL},
               {QString(), E_FAIL}};
  for (const auto& c : cases) {
    const CallResult r = Method(projects, QStringLiteral("Open"), {Arg(c.name)});
    EXPECT_EQ(r.hr, c.hr) << c.name.toStdString();
    EXPECT_EQ(r.result.v.vt, c.hr == S_OK ? VT_DISPATCH : VT_EMPTY);
  }
  EXPECT_EQ(asked.size(), 3);
  projects->Release();
}

}  // namespace

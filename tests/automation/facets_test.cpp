#include <gtest/gtest.h>

#include "app/app_folders.h"
#include "app/message_service.h"
#include "automation/automation_root.h"
#include "dispatch_support.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "qlt_automation.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/scripted_message_service.h"

namespace {

using namespace qlt::test;

// A project of two pages: "First" with the edit points A and B, "Second" with C.
class AutomationFacets : public ::testing::Test {
 protected:
  void SetUp() override {
    m_first = m_project.AddPage();
    m_first->SetCaption(QStringLiteral("First"));
    m_a = AddPoint<CEditPoint>(m_first, QStringLiteral("A"), QStringLiteral("Caption A"));
    m_b = AddPoint<CEditPoint>(m_first, QStringLiteral("B"));
    m_second = m_project.AddPage();
    m_second->SetCaption(QStringLiteral("Second"));
    m_c = AddPoint<CEditPoint>(m_second, QStringLiteral("C"));
    m_root = std::make_unique<CAutomationRoot>();
    m_projectFacet = m_root->ProjectFacet(&m_project);
  }
  void TearDown() override {
    if (m_projectFacet != nullptr) m_projectFacet->Release();
    // Every reference a test took was given back.
    EXPECT_EQ(m_root->LiveFacets(), 0);
  }

  // The object a getter returned, with its reference (the caller releases it).
  static IDispatch* Object(CallResult&& r) {
    EXPECT_EQ(r.hr, S_OK);
    if (r.result.v.vt != VT_DISPATCH) return nullptr;
    IDispatch* object = r.result.v.pdispVal;
    r.result.v.vt = VT_EMPTY;
    return object;
  }

  CScopedServices m_services;
  CProject m_project;
  CPage* m_first = nullptr;
  CPage* m_second = nullptr;
  CBasePoint* m_a = nullptr;
  CBasePoint* m_b = nullptr;
  CBasePoint* m_c = nullptr;
  std::unique_ptr<CAutomationRoot> m_root;
  IDispatch* m_projectFacet = nullptr;
};

TEST_F(AutomationFacets, NamesAreFoundWhateverTheirCase) {
  IDispatch* point = m_root->PointFacet(m_a);
  EXPECT_EQ(IdOf(point, QStringLiteral("value")), 0);
  EXPECT_EQ(IdOf(point, QStringLiteral("CAPTION")), 0x15);
  EXPECT_EQ(IdOf(point, QStringLiteral("designimagelistindex")), 0x32);
  EXPECT_EQ(IdOf(point, QStringLiteral("Captions")), DISPID_UNKNOWN);
  // A parameter name is not known; the member still gets its identifier.
  std::u16string member = u"GetOutputString";
  std::u16string parameter = u"vValue";
  LPOLESTR names[] = {member.data(), parameter.data()};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(point->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 0x2c);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(point->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_INVALIDARG);
  point->Release();
}

TEST_F(AutomationFacets, ByNameByIdentifierAndThroughTheVtableReachTheSameMember) {
  IDispatch* dispatch = m_root->PointFacet(m_a);
  auto* point = static_cast<IPoint*>(dispatch);
  EXPECT_EQ(Put(dispatch, QStringLiteral("Value"), Arg(QStringLiteral("typed"))).hr, S_OK);
  EXPECT_EQ(m_a->OutputText(), QStringLiteral("typed"));
  // The value is the default member (identifier 0) and comes back through every road.
  EXPECT_EQ(Call(dispatch, DISPID_VALUE, DISPATCH_PROPERTYGET).result.Text(), "typed");
  BSTR text = nullptr;
  ASSERT_EQ(point->get_Value(&text), S_OK);
  EXPECT_EQ(TextFromBstr(text), QStringLiteral("typed"));
  SysFreeString(text);
  // A number given for the text arrives as its text; a script calls a property like a method.
  EXPECT_EQ(Put(dispatch, QStringLiteral("caption"), Arg(12)).hr, S_OK);
  EXPECT_EQ(m_a->Caption(), QStringLiteral("12"));
  EXPECT_EQ(Method(dispatch, QStringLiteral("TypeCode")).result.Value(),
            CVariant::FromInt32(CEditPoint::kTypeCode));
  EXPECT_EQ(Get(dispatch, QStringLiteral("Unique")).result.Value(),
            CVariant::FromInt32(m_a->UniqueNumber()));
  // VariantValue keeps the type of what is stored.
  EXPECT_EQ(Put(dispatch, QStringLiteral("VariantValue"), Arg(QStringLiteral("v"))).hr, S_OK);
  EXPECT_EQ(Get(dispatch, QStringLiteral("VariantValue")).result.Value(),
            CVariant::FromString(QStringLiteral("v")));
  dispatch->Release();
}

TEST_F(AutomationFacets, WrongCallsGetTheirFailureCodes) {
  IDispatch* point = m_root->PointFacet(m_a);
  // Too many and too few arguments.
  EXPECT_EQ(Get(point, QStringLiteral("Name"), {Arg(1)}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Method(point, QStringLiteral("GetOutputString"), {Arg(1)}).hr, DISP_E_BADPARAMCOUNT);
  // An argument that does not convert, and which one it was (counted from the last).
  CallResult mismatch = Method(
      point, QStringLiteral("GetOutputString"),
      {Arg(QStringLiteral("v")), Arg(QStringLiteral("base")), Arg(QStringLiteral("not a number"))});
  EXPECT_EQ(mismatch.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(mismatch.argErr, 0u);
  EXPECT_EQ(Put(point, QStringLiteral("Required"), Arg(QStringLiteral("x"))).hr,
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Put(point, QStringLiteral("Bold"), Arg(QStringLiteral("1e20"))).hr, DISP_E_OVERFLOW);
  // A put without its named argument, named arguments elsewhere, a get-only property put.
  std::vector<VARIANT> one(1);
  VariantInit(&one[0]);
  DISPPARAMS unnamed{one.data(), nullptr, 1, 0};
  EXPECT_EQ(
      point->Invoke(0x15, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
      DISP_E_PARAMNOTFOUND);
  DISPID named = 7;
  DISPPARAMS withNames{one.data(), &named, 1, 1};
  EXPECT_EQ(
      point->Invoke(0x29, IID_NULL, 0, DISPATCH_METHOD, &withNames, nullptr, nullptr, nullptr),
      DISP_E_NONAMEDARGS);
  EXPECT_EQ(Put(point, QStringLiteral("TypeCode"), Arg(1)).hr, DISP_E_MEMBERNOTFOUND);
  // Unknown identifiers, an interface identifier where none belongs, arguments without memory,
  // an argument of a type no variant has.
  EXPECT_EQ(Call(point, 0x7777, DISPATCH_METHOD).hr, DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(
      point->Invoke(0, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
  DISPPARAMS missing{nullptr, nullptr, 2, 0};
  EXPECT_EQ(point->Invoke(0x2c, IID_NULL, 0, DISPATCH_METHOD, &missing, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  VARIANT odd;
  VariantInit(&odd);
  odd.vt = 0x7F;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS oddPut{&odd, &putId, 1, 1};
  UINT argErr = 9;
  EXPECT_EQ(
      point->Invoke(0x15, IID_NULL, 0, DISPATCH_PROPERTYPUT, &oddPut, nullptr, nullptr, &argErr),
      DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  // The model saw none of it.
  EXPECT_EQ(m_a->Caption(), QStringLiteral("Caption A"));
  point->Release();
}

TEST_F(AutomationFacets, CollectionsCountFromOneAndRefuseWhatIsOutside) {
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(Get(pages, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(2));
  EXPECT_EQ(Get(pages, QStringLiteral("Item"), {Arg(0)}).hr, E_INVALIDARG);
  EXPECT_EQ(Get(pages, QStringLiteral("Item"), {Arg(3)}).hr, E_INVALIDARG);
  EXPECT_EQ(Get(pages, QStringLiteral("Item"), {Arg(QStringLiteral("x"))}).hr, E_INVALIDARG);
  IDispatch* second = Object(Get(pages, QStringLiteral("Item"), {Arg(QStringLiteral("2"))}));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Get(second, QStringLiteral("Caption")).result.Text(), "Second");

  IDispatch* points = Object(Get(second, QStringLiteral("Points")));
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(Get(points, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(1));
  EXPECT_EQ(Get(points, QStringLiteral("Item"), {Arg(2)}).hr, E_INVALIDARG);  // Count + 1
  IDispatch* c = Object(Get(points, QStringLiteral("Item"), {Arg(1)}));
  // One facet per point: the view and the project's lookup give the same object.
  IDispatch* byName = Object(Get(m_projectFacet, QStringLiteral("Points"), {Arg("c")}));
  EXPECT_EQ(c, byName);
  EXPECT_EQ(Get(m_projectFacet, QStringLiteral("Points"), {Arg("nothing")}).hr, E_FAIL);
  for (IDispatch* object : {pages, second, points, c, byName}) object->Release();
}

TEST_F(AutomationFacets, AddingAndRemovingThroughTheViewsChangesTheProject) {
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  EXPECT_EQ(Method(pages, QStringLiteral("Add"), {Arg(4)}).hr, E_INVALIDARG);
  IDispatch* added = Object(Method(pages, QStringLiteral("Add"), {Arg(1)}));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(m_project.PageCount(), 3);
  EXPECT_EQ(m_project.Page(0)->Caption(), QStringLiteral("New Page"));

  IDispatch* points = Object(Get(added, QStringLiteral("Points")));
  IDispatch* point =
      Object(Method(points, QStringLiteral("Add"), {Arg(CEditPoint::kTypeCode), Arg(1)}));
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(m_project.Page(0)->PointCount(), 1);
  EXPECT_EQ(Method(points, QStringLiteral("Add"), {Arg(9999), Arg(1)}).hr, E_FAIL);
  EXPECT_EQ(Method(points, QStringLiteral("Remove"), {Arg(2)}).hr, E_FAIL);
  EXPECT_EQ(Method(points, QStringLiteral("Remove"), {Arg(1)}).hr, S_OK);
  EXPECT_EQ(m_project.Page(0)->PointCount(), 0);
  // The removed point's facet stays a valid object that knows its point is gone.
  EXPECT_EQ(Get(point, QStringLiteral("Name")).hr, RPC_E_DISCONNECTED);

  EXPECT_EQ(Method(pages, QStringLiteral("Remove"), {Arg(5)}).hr, E_FAIL);
  EXPECT_EQ(Method(pages, QStringLiteral("Remove"), {Arg(1)}).hr, S_OK);
  EXPECT_EQ(m_project.PageCount(), 2);
  EXPECT_EQ(Get(added, QStringLiteral("Caption")).hr, RPC_E_DISCONNECTED);
  EXPECT_EQ(Get(points, QStringLiteral("Count")).hr, RPC_E_DISCONNECTED);
  for (IDispatch* object : {pages, added, points, point}) object->Release();
}

TEST_F(AutomationFacets, ThePageOnScreenKeepsItsPointsAndItself) {
  CPlainPageWindow window;
  m_first->Activate(&window);
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  IDispatch* page = Object(Get(pages, QStringLiteral("Item"), {Arg(1)}));
  IDispatch* view = Object(Get(page, QStringLiteral("Points")));
  // The window holds the points' controls; removing either would leave it pointing at nothing.
  EXPECT_EQ(Method(view, QStringLiteral("Remove"), {Arg(1)}).hr, E_UNEXPECTED);
  EXPECT_EQ(Method(pages, QStringLiteral("Remove"), {Arg(1)}).hr, E_UNEXPECTED);
  EXPECT_EQ(m_first->PointCount(), 2);
  EXPECT_EQ(m_project.PageCount(), 2);
  // A page that is not shown can go.
  EXPECT_EQ(Method(pages, QStringLiteral("Remove"), {Arg(2)}).hr, S_OK);
  m_first->Leave(false);
  for (IDispatch* object : {pages, page, view}) object->Release();
}

TEST_F(AutomationFacets, ProjectMembersFollowTheRunningClient) {
  m_project.MutableHeader().title = QStringLiteral("Survey");
  m_project.MutableHeader().sessionListColumns = QStringLiteral("A;B;");
  EXPECT_EQ(Get(m_projectFacet, QStringLiteral("Title")).result.Text(), "Survey");
  EXPECT_EQ(Get(m_projectFacet, QStringLiteral("SessionListColumns")).result.Text(), "A;B;");
  EXPECT_EQ(Get(m_projectFacet, QStringLiteral("Running")).result.Value(),
            CVariant::FromBool(true));
  // While the project runs its descriptive texts and point names stay as they are.
  EXPECT_EQ(Put(m_projectFacet, QStringLiteral("Title"), Arg(QStringLiteral("New"))).hr,
            E_UNEXPECTED);
  EXPECT_EQ(m_project.GetHeader().title, QStringLiteral("Survey"));
  IDispatch* a = m_root->PointFacet(m_a);
  EXPECT_EQ(Put(a, QStringLiteral("Name"), Arg(QStringLiteral("Z"))).hr, E_UNEXPECTED);
  EXPECT_EQ(m_a->Name(), QStringLiteral("A"));
  a->Release();
  // Dirty can be set, never cleared.
  m_project.SetChanged();
  EXPECT_EQ(
      Put(m_projectFacet, QStringLiteral("Dirty"), OwnedVariant(CVariant::FromBool(false))).hr,
      E_INVALIDARG);
  EXPECT_TRUE(m_project.IsChanged());
  EXPECT_EQ(Get(m_projectFacet, QStringLiteral("Dirty")).result.Value(), CVariant::FromBool(true));
}

TEST_F(AutomationFacets, ADesignTimeRootLetsTextsAndNamesChange) {
  CAutomationRoot design(false);
  IDispatch* project = design.ProjectFacet(&m_project);
  EXPECT_EQ(Put(project, QStringLiteral("notes"), Arg(QStringLiteral("n"))).hr, S_OK);
  EXPECT_EQ(m_project.GetHeader().notes, QStringLiteral("n"));
  IDispatch* b = design.PointFacet(m_b);
  EXPECT_EQ(Put(b, QStringLiteral("Name"), Arg(QStringLiteral("Bee"))).hr, S_OK);
  EXPECT_EQ(m_b->Name(), QStringLiteral("Bee"));
  EXPECT_EQ(Put(b, QStringLiteral("Visible"), OwnedVariant(CVariant::FromBool(false))).hr, S_OK);
  EXPECT_EQ(m_b->Visible(), 0);
  EXPECT_FALSE(m_b->IsShown());
  b->Release();
  project->Release();
  EXPECT_EQ(design.LiveFacets(), 0);
}

TEST_F(AutomationFacets, PointMembersMapOntoThePoint) {
  IDispatch* a = m_root->PointFacet(m_a);
  IDispatch* b = m_root->PointFacet(m_b);
  m_a->SetDefaultValue(CVariant::FromInt32(5));
  EXPECT_EQ(Get(a, QStringLiteral("Default")).result.Text(), "5");
  m_a->SetDefaultValue(CVariant::FromBytes(QByteArray("xy")));
  CallResult binary = Get(a, QStringLiteral("Default"));
  EXPECT_EQ(binary.hr, S_FALSE);
  EXPECT_EQ(binary.result.Text(), "(Binary)");
  m_a->SetDefaultValue(CVariant::Null());
  CallResult none = Get(a, QStringLiteral("Default"));
  EXPECT_EQ(none.hr, S_FALSE);
  EXPECT_EQ(none.result.Text(), "");
  EXPECT_EQ(Put(a, QStringLiteral("Default"), Arg(QStringLiteral("d"))).hr, S_OK);
  EXPECT_EQ(m_a->DefaultValue(), CVariant::FromString(QStringLiteral("d")));

  // Only our own points can be dependants.
  EXPECT_EQ(Method(a, QStringLiteral("AddDependent"), {Arg(b)}).hr, S_OK);
  EXPECT_TRUE(m_a->Dependants().contains(m_b));
  EXPECT_EQ(Method(a, QStringLiteral("AddDependent"), {Arg(m_projectFacet)}).hr, E_INVALIDARG);
  EXPECT_EQ(Method(a, QStringLiteral("AddDependent"), {Arg(static_cast<IDispatch*>(nullptr))}).hr,
            E_POINTER);
  // Not a custom point: no control, and that is no failure.
  CallResult custom = Get(a, QStringLiteral("Custom"));
  EXPECT_EQ(custom.hr, S_OK);
  EXPECT_EQ(custom.result.v.vt, VT_DISPATCH);
  EXPECT_EQ(custom.result.v.pdispVal, nullptr);
  // Getters of objects hand out new references to the owners.
  IDispatch* page = Object(Get(a, QStringLiteral("Page")));
  EXPECT_EQ(Get(page, QStringLiteral("Caption")).result.Text(), "First");
  IDispatch* project = Object(Get(page, QStringLiteral("Project")));
  EXPECT_EQ(project, m_projectFacet);
  for (IDispatch* object : {a, b, page, project}) object->Release();
}

TEST_F(AutomationFacets, MembersWithoutAnImplementationSayNotImplemented) {
  IDispatch* point = m_root->PointFacet(m_a);
  IDispatch* page = m_root->PageFacet(m_first);
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  IDispatch* points = Object(Get(page, QStringLiteral("Points")));
  OwnedVariant empty;
  const struct {
    IDispatch* object;
    const char* name;
    WORD flags;
    std::vector<OwnedVariant> args;
  } cases[] = {
      {point, "AsXML", DISPATCH_PROPERTYGET, {}},
      {point, "SaveSketchImage", DISPATCH_METHOD, {empty, Arg(QStringLiteral("f"))}},
      {point, "SaveSketchImageEx", DISPATCH_METHOD, {Arg(point), Arg(QStringLiteral("f"))}},
      {page, "Activate", DISPATCH_METHOD, {}},
      {page, "AsXML", DISPATCH_PROPERTYGET, {}},
      {pages, "AddFromXML", DISPATCH_METHOD, {Arg(QStringLiteral("<x/>")), Arg(1)}},
      {points, "AddFromXML", DISPATCH_METHOD, {Arg(QStringLiteral("<x/>")), Arg(1)}},
      {m_projectFacet, "Save", DISPATCH_METHOD, {}},
      {m_projectFacet, "RemoveFromDevice", DISPATCH_METHOD, {Arg(QStringLiteral("u"))}},
      {m_projectFacet, "Properties", DISPATCH_PROPERTYGET, {}},
      {m_projectFacet, "ImportFromXML", DISPATCH_METHOD, {Arg(QStringLiteral("<x/>"))}},
      {m_projectFacet, "SaveNonInteractive", DISPATCH_METHOD, {}},
      {m_projectFacet, "ExportAsXML", DISPATCH_METHOD, {Arg(QStringLiteral("f"))}},
      {m_projectFacet, "AsXML", DISPATCH_PROPERTYGET, {}},
      {m_projectFacet, "NewMailer", DISPATCH_METHOD, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CallResult r = CallByName(c.object, QString::fromLatin1(c.name), c.flags, c.args);
    EXPECT_EQ(r.hr, E_NOTIMPL);
    EXPECT_TRUE(r.result.v.vt == VT_EMPTY);
  }
  EXPECT_EQ(Method(point, QStringLiteral("SaveSketchImageEx"),
                   {Arg(static_cast<IDispatch*>(nullptr)), Arg(QStringLiteral("f"))})
                .hr,
            E_POINTER);
  CallResult send = Method(m_projectFacet, QStringLiteral("SendToDevice"), {Arg("u")});
  EXPECT_EQ(send.hr, E_UNEXPECTED);
  for (IDispatch* object : {point, page, pages, points}) object->Release();
}

TEST_F(AutomationFacets, QueryInterfaceAnswersTheFacetsOwnIdentifiersOnly) {
  IDispatch* point = m_root->PointFacet(m_a);
  void* raw = nullptr;
  ASSERT_EQ(point->QueryInterface(IPoint::kIid, &raw), S_OK);
  EXPECT_EQ(raw, static_cast<void*>(point));
  static_cast<IUnknown*>(raw)->Release();
  ASSERT_EQ(point->QueryInterface(IID_IUnknown, &raw), S_OK);
  static_cast<IUnknown*>(raw)->Release();
  raw = point;
  EXPECT_EQ(point->QueryInterface(IPage::kIid, &raw), E_NOINTERFACE);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(point->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
  point->Release();
}

TEST_F(AutomationFacets, EnumeratorsHandOutEachObjectOnce) {
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  CallResult newEnum = Call(pages, DISPID_NEWENUM, DISPATCH_PROPERTYGET);
  ASSERT_EQ(newEnum.hr, S_OK);
  ASSERT_EQ(newEnum.result.v.vt, VT_UNKNOWN);
  void* raw = nullptr;
  ASSERT_EQ(newEnum.result.v.punkVal->QueryInterface(IID_IEnumVARIANT, &raw), S_OK);
  auto* items = static_cast<IEnumVARIANT*>(raw);
  VARIANT got[3];
  ULONG fetched = 99;
  EXPECT_EQ(items->Next(2, got, nullptr), E_INVALIDARG);
  ASSERT_EQ(items->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[0].vt, VT_DISPATCH);
  EXPECT_EQ(got[2].vt, VT_EMPTY);
  EXPECT_EQ(Get(got[1].pdispVal, QStringLiteral("Caption")).result.Text(), "Second");
  for (int i = 0; i < 3; ++i) VariantClear(&got[i]);
  EXPECT_EQ(items->Next(1, got, nullptr), S_FALSE);
  EXPECT_EQ(items->Reset(), S_OK);
  EXPECT_EQ(items->Skip(1), S_OK);
  ASSERT_EQ(items->Next(1, got, nullptr), S_OK);
  VariantClear(&got[0]);
  EXPECT_EQ(items->Skip(1), S_FALSE);
  IEnumVARIANT* clone = items;
  EXPECT_EQ(items->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(clone, nullptr);
  items->Release();
  pages->Release();
}

TEST_F(AutomationFacets, TheRootGoingFirstLeavesFacetsThatKnowIt) {
  IDispatch* point = m_root->PointFacet(m_c);
  m_projectFacet->Release();
  m_projectFacet = nullptr;
  m_root.reset();
  EXPECT_EQ(Get(point, QStringLiteral("Value")).hr, RPC_E_DISCONNECTED);
  EXPECT_EQ(point->Release(), 0u);
  m_root = std::make_unique<CAutomationRoot>();
}

TEST_F(AutomationFacets, AWholeObjectGraphEndsWithNoObjectLeft) {
  std::vector<IDispatch*> held;
  IDispatch* pages = Object(Get(m_projectFacet, QStringLiteral("Pages")));
  held.push_back(pages);
  for (int p = 1; p <= 2; ++p) {
    IDispatch* page = Object(Get(pages, QStringLiteral("Item"), {Arg(p)}));
    IDispatch* points = Object(Get(page, QStringLiteral("Points")));
    held.insert(held.end(), {page, points, Object(Get(points, QStringLiteral("Page"))),
                             Object(Get(points, QStringLiteral("Project")))});
    const int count = m_project.Page(p - 1)->PointCount();
    for (int i = 1; i <= count; ++i) {
      IDispatch* point = Object(Get(points, QStringLiteral("Item"), {Arg(i)}));
      held.insert(held.end(), {point, Object(Get(point, QStringLiteral("Page"))),
                               Object(Get(point, QStringLiteral("Project")))});
      // Results dropped by the caller are released by the dispatch layer.
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      EXPECT_EQ(
          point->Invoke(2, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
          S_OK);
    }
    CallResult newEnum = Call(points, DISPID_NEWENUM, DISPATCH_PROPERTYGET);
    ASSERT_EQ(newEnum.hr, S_OK);
  }
  // Three points, two pages, the project, two point views and the pages view.
  EXPECT_EQ(m_root->LiveFacets(), 9);
  for (IDispatch* object : held) object->Release();
  // TearDown releases the project and expects nothing left.
}

}  // namespace

namespace {

using namespace qlt::test;

TEST(AutomationApplication, ListsTheOpenProjectsAndAnswersForTheClient) {
  CScopedServices services;
  CProject first;
  first.SetPath(QStringLiteral("/data/Site Survey.ppc"));
  first.MutableHeader().uniqueNumber = 77;
  CProject second;
  second.SetPath(QStringLiteral("/data/Other.ppc"));
  CAutomationRoot root;
  root.AddOpenProject(&first);
  root.AddOpenProject(&second);
  IDispatch* app = root.ApplicationFacet();
  IDispatch* self = nullptr;
  {
    CallResult r = Get(app, QStringLiteral("Application"));
    self = r.result.v.pdispVal;
    r.result.v.vt = VT_EMPTY;  // the reference is ours now
    EXPECT_EQ(self, app);
  }
  EXPECT_EQ(Get(app, QStringLiteral("Version")).result.Text(), QStringLiteral("%1.%2.%3.%4")
                                                                   .arg(QLT_VERSION_MAJOR)
                                                                   .arg(QLT_VERSION_MINOR)
                                                                   .arg(QLT_VERSION_PATCH)
                                                                   .arg(QLT_VERSION_TWEAK));
  CallResult projectsResult = Get(app, QStringLiteral("Projects"));
  IDispatch* projects = projectsResult.result.v.pdispVal;
  ASSERT_NE(projects, nullptr);
  EXPECT_EQ(Get(projects, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(2));
  // By name, by position, and nothing (S_FALSE and no object) for what matches none.
  CallResult byName = Get(projects, QStringLiteral("Item"), {Arg(QStringLiteral("site survey"))});
  EXPECT_EQ(byName.hr, S_OK);
  CallResult byPosition = Get(projects, QStringLiteral("Item"), {Arg(1)});
  EXPECT_EQ(byPosition.result.v.pdispVal, byName.result.v.pdispVal);
  for (const OwnedVariant& index : {Arg(QStringLiteral("Nowhere")), Arg(0), Arg(3)}) {
    CallResult none = Get(projects, QStringLiteral("Item"), {index});
    EXPECT_EQ(none.hr, S_FALSE);
    EXPECT_EQ(none.result.v.pdispVal, nullptr);
  }
  CallResult byFile = Method(projects, QStringLiteral("GetProjectByFileName"),
                             {Arg(QStringLiteral("/data/Other.ppc"))});
  EXPECT_EQ(byFile.hr, S_OK);
  EXPECT_EQ(Get(byFile.result.v.pdispVal, QStringLiteral("Path")).result.Text(),
            QStringLiteral("/data/Other.ppc"));
  EXPECT_EQ(Method(projects, QStringLiteral("GetProjectByFileName"), {Arg("x.ppc")}).hr, E_FAIL);
  CallResult byUnique = Method(projects, QStringLiteral("GetProjectByUnique"), {Arg(77)});
  EXPECT_EQ(byUnique.result.v.pdispVal, byName.result.v.pdispVal);
  EXPECT_EQ(Method(projects, QStringLiteral("GetProjectByUnique"), {Arg(78)}).hr, E_FAIL);

  // The translation table, found and not found (the out value stays untouched then).
  CallResult found = Method(app, QStringLiteral("GetLanguageString"), {Arg("Settings.Title")});
  EXPECT_EQ(found.hr, S_OK);
  EXPECT_EQ(found.result.Text(), QStringLiteral("Settings"));
  EXPECT_EQ(Method(app, QStringLiteral("GetLanguageString"), {Arg("No.SuchKey")}).hr, S_FALSE);
  EXPECT_EQ(Method(app, QStringLiteral("MsgBox"), {Arg(QStringLiteral("Hello"))}).hr, S_OK);
  ASSERT_EQ(services.Messages().Messages().size(), 1);
  EXPECT_EQ(services.Messages().Messages()[0].text, QStringLiteral("Hello"));
  EXPECT_EQ(services.Messages().Messages()[0].style, unsigned{kMbOk | kMbIconInformation});
  EXPECT_EQ(Get(app, QStringLiteral("HighDPI")).result.Value(), CVariant::FromBool(false));
  EXPECT_EQ(static_cast<IApplication*>(app)->get_Users(nullptr), E_POINTER);
  EXPECT_EQ(Get(app, QStringLiteral("Users")).hr, E_NOTIMPL);
  EXPECT_EQ(Method(app, QStringLiteral("DisconnectDevice"), {Arg("u")}).hr, E_NOTIMPL);

  // Closing a project disconnects what was handed out for it.
  IDispatch* kept = byFile.result.v.pdispVal;
  root.CloseProject(&second);
  EXPECT_EQ(Get(kept, QStringLiteral("Path")).hr, RPC_E_DISCONNECTED);
  EXPECT_EQ(Get(projects, QStringLiteral("Count")).result.Value(), CVariant::FromInt32(1));
  self->Release();
  projects->Release();
  projectsResult.result.v.vt = VT_EMPTY;
  app->Release();
}

}  // namespace

namespace {

using namespace qlt::test;

// What a compiled caller does: calls the n-th entry of the object's vtable with the object first.
template <typename Out>
HRESULT CallSlot(IDispatch* object, int slot, Out* out) {
  using Entry = HRESULT (*)(IDispatch*, Out*);
  Entry entry = (*reinterpret_cast<Entry**>(object))[slot];
  return entry(object, out);
}

TEST(AutomationSlots, MembersSitInTheirVtableSlots) {
  CScopedServices services;
  CProject project;
  project.SetPath(QStringLiteral("/data/Slots.ppc"));
  project.MutableHeader().uniqueNumber = 4711;
  project.MutableHeader().sessionListColumns = QStringLiteral("P;");
  CPage* page = project.AddPage();
  page->SetCaption(QStringLiteral("Only"));
  CBasePoint* point = AddPoint<CEditPoint>(page, QStringLiteral("P"));
  point->SetValue(QStringLiteral("v"));
  CAutomationRoot root;
  root.AddOpenProject(&project);
  IDispatch* app = root.ApplicationFacet();
  IDispatch* projects = root.ProjectsFacet();
  IDispatch* projectFacet = root.ProjectFacet(&project);
  IDispatch* pages = root.NewPagesView(&project);
  IDispatch* pageFacet = root.PageFacet(page);
  IDispatch* points = root.NewPointsView(page);
  IDispatch* pointFacet = root.PointFacet(point);

  const struct {
    IDispatch* object;
    int slot;
    QString text;
  } texts[] = {
      {pointFacet, 7, QStringLiteral("v")},
      {pointFacet, 13, point->TypeName()},
      {pointFacet, 16, QStringLiteral("P")},
      {projectFacet, 29, QStringLiteral("/data/Slots.ppc")},
      {projectFacet, 40, QStringLiteral("P;")},
      {pageFacet, 11, QStringLiteral("Only")},
      {app, 18, CAppFolders::ProgramFolder()},
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(t.slot);
    BSTR text = nullptr;
    ASSERT_EQ(CallSlot(t.object, t.slot, &text), S_OK);
    EXPECT_EQ(TextFromBstr(text), t.text);
    SysFreeString(text);
  }
  const struct {
    IDispatch* object;
    int slot;
    LONG number;
  } numbers[] = {
      {pointFacet, 12, point->UniqueNumber()},
      {pointFacet, 14, CEditPoint::kTypeCode},
      {projectFacet, 26, 4711},
      {pageFacet, 10, page->UniqueNumber()},
      {points, 12, 1},
      {pages, 11, 1},
      {projects, 10, 1},
  };
  for (const auto& n : numbers) {
    SCOPED_TRACE(n.slot);
    LONG number = -12345;
    ASSERT_EQ(CallSlot(n.object, n.slot, &number), S_OK);
    EXPECT_EQ(number, n.number);
  }
  BSTR none = nullptr;
  EXPECT_EQ(CallSlot(pointFacet, 40, &none), E_NOTIMPL);  // AsXML, the last member
  for (IDispatch* object : {app, projects, projectFacet, pages, pageFacet, points, pointFacet}) {
    object->Release();
  }
  root.CloseProject(&project);
  EXPECT_EQ(root.LiveFacets(), 0);
}

}  // namespace

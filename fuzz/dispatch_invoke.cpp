// libFuzzer target: IDispatch calls on the automation facets of a small project with random
// names, identifiers, flags and arguments (well-formed as the ABI requires, of any type and
// count). No call may crash or leak; objects a call hands out join the objects called next, and
// once everything is released no facet may be left.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/automation_root.h"
#include "automation/com.h"
#include "project/page.h"
#include "project/project.h"
#include "values/abi_values.h"

namespace {

class CReader {
 public:
  CReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool AtEnd() const { return m_pos >= m_size; }
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  int32_t Int() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return static_cast<int32_t>(value);
  }
  std::u16string Text() {
    std::u16string text;
    const int length = Byte() % 24;
    for (int i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(Byte() | 0x20));
    return text;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

const char16_t* const kNames[] = {
    u"Value",   u"Item",         u"Count",           u"Add",     u"Remove",   u"Caption",
    u"Name",    u"Points",       u"Pages",           u"Project", u"Page",     u"Default",
    u"Visible", u"VariantValue", u"Title",           u"Dirty",   u"_NewEnum", u"Projects",
    u"Path",    u"Help",         u"AddDependent",    u"Version", u"Text",     u"ShowHelp",
    u"Unique",  u"Bold",         u"GetOutputString",
};
const DISPID kIds[] = {0,
                       1,
                       2,
                       3,
                       4,
                       5,
                       6,
                       7,
                       8,
                       0xa,
                       0xb,
                       0xc,
                       0xd,
                       0x14,
                       0x15,
                       0x16,
                       0x17,
                       0x1e,
                       0x1f,
                       0x20,
                       0x21,
                       0x28,
                       0x29,
                       0x2a,
                       0x2b,
                       0x2c,
                       0x32,
                       0x33,
                       DISPID_NEWENUM,
                       DISPID_PROPERTYPUT,
                       0x6002000e};

// One argument of a type the input picks; `objects` supplies object arguments.
void MakeArgument(CReader& in, const std::vector<IDispatch*>& objects, VARIANT& arg,
                  LONG& byrefNumber, VARIANT& byrefVariant) {
  VariantInit(&arg);
  switch (in.Byte() % 14) {
    case 0:
      break;
    case 1:
      arg.vt = VT_NULL;
      break;
    case 2:
      arg.vt = VT_I4;
      arg.lVal = in.Int();
      break;
    case 3:
      arg.vt = VT_R8;
      arg.dblVal = static_cast<double>(in.Int()) / 7.0;
      break;
    case 4: {
      const std::u16string text = in.Text();
      arg.vt = VT_BSTR;
      arg.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      break;
    }
    case 5:
      arg.vt = VT_BOOL;
      arg.boolVal = (in.Byte() & 1) ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case 6:
    case 7: {
      IDispatch* object = objects[in.Byte() % objects.size()];
      if (in.Byte() % 4 == 0) object = nullptr;
      arg.vt = (in.Byte() & 1) ? VT_DISPATCH : VT_UNKNOWN;
      arg.pdispVal = object;
      if (object != nullptr) object->AddRef();
      break;
    }
    case 8:
      arg.vt = VT_ARRAY | VT_UI1;
      arg.parray = SafeArrayCreateVector(VT_UI1, in.Int() % 4, in.Byte() % 9);
      break;
    case 9: {
      arg.vt = VT_ARRAY | VT_VARIANT;
      arg.parray = SafeArrayCreateVector(VT_VARIANT, 1, 1);
      auto* items = static_cast<VARIANT*>(arg.parray->pvData);
      items[0].vt = VT_I4;
      items[0].lVal = in.Int();
      break;
    }
    case 10:
      byrefNumber = in.Int();
      arg.vt = VT_BYREF | VT_I4;
      arg.plVal = &byrefNumber;
      break;
    case 11:
      VariantInit(&byrefVariant);
      byrefVariant.vt = VT_I4;
      byrefVariant.lVal = in.Int();
      arg.vt = VT_BYREF | VT_VARIANT;
      arg.pvarVal = &byrefVariant;
      break;
    case 12:
      arg.vt = VT_DATE;
      arg.date = static_cast<double>(in.Int()) / 1000.0;
      break;
    default:
      // A type word no variant has, or one the core does not hold; no payload to free.
      arg.vt = static_cast<VARTYPE>((in.Byte() & 1) ? VT_DECIMAL : 0x7F);
      break;
  }
}

}  // namespace

// Runs the calls one input describes; false when a facet outlived the release of everything.
bool RunDispatchInput(const uint8_t* data, size_t size) {
  CReader in(data, size);
  CProject project;
  CPage* first = project.AddPage();
  first->AddPoint(3);
  first->AddPoint(3);
  project.AddPage()->AddPoint(3);
  {
    CAutomationRoot root(in.Byte() & 1);
    root.AddOpenProject(&project);
    IDispatch* application = root.ApplicationFacet();
    std::vector<IDispatch*> objects = {application,
                                       root.ProjectsFacet(),
                                       root.ProjectFacet(&project),
                                       root.NewPagesView(&project),
                                       root.PageFacet(first),
                                       root.NewPointsView(first),
                                       root.PointFacet(first->Point(0))};
    for (int call = 0; call < 32 && !in.AtEnd(); ++call) {
      IDispatch* target = objects[in.Byte() % objects.size()];
      DISPID id = DISPID_UNKNOWN;
      const uint8_t how = in.Byte() % 3;
      if (how == 0) {
        id = kIds[in.Byte() % (sizeof kIds / sizeof kIds[0])];
      } else if (how == 1) {
        id = in.Int();
      } else {
        std::u16string name =
            (in.Byte() & 1) ? std::u16string(kNames[in.Byte() % (sizeof kNames / sizeof kNames[0])])
                            : in.Text();
        LPOLESTR names[] = {name.data()};
        target->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
      }
      // The message box would wait for a person.
      if (target == application && id == 0x28) continue;
      const WORD kFlags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                             DISPATCH_METHOD | DISPATCH_PROPERTYGET};
      const uint8_t flagByte = in.Byte();
      const WORD flags = flagByte < 0xF0 ? kFlags[flagByte % 4] : (flagByte & 0x0F);
      const UINT count = in.Byte() % 5;
      VARIANT args[4];
      LONG numbers[4] = {};
      VARIANT referenced[4];
      for (UINT i = 0; i < count; ++i) {
        MakeArgument(in, objects, args[i], numbers[i], referenced[i]);
      }
      DISPID named = DISPID_PROPERTYPUT;
      DISPPARAMS params{count > 0 ? args : nullptr, nullptr, count, 0};
      // Puts name their value argument, as the ABI asks; sometimes anything else does too.
      if (count > 0 && ((flags & DISPATCH_PROPERTYPUT) || in.Byte() % 8 == 0)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
      }
      VARIANT result;
      VariantInit(&result);
      UINT argErr = 0;
      target->Invoke(id, IID_NULL, 0, flags, &params, (in.Byte() & 1) ? &result : nullptr, nullptr,
                     &argErr);
      if (result.vt == VT_DISPATCH && result.pdispVal != nullptr && objects.size() < 64) {
        objects.push_back(result.pdispVal);
        result.vt = VT_EMPTY;
      }
      VariantClear(&result);
      for (UINT i = 0; i < count; ++i) {
        if ((args[i].vt & VT_BYREF) || args[i].vt == VT_DECIMAL || args[i].vt == 0x7F) {
          args[i].vt = VT_EMPTY;
        }
        VariantClear(&args[i]);
      }
    }
    for (IDispatch* object : objects) object->Release();
    root.CloseProject(&project);
    return root.LiveFacets() == 0;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!RunDispatchInput(data, size)) std::abort();
  return 0;
}

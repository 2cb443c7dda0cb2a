// The dual automation interfaces of the object model with their identifiers, each member in its
// vtable slot (the members of an interface derived from IDispatch start at slot 7). Object
// results are handed out as IDispatch pointers (the same pointer a typed result would be).
// Plain ABI types only; implemented by the client's automation objects and used by custom-point
// controls (the built-in ones and outside libraries alike), on the UI thread.
#pragma once

#include "automation/com.h"

// Identifiers from their text form at compile time.
namespace qlt::automation {
constexpr int HexDigit(char c) {
  return c >= '0' && c <= '9'   ? c - '0'
         : c >= 'a' && c <= 'f' ? c - 'a' + 10
         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                : -1;
}
constexpr uint32_t HexAt(const char* text, int from, int digits) {
  uint32_t value = 0;
  for (int i = 0; i < digits; ++i) {
    const int digit = HexDigit(text[from + i]);
    if (digit < 0) throw "not a hexadecimal digit";  // stops the compilation
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
consteval GUID GuidLiteral(const char (&text)[39]) {
  GUID g{};
  g.Data1 = HexAt(text, 1, 8);
  g.Data2 = static_cast<uint16_t>(HexAt(text, 10, 4));
  g.Data3 = static_cast<uint16_t>(HexAt(text, 15, 4));
  g.Data4[0] = static_cast<uint8_t>(HexAt(text, 20, 2));
  g.Data4[1] = static_cast<uint8_t>(HexAt(text, 22, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(HexAt(text, 25 + 2 * i, 2));
  return g;
}
}  // namespace qlt::automation

struct IProject : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{8F17C12D-0236-4B9A-9811-6D76AA7447D5}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Pages(IDispatch** ppPages) = 0;
  virtual HRESULT get_Points(BSTR strName, IDispatch** ppPoint) = 0;
  virtual HRESULT get_Database(IDispatch** ppDatabase) = 0;  // 10
  virtual HRESULT get_Dirty(VARIANT_BOOL* pbDirty) = 0;
  virtual HRESULT put_Dirty(VARIANT_BOOL bDirty) = 0;
  virtual HRESULT get_Running(VARIANT_BOOL* pbRunning) = 0;
  virtual HRESULT get_Title(BSTR* pstr) = 0;  // 14
  virtual HRESULT put_Title(BSTR str) = 0;
  virtual HRESULT get_Company(BSTR* pstr) = 0;
  virtual HRESULT put_Company(BSTR str) = 0;
  virtual HRESULT get_Author(BSTR* pstr) = 0;
  virtual HRESULT put_Author(BSTR str) = 0;
  virtual HRESULT get_Copyright(BSTR* pstr) = 0;  // 20
  virtual HRESULT put_Copyright(BSTR str) = 0;
  virtual HRESULT get_WebURL(BSTR* pstr) = 0;
  virtual HRESULT put_WebURL(BSTR str) = 0;
  virtual HRESULT get_Notes(BSTR* pstr) = 0;
  virtual HRESULT put_Notes(BSTR str) = 0;         // 25
  virtual HRESULT get_Unique(LONG* pnUnique) = 0;  // 26
  virtual HRESULT NewTelegram(IDispatch** ppTelegram) = 0;
  virtual HRESULT Synchronise(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT get_Path(BSTR* pstrPath) = 0;
  virtual HRESULT Save(VARIANT_BOOL* pbSuccess) = 0;  // 30
  virtual HRESULT get_CurrentSession(IDispatch** ppSession) = 0;
  virtual HRESULT SendToDevice(BSTR strUnitID, VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT RemoveFromDevice(BSTR strUnitID, VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT get_Properties(IDispatch** ppProperties) = 0;
  virtual HRESULT ImportFromXML(BSTR strXML, VARIANT_BOOL* pbSuccess) = 0;  // 35
  virtual HRESULT SaveNonInteractive(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT ExportAsXML(BSTR strFilename, VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT get_AsXML(BSTR* pstrXML) = 0;
  virtual HRESULT NewMailer(IDispatch** ppMailer) = 0;
  virtual HRESULT get_SessionListColumns(BSTR* pstrColumns) = 0;  // 40
};

struct IPages : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{8B273FFC-04D3-46CF-9F97-11AA423F6223}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;
  virtual HRESULT get_Item(VARIANT vIndex, IDispatch** ppPage) = 0;  // 10
  virtual HRESULT get_Count(LONG* pnCount) = 0;
  virtual HRESULT Add(LONG nIndex, IDispatch** ppPage) = 0;
  virtual HRESULT Remove(LONG nIndex) = 0;
  virtual HRESULT AddFromXML(BSTR sXML, LONG nIndex, IDispatch** ppPage) = 0;  // 14
};

struct IPage : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{4CB51DD1-4A49-428B-A701-FF2CE5D81E87}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get_Points(IDispatch** ppPoints) = 0;
  virtual HRESULT get_Unique(LONG* pnUnique) = 0;  // 10
  virtual HRESULT get_Caption(BSTR* pstr) = 0;
  virtual HRESULT put_Caption(BSTR str) = 0;
  virtual HRESULT get_Text(BSTR* pstr) = 0;
  virtual HRESULT put_Text(BSTR str) = 0;
  virtual HRESULT get_Help(BSTR* pstr) = 0;  // 15
  virtual HRESULT put_Help(BSTR str) = 0;
  virtual HRESULT Activate() = 0;
  virtual HRESULT Refresh() = 0;
  virtual HRESULT ShowHelp(BSTR strCaption, BSTR strHelp) = 0;
  virtual HRESULT get_AsXML(BSTR* pstrXML) = 0;  // 20
};

struct IPoints : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{EC1D89D2-7647-493E-8DA8-C089FB941766}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get_Page(IDispatch** ppPage) = 0;
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;  // 10
  virtual HRESULT get_Item(VARIANT vIndex, IDispatch** ppPoint) = 0;
  virtual HRESULT get_Count(LONG* pnCount) = 0;
  virtual HRESULT Add(LONG nType, LONG nIndex, IDispatch** ppPoint) = 0;
  virtual HRESULT Remove(LONG nIndex) = 0;
  virtual HRESULT AddFromXML(BSTR sXML, LONG nIndex, IDispatch** ppPoint) = 0;  // 15
};

struct IPoint : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{D9D92A56-C556-454D-85E4-94A27365FA1C}");
  virtual HRESULT get_Value(BSTR* pstrValue) = 0;  // 7
  virtual HRESULT put_Value(BSTR strValue) = 0;
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;  // 10
  virtual HRESULT get_Page(IDispatch** ppPage) = 0;
  virtual HRESULT get_Unique(LONG* pnUnique) = 0;
  virtual HRESULT get_TypeName(BSTR* pstrName) = 0;
  virtual HRESULT get_TypeCode(LONG* pnCode) = 0;
  virtual HRESULT get_Custom(IDispatch** ppCustom) = 0;  // 15
  virtual HRESULT get_Name(BSTR* pstr) = 0;
  virtual HRESULT put_Name(BSTR str) = 0;
  virtual HRESULT get_Caption(BSTR* pstr) = 0;
  virtual HRESULT put_Caption(BSTR str) = 0;
  virtual HRESULT get_Help(BSTR* pstr) = 0;  // 20
  virtual HRESULT put_Help(BSTR str) = 0;
  virtual HRESULT get_Default(BSTR* pstr) = 0;
  virtual HRESULT put_Default(BSTR str) = 0;
  virtual HRESULT get_Required(LONG* pnMode) = 0;
  virtual HRESULT put_Required(LONG nMode) = 0;  // 25
  virtual HRESULT get_Visible(VARIANT_BOOL* pbVisible) = 0;
  virtual HRESULT put_Visible(VARIANT_BOOL bVisible) = 0;
  virtual HRESULT get_Results(LONG* pnResults) = 0;
  virtual HRESULT put_Results(LONG nResults) = 0;
  virtual HRESULT get_Bold(LONG* pnBold) = 0;  // 30
  virtual HRESULT put_Bold(LONG nBold) = 0;
  virtual HRESULT AddDependent(IDispatch* pPoint) = 0;
  virtual HRESULT UpdateDependents() = 0;
  virtual HRESULT get_VariantValue(VARIANT* pvValue) = 0;
  virtual HRESULT put_VariantValue(VARIANT vValue) = 0;  // 35
  virtual HRESULT SaveSketchImage(VARIANT vValue, BSTR bsFilename) = 0;
  virtual HRESULT SaveSketchImageEx(IDispatch* pSession, BSTR bsFilename) = 0;
  virtual HRESULT GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                  BSTR* pstrOutput) = 0;
  virtual HRESULT get_DesignImageListIndex(LONG* pnIndex) = 0;
  virtual HRESULT get_AsXML(BSTR* pstrXML) = 0;  // 40
};

// Bitmaps (IImageService.LoadImage, IApplication.LoadImage) are 24-bit pictures handed out as a
// handle: a QImage* (QImage::Format_RGB888) that the caller owns and gives back with
// QltDeleteBitmap; draw it with QPainter::drawImage (a library links the same Qt 6 as the client).
// LoadImage flags: turn the result a quarter counter-clockwise after resizing, and resize by
// nearest-neighbour sampling instead of area averaging. A width or height of 0 keeps the
// picture's own size.
constexpr LONG kQltImageRotateCounterClockwise = 0x1;
constexpr LONG kQltImageNearestNeighbour = 0x2;
extern "C" void QltDeleteBitmap(LONGLONG hBitmap);

// Decodes Windows bitmap files (4, 8 and 24 bits per pixel) and JPEG images (turned upright by
// their EXIF orientation). Made by IApplication.CreateImageService; each object is independent.
// It also answers IDispatch, where LoadImage takes the bytes as a byte array (VT_UI1 | VT_ARRAY).
struct IImageService : IUnknown {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{C9DC8F8F-D043-4BAA-A5B6-DC78E5D21C7C}");
  // E_FAIL when the bytes are no readable picture (fewer than 3, a damaged or unsupported file).
  virtual HRESULT LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight,
                            LONG nFlags, LONGLONG* phBitmap) = 0;  // 3
};

struct IApplication : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{9D280542-F97D-4C27-ACFA-3D5D25C835C1}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Version(BSTR* pstrVersion) = 0;
  virtual HRESULT get_Projects(IDispatch** ppProjects) = 0;
  virtual HRESULT get_Devices(IDispatch** ppDevices) = 0;  // 10
  virtual HRESULT get_DesignImageList(LONGLONG* phImageList) = 0;
  virtual HRESULT MsgBox(BSTR strMessage) = 0;
  virtual HRESULT Print(BSTR strMessage) = 0;
  virtual HRESULT CreateImageService(IUnknown** ppService) = 0;
  // Decodes through the application's one image service (see IImageService.LoadImage);
  // RPC_E_WRONG_THREAD (0x8001010E) off the thread that made the application object.
  virtual HRESULT LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight,
                            LONG nFlags, LONGLONG* phBitmap) = 0;  // 15
  virtual HRESULT GetLanguageString(BSTR strKey, BSTR* pstrValue) = 0;
  virtual HRESULT get_HighDPI(VARIANT_BOOL* pbHighDPI) = 0;
  virtual HRESULT get_Path(BSTR* pstrPath) = 0;
  virtual HRESULT ClearManagementDelegate() = 0;
  virtual HRESULT SetManagementDelegate(IDispatch* pDelegate) = 0;  // 20
  virtual HRESULT ListProjectsOnDevice(BSTR sUnitID) = 0;
  virtual HRESULT RemoveAllProjectsFromDevice(BSTR sUnitID) = 0;
  virtual HRESULT DisconnectDevice(BSTR sUnitID) = 0;
  virtual HRESULT get_Users(IDispatch** ppUsers) = 0;  // 24
};

struct IProjects : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{69FEB361-060A-45BA-BB3A-1F6616E95870}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;
  virtual HRESULT get_Item(VARIANT vIndex, IDispatch** ppProject) = 0;
  virtual HRESULT get_Count(LONG* pnCount) = 0;  // 10
  virtual HRESULT Create(BSTR strName, IDispatch** ppProject) = 0;
  virtual HRESULT Open(BSTR strName, IDispatch** ppProject) = 0;
  virtual HRESULT GetProjectByFileName(BSTR strFilename, IDispatch** ppProject) = 0;
  virtual HRESULT GetProjectByUnique(LONG nUnique, IDispatch** ppProject) = 0;
  virtual HRESULT ImportFromXML(BSTR strName, IDispatch** ppProject) = 0;  // 15
};

struct ISession : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{36B44B0D-3057-44F1-84F4-9D6C8A4A05AB}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;
  virtual HRESULT get_Item(VARIANT vIndex, VARIANT* pvValue) = 0;  // 10
  virtual HRESULT put_Item(VARIANT vIndex, VARIANT vValue) = 0;
  virtual HRESULT get_Count(LONG* pnCount) = 0;
  virtual HRESULT get_Key(LONG nIndex, BSTR* pstrKey) = 0;
  virtual HRESULT get_Value(LONG nIndex, BSTR* pstrValue) = 0;
  virtual HRESULT get_UnitID(BSTR* pstrUnitID) = 0;  // 15
  virtual HRESULT put_UnitID(BSTR strUnitID) = 0;
  virtual HRESULT get_Name(BSTR* pstrName) = 0;
  virtual HRESULT put_Name(BSTR strName) = 0;
  virtual HRESULT get_Date(DATE* pdtDate) = 0;
  virtual HRESULT put_Date(DATE dtDate) = 0;  // 20
  virtual HRESULT get_LastSaved(DATE* pdtSaved) = 0;
  virtual HRESULT put_LastSaved(DATE dtSaved) = 0;
  virtual HRESULT get_Archived(VARIANT_BOOL* pbArchived) = 0;
  virtual HRESULT put_Archived(VARIANT_BOOL bArchived) = 0;
  virtual HRESULT get_GUID(BSTR* pstrGUID) = 0;  // 25
  virtual HRESULT get_Marked(VARIANT_BOOL* pbMarked) = 0;
  virtual HRESULT put_Marked(VARIANT_BOOL bMarked) = 0;
  virtual HRESULT Clone(IDispatch** ppSession) = 0;
  virtual HRESULT Save(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT Delete(VARIANT_BOOL* pbSuccess) = 0;  // 30
  virtual HRESULT SendToClient(BSTR strUnitID, VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT SendToLocal(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT SendToAll(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT GetDecodedItem(VARIANT vIndex, VARIANT* pvValue) = 0;
  virtual HRESULT get_State(LONG* pnState) = 0;  // 35
  virtual HRESULT put_State(LONG nState) = 0;    // 36
};

struct IDatabase : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{11A33C92-6807-47CC-973F-EB911D4E180A}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;
  virtual HRESULT get_Item(VARIANT vIndex, IDispatch** ppSession) = 0;  // 10
  virtual HRESULT get_Count(LONG* pnCount) = 0;
  virtual HRESULT Add(IDispatch** ppSession) = 0;
  virtual HRESULT SaveToFile(VARIANT vValue, BSTR strFilename, VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT LoadFromFile(BSTR strFilename, VARIANT* pvValue) = 0;
  virtual HRESULT IsFileValue(VARIANT vValue, VARIANT_BOOL* pbFile) = 0;  // 15
  virtual HRESULT GetFileName(VARIANT vValue, BSTR* pstrName) = 0;
  virtual HRESULT Query(BSTR strStates, BSTR strFilterColumn, BSTR strFilterValue,
                        BSTR strSortColumn, VARIANT_BOOL bSortNumeric, VARIANT_BOOL bSortDescending,
                        VARIANT arrColumns, VARIANT* parrResults) = 0;  // 17
};

// A telegram: named values one unit sends to the others of the same project through the server.
struct ITelegram : IDispatch {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{1B1BBC81-EA9F-42C5-8635-1F953FFED1D2}");
  virtual HRESULT get_Application(IDispatch** ppApplication) = 0;  // 7
  virtual HRESULT get_Project(IDispatch** ppProject) = 0;
  virtual HRESULT get__NewEnum(IUnknown** ppEnum) = 0;
  virtual HRESULT get_Item(VARIANT vIndex, VARIANT* pvValue) = 0;  // 10
  virtual HRESULT put_Item(VARIANT vIndex, VARIANT vValue) = 0;
  virtual HRESULT get_Count(LONG* pnCount) = 0;
  virtual HRESULT get_Key(LONG nIndex, BSTR* pstrKey) = 0;
  virtual HRESULT get_Value(LONG nIndex, VARIANT* pvValue) = 0;
  virtual HRESULT get_UnitID(BSTR* pstrUnitID) = 0;  // 15
  virtual HRESULT Clone(IDispatch** ppTelegram) = 0;
  virtual HRESULT SendToServer(VARIANT_BOOL* pbSuccess) = 0;
  virtual HRESULT SendToClient(BSTR strUnitID, VARIANT_BOOL* pbSuccess) = 0;  // 18
};

// Repeating timers for custom points (automation-only interfaces, members from slot 3). The
// application answers to ITWKFTimerSource; a timer's ticks reach its sink on the UI thread.
struct ITWKFTimerSink : IUnknown {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{32BCE58A-B517-4B78-B2A7-65050B00E298}");
  virtual HRESULT OnTimerSink(LONG hTimer) = 0;  // 3
};

struct ITWKFTimerSource : IUnknown {
  static constexpr IID kIid =
      qlt::automation::GuidLiteral("{DFF90983-5E3D-4F13-8E3A-41A3226BD124}");
  // Starts a timer of nDuration milliseconds that calls pSink until it is deleted; *phTimer is its
  // number (50 or more).
  virtual HRESULT CreateTimer(LONG nDuration, ITWKFTimerSink* pSink, LONG* phTimer) = 0;  // 3
  // S_FALSE when no timer has that number.
  virtual HRESULT DeleteTimer(LONG hTimer) = 0;
};

namespace qlt::automation {
// The type library "TWKF" 1.3 and the classes it describes.
inline constexpr GUID kTypeLibraryId = GuidLiteral("{E67499E5-7114-4BA2-9F08-5EFBDB42D0FC}");
inline constexpr CLSID kApplicationClassId = GuidLiteral("{30D64577-4EAB-4321-BCD7-46A8CF47B57D}");
inline constexpr CLSID kTelegramClassId = GuidLiteral("{513B4A25-991A-4B3A-B4CD-716125A462DF}");
}  // namespace qlt::automation

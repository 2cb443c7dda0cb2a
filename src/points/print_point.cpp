#include "points/print_point.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "project/display_scale.h"
#include "qlt_automation.h"
#include "values/abi_values.h"
#include "values/variant_ops.h"

namespace {

constexpr GUID kClassId = qlt::automation::GuidLiteral("{DE28C520-D05E-44BA-B5C8-1021384A7ACA}");

const CPointTypeRegistration kPrint(
    BuiltInControlType(200, "{DE28C520-D05E-44BA-B5C8-1021384A7ACA}", "TWKF.Print", "Print",
                       "Print from mobile device", 232, 15, &CreateBuiltInControl<CPrintPoint>));

// The session's members by their fixed dispatch identifiers, so the control needs no more of the
// session than an outside one would.
// More chunks than a text can hold.
constexpr int32_t kMaxChunks = 32768;

constexpr DISPID kSessionUnitId = 0xa;
constexpr DISPID kSessionDate = 0xc;
constexpr DISPID kSessionGuid = 0xf;

// An interface reference released when it goes.
template <class T>
class CRef {
 public:
  CRef() = default;
  ~CRef() {
    if (m_p != nullptr) m_p->Release();
  }
  CRef(const CRef&) = delete;
  CRef& operator=(const CRef&) = delete;
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  T** Out() { return &m_p; }
  void** Raw() { return reinterpret_cast<void**>(&m_p); }
  // The same object as `T2`, or an empty reference.
  template <class T2>
  void As(IUnknown* object) {
    if (object == nullptr || FAILED(object->QueryInterface(T2::kIid, Raw()))) m_p = nullptr;
  }

 private:
  T* m_p = nullptr;
};

class CVar {
 public:
  CVar() { VariantInit(&v); }
  ~CVar() { VariantClear(&v); }
  CVar(const CVar&) = delete;
  CVar& operator=(const CVar&) = delete;
  VARIANT v;
};

QString TakeText(BSTR text) {
  const QString result = TextFromBstr(text);
  SysFreeString(text);
  return result;
}

// "a.b.c.d" at least 4.3.2.0, the four numbers compared in order.
bool KnowsLanguageStrings(const QString& version) {
  const QStringList parts = version.split(QLatin1Char('.'));
  static constexpr int kSince[] = {4, 3, 2, 0};
  for (int i = 0; i < 4; ++i) {
    const int part = i < parts.size() ? parts[i].toInt() : 0;
    if (part != kSince[i]) return part > kSince[i];
  }
  return true;
}

QString DefaultText(const char* key, const char* fallback) {
  QString text;
  if (!CLanguage::Instance().Lookup(QString::fromLatin1(key), text)) {
    text = QString::fromLatin1(fallback);
  }
  return text;
}

}  // namespace

CPrintPoint::CPrintPoint() : CBuiltInControl(kClassId) {}

void CPrintPoint::LoadProperties(const CBagReader& bag) {
  m_templateName = bag.Text("TemplateName");
  m_folder = bag.Text("Folder");
  m_filename = bag.Text("Filename", QStringLiteral("%uuid%.htm"));
  m_emailTo = bag.Text("EmailTo");
  m_emailSubject = bag.Text("EmailSubject");
  m_emailBody = bag.Text("EmailBody");
  m_print = bag.Int("Print");
  m_template.clear();
  // A missing chunk adds nothing; a count no template can reach is not looked up whole.
  const int32_t chunks = std::min(bag.Int("TemplateChunks"), kMaxChunks);
  for (int32_t i = 0; i < chunks; ++i) {
    m_template += bag.Text(("TemplateChunk" + QByteArray::number(i)).constData());
  }
}

void CPrintPoint::SaveProperties(CBagWriter& bag) const {
  bag.Text("TemplateName", m_templateName);
  bag.Text("Folder", m_folder);
  bag.Text("Filename", m_filename);
  bag.Text("EmailTo", m_emailTo);
  bag.Text("EmailSubject", m_emailSubject);
  bag.Text("EmailBody", m_emailBody);
  bag.Int("Print", m_print);
  const QStringList chunks = PrintDocument::SplitChunks(m_template);
  bag.Int("TemplateChunks", static_cast<int32_t>(chunks.size()));
  for (qsizetype i = 0; i < chunks.size(); ++i) {
    bag.Text(("TemplateChunk" + QByteArray::number(i)).constData(), chunks[i]);
  }
}

HRESULT CPrintPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  const HRESULT hr = CBuiltInControl::GetHeight(hDC, nWidth, pnHeight);
  if (SUCCEEDED(hr) && pnHeight != nullptr) *pnHeight += kBand * CDisplayScale::Factor();
  return hr;
}

void CPrintPoint::FetchLabels() {
  if (m_labels) return;
  m_labels = true;
  m_printLabel = DefaultText("Point.Print.OutputPrint", "Print");
  m_emailLabel = DefaultText("Point.Print.OutputEmail", "Email");
  IDispatch* dispatch = nullptr;
  if (Site() == nullptr || FAILED(Site()->GetApplication(&dispatch))) return;
  CRef<IApplication> application;
  application.As<IApplication>(dispatch);
  if (dispatch != nullptr) dispatch->Release();
  BSTR version = nullptr;
  if (!application || FAILED(application->get_Version(&version)) ||
      !KnowsLanguageStrings(TakeText(version))) {
    return;
  }
  const auto fetch = [&application](const QString& key, QString& label) {
    BSTR name = BstrFromText(key);
    BSTR text = nullptr;
    if (application->GetLanguageString(name, &text) == S_OK) label = TakeText(text);
    SysFreeString(name);
  };
  fetch(QStringLiteral("Point.Print.OutputPrint"), m_printLabel);
  fetch(QStringLiteral("Point.Print.OutputEmail"), m_emailLabel);
}

HRESULT CPrintPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  const HRESULT hr = CBuiltInControl::Paint(hDC, pRect);
  if (FAILED(hr) || hDC == nullptr || pRect == nullptr) return hr;
  FetchLabels();
  const int s = CDisplayScale::Factor();
  const QRect point = FromAbi(*pRect);
  const int top = std::max(point.top(), point.bottom() + 1 - kBand * s);
  const int middle = point.left() + point.width() / 2;
  const QRect left(QPoint(point.left(), top), QPoint(middle - 2 * s - 1, point.bottom()));
  const QRect right(QPoint(middle + 2 * s, top), point.bottomRight());
  hDC->save();
  hDC->setRenderHint(QPainter::Antialiasing, true);
  hDC->setFont(CDisplayScale::NormalFont());
  for (const auto& [rect, label] :
       {std::pair{left, m_printLabel}, std::pair{right, m_emailLabel}}) {
    QPainterPath button;
    button.addRoundedRect(QRectF(rect), 4 * s, 4 * s);
    hDC->fillPath(button, QColor(208, 208, 208));
    hDC->setPen(Qt::black);
    hDC->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, label);
  }
  hDC->restore();
  return hr;
}

HRESULT CPrintPoint::OnTap(LONG x, LONG y) {
  const QRect point = Rect();
  if (y <= point.bottom() - kBand * CDisplayScale::Factor()) return CBuiltInControl::OnTap(x, y);
  if (x < point.left() + point.width() / 2) Produce();
  return S_OK;
}

PrintDocument::SessionFacts CPrintPoint::Session() const {
  PrintDocument::SessionFacts facts;
  IDispatch* dispatch = nullptr;
  if (Site() == nullptr || FAILED(Site()->GetProject(&dispatch))) return facts;
  CRef<IProject> project;
  project.As<IProject>(dispatch);
  if (dispatch != nullptr) dispatch->Release();
  CRef<IDispatch> session;
  if (project && SUCCEEDED(project->get_CurrentSession(session.Out())) && session) {
    const auto get = [&session](DISPID member, VARTYPE type, CVar& out) {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      CVar raw;
      return SUCCEEDED(session->Invoke(member, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &raw.v,
                                       nullptr, nullptr)) &&
             SUCCEEDED(CoerceAbi(raw.v, type, &out.v));
    };
    CVar guid, date, unit;
    if (get(kSessionGuid, VT_BSTR, guid)) facts.guid = TextFromBstr(guid.v.bstrVal);
    if (get(kSessionDate, VT_DATE, date)) facts.date = DateTimeFromOleDate(date.v.date);
    if (get(kSessionUnitId, VT_BSTR, unit)) facts.unitId = TextFromBstr(unit.v.bstrVal);
    return facts;
  }
  // A host without the session object still fills in the session's identifier and this unit.
  const QString guid = ResolveValue(QStringLiteral("<%_GUID%>"));
  if (guid.isEmpty() || guid == QStringLiteral("_GUID")) return facts;
  facts.guid = guid;
  facts.unitId = ResolveValue(QStringLiteral("<%_UnitID%>"));
  return facts;
}

QString CPrintPoint::PointOutput(const QString& name, const QString& baseFile) const {
  IDispatch* dispatch = nullptr;
  if (Site() == nullptr || name.isEmpty() || FAILED(Site()->GetProject(&dispatch))) return {};
  CRef<IProject> project;
  project.As<IProject>(dispatch);
  if (dispatch != nullptr) dispatch->Release();
  if (!project) return {};
  BSTR pointName = BstrFromText(name);
  CRef<IDispatch> found;
  const HRESULT hr = project->get_Points(pointName, found.Out());
  SysFreeString(pointName);
  CRef<IPoint> point;
  if (SUCCEEDED(hr)) point.As<IPoint>(found.Get());
  CVar value;
  if (!point || FAILED(point->get_VariantValue(&value.v)) || value.v.vt == VT_EMPTY ||
      value.v.vt == VT_NULL) {
    return {};
  }
  BSTR base = BstrFromText(baseFile);
  BSTR output = nullptr;
  const HRESULT written = point->GetOutputString(value.v, base, 0, &output);
  SysFreeString(base);
  const QString text = TakeText(output);
  return SUCCEEDED(written) ? text : QString();
}

QString CPrintPoint::Produce() {
  const PrintDocument::SessionFacts session = Session();
  const QString name = PrintDocument::FileName(
      m_filename, session, [this](const QString& point) { return PointOutput(point, {}); });
  const QString path = PrintDocument::OutputPath(m_folder, name, QDir::tempPath());
  const QString html = PrintDocument::WithoutScripts(PrintDocument::Fill(
      m_template, [this, &path](const QString& point) { return PointOutput(point, path); }));
  if (name.isEmpty() || !PrintDocument::Write(path, html)) {
    CServices::Instance().Messages().ShowMessage(
        DefaultText("Point.Print.CantOpen", "Unable to create output file: ") +
            QDir::toNativeSeparators(path),
        kMbIconExclamation);
    return QString();
  }
  CShell& shell = CServices::Instance().Shell();
  if (m_print == 0 || !shell.PrintFile(path)) shell.Open(path);
  return path;
}

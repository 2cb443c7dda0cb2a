// Pictures decoded for custom points: IApplication.LoadImage through the vtable, the image
// services CreateImageService makes through Invoke by name, the bitmap handles they hand out, and
// the application's own service refusing other threads.
#include <gtest/gtest.h>

#include <QFile>
#include <thread>

#include "app/image_services.h"
#include "automation/automation_root.h"
#include "dispatch_support.h"
#include "qlt_automation.h"
#include "support/scoped_services.h"

namespace {

using namespace qlt::test;

QByteArray Sample(const char* name) {
  QFile file(QStringLiteral(QLT_TEST_DATA_DIR "/thirdparty/") + QLatin1String(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Takes the bitmap of a handle (null for 0) and gives the handle back.
QImage Take(LONGLONG handle) {
  if (handle == 0) return QImage();
  const QImage image = *reinterpret_cast<QImage*>(static_cast<intptr_t>(handle));
  QltDeleteBitmap(handle);
  return image;
}

class ImageServiceAutomation : public ::testing::Test {
 protected:
  void SetUp() override { m_application = static_cast<IApplication*>(m_root.ApplicationFacet()); }
  void TearDown() override {
    m_application->Release();
    EXPECT_EQ(m_root.LiveFacets(), 0);
  }

  CScopedServices m_services;
  CAutomationRoot m_root;
  IApplication* m_application = nullptr;
};

TEST_F(ImageServiceAutomation, ApplicationDecodesRealPicturesAndRefusesDamagedOnes) {
  const struct {
    const char* file;
    int bytes;  // 0: the whole file
    LONG width, height, flags;
    HRESULT hr;
    QSize size;
  } cases[] = {
      {"jpeg/Landscape_6.jpg", 0, 0, 0, 0, S_OK, {1800, 1200}},  // turned upright by its EXIF
      {"jpeg/Landscape_1.jpg", 0, 180, 120, kQltImageRotateCounterClockwise, S_OK, {120, 180}},
      {"jpeg/derived/Landscape_3_truncated.jpg", 0, 0, 100, 0, S_OK, {1800, 1200}},
      {"bmp/g/pal8.bmp", 0, 64, 32, kQltImageNearestNeighbour, S_OK, {64, 32}},
      {"bmp/g/rgb24.bmp", 0, 0, 0, 0, S_OK, {127, 64}},
      {"bmp/g/rgb16.bmp", 0, 0, 0, 0, E_FAIL, {0, 0}},        // a depth not read
      {"bmp/b/badbitcount.bmp", 0, 0, 0, 0, E_FAIL, {0, 0}},  // damaged header
      {"bmp/g/rgb24.bmp", 53, 0, 0, 0, E_FAIL, {0, 0}},       // shorter than its headers
      {"jpeg/Landscape_1.jpg", 2, 0, 0, 0, E_FAIL, {0, 0}},
      {"jpeg/Landscape_1.jpg", 0, -1, 10, 0, E_INVALIDARG, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QByteArray file = Sample(c.file);
    ASSERT_FALSE(file.isEmpty());
    const QByteArray bytes = c.bytes ? file.left(c.bytes) : file;
    LONGLONG handle = -1;
    EXPECT_EQ(m_application->LoadImage(reinterpret_cast<const BYTE*>(bytes.constData()),
                                       static_cast<LONG>(bytes.size()), c.width, c.height, c.flags,
                                       &handle),
              c.hr);
    const QImage image = Take(handle);
    EXPECT_EQ(image.size(), c.size);
    if (c.hr != S_OK) continue;
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    // The handle carries the decoder's picture unchanged.
    EXPECT_EQ(image, CImageServices().LoadImage(bytes, c.width, c.height, c.flags));
  }
  LONGLONG handle = 0;
  EXPECT_EQ(m_application->LoadImage(nullptr, 100, 0, 0, 0, &handle), E_POINTER);
}

TEST_F(ImageServiceAutomation, ImageServicesAreReachedByNameAndHandOutTheirOwnBitmaps) {
  CallResult created = Method(m_application, QStringLiteral("CreateImageService"));
  ASSERT_EQ(created.hr, S_OK);
  ASSERT_EQ(created.result.v.vt, VT_UNKNOWN);
  IUnknown* object = created.result.v.punkVal;
  void* raw = nullptr;
  ASSERT_EQ(object->QueryInterface(IImageService::kIid, &raw), S_OK);
  auto* typed = static_cast<IImageService*>(raw);
  // One identity behind both faces.
  ASSERT_EQ(typed->QueryInterface(IID_IDispatch, &raw), S_OK);
  auto* service = static_cast<IDispatch*>(raw);
  ASSERT_EQ(typed->QueryInterface(IID_IUnknown, &raw), S_OK);
  EXPECT_EQ(raw, static_cast<void*>(service));
  static_cast<IUnknown*>(raw)->Release();

  const QByteArray photo = Sample("jpeg/Landscape_6.jpg");
  const OwnedVariant bytes(CVariant::FromBytes(photo));
  const LONG size = static_cast<LONG>(photo.size());
  const struct {
    OwnedVariant source;
    LONG length;
    HRESULT hr;
    QSize picture;
  } cases[] = {
      {bytes, size, S_OK, {90, 60}},
      {bytes, size + 1, E_INVALIDARG, {0, 0}},  // more bytes than the array holds
      {bytes, 2, E_FAIL, {0, 0}},
      {Arg(QStringLiteral("not a picture")), 13, DISP_E_TYPEMISMATCH, {0, 0}},
      {OwnedVariant(CVariant::FromBytes(Sample("bmp/b/badbitcount.bmp"))), 1086, E_FAIL, {0, 0}},
  };
  for (const auto& c : cases) {
    CallResult r = Method(service, QStringLiteral("LoadImage"),
                          {c.source, Arg(c.length), Arg(90), Arg(60), Arg(0)});
    EXPECT_EQ(r.hr, c.hr) << c.length;
    EXPECT_EQ(Take(r.result.v.vt == VT_I8 ? r.result.v.llVal : 0).size(), c.picture);
  }
  // A caller that takes no result is handed no bitmap to lose (the sanitizer run would see it).
  const OwnedVariant zero = Arg(0);
  VARIANT reversed[] = {zero.v, zero.v, zero.v, Arg(size).v, bytes.v};
  DISPPARAMS params{reversed, nullptr, 5, 0};
  EXPECT_EQ(service->Invoke(0x2b, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  CallResult byName = Method(m_application, QStringLiteral("LoadImage"),
                             {bytes, Arg(size), Arg(0), Arg(0), Arg(0)});
  ASSERT_EQ(byName.hr, S_OK);
  EXPECT_EQ(Take(byName.result.v.llVal).size(), QSize(1800, 1200));

  // The application's service belongs to its thread; an image service of its own does not.
  HRESULT fromApplication = S_OK;
  HRESULT fromService = E_FAIL;
  std::thread other([&] {
    LONGLONG mine = 0;
    fromApplication = m_application->LoadImage(reinterpret_cast<const BYTE*>(photo.constData()),
                                               size, 30, 20, 0, &mine);
    fromService = typed->LoadImage(reinterpret_cast<const BYTE*>(photo.constData()), size, 30, 20,
                                   kQltImageRotateCounterClockwise, &mine);
    EXPECT_EQ(Take(mine).size(), QSize(20, 30));
  });
  other.join();
  EXPECT_EQ(fromApplication, static_cast<HRESULT>(0x8001010E));
  EXPECT_EQ(fromService, S_OK);
  typed->Release();
  service->Release();
}

}  // namespace

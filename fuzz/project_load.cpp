// libFuzzer target: CProject::LoadFromBytes over arbitrary bytes. A damaged file must be refused
// (false, no crash, no huge allocation); a file that loads must save and load again to the same
// shape.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "project/page.h"
#include "project/project.h"

namespace {

// Loading shows its refusals as messages; they are answered as nobody at the screen would.
class CSilentMessageService : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

void InstallQuietServices() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  auto services = std::make_unique<CServices>();
  services->SetMessageService(std::make_unique<CSilentMessageService>());
  CServices::Install(std::move(services));
}

int CountPoints(const CProject& project) {
  int count = 0;
  for (const auto& page : project.Pages()) count += page->PointCount();
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InstallQuietServices();
  CProject project;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!project.LoadFromBytes(bytes)) {
    if (project.PageCount() != 0) std::abort();  // a refused file leaves nothing behind
    return 0;
  }
  const QByteArray saved = project.SaveToBytes();
  CProject again;
  if (!again.LoadFromBytes(saved)) std::abort();  // what we wrote must read
  if (again.PageCount() != project.PageCount()) std::abort();
  if (CountPoints(again) != CountPoints(project)) std::abort();
  return 0;
}

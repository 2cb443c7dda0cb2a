#include "points/time_dialog_service.h"

namespace {

std::unique_ptr<CTimeDialogService>& Slot() {
  static std::unique_ptr<CTimeDialogService> service;
  return service;
}

}  // namespace

CTimeDialogService* CTimeDialogService::Installed() { return Slot().get(); }

std::unique_ptr<CTimeDialogService> CTimeDialogService::Install(
    std::unique_ptr<CTimeDialogService> service) {
  std::swap(Slot(), service);
  return service;
}

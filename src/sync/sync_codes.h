// The command codes and result values of the online phase that the synchronisation run and the
// server requests use (the connection's own pings and push request are in CConnection). Shared by
// the client's run and the local server so that both sides name every code once.
#pragma once

#include <cstdint>

namespace SyncCode {

enum : uint32_t {
  kNewUnitId = 4,
  kUnitIdAcknowledgement = 5,
  kProjectCheck = 11,
  kProjectCheckAnswer = 12,
  kProjectUpdateRequest = 13,
  kProjectFile = 14,
  kProjectFileReceipt = 15,
  kSession = 21,
  kSessionAcknowledgement = 22,
  kPushedSession = 23,
  kPushedSessionReceipt = 24,
  kRequestPushed = 32,
  kEndOfPushed = 33,
  kProjectInventoryRequest = 70,
  kProjectInventory = 71,
  kRemoveProject = 72,
  kProjectRemovalResult = 73,
  kFetchProjectFile = 76,
  kProjectFileUpload = 77,
};

// Status of a project check answer and of a session acknowledgement.
enum : uint16_t {
  kAccepted = 0,
  kProjectNotOpen = 3,
  kProjectLocked = 4,
  kProjectUnavailable = 5,
  kAcceptedUpdateAvailable = 6,  // project check answer only
};

// Results the client answers with (receipts, removal, upload).
enum : uint16_t {
  kResultOk = 0,
  kResultRefused = 4,
  kResultNotFound = 7,
};

// The inventory with session counts starts with this 32-bit value and the 8-bit value 1, and
// every inventory ends with the 8-bit value 3.
constexpr uint32_t kInventoryCountsMarker = 10000;
constexpr uint8_t kInventoryEnd = 3;

}  // namespace SyncCode

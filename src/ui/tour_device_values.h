// The values the tour's pictured session holds in its device points, made the way the points
// make them on a machine with the devices: a fix decoded from a receiver's sentences and written
// through the GPS point's "Format" (and into its sub-points), a photo imported as the camera
// point imports one, and a recorded voice clip. UI thread (the tour's).
#pragma once

#include <QDateTime>
#include <QString>

class CProject;
class CSession;

namespace TourDeviceValues {

// Fills every GPS, camera and voice point of `project` in `session`; `recorded` is when the
// clip was recorded. False, with the reason in `error`, when a value could not be made.
bool Fill(const CProject& project, CSession& session, const QDateTime& recorded, QString& error);

}  // namespace TourDeviceValues

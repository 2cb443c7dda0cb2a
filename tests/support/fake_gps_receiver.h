// CFakeGpsReceiver: a GPS receiver for tests: the controlling side of a pseudo-terminal whose
// other side a link in the test's home names, as /dev/serial/by-id links name real receivers.
// Unplugging closes the terminal and removes the link; plugging in makes a new one. The test's
// thread.
#pragma once

#include <QString>
#include <string_view>

namespace qlt::test {

class CFakeGpsReceiver {
 public:
  explicit CFakeGpsReceiver(QString link);
  ~CFakeGpsReceiver();
  CFakeGpsReceiver(const CFakeGpsReceiver&) = delete;
  CFakeGpsReceiver& operator=(const CFakeGpsReceiver&) = delete;

  void PlugIn();
  void Unplug();
  // Writes everything, waiting while the reader empties the terminal; false when it stops
  // reading for good.
  bool Send(std::string_view bytes);

 private:
  QString m_link;
  int m_master = -1;
  int m_slave = -1;
};

}  // namespace qlt::test

// CFrameTour: `quillet --tour DATA_FOLDER OUT_FOLDER` walks the main frame through the road of
// a session on the offscreen platform and writes what the window shows at each stop as a PNG:
// the empty project list of a first start, the project list, the session list after three
// sessions were entered and finished, every page of a new session (pages 2 on named "4-") whose
// device points hold a recorded GPS fix, a photo and a voice clip, and the dialogs a point opens:
// calendar, date and time, time of day, sketch, stopwatch, keypad, file open and save, the GPS
// window and its setup, the barcode scan, the camera window ("5-dialog-*"), then settings and
// synchronisation. For looking at the client without a screen; the settings go to a fresh
// temporary folder so nothing of the user's is touched. Runs on the thread that calls Main, which
// makes the process's application object.
#pragma once

class CFrameTour {
 public:
  // True when the command line asks for the tour (its first argument is "--tour").
  static bool IsTourCommand(int argc, char** argv);
  // 0 on success, else a process status with a message on stderr.
  static int Main(int argc, char** argv);
};

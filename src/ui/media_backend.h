// The media framework's backend, chosen before anything of Qt Multimedia is used: the FFmpeg one
// unless QT_MEDIA_BACKEND already names one. The GStreamer backend needs plugin packages many
// systems lack (a source for the microphone, an AAC encoder), and without them making an audio
// input waits forever, which would freeze the window on a tap of Record; the FFmpeg backend needs
// only the libraries Qt Multimedia is installed with. Call once, first thing in main.
#pragma once

namespace MediaBackend {

void Choose();

}  // namespace MediaBackend

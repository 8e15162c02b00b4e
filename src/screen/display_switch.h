// Stands between the receiver and the window's view, so that the window can
// show a replayed recording in place of the controller's screen. While a
// recording is replayed the link stays up: a backup or a restore in flight
// goes on, and so does a recording of the session. The receiver keeps
// decoding the controller's images, only onto a picture kept aside instead
// of the window's; going back to live puts that picture on the window, so
// the window shows the controller's screen as it is now and the next image
// draws on the right picture.
//
// The view's handover takes pictures from one producer at a time: the
// receiver while live, the replay while replaying, and the switch itself at
// the two changes. A producer call is made only under mutex_, and a
// receiver drawing into the view's picture (between PictureToDraw and
// ShowPicture or DropPicture) keeps every other producer waiting for it.
//
// Threads: the ScreenDisplay calls on the receiver thread; ShowReplayed on
// one replay thread at a time; BeginReplay and EndReplay on the UI thread.
// Everything below is guarded by mutex_.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string_view>

#include "screen/picture_handover.h"
#include "screen/screen_display.h"

namespace corvane {

class DisplaySwitch : public ScreenDisplay {
 public:
  explicit DisplaySwitch(ScreenDisplay& view) : view_(view) {}
  DisplaySwitch(const DisplaySwitch&) = delete;
  DisplaySwitch& operator=(const DisplaySwitch&) = delete;

  // ScreenDisplay, receiver thread: into the view while live, aside while
  // replaying. The status text always goes to the view: it counts what the
  // link does, and a backup's progress stays in sight.
  Pixel* PictureToDraw() override;
  void ShowPicture(const ChangedRegion& changed, int rows_decoded) override;
  void DropPicture(const ChangedRegion& written) override;
  void ShowStatusText(std::string_view text) override { view_.ShowStatusText(text); }

  // UI thread. From now on the controller's pictures are kept aside and
  // the window shows what ShowReplayed hands it. Waits for nothing: a
  // receiver busy drawing into the view finishes first, then the live
  // picture is put aside.
  void BeginReplay();
  // The replay's thread. Shows `pixels` (a whole picture) on the window.
  // False, with nothing shown, once the replay has ended. May wait for the
  // receiver to finish the one live image it was drawing when the replay
  // began.
  bool ShowReplayed(const Pixel* pixels);
  // UI thread. The window shows the controller's latest picture again, now
  // or, when the receiver is drawing aside, the moment it is done.
  void EndReplay();
  bool Replaying() const;

 private:
  enum class Target { kNone, kView, kAside };
  void PutLiveAside();  // under mutex_, the receiver not on the view
  void ShowLive();      // under mutex_, the receiver not aside

  ScreenDisplay& view_;
  mutable std::mutex mutex_;
  std::condition_variable receiver_left_view_;
  // The controller's pictures while replaying, each taken the moment it is
  // given, so Shown() is the latest.
  PictureHandover aside_;
  bool replaying_ = false;
  // The receiver's picture since PictureToDraw.
  Target receiver_ = Target::kNone;
  // The live picture is to go aside once the receiver leaves the view.
  bool aside_pending_ = false;
  // The window shows a replayed picture; the live one is to go back once the
  // receiver is not drawing aside.
  bool view_replayed_ = false;
  bool live_pending_ = false;
};

}  // namespace corvane

// The modal property window that places a new source (a span of a media file
// or a still image) on a track or edits one: parent group and track, name,
// Locked and Muted, timeline times, the media file and its stream, the media
// times and the stretch mode. OK writes; Cancel writes nothing.
//
// Calling pattern: construct; ModifyStyle to remove WS_VISIBLE; Create;
// SetObject; SetDefaultTimes for a new source; CenterOn; ShowModal; result 1
// means the timeline was changed; Destroy(true).
#pragma once

#include <cstdint>

#include "ComPtr.h"
#include "DialogWindow.h"
#include "EditingServices.h"
#include "MediaStreams.h"

class CheckBox;
class ComboBox;
class EditBox;
class PropertyWindowShape;
class TimeEdit;

class WndTLSource : public DialogWindow {
 public:
  WndTLSource();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // On OK writes the source; -1 keeps the window open.
  int QueryClose() override;

  // object null for a new source; groupIndex and trackIndex where the source
  // is (-1 when unknown). Fills every control.
  void SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex, long trackIndex);
  // A new source's start (interface time); its stop follows the chosen stream.
  void SetDefaultTimes(int64_t time);
  // What the browse button does once a file is chosen: shows the path,
  // examines the file, lists its streams, and says so when it is not media.
  void OpenMediaFile(const wchar_t* path);
  HRESULT DetectMedia(const wchar_t* path) { return streams_.DetectMedia(path); }

  const MediaStreams& Streams() const { return streams_; }
  ComboBox* GroupChoice() const { return groupChoice_; }
  ComboBox* TrackChoice() const { return trackChoice_; }
  EditBox* NameField() const { return nameField_; }
  CheckBox* LockedBox() const { return lockedBox_; }
  CheckBox* MutedBox() const { return mutedBox_; }
  TimeEdit* StartField() const { return startField_; }
  TimeEdit* StopField() const { return stopField_; }
  EditBox* FileField() const { return fileField_; }
  Button* BrowseButton() const { return browseButton_; }
  ComboBox* StreamChoice() const { return streamChoice_; }
  TimeEdit* MediaStartField() const { return mediaStartField_; }
  TimeEdit* MediaStopField() const { return mediaStopField_; }
  ComboBox* StretchChoice() const { return stretchChoice_; }

 private:
  void BuildControls();
  void BuildMediaControls(PropertyWindowShape& shape);
  void Browse();
  void ShowUnrecognized(const wchar_t* path, HRESULT result);
  bool MediaTimesFit();
  void Load();
  void OnGroupChange();
  void FillStreamChoice(long wanted);
  void OnStreamChange();
  const StreamInfo* SelectedStream() const;
  long SourceStreamNumber() const;
  void EnableOk(bool enable);
  bool OkEnabled() const;
  ComPtr<IAMTimelineTrack> TrackAt(long groupIndex, long trackIndex) const;
  bool WriteSource();
  bool CreateSource();
  void WriteMedia();
  bool MoveTo(IAMTimelineTrack* target, long groupIndex, long trackIndex);

  IAMTimeline* timeline_ = nullptr;  // the project's; not owned
  ComPtr<IAMTimelineObj> object_;
  ComPtr<IAMTimelineSrc> source_;
  bool newSource_ = true;
  long initialGroup_ = -1;
  long initialTrack_ = -1;
  GUID groupMediaType_ = GUID_NULL;
  MediaStreams streams_;

  // Children of the window, which owns them.
  ComboBox* groupChoice_ = nullptr;
  ComboBox* trackChoice_ = nullptr;
  EditBox* nameField_ = nullptr;
  CheckBox* lockedBox_ = nullptr;
  CheckBox* mutedBox_ = nullptr;
  TimeEdit* startField_ = nullptr;
  TimeEdit* stopField_ = nullptr;
  EditBox* fileField_ = nullptr;
  Button* browseButton_ = nullptr;
  ComboBox* streamChoice_ = nullptr;
  TimeEdit* mediaStartField_ = nullptr;
  TimeEdit* mediaStopField_ = nullptr;
  ComboBox* stretchChoice_ = nullptr;
};

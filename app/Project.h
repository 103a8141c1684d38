// The project life cycle: new, open, save, save as, the file path, the title
// and the modified flag with its question before the project is replaced.
#pragma once

#include "EditingServices.h"
#include "UndoHistory.h"

// What the project needs from the window it belongs to.
class ProjectHost {
 public:
  virtual HWND ProjectWindow() = 0;
  // Owner of the open error message: the splash while start-up runs.
  virtual HWND MessageOwner() = 0;
  virtual void ShowTitle(const wchar_t* title) = 0;
  virtual void ShowModifiedMark(bool modified) = 0;
  // The timeline was replaced or changed: rebuild the view (and the preview).
  virtual void TimelineReplaced(bool reopened) = 0;

 protected:
  ~ProjectHost() = default;
};

class Project {
 public:
  explicit Project(ProjectHost& host) : host_(host) {}

  void SetTimeline(IAMTimeline* timeline) { timeline_ = timeline; }  // not owned

  // 0 done or the question cancelled; -1 the question's save failed or no timeline.
  int New();
  // path null asks with the open dialog. 0 opened (or the question cancelled),
  // 1 the dialog cancelled, -1 otherwise.
  int Open(const wchar_t* path);
  // 0 written, 1 the dialog cancelled, -1 no timeline or the write failed.
  int Save(bool saveAs);
  // After every change to the timeline: marks the project and keeps the step.
  void MarkModified();
  // One step back or forward, marking the project modified; false when there
  // is no step. New and Open forget every step.
  bool Undo();
  bool Redo();
  const UndoHistory& History() const { return history_; }
  // The question before replacing or closing a modified project: IDCANCEL
  // refuses, anything else lets the operation go on. Asks only when modified.
  int AskBeforeReplacing();

  bool Modified() const { return modified_; }
  const wchar_t* Path() const { return path_; }

 private:
  bool AskFileName(bool save, wchar_t* name, wchar_t* title);
  void SetTitleFor(const wchar_t* fileTitle);
  void ClearModified();
  void ShowOpenError(const wchar_t* name, HRESULT result);
  bool TakeStep(HRESULT result);

  ProjectHost& host_;
  IAMTimeline* timeline_ = nullptr;
  wchar_t path_[MAX_PATH] = {};
  bool modified_ = false;
  UndoHistory history_;
};

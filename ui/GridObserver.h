// What a grid's owner is told. The grid calls an operation only when its bit
// is set in mask.
#pragma once

#include <windows.h>

#include <cstdint>

class GridControl;
class Window;

constexpr uint32_t kGridNotifySelection = 1;     // OnSelectionChanged
constexpr uint32_t kGridNotifyBeginEdit = 2;     // OnBeginEdit before the default editor is made
constexpr uint32_t kGridNotifyEditorMade = 4;    // OnBeginEdit once an editor exists, before it shows
constexpr uint32_t kGridNotifyEndEdit = 8;       // OnEndEdit
constexpr uint32_t kGridNotifyRowDeleted = 16;   // OnRowDeleted
constexpr uint32_t kGridNotifyKey = 32;          // OnKey

class GridObserver {
 public:
  explicit GridObserver(uint32_t notifications = 0) : mask(notifications) {}
  virtual ~GridObserver() = default;

  // After the selection moved and the grid was invalidated.
  virtual void OnSelectionChanged(GridControl*) {}
  // A negative answer (to the first call) refuses editing. The observer may
  // store an editor of its own, created hidden as a child of the grid, in
  // *editor; the grid then owns it.
  virtual int OnBeginEdit(GridControl*, Window** /*editor*/) { return 0; }
  // Before the editor is destroyed. On a commit the cell already holds the
  // editor's text, so the observer can check, convert or replace it.
  virtual void OnEndEdit(GridControl*, Window* /*editor*/, bool /*commit*/) {}
  // Before the row's cells are freed; the row is still readable.
  virtual void OnRowDeleted(GridControl*, int /*row*/) {}
  // Insert and Delete pressed while no editor is open; true when taken.
  virtual bool OnKey(GridControl*, WPARAM /*key*/) { return false; }

  uint32_t mask;
};

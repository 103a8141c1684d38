// The parameter grid of the effect and transition window: one row per catalog
// parameter with its value, start time and interpolation, the in-cell editors
// of those columns, and the transfer to and from an object's property setter.
//
// A parameter with several values takes one row per value: its first row has
// the name and the count, the rows below it continue it (count 0, no name).
// Insert and Delete add and remove such rows.
#pragma once

#include "EditingServices.h"
#include "GridObserver.h"

class ParameterCatalog;
struct ParameterRecord;

class ParameterGrid : public GridObserver {
 public:
  static constexpr int kNameColumn = 0;
  static constexpr int kValueColumn = 1;
  static constexpr int kTimeColumn = 2;
  static constexpr int kInterpolationColumn = 3;

  // The catalog fills the value lists; it may be null.
  explicit ParameterGrid(const ParameterCatalog* catalog);

  // Columns and widths of a created grid; the grid reports to this object.
  void SetUp(GridControl* grid);

  int OnBeginEdit(GridControl* grid, Window** editor) override;
  void OnRowDeleted(GridControl* grid, int row) override;
  // Insert gives the selected row's parameter one more value, below its
  // last, so that it can change over time; Delete takes off a row that
  // continues a parameter.
  bool OnKey(GridControl* grid, WPARAM key) override;

  // Shows the values of object's property setter in the rows of the same
  // names (letter case aside). An object without a setter shows none.
  void LoadValues(GridControl* grid, IAMTimelineObj* object) const;
  // Replaces the object's property values by the rows, attaching a new
  // property setter when it has none. False when there is no setter to write.
  bool WriteValues(GridControl* grid, IAMTimelineObj* object) const;

  static ParameterRecord* Record(const GridControl* grid, int row);

 private:
  Window* MakeValueEditor(GridControl* grid, int row) const;
  void ShowParameter(GridControl* grid, int row, const DEXTER_PARAM& param, const DEXTER_VALUE* values) const;
  void AddParameter(GridControl* grid, IPropertySetter* setter, int row, int count) const;
  bool AddValueRow(GridControl* grid, int first) const;

  const ParameterCatalog* catalog_;
};

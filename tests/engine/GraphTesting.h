// Driving filters through the platform's filter graph.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <evcode.h>

#include "ComPtr.h"
#include "FilterConformance.h"

// The first pin of filter in direction wanted.
inline ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION wanted) {
  for (ComPtr<IPin>& pin : PinsOf(filter)) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    if (direction == wanted) return pin;
  }
  return ComPtr<IPin>();
}

// Runs graph and answers its first completion event (EC_COMPLETE or
// EC_ERRORABORT), or 0 when none comes. Events left from an earlier run are
// drained first. GetEvent may give up early when the queue runs empty, so it
// is asked until the deadline, which only keeps a broken run from hanging.
inline long RunToEnd(IGraphBuilder* graph) {
  ComPtr<IMediaEvent> events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>(IID_IMediaEvent);
  long code = 0;
  LONG_PTR first, second;
  while (events->GetEvent(&code, &first, &second, 0) == S_OK) events->FreeEventParams(code, first, second);
  EXPECT_TRUE(SUCCEEDED(ComPtr<IGraphBuilder>(graph).As<IMediaControl>(IID_IMediaControl)->Run()));
  for (DWORD deadline = GetTickCount() + 10000; GetTickCount() < deadline;) {
    if (events->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    events->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE || code == EC_ERRORABORT) return code;
  }
  return 0;
}

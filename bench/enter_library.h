#pragma once
// The timed step of the library benchmarks: Select from library on the
// headless window (800 x 600, a first page of 63 pairs), painted.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/headless/headless.h"
#include "store/library.h"
#include "ui/tmyapp.h"

inline void enterLibrary(benchmark::State& state, const std::string& dir, const std::string& profile) {
  setCurrentDirectory(dir);
  ::setenv("BINOXA_PROFILE", profile.c_str(), 1);
  HeadlessBackend backend(800, 600);
  {
    tmyapp app(backend);
    app.run();
    TFrameWindow& frame = backend.frame()->window();
    TMessage select;
    select.msg = WM_COMMAND;
    select.id = CM_SELECTLIBRARY;
    for (auto _ : state) {
      frame.dispatch(select);
      frame.paintNow();
    }
    int built = 0;
    for (const tlibraryentry* e = app.window()->workspace().libraryEntries(); e; e = e->next.get())
      built += e->thumbnailReady;
    state.counters["thumbnails"] = built;
  }
}

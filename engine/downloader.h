// The one interface through which the pipeline drives any of its downloaders.
#pragma once

#include <windows.h>

#include <functional>

class CDownloader {
 public:
  virtual ~CDownloader() = default;

  // Begins (or, where the downloader allows, begins again) the download on a worker thread
  // and returns at once; every outcome arrives as an event.
  virtual void Start() = 0;
};

// The pause between two download attempts; tests replace it to count instead of wait.
using RetryPause = std::function<void(DWORD milliseconds)>;

// The events the engine reports to its owner: one callback, called on worker threads.
#pragma once

#include <functional>

// (code, progress, text): the text is valid only during the call.
using InstallEventCallback = std::function<void(int code, double progress, const wchar_t* text)>;

enum InstallEventCode : int {
  DL_CODE_START = 1001,
  DL_CODE_PROGRESS = 1002,
  DL_CODE_SUCCESS = 1003,
  DL_CODE_FAIL = 1004,
  DL_CODE_RETRY = 1005,
  DL_CODE_MD5_ERROR = 1006,

  IST_CODE_START = 2001,
  IST_CODE_PROGRESS = 2002,
  IST_CODE_SUCCESS = 2003,
  IST_CODE_FAIL = 2004,

  IST_CODE_INST_PATH = 3000,
  IST_CODE_EXE_PATH = 3001,
  IST_CODE_UNINST_EXE = 3002,
  IST_CODE_UNINST_EP = 3003,
  IST_CODE_START_URL = 3004,
  IST_CODE_STARTUP_STYLE = 3005,
  IST_CODE_TOP_SHOW_DETENTION = 3007,
  IST_CODE_FINISH_CLOSE_DETENTION = 3008,
  IST_CODE_MESSAGE = 3009,

  UNIST_CODE_START = 5001,  // reserved: nobody sends it
  UNIST_CODE_PROGRESS = 5002,
  UNIST_CODE_SUCCESS = 5003,
  UNIST_CODE_FAIL = 5004,
  UNIST_CODE_ERROR = 5005,
};

// Runs the download-install pipeline without a window:
//
//   pipeline_console URL FOLDER OLD_UNINSTALLER DOWNLOAD_TYPE [switches]
//
// OLD_UNINSTALLER may be "" (no older version). Switches: --dsc --ssc --adminact
// --authorizationact (each sets that choice; all are false otherwise), --language=TEXT,
// --download-only (only the download phase: the downloader the pipeline would choose, started
// and restarted as the pipeline does; the package stays in FOLDER), --timeout=SECONDS.
//
// Every event is one UTF-8 line on stdout: "<code> <progress> <text>", the progress with up to
// ten significant digits, and in the text "\" , carriage return and line feed written as "\\",
// "\r" and "\n". The last line starts with "#" and tells the outcome, the seconds from the
// start to the final event and the peak working set of this process.
//
// Exit code: 0 the run succeeded (package installed, or downloaded with --download-only),
// 1 it failed (a failure event ended it), 2 wrong arguments, 3 --timeout ran out first.
#include <windows.h>
#include <psapi.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>

#include "app/folders.h"
#include "app/installer_settings.h"
#include "app/text_encoding.h"
#include "engine/download_installer.h"
#include "engine/downloader_choice.h"

namespace {

enum ExitCode { kSucceeded = 0, kFailed = 1, kUsage = 2, kTimedOut = 3 };

struct Options {
  std::wstring url;
  std::wstring folder;
  std::wstring old_uninstaller;
  int download_type = 1;
  bool dsc = false;
  bool ssc = false;
  bool adminact = false;
  bool authorizationact = false;
  std::wstring language;
  bool download_only = false;
  long timeout_seconds = 0;  // 0: none
};

bool ParseSwitch(const std::wstring& argument, Options* options) {
  const struct {
    const wchar_t* name;
    bool* flag;
  } flags[] = {
      {L"--dsc", &options->dsc},
      {L"--ssc", &options->ssc},
      {L"--adminact", &options->adminact},
      {L"--authorizationact", &options->authorizationact},
      {L"--download-only", &options->download_only},
  };
  for (const auto& flag : flags) {
    if (argument != flag.name) continue;
    *flag.flag = true;
    return true;
  }
  if (argument.compare(0, 11, L"--language=") == 0) {
    options->language = argument.substr(11);
    return true;
  }
  if (argument.compare(0, 10, L"--timeout=") == 0) {
    options->timeout_seconds = std::wcstol(argument.c_str() + 10, nullptr, 10);
    return options->timeout_seconds > 0;
  }
  return false;
}

bool ParseArguments(int argc, wchar_t** argv, Options* options) {
  if (argc < 5) return false;
  options->url = argv[1];
  options->folder = argv[2];
  options->old_uninstaller = argv[3];
  options->download_type = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
  for (int i = 5; i < argc; ++i) {
    if (!ParseSwitch(argv[i], options)) return false;
  }
  return true;
}

std::string EscapedUtf8(const wchar_t* text) {
  std::wstring escaped;
  for (const wchar_t* c = text; c != nullptr && *c != L'\0'; ++c) {
    switch (*c) {
      case L'\\':
        escaped += L"\\\\";
        break;
      case L'\r':
        escaped += L"\\r";
        break;
      case L'\n':
        escaped += L"\\n";
        break;
      default:
        escaped += *c;
    }
  }
  return WideToMultiByte(escaped, CP_UTF8);
}

void WriteLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

bool IsFinal(int code, bool download_only) {
  if (download_only) return code == DL_CODE_SUCCESS || code == DL_CODE_FAIL;
  return code == IST_CODE_SUCCESS || code == IST_CODE_FAIL || code == DL_CODE_FAIL ||
         code == UNIST_CODE_FAIL || code == UNIST_CODE_ERROR;
}

bool IsSuccess(int code) { return code == IST_CODE_SUCCESS || code == DL_CODE_SUCCESS; }

// Receives the events from every worker thread, prints them in arrival order and lets the
// main thread wait for the final one.
class EventSink {
 public:
  explicit EventSink(bool download_only) : download_only_(download_only) {}

  void Receive(int code, double progress, const wchar_t* text) {
    char head[64];
    std::snprintf(head, sizeof(head), "%d %.10g ", code, progress);
    std::lock_guard<std::mutex> hold(lock_);
    WriteLine(head + EscapedUtf8(text) + "\n");
    if (final_code_ == 0 && IsFinal(code, download_only_)) {
      final_code_ = code;
      final_at_ = std::chrono::steady_clock::now();
      ended_.notify_all();
    }
  }

  // The final event's code, or 0 when `timeout_seconds` (0: none) ran out first.
  int WaitForFinal(long timeout_seconds) {
    std::unique_lock<std::mutex> hold(lock_);
    const auto ended = [this] { return final_code_ != 0; };
    if (timeout_seconds == 0) {
      ended_.wait(hold, ended);
    } else {
      ended_.wait_for(hold, std::chrono::seconds(timeout_seconds), ended);
    }
    return final_code_;
  }

  std::chrono::steady_clock::time_point final_at() {
    std::lock_guard<std::mutex> hold(lock_);
    return final_at_;
  }

 private:
  const bool download_only_;
  std::mutex lock_;
  std::condition_variable ended_;
  int final_code_ = 0;
  std::chrono::steady_clock::time_point final_at_;
};

InstallEventCallback CallbackInto(EventSink* sink) {
  return [sink](int code, double progress, const wchar_t* text) {
    sink->Receive(code, progress, text);
  };
}

// The download phase as the pipeline runs it: the same downloader for the same package path,
// the target folder made at the start, DL_CODE_RETRY answered by starting again.
class DownloadPhase {
 public:
  DownloadPhase(const Options& options, InstallEventCallback print)
      : print_(std::move(print)), folder_(options.folder) {
    downloader_ = CreateDownloader(
        options.download_type,
        [this](int code, double progress, const wchar_t* text) { OnEvent(code, progress, text); },
        options.url, PackagePathIn(options.folder));
  }

  void Start() { downloader_->Start(); }

 private:
  void OnEvent(int code, double progress, const wchar_t* text) {
    print_(code, progress, text);
    if (code == DL_CODE_START) CreateFolderTree(folder_);
    if (code == DL_CODE_RETRY) downloader_->Start();
  }

  InstallEventCallback print_;
  std::wstring folder_;
  std::unique_ptr<CDownloader> downloader_;  // last: its threads use the members above
};

std::unique_ptr<CDownloadInstaller> StartPipeline(const Options& options, EventSink* sink) {
  auto pipeline = std::make_unique<CDownloadInstaller>(CallbackInto(sink), options.url,
                                                       options.old_uninstaller, options.folder,
                                                       options.dsc, options.ssc, options.adminact);
  pipeline->SetParams(options.url, options.old_uninstaller, options.folder, options.dsc,
                      options.ssc, options.adminact, options.authorizationact, options.language);
  pipeline->Start();
  return pipeline;
}

SIZE_T PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

// A run that has not ended in time may have workers that never end (a child that hangs), so
// the process ends without releasing them.
int WaitForFinalOrEnd(EventSink* sink, long timeout_seconds) {
  const int final_code = sink->WaitForFinal(timeout_seconds);
  if (final_code == 0) {
    WriteLine("# timed out\n");
    ::TerminateProcess(::GetCurrentProcess(), kTimedOut);
  }
  return final_code;
}

int Run(const Options& options) {
  InstallerSettings::m_DownloadType = options.download_type;
  EventSink sink(options.download_only);
  const auto started = std::chrono::steady_clock::now();
  int final_code = 0;
  if (options.download_only) {
    DownloadPhase download(options, CallbackInto(&sink));
    download.Start();
    final_code = WaitForFinalOrEnd(&sink, options.timeout_seconds);
  } else {
    // Released before the summary: the package clean-up after the final event has ended then.
    const std::unique_ptr<CDownloadInstaller> pipeline = StartPipeline(options, &sink);
    final_code = WaitForFinalOrEnd(&sink, options.timeout_seconds);
  }
  const std::chrono::duration<double> seconds = sink.final_at() - started;
  char summary[160];
  std::snprintf(summary, sizeof(summary), "# %s seconds=%.3f peak_working_set=%llu\n",
                IsSuccess(final_code) ? "succeeded" : "failed", seconds.count(),
                static_cast<unsigned long long>(PeakWorkingSet()));
  WriteLine(summary);
  return IsSuccess(final_code) ? kSucceeded : kFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: pipeline_console URL FOLDER OLD_UNINSTALLER DOWNLOAD_TYPE [--dsc] "
                 "[--ssc] [--adminact] [--authorizationact] [--language=TEXT] "
                 "[--download-only] [--timeout=SECONDS]\n");
    return kUsage;
  }
  // Lines end with a line feed only, whatever the C runtime would make of it.
  _setmode(_fileno(stdout), _O_BINARY);
  InstallerSettings::m_CurlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  const int result = Run(options);
  curl_global_cleanup();
  return result;
}

// Access to the loopback servers that ctest fixtures run for a test program: a fixture writes
// its server's port into a file and the test program gets that file's (Unix) path in an
// environment variable. See tools/download_server/download_server.py for the URL scheme.
#pragma once

#include <cstddef>
#include <string>

// "http://127.0.0.1:<port>" of the server whose port file the variable names; empty when the
// variable or the file is missing.
std::string LoopbackServerUrl(const wchar_t* port_file_variable);

// URLs of the download server that share one fault list and one fresh token, under which the
// server logs their requests and counts their plan.
class FaultScenario {
 public:
  FaultScenario(std::string server, const std::string& faults);
  // e.g. Url("redirect/gen/2097152")
  std::string Url(const std::string& resource) const;
  // The server's log of this scenario's requests: "REDIRECT -", "HEAD -", "GET bytes=5-", ...
  std::string Log() const;

 private:
  std::string server_;
  std::string token_;
  std::string prefix_;
};

// The bytes the download server serves at /gen/<size>.
std::string GeneratedContent(size_t size);

// The body of a plain GET (for the server's request logs); empty on any failure.
std::string FetchText(const std::string& url);

// libcurl's global set-up, once per test program, before any thread uses libcurl.
void InitHttpLibrary();

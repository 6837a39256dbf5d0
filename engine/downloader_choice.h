// Which downloader the pipeline uses: the configured download type picks the kind.
#pragma once

#include <memory>
#include <string>

#include "engine/downloader.h"
#include "engine/install_event.h"

// 2: the URL-moniker download; 3: the multi-part downloader; any other value: the
// single-stream curl downloader.
std::unique_ptr<CDownloader> CreateDownloader(int download_type, InstallEventCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& package_path);

// txr serve: the page and the JSON/PNG API a browser preview uses, as routes of an HTTP server.
// Every request renders in memory with the CTXR of the worker thread that serves it; nothing is
// written to disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "embedded_file.h"
#include "httplib.h"
#include "txr/font_cache.h"

namespace txr::tool {

// Bounds on one request, so that no client can make the server allocate or work without limit.
// A text is at most kServeMaxTextBytes bytes (labels: kServeMaxTextBytes per field) and each
// magnification at most kServeMaxScale; a drawing or label holds at most ServeSettings::maxDots
// dots (a lower default than the library's kMaxStringDots: 4 Mi dots is 2 m of text at 203 dpi).
constexpr std::size_t kServeMaxTextBytes = 1024;
constexpr int kServeMaxScale = 16;
constexpr std::int64_t kServeDefaultMaxDots = std::int64_t{1} << 22;
constexpr std::size_t kServeMaxBodyBytes = std::size_t{1} << 20;
constexpr int kServeTimeoutSeconds = 10;

struct ServeSettings {
    std::string fontPrefix;  // the font directory as SetPath takes it
    std::int64_t maxDots = kServeDefaultMaxDots;
    FontCache* cache = nullptr;  // shared by every worker's CTXR
};

// One file of the page, built into the tool from tools/txr/serve_page/.
using PageFile = EmbeddedFile;
std::vector<PageFile> servePageFiles();

// GET /, the page's files, /api/fonts, /api/render, /api/size, /api/missing and POST /api/label.
// The font directory is described once, here; `settings` must outlive the server.
void addServeRoutes(httplib::Server& server, const ServeSettings& settings);

}  // namespace txr::tool

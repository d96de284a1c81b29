// The routes of txr serve: parameters read strictly (a bad one is a 400 naming it), the font
// directory described once at start, texts and labels rendered with the worker's own CTXR.
#include "serve_api.h"

#include <charconv>
#include <exception>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>

#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "fontkit/fontkit_error.h"
#include "fontkit/manifest.h"
#include "fontkit/png_writer.h"
#include "label_json.h"
#include "nlohmann/json.hpp"
#include "selection.h"
#include "text_encoding.h"
#include "txr/TXR.h"
#include "txr/label.h"

namespace txr::tool {

namespace {

using ServeJson = nlohmann::json;

// A request the server refuses: the status, the parameter at fault and why.
struct RequestRefused {
    int status;
    std::string parameter;
    std::string message;
    ServeJson details = ServeJson::object();
};

void sendJson(httplib::Response& response, int status, const ServeJson& body) {
    response.status = status;
    response.set_content(body.dump(), "application/json");
}

void sendRefusal(httplib::Response& response, const RequestRefused& refused) {
    ServeJson body = refused.details;
    body["error"] = refused.message;
    body["parameter"] = refused.parameter;
    sendJson(response, refused.status, body);
}

// One font file of the directory as the page lists it.
struct DescribedFile {
    std::string name;
    int family = 0;
    int dpi = 0;  // 0: both resolutions (Z.bin)
    std::vector<fontkit::BlockInfo> blocks;
    std::string problem;  // why the file could not be described; empty when it was
};

int familyOfKind(fontkit::FontFileKind kind) {
    switch (kind) {
        case fontkit::FontFileKind::A:
        case fontkit::FontFileKind::A300:
            return 0;
        case fontkit::FontFileKind::B:
        case fontkit::FontFileKind::B300:
            return 1;
        default:
            return 2;
    }
}

int dpiOfKind(fontkit::FontFileKind kind) {
    switch (kind) {
        case fontkit::FontFileKind::A:
        case fontkit::FontFileKind::B:
            return 203;
        case fontkit::FontFileKind::A300:
        case fontkit::FontFileKind::B300:
            return 300;
        default:
            return 0;
    }
}

std::vector<DescribedFile> describeFontDirectory(const std::string& prefix) {
    // Font files are a few hundred kilobytes; a far larger one is not read.
    constexpr std::size_t kLargestFontFile = std::size_t{64} << 20;
    std::vector<DescribedFile> files;
    for (const auto kind :
         {fontkit::FontFileKind::A, fontkit::FontFileKind::A300, fontkit::FontFileKind::B,
          fontkit::FontFileKind::B300, fontkit::FontFileKind::Z}) {
        DescribedFile file;
        file.name = fontkit::fontFileName(kind);
        file.family = familyOfKind(kind);
        file.dpi = dpiOfKind(kind);
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(prefix + file.name, ignored)) continue;
        try {
            file.blocks = fontkit::fontFileInfo(
                kind, fontkit::readFileBytes(prefix + file.name, kLargestFontFile));
        } catch (const std::exception& failure) {
            file.problem = failure.what();
        }
        files.push_back(std::move(file));
    }
    return files;
}

ServeJson fontsJson(const std::vector<DescribedFile>& files) {
    ServeJson list = ServeJson::array();
    for (const DescribedFile& file : files) {
        ServeJson blocks = ServeJson::array();
        for (const fontkit::BlockInfo& block : file.blocks) {
            blocks.push_back({{"font", block.number},
                              {"cellWidth", block.cellWidth},
                              {"cellHeight", block.cellHeight},
                              {"firstCode", block.firstCode},
                              {"lastCode", block.lastCode},
                              {"glyphs", block.glyphCount},
                              {"proportional", block.proportional}});
        }
        ServeJson entry = {{"file", file.name}, {"family", file.family}, {"fonts", blocks}};
        entry["dpi"] = file.dpi == 0 ? ServeJson::array({203, 300}) : ServeJson::array({file.dpi});
        if (!file.problem.empty()) entry["problem"] = file.problem;
        list.push_back(entry);
    }
    return {{"files", list},
            {"limits",
             {{"textBytes", kServeMaxTextBytes},
              {"scale", kServeMaxScale},
              {"bodyBytes", kServeMaxBodyBytes}}}};
}

// The query of one request, read parameter by parameter; any it does not know is refused.
class QueryReader {
  public:
    QueryReader(const httplib::Request& request, std::set<std::string> known) : request_(request) {
        for (const auto& parameter : request.params) {
            if (known.count(parameter.first) == 0) {
                throw RequestRefused{400, parameter.first, "unknown parameter"};
            }
            if (request.get_param_value_count(parameter.first.c_str()) > 1) {
                throw RequestRefused{400, parameter.first, "given more than once"};
            }
        }
    }

    std::optional<std::string> text(const char* name) const {
        if (!request_.has_param(name)) return std::nullopt;
        return request_.get_param_value(name);
    }

    int integer(const char* name, int fallback, int low, int high) const {
        const auto given = text(name);
        if (!given) return fallback;
        int value = 0;
        const char* end = given->data() + given->size();
        const auto read = std::from_chars(given->data(), end, value);
        if (given->empty() || read.ec != std::errc() || read.ptr != end || value < low ||
            value > high) {
            throw RequestRefused{400, name,
                                 "must be an integer from " + std::to_string(low) + " to " +
                                     std::to_string(high) + ", not \"" + *given + "\""};
        }
        return value;
    }

    bool flag(const char* name) const {
        const auto given = text(name);
        if (!given || *given == "0" || *given == "false") return false;
        if (*given == "1" || *given == "true") return true;
        throw RequestRefused{400, name, "must be 0, 1, false or true"};
    }

  private:
    const httplib::Request& request_;
};

// The selection (as the tool's options hold it) and text of /api/render, /api/size and
// /api/missing.
struct TextRequest : Selection {
    std::string bytes;
    bool bmp = false;
};

const char* const kTextParameters[] = {"family", "font",   "dpi",     "scale-h", "scale-v",
                                       "rotate", "invert", "charset", "hex"};

TextRequest readTextRequest(const httplib::Request& request, bool withFormat) {
    std::set<std::string> known(std::begin(kTextParameters), std::end(kTextParameters));
    if (withFormat) known.insert("format");
    const QueryReader query(request, known);
    TextRequest read;
    read.family = query.integer("family", 0, 0, 2);
    read.font = query.integer("font", 0, 0, 255);
    read.dpi = query.integer("dpi", 203, 1, 1200);
    if (read.dpi != 203 && read.dpi != 300) {
        throw RequestRefused{400, "dpi", "must be 203 or 300"};
    }
    read.scaleH = query.integer("scale-h", 1, 1, kServeMaxScale);
    read.scaleV = query.integer("scale-v", 1, 1, kServeMaxScale);
    read.rotate = query.integer("rotate", 0, 0, 3);
    read.invert = query.flag("invert");
    read.charset = query.integer("charset", 0, 0, 14);
    const std::string hex = query.text("hex").value_or("");
    // Two digits a byte, with a space allowed between bytes: the text's limit in digits.
    if (hex.size() > 3 * kServeMaxTextBytes) {
        throw RequestRefused{
            400, "hex", "longer than " + std::to_string(kServeMaxTextBytes) + " bytes of text"};
    }
    try {
        read.bytes = decodeHex(hex);
    } catch (const CLI::ValidationError& bad) {
        throw RequestRefused{400, "hex", bad.what()};
    }
    if (read.bytes.size() > kServeMaxTextBytes) {
        throw RequestRefused{
            400, "hex", "longer than " + std::to_string(kServeMaxTextBytes) + " bytes of text"};
    }
    if (withFormat) {
        const std::string format = query.text("format").value_or("png");
        if (format != "png" && format != "bmp") {
            throw RequestRefused{400, "format", "must be png or bmp"};
        }
        read.bmp = format == "bmp";
    }
    return read;
}

// The CTXR of the worker thread serving the request: made once per thread, reading fonts from
// `settings`' directory through the shared cache; every request sets its whole selection.
CTXR& workerRenderer(const ServeSettings& settings) {
    thread_local std::optional<CTXR> renderer;
    if (!renderer) {
        renderer.emplace();
        renderer->UseCache(settings.cache);
        renderer->SetPath(CString(settings.fontPrefix));
        renderer->SetStagingFile(false);
    }
    return *renderer;
}

// The code page manifest.txt gives each block of families 0 and 2, by file name and block; a
// directory without one (or a block it leaves out) uses the font kit's default.
class ServeRoutes {
  public:
    explicit ServeRoutes(const ServeSettings& settings)
        : settings_(settings),
          files_(describeFontDirectory(settings.fontPrefix)),
          codePages_(manifestCodePages(settings.fontPrefix)) {}

    ServeJson fonts() const { return fontsJson(files_); }

    // The worker's CTXR with the request's selection, checked against the font directory.
    CTXR& select(const TextRequest& read) const {
        if (read.family != 1) {
            const DescribedFile* file = fileFor(read.family, read.dpi);
            if (file == nullptr) {
                throw RequestRefused{400, "family",
                                     "the font directory has no font file of family " +
                                         std::to_string(read.family) + " at " +
                                         std::to_string(read.dpi) + " dpi"};
            }
            bool held = false;
            for (const fontkit::BlockInfo& block : file->blocks) held |= block.number == read.font;
            if (!held) {
                throw RequestRefused{400, "font",
                                     file->name + " holds no font " + std::to_string(read.font)};
            }
        } else if (fileFor(1, read.dpi) == nullptr) {
            throw RequestRefused{400, "dpi",
                                 "the font directory has no font file of family 1 at " +
                                     std::to_string(read.dpi) + " dpi"};
        }
        CTXR& ctxr = workerRenderer(settings_);
        const int refusal =
            ctxr.SetFont(read.family, read.font, read.scaleH, read.scaleV, read.rotate, read.dpi);
        if (refusal != 0) {
            static const char* const kRefused[] = {"family", "font", "scale-h", "scale-v",
                                                   "rotate"};
            throw RequestRefused{400, refusal >= 1 && refusal <= 5 ? kRefused[refusal - 1] : "font",
                                 "refused by SetFont (code " + std::to_string(refusal) + ")"};
        }
        ctxr.SetInvert(read.invert ? 1 : 0);
        ctxr.engineB->charSet = read.charset;
        return ctxr;
    }

    // GetStringSize of the text, refused when its drawing would exceed the server's limit.
    CSize boundedSize(CTXR& ctxr, const std::string& text, const std::string& parameter) const {
        const CSize size = ctxr.GetStringSize(CString(text.data(), static_cast<int>(text.size())));
        const std::int64_t dots = std::int64_t{size.cx} * size.cy;
        if (dots > settings_.maxDots) {
            throw RequestRefused{400, parameter,
                                 "the drawing of " + std::to_string(size.cx) + " x " +
                                     std::to_string(size.cy) + " dots exceeds the limit of " +
                                     std::to_string(settings_.maxDots) + " dots"};
        }
        return size;
    }

    void render(const httplib::Request& request, httplib::Response& response) const {
        const TextRequest read = readTextRequest(request, true);
        CTXR& ctxr = select(read);
        boundedSize(ctxr, read.bytes, "hex");
        const StringImage image =
            ctxr.GetStringImage(CString(read.bytes.data(), static_cast<int>(read.bytes.size())));
        std::string missing;
        for (const std::size_t position :
             missingGlyphs(ctxr, read.bytes.data(), read.bytes.size())) {
            missing += (missing.empty() ? "" : ",") + std::to_string(position);
        }
        response.set_header("X-Txr-Width", std::to_string(image.width));
        response.set_header("X-Txr-Height", std::to_string(image.height));
        response.set_header("X-Txr-Missing", missing);
        if (image.empty()) {
            if (!read.bytes.empty()) {
                throw RequestRefused{400, "hex", "the library made no drawing of this text"};
            }
            response.status = 204;
            return;
        }
        sendImage(response, image, read.bmp, read.dpi);
    }

    void size(const httplib::Request& request, httplib::Response& response) const {
        const TextRequest read = readTextRequest(request, false);
        const CSize size = select(read).GetStringSize(
            CString(read.bytes.data(), static_cast<int>(read.bytes.size())));
        sendJson(response, 200, {{"width", size.cx}, {"height", size.cy}});
    }

    void missing(const httplib::Request& request, httplib::Response& response) const {
        const TextRequest read = readTextRequest(request, false);
        CTXR& ctxr = select(read);
        ServeJson positions = ServeJson::array();
        ServeJson bytes = ServeJson::array();
        for (const std::size_t position :
             missingGlyphs(ctxr, read.bytes.data(), read.bytes.size())) {
            positions.push_back(position);
            bytes.push_back(static_cast<unsigned char>(read.bytes[position]));
        }
        sendJson(response, 200, {{"positions", positions}, {"bytes", bytes}});
    }

    // The character each byte stands for in the selected font (null: none), so that the page
    // can turn typed characters into the bytes the printer takes.
    void charmap(const httplib::Request& request, httplib::Response& response) const {
        const QueryReader query(request, {"family", "font", "dpi", "charset"});
        const int family = query.integer("family", 0, 0, 2);
        const int font = query.integer("font", 0, 0, 255);
        const int dpi = query.integer("dpi", 203, 1, 1200);
        const int charset = query.integer("charset", 0, 0, 14);
        if (dpi != 203 && dpi != 300) throw RequestRefused{400, "dpi", "must be 203 or 300"};
        const DescribedFile* file = family == 1 ? nullptr : fileFor(family, dpi);
        const CharacterBytes table =
            fontCharacterBytes(codePages_, family, file ? file->name : "", font, dpi, charset);
        ServeJson characters = ServeJson::array();
        for (int code = 0; code <= 255; ++code) {
            const char32_t character = table.characterOf(static_cast<std::uint8_t>(code));
            characters.push_back(character == encoding::kNoCharacter
                                     ? ServeJson(nullptr)
                                     : ServeJson(static_cast<std::uint32_t>(character)));
        }
        sendJson(response, 200, {{"name", table.name()}, {"characters", characters}});
    }

    void label(const httplib::Request& request, httplib::Response& response) const {
        // A form body would be read as parameters; a label is JSON.
        if (request.get_header_value("Content-Type").rfind("application/x-www-form", 0) == 0) {
            throw RequestRefused{400, "Content-Type", "send the label as application/json"};
        }
        const QueryReader query(request, {"format"});
        const std::string format = query.text("format").value_or("json");
        if (format != "json" && format != "bmp") {
            throw RequestRefused{400, "format", "must be json or bmp"};
        }
        LabelDescription description;
        try {
            description = readLabelJson(request.body);
        } catch (const LabelJsonError& bad) {
            throw RequestRefused{400, "body", bad.what()};
        }
        if (!description.issues.empty() || !description.label) {
            ServeJson issues = ServeJson::array();
            for (const LabelIssue& issue : description.issues) {
                issues.push_back({{"path", issue.path}, {"message", issue.message}});
            }
            const std::string parameter =
                description.issues.empty() ? "body" : description.issues.front().path;
            throw RequestRefused{400, parameter, "not a valid label", {{"issues", issues}}};
        }
        const Label& label = *description.label;
        checkLabelBounds(label, description);
        CTXR& ctxr = workerRenderer(settings_);
        const RenderedLabel rendered = label.render(ctxr);
        ServeJson problems = ServeJson::array();
        for (const LabelProblem& problem : rendered.problems) {
            problems.push_back({{"path", fieldPath(description.fieldIndex[problem.field])},
                                {"message", problem.reason()}});
        }
        if (format == "bmp") {
            response.set_header("X-Txr-Problems", std::to_string(problems.size()));
            sendImage(response, rendered.image, true, label.dpi());
            return;
        }
        std::string error;
        const std::vector<std::uint8_t> png =
            fontkit::oneBitPngBytes(rendered.image, error, label.dpi());
        if (png.empty()) throw std::runtime_error(error);
        sendJson(response, 200,
                 {{"width", rendered.image.width},
                  {"height", rendered.image.height},
                  {"dpi", label.dpi()},
                  {"png", base64(png)},
                  {"problems", problems}});
    }

  private:
    const ServeSettings& settings_;
    const std::vector<DescribedFile> files_;
    const ManifestCodePages codePages_;

    const DescribedFile* fileFor(int family, int dpi) const {
        for (const DescribedFile& file : files_) {
            if (file.family == family && (file.dpi == 0 || file.dpi == dpi)) return &file;
        }
        return nullptr;
    }

    // The label and each field within the server's limits, before anything is drawn.
    void checkLabelBounds(const Label& label, const LabelDescription& description) const {
        if (std::int64_t{label.width()} * label.height() > settings_.maxDots) {
            throw RequestRefused{400, "$.width",
                                 "a label of " + std::to_string(label.width()) + " x " +
                                     std::to_string(label.height()) +
                                     " dots exceeds the limit of " +
                                     std::to_string(settings_.maxDots) + " dots"};
        }
        CTXR& ctxr = workerRenderer(settings_);
        for (std::size_t i = 0; i < label.fields().size(); ++i) {
            const LabelField& field = label.fields()[i];
            const std::string path = fieldPath(description.fieldIndex[i]);
            if (field.scaleH > kServeMaxScale || field.scaleV > kServeMaxScale) {
                throw RequestRefused{
                    400, path + ".scale",
                    "above the server's magnification limit of " + std::to_string(kServeMaxScale)};
            }
            if (field.text.size() > kServeMaxTextBytes) {
                throw RequestRefused{
                    400, path + ".text",
                    "longer than " + std::to_string(kServeMaxTextBytes) + " bytes"};
            }
            // A refused selection is drawn as nothing and reported by render.
            if (ctxr.SetFont(field.family, field.font, field.scaleH, field.scaleV, field.rotation,
                             label.dpi()) == 0) {
                boundedSize(ctxr, field.text, path);
            }
        }
    }

    static void sendImage(httplib::Response& response, const StringImage& image, bool bmp,
                          int dpi) {
        if (bmp) {
            const std::vector<std::uint8_t> file = bmpFileOf(image);
            response.set_content(reinterpret_cast<const char*>(file.data()), file.size(),
                                 "image/bmp");
            return;
        }
        std::string error;
        const std::vector<std::uint8_t> png = fontkit::oneBitPngBytes(image, error, dpi);
        if (png.empty()) throw std::runtime_error(error);
        response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
    }

    static std::string base64(const std::vector<std::uint8_t>& bytes) {
        static const char kDigits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        out.reserve((bytes.size() + 2) / 3 * 4);
        for (std::size_t i = 0; i < bytes.size(); i += 3) {
            const std::size_t left = bytes.size() - i;
            const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) |
                                        (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                        (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
            out += kDigits[(group >> 18) & 63];
            out += kDigits[(group >> 12) & 63];
            out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
            out += left > 2 ? kDigits[group & 63] : '=';
        }
        return out;
    }
};

const char* contentTypeOf(const std::string& name) {
    const auto ends = [&](const char* suffix) {
        const std::string s(suffix);
        return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    if (ends(".html")) return "text/html; charset=utf-8";
    if (ends(".css")) return "text/css; charset=utf-8";
    if (ends(".js")) return "text/javascript; charset=utf-8";
    return "application/octet-stream";
}

// Runs a route, turning a refusal into its 400 and anything unexpected into a JSON 500 (503 when
// memory ran out), so the server answers every request in JSON and keeps running.
template <class Route>
httplib::Server::Handler guarded(std::shared_ptr<const ServeRoutes> routes, Route route) {
    return [routes, route](const httplib::Request& request, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        try {
            ((*routes).*route)(request, response);
        } catch (const RequestRefused& refused) {
            sendRefusal(response, refused);
        } catch (const std::bad_alloc&) {
            sendJson(response, 503, {{"error", "out of memory"}});
        } catch (const std::exception& failure) {
            sendJson(response, 500, {{"error", failure.what()}});
        }
    };
}

}  // namespace

void addServeRoutes(httplib::Server& server, const ServeSettings& settings) {
    auto routes = std::make_shared<const ServeRoutes>(settings);
    for (const PageFile& file : servePageFiles()) {
        const std::string name = file.name;
        const std::string content(reinterpret_cast<const char*>(file.bytes), file.size);
        const char* type = contentTypeOf(name);
        server.Get(name == "index.html" ? "/" : "/" + name,
                   [content, type](const httplib::Request&, httplib::Response& response) {
                       // The page fetches nothing but this server's own files and API.
                       response.set_header("Content-Security-Policy",
                                           "default-src 'self'; img-src 'self' data: blob:");
                       response.set_header("X-Content-Type-Options", "nosniff");
                       response.set_content(content, type);
                   });
    }
    const ServeJson fonts = routes->fonts();
    server.Get("/api/fonts", [fonts](const httplib::Request&, httplib::Response& response) {
        sendJson(response, 200, fonts);
    });
    server.Get("/api/render", guarded(routes, &ServeRoutes::render));
    server.Get("/api/size", guarded(routes, &ServeRoutes::size));
    server.Get("/api/missing", guarded(routes, &ServeRoutes::missing));
    server.Get("/api/charmap", guarded(routes, &ServeRoutes::charmap));
    server.Post("/api/label", guarded(routes, &ServeRoutes::label));
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        std::string what = "HTTP status " + std::to_string(response.status);
        if (response.status == 404) what = "no such page or API";
        if (response.status == 413) {
            what = "request larger than " + std::to_string(kServeMaxBodyBytes) + " bytes";
        }
        sendJson(response, response.status, {{"error", what}});
    });
}

}  // namespace txr::tool

// txr serve through HTTP on loopback: its PNGs and BMPs hold GetBmpFile's dots, its JSON answers
// the library's, bad parameters get a 400 naming them, and SIGINT or SIGTERM end it with exit 0.
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "httplib.h"
#include "nlohmann/json.hpp"
#include "support/ctxr_calls.h"
#include "support/tool_run.h"
#include "txr/label.h"

namespace txr {
namespace {

using Json = nlohmann::json;

// The tool's serve command as a child: its printed address, then a signal to stop it.
class Server {
  public:
    explicit Server(std::vector<std::string> args) {
        args.insert(args.begin(), {TXR_TOOL_PATH, "serve", "--fonts", "fonts", "--port", "0"});
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // "txr serve: http://127.0.0.1:PORT/ ...", within 20 s.
        std::string line;
        pollfd ready{out[0], POLLIN, 0};
        char c = 0;
        while (line.find('\n') == std::string::npos && poll(&ready, 1, 20000) == 1 &&
               read(out[0], &c, 1) == 1) {
            line += c;
        }
        close(out[0]);
        const std::size_t at = line.find("127.0.0.1:");
        if (at != std::string::npos) port_ = std::stoi(line.substr(at + 10));
    }
    ~Server() {
        if (pid_ > 0) stop(SIGKILL);
    }

    int port() const { return port_; }

    // The exit code after `signal`; -1 when it did not exit normally within 20 s.
    int stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        for (int waited = 0; waitpid(pid_, &status, WNOHANG) == 0; ++waited) {
            if (waited == 2000) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            usleep(10000);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A one-bit PNG read back with libpng as BmpPicture::ascii draws a picture: '#' black.
std::string pngPicture(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return "unreadable";
    image.format = PNG_FORMAT_GRAY;
    std::vector<unsigned char> grey(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, grey.data(), 0, nullptr)) return "unreadable";
    std::string text;
    for (std::size_t y = 0; y < image.height; ++y) {
        for (std::size_t x = 0; x < image.width; ++x) text += grey[y * image.width + x] ? '.' : '#';
        text += '\n';
    }
    return text;
}

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

struct Query {
    int family, font, dpi, scaleH, scaleV, rotate, invert, charset;
    std::string text;

    std::string string() const {
        return "family=" + std::to_string(family) + "&font=" + std::to_string(font) +
               "&dpi=" + std::to_string(dpi) + "&scale-h=" + std::to_string(scaleH) +
               "&scale-v=" + std::to_string(scaleV) + "&rotate=" + std::to_string(rotate) +
               "&invert=" + std::to_string(invert) + "&charset=" + std::to_string(charset) +
               "&hex=" + hexOf(text);
    }
    CTXR renderer() const {
        CTXR ctxr;
        ctxr.SetPath("fonts/");
        ctxr.SetFont(family, font, scaleH, scaleV, rotate, dpi);
        ctxr.SetInvert(invert);
        ctxr.engineB->charSet = charset;
        return ctxr;
    }
};

class ToolServe : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        test::prepareToolFolders();
        server = new Server({"--workers", "3"});
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    httplib::Result get(const std::string& path) {
        httplib::Client client("127.0.0.1", server->port());
        return client.Get(path.c_str());
    }

    static inline Server* server = nullptr;
};

TEST_F(ToolServe, RendersTheDotsAndFileOfGetBmpFile) {
    const std::vector<Query> queries = {
        {0, 1, 300, 2, 1, 1, 1, 0, "BxA\xB0"},
        {1, 2, 203, 1, 3, 2, 0, 4, std::string("A\0B", 3)},
    };
    for (const Query& query : queries) {
        SCOPED_TRACE(query.string());
        CTXR ctxr = query.renderer();
        const CString text(query.text.data(), static_cast<int>(query.text.size()));
        const test::BmpPicture expected = test::exportedBy(ctxr, text);
        const auto png = get("/api/render?" + query.string());
        ASSERT_TRUE(png);
        ASSERT_EQ(png->status, 200) << png->body;
        EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
        EXPECT_EQ(pngPicture(png->body), expected.ascii);
        EXPECT_EQ(png->get_header_value("X-Txr-Width"), std::to_string(expected.width));
        EXPECT_EQ(png->get_header_value("X-Txr-Height"), std::to_string(expected.height));
        const std::vector<std::size_t> positions =
            missingGlyphs(ctxr, query.text.data(), query.text.size());
        std::string missing;
        for (const std::size_t at : positions) missing += std::to_string(at) + ",";
        if (!missing.empty()) missing.pop_back();
        EXPECT_EQ(png->get_header_value("X-Txr-Missing"), missing);
        const auto bmp = get("/api/render?format=bmp&" + query.string());
        ASSERT_TRUE(bmp);
        EXPECT_EQ(std::vector<std::uint8_t>(bmp->body.begin(), bmp->body.end()), expected.bytes);

        const auto size = get("/api/size?" + query.string());
        const CSize measured = ctxr.GetStringSize(text);
        ASSERT_TRUE(size);
        EXPECT_EQ(Json::parse(size->body), Json({{"width", measured.cx}, {"height", measured.cy}}));
        const auto absent = get("/api/missing?" + query.string());
        ASSERT_TRUE(absent);
        EXPECT_EQ(Json::parse(absent->body)["positions"], Json(positions));
    }
    const auto empty = get("/api/render?hex=");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 204);
}

TEST_F(ToolServe, RefusesBadParametersNamingThem) {
    struct Case {
        std::string query;
        int status;
        std::string parameter;
    } cases[] = {
        {"family=3", 400, "family"},
        {"font=30", 400, "font"},  // the test A.bin holds fonts 0 to 24
        {"dpi=250", 400, "dpi"},
        {"scale-h=0", 400, "scale-h"},
        {"scale-v=17", 400, "scale-v"},
        {"scale-v=16&scale-h=16&hex=41", 200, ""},
        {"rotate=4", 400, "rotate"},
        {"rotate=1x", 400, "rotate"},
        {"invert=2", 400, "invert"},
        {"charset=15", 400, "charset"},
        {"family=1&charset=14&hex=41", 200, ""},
        {"hex=4", 400, "hex"},
        {"colour=1", 400, "colour"},
        {"hex=41&hex=42", 400, "hex"},
        {"format=gif&hex=41", 400, "format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const auto reply = get("/api/render?" + c.query);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, c.status) << reply->body;
        if (c.status == 400) {
            EXPECT_EQ(Json::parse(reply->body)["parameter"], c.parameter);
        }
    }
    // The page types through the font's code page: cp850 here, where no manifest names one.
    const Json charmap = Json::parse(get("/api/charmap?family=0&font=1")->body)["characters"];
    EXPECT_EQ(charmap.size(), 256u);
    EXPECT_EQ(charmap[0x8E], 0xC4) << charmap;
    EXPECT_EQ(Json::parse(get("/api/charmap?charset=15")->body)["parameter"], "charset");
    // The text limit at its edge, measured where the limit on dots is not reached first.
    const std::string atLimit(2 * 1024, '0'), overLimit(2 * 1025, '0');
    EXPECT_EQ(get("/api/size?hex=" + atLimit)->status, 200);
    EXPECT_EQ(Json::parse(get("/api/size?hex=" + overLimit)->body)["parameter"], "hex");
}

TEST_F(ToolServe, RendersLabelsWithTheirReport) {
    Label label(40, 20, 203);
    label.add(LabelBox{0, 0, 40, 20, 1});
    label.add(LabelField{2, 2, 0, 0, 1, 1, 0, false, 0, "AxB", Placement::ink});
    const RenderedLabel expected = label.render("fonts/");
    const std::vector<std::uint8_t> expectedBmp = bmpFileOf(expected.image);
    const std::string json = R"({"width": 40, "height": 20, "boxes": [{"x": 0, "y": 0,
        "width": 40, "height": 20, "thickness": 1}], "fields": [{"x": 2, "y": 2, "text": "AxB"}]})";
    httplib::Client client("127.0.0.1", server->port());
    const auto reply = client.Post("/api/label", json, "application/json");
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->status, 200) << reply->body;
    const Json body = Json::parse(reply->body);
    EXPECT_EQ(
        body["problems"],
        Json::array({{{"path", "$.fields[0]"}, {"message", expected.problems.at(0).reason()}}}));
    // The PNG, in base64, holds the label's dots.
    std::string png;
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : body["png"].get<std::string>()) {
        const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        if (c == '=') break;
        bits = bits << 6 | static_cast<std::uint32_t>(std::strchr(digits, c) - digits);
        if ((held += 6) >= 8) png += static_cast<char>(bits >> (held -= 8));
    }
    EXPECT_EQ(pngPicture(png), test::parseOneBitBmp(expectedBmp).ascii);
    const auto bmp = client.Post("/api/label?format=bmp", json, "application/json");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(std::vector<std::uint8_t>(bmp->body.begin(), bmp->body.end()), expectedBmp);

    const auto bad = client.Post("/api/label", R"({"width": 40, "height": 20,
        "fields": [{"text": "A", "colour": 1}]})",
                                 "application/json");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    EXPECT_EQ(Json::parse(bad->body)["parameter"], "$.fields[0].colour");
}

TEST_F(ToolServe, LimitsDrawingsAndLabelsToMaxDots) {
    // The limit is exactly the drawing of "AB" in family 0 font 0.
    CTXR ctxr = Query{0, 0, 203, 1, 1, 0, 0, 0, ""}.renderer();
    const CSize ab = ctxr.GetStringSize("AB");
    Server limited({"--max-dots", std::to_string(ab.cx * ab.cy)});
    httplib::Client client("127.0.0.1", limited.port());
    EXPECT_EQ(client.Get("/api/render?hex=4142")->status, 200);
    const auto over = client.Get("/api/render?hex=414241");
    EXPECT_EQ(Json::parse(over->body)["parameter"], "hex");
    const std::string size = std::to_string(ab.cx);
    const auto label =
        client.Post("/api/label",
                    "{\"width\": " + size + ", \"height\": " + std::to_string(ab.cy) +
                        ", \"fields\": [{\"text\": \"ABA\"}]}",
                    "application/json");
    EXPECT_EQ(Json::parse(label->body)["parameter"], "$.fields[0]");
    const auto large = client.Post(
        "/api/label", "{\"width\": " + size + ", \"height\": " + std::to_string(ab.cy + 1) + "}",
        "application/json");
    EXPECT_EQ(Json::parse(large->body)["parameter"], "$.width");
}

TEST_F(ToolServe, EndsWithExitZeroOnSigintAndSigterm) {
    // Also a signal sent as soon as the address is printed, before the server may be running.
    for (const auto& [signal, askFirst] :
         {std::pair{SIGINT, true}, {SIGTERM, true}, {SIGTERM, false}}) {
        Server server({});
        ASSERT_GT(server.port(), 0);
        if (askFirst) {
            httplib::Client client("127.0.0.1", server.port());
            const auto page = client.Get("/");
            ASSERT_TRUE(page);
            EXPECT_NE(page->body.find("<html"), std::string::npos);
        }
        EXPECT_EQ(server.stop(signal), 0) << signal;
    }
    EXPECT_TRUE(std::filesystem::is_empty("tmp"));
}

}  // namespace
}  // namespace txr

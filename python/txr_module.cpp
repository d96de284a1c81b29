// The Python module txr: CTXR and txr::Label for Python, texts as bytes, refusals as exceptions,
// rendering with the GIL released. Bindings only: everything here is the C++ API's.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "label_json.h"
#include "txr/TXR.h"
#include "txr/c_api.h"
#include "txr/encoding.h"
#include "txr/label.h"

namespace py = pybind11;

namespace {

constexpr int kCharSetCount = 15;

// Texts are bytes; a str is taken as Latin-1, one byte per character, and refused when it has a
// character above U+00FF.
std::string textBytes(const py::object& text) {
    if (py::isinstance<py::bytes>(text)) return text.cast<std::string>();
    if (py::isinstance<py::bytearray>(text)) return py::bytes(text).cast<std::string>();
    if (py::isinstance<py::str>(text)) {
        const std::u32string characters = text.cast<std::u32string>();
        std::string bytes;
        bytes.reserve(characters.size());
        for (std::size_t i = 0; i < characters.size(); ++i) {
            if (characters[i] > 0xFF) {
                throw py::value_error("text: character " + std::to_string(i) + " (" +
                                      txr::encoding::unicodeName(characters[i]) +
                                      ") is not Latin-1; pass bytes or txr.encode's bytes");
            }
            bytes += static_cast<char>(characters[i]);
        }
        return bytes;
    }
    throw py::type_error("text must be bytes or str");
}

CString cstringOf(const std::string& bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        throw py::value_error("text longer than 2147483647 bytes");
    }
    return bytes.empty() ? CString() : CString(bytes.data(), static_cast<int>(bytes.size()));
}

struct Options {
    int family = 0;
    int font = 0;
    int dpi = 203;
    std::pair<int, int> scale{1, 1};
    int rotate = 0;
    bool invert = false;
    int charset = 0;
};

class SelectionError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

class Image {
  public:
    explicit Image(txr::StringImage image) : image_(std::move(image)) {}
    int width() const { return image_.width; }
    int height() const { return image_.height; }
    py::bytes rows() const {
        return py::bytes(reinterpret_cast<const char*>(image_.rows.data()), image_.rows.size());
    }
    std::size_t stride() const { return image_.stride(); }
    bool ink(int x, int y) const { return image_.ink(x, y); }
    py::bytes bmp() const {
        const std::vector<std::uint8_t> file = txr::bmpFileOf(image_);
        return py::bytes(reinterpret_cast<const char*>(file.data()), file.size());
    }
    // A Pillow image of mode "1": its raw rows have a set bit for white, so they are read
    // inverted.
    py::object toPil() const {
        py::module_ pil = py::module_::import("PIL.Image");
        return pil.attr("frombytes")("1", py::make_tuple(image_.width, image_.height), rows(),
                                     "raw", "1;I");
    }
    const txr::StringImage& image() const { return image_; }

  private:
    txr::StringImage image_;
};

class Renderer {
  public:
    explicit Renderer(const std::optional<std::string>& fonts) {
        std::string prefix = fonts ? *fonts : bundledFontDirectory();
        if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
        ctxr_.SetPath(CString(prefix.c_str()));
        path_ = prefix;
    }

    const std::string& fonts() const { return path_; }

    std::pair<int, int> size(const py::object& text, const Options& options) {
        const CString bytes = cstringOf(textBytes(text));
        const auto lock = lockReleasingGil();
        select(options);
        CSize size;
        {
            py::gil_scoped_release released;
            size = ctxr_.GetStringSize(bytes);
        }
        return {size.cx, size.cy};
    }

    Image render(const py::object& text, const Options& options) {
        const CString bytes = cstringOf(textBytes(text));
        const auto lock = lockReleasingGil();
        select(options);
        txr::StringImage image;
        {
            py::gil_scoped_release released;
            image = ctxr_.GetStringImage(bytes);
        }
        if (image.empty()) {
            throw py::value_error(
                "nothing to draw: an empty text, or a drawing larger than 2^28 dots");
        }
        return Image(std::move(image));
    }

    void bmp(const std::string& path, const py::object& text, const Options& options) {
        const Image image = render(text, options);
        std::string failure;
        {
            py::gil_scoped_release released;
            try {
                txr::writeBmpFile(path.c_str(), image.image());
            } catch (CFileException* error) {
                char message[512] = {};
                error->GetErrorMessage(message, sizeof message);
                error->Delete();
                failure = message;
            }
        }
        if (!failure.empty()) {
            PyErr_SetString(PyExc_OSError, (path + ": " + failure).c_str());
            throw py::error_already_set();
        }
    }

    std::vector<std::size_t> missing(const py::object& text, const Options& options) {
        const std::string bytes = textBytes(text);
        const auto lock = lockReleasingGil();
        select(options);
        py::gil_scoped_release released;
        return txr::missingGlyphs(ctxr_, bytes.data(), bytes.size());
    }

    // The CTXR, under the renderer's lock, with the GIL released while `body` runs.
    template <class Body>
    auto withCtxr(Body body) {
        const auto lock = lockReleasingGil();
        py::gil_scoped_release released;
        return body(ctxr_);
    }

  private:
    // The renderer's lock, waited for without the GIL: a thread that holds the lock takes the GIL
    // back when its drawing ends, so no thread may wait for the lock while holding the GIL.
    std::unique_lock<std::mutex> lockReleasingGil() {
        std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
        py::gil_scoped_release released;
        lock.lock();
        return lock;
    }

    void select(const Options& o) {
        if (o.charset < 0 || o.charset >= kCharSetCount) {
            throw py::value_error("charset " + std::to_string(o.charset) + ": 0 to 14");
        }
        const int code =
            ctxr_.SetFont(o.family, o.font, o.scale.first, o.scale.second, o.rotate, o.dpi);
        if (code != 0) {
            throw SelectionError(std::string(txr_status_message(code)) + " (SetFont code " +
                                 std::to_string(code) + ")");
        }
        ctxr_.SetInvert(o.invert ? 1 : 0);
        ctxr_.engineB->charSet = o.charset;
    }

    static std::string bundledFontDirectory() {
        const py::object file = py::module_::import("txr").attr("__file__");
        const py::object os = py::module_::import("os.path");
        return os.attr("join")(os.attr("dirname")(file), "fonts").cast<std::string>();
    }

    CTXR ctxr_;
    std::string path_;
    std::mutex mutex_;
};

py::list problemList(const std::vector<txr::LabelProblem>& problems) {
    static const char* const kinds[] = {"refused_selection", "missing_glyphs", "nothing_drawn"};
    py::list list;
    for (const txr::LabelProblem& p : problems) {
        py::dict problem;
        problem["field"] = p.field;
        problem["kind"] = kinds[static_cast<int>(p.kind)];
        problem["refusal"] = p.refusal;
        problem["positions"] = p.positions;
        problem["message"] = p.message();
        list.append(problem);
    }
    return list;
}

txr::Label labelFromJson(const py::object& source) {
    const std::string text = textBytes(source);
    txr::tool::LabelDescription description;
    try {
        description = txr::tool::readLabelJson(text);
    } catch (const txr::tool::LabelJsonError& error) {
        throw py::value_error(error.what());
    }
    if (!description.issues.empty() || !description.label) {
        std::string message = "not a valid label:";
        for (const txr::tool::LabelIssue& issue : description.issues) {
            message += "\n  " + issue.path + ": " + issue.message;
        }
        throw py::value_error(message);
    }
    return std::move(*description.label);
}

// A str typed in Unicode as the bytes the selected font prints it with; ValueError naming each
// character without a byte. The mapping needs no font file, so no Renderer either.
py::bytes encodeText(const std::string& utf8, int family, int font, int dpi, int charset,
                     const std::string& codePage) {
    namespace enc = txr::encoding;
    enc::CharacterBytes table = enc::CharacterBytes::forCodePage(enc::kDefaultCharacterMap);
    if (family == 1) {
        if (charset < 0 || charset >= kCharSetCount || font < 0 || font > 4 ||
            (dpi != 203 && dpi != 300)) {
            throw py::value_error("family 1 takes font 0 to 4, dpi 203 or 300, charset 0 to 14");
        }
        table = enc::CharacterBytes::forFamilyOne(dpi, font, charset);
    } else {
        const auto map = enc::characterMapByName(codePage);
        if (!map) throw py::value_error("code_page: no code page \"" + codePage + "\"");
        table = enc::CharacterBytes::forCodePage(*map);
    }
    // A Python str is always valid UTF-8 here, so only characters without a byte can fail.
    const enc::EncodedText encoded = enc::encodeUtf8(utf8, table);
    if (!encoded.unmapped.empty()) {
        throw py::value_error(enc::unmappedInWords(encoded.unmapped, table));
    }
    return py::bytes(encoded.bytes);
}

}  // namespace

PYBIND11_MODULE(_txr, m) {
    m.doc() = "Text as the label printer prints it with its bitmap fonts.";
    // A refused font selection; a ValueError, as are other values out of range
    // (std::invalid_argument and std::length_error from the library).
    py::register_exception<SelectionError>(m, "SelectionError", PyExc_ValueError);

    py::class_<Image>(m, "Image", "A one-bit image: rows top first, a set bit where ink is")
        .def_property_readonly("width", &Image::width)
        .def_property_readonly("height", &Image::height)
        .def_property_readonly("stride", &Image::stride)
        .def_property_readonly("rows", &Image::rows)
        .def("ink", &Image::ink, py::arg("x"), py::arg("y"))
        .def("bmp_bytes", &Image::bmp, "The one-bit BMP file, as GetBmpFile writes it")
        .def("to_pil", &Image::toPil, "A Pillow image of mode '1' (needs Pillow)")
        .def("__repr__", [](const Image& image) {
            return "<txr.Image " + std::to_string(image.width()) + " x " +
                   std::to_string(image.height()) + ">";
        });

    auto options = [](int family, int font, int dpi, std::pair<int, int> scale, int rotate,
                      bool invert, int charset) {
        return Options{family, font, dpi, scale, rotate, invert, charset};
    };
#define TXR_SELECTION_ARGS                                                                     \
    py::arg("family") = 0, py::arg("font") = 0, py::arg("dpi") = 203,                          \
    py::arg("scale") = std::make_pair(1, 1), py::arg("rotate") = 0, py::arg("invert") = false, \
    py::arg("charset") = 0

    py::class_<Renderer>(m, "Renderer")
        .def(py::init<const std::optional<std::string>&>(), py::arg("fonts") = py::none())
        .def_property_readonly("fonts", &Renderer::fonts)
        .def(
            "size",
            [options](Renderer& r, const py::object& text, int family, int font, int dpi,
                      std::pair<int, int> scale, int rotate, bool invert, int charset) {
                return r.size(text, options(family, font, dpi, scale, rotate, invert, charset));
            },
            py::arg("text"), TXR_SELECTION_ARGS, "(width, height) in dots, after rotation")
        .def(
            "render",
            [options](Renderer& r, const py::object& text, int family, int font, int dpi,
                      std::pair<int, int> scale, int rotate, bool invert, int charset) {
                return r.render(text, options(family, font, dpi, scale, rotate, invert, charset));
            },
            py::arg("text"), TXR_SELECTION_ARGS, "The text's image, the dots of GetBmpFile's file")
        .def(
            "bmp",
            [options](Renderer& r, const std::string& path, const py::object& text, int family,
                      int font, int dpi, std::pair<int, int> scale, int rotate, bool invert,
                      int charset) {
                r.bmp(path, text, options(family, font, dpi, scale, rotate, invert, charset));
            },
            py::arg("path"), py::arg("text"), TXR_SELECTION_ARGS,
            "Writes the text's one-bit BMP file")
        .def(
            "missing",
            [options](Renderer& r, const py::object& text, int family, int font, int dpi,
                      std::pair<int, int> scale, int rotate, bool invert, int charset) {
                return r.missing(text, options(family, font, dpi, scale, rotate, invert, charset));
            },
            py::arg("text"), TXR_SELECTION_ARGS,
            "Positions of the bytes that have no glyph in the selected font");
#undef TXR_SELECTION_ARGS

    m.def("encode", &encodeText, py::arg("text"), py::arg("family") = 0, py::arg("font") = 0,
          py::arg("dpi") = 203, py::arg("charset") = 0, py::arg("code_page") = "cp850",
          "The bytes that print `text` (a str) in the selection: family 1's character set, or "
          "the code page of families 0 and 2");

    py::class_<txr::Label>(m, "Label")
        .def(py::init<int, int, int>(), py::arg("width"), py::arg("height"), py::arg("dpi") = 203)
        .def_static("from_json", &labelFromJson, py::arg("json"),
                    "A label from its JSON description (str or bytes; see docs/labels.md)")
        .def_property_readonly("width", &txr::Label::width)
        .def_property_readonly("height", &txr::Label::height)
        .def_property_readonly("dpi", &txr::Label::dpi)
        .def_property_readonly("field_count", [](const txr::Label& l) { return l.fields().size(); })
        .def_property_readonly("box_count", [](const txr::Label& l) { return l.boxes().size(); })
        .def(
            "add_field",
            [](txr::Label& label, int x, int y, const py::object& text, int family, int font,
               std::pair<int, int> scale, int rotate, bool invert, int charset,
               const std::string& placement) {
                txr::LabelField field;
                field.x = x;
                field.y = y;
                field.text = textBytes(text);
                field.family = family;
                field.font = font;
                field.scaleH = scale.first;
                field.scaleV = scale.second;
                field.rotation = rotate;
                field.invert = invert;
                field.charSet = charset;
                if (placement != "ink" && placement != "whole") {
                    throw py::value_error("placement must be 'ink' or 'whole'");
                }
                field.placement =
                    placement == "whole" ? txr::Placement::whole : txr::Placement::ink;
                return label.add(std::move(field));
            },
            py::arg("x"), py::arg("y"), py::arg("text"), py::arg("family") = 0, py::arg("font") = 0,
            py::arg("scale") = std::make_pair(1, 1), py::arg("rotate") = 0,
            py::arg("invert") = false, py::arg("charset") = 0, py::arg("placement") = "ink",
            "Adds a text field; returns its index")
        .def(
            "add_box",
            [](txr::Label& label, int x, int y, int width, int height, int thickness) {
                label.add(txr::LabelBox{x, y, width, height, thickness});
            },
            py::arg("x"), py::arg("y"), py::arg("width"), py::arg("height"),
            py::arg("thickness") = 0, "Adds a solid box (thickness 0) or an outline")
        .def(
            "render",
            [](const txr::Label& label, Renderer& renderer) {
                txr::RenderedLabel rendered =
                    renderer.withCtxr([&](CTXR& ctxr) { return label.render(ctxr); });
                return py::make_tuple(Image(std::move(rendered.image)),
                                      problemList(rendered.problems));
            },
            py::arg("renderer"), "(image, problems): problems is a list of dicts")
        .def(
            "check",
            [](const txr::Label& label, Renderer& renderer) {
                return problemList(
                    renderer.withCtxr([&](CTXR& ctxr) { return label.check(ctxr); }));
            },
            py::arg("renderer"), "The problems render would report, without drawing");
}

// The Python module: images of the core (imgforge.h) as Python objects.
// Failures of the core raise imgforge.Error, its warnings go to Python's
// warnings module, and calls that do real work run without the GIL, so that
// images in two threads are edited at once. Nothing here prints.
#include "imgforge.h"

#include "dump/catalogue.h"
#include "report/text.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

// The module's classes that are not bound C++ types, made once at import.
struct module_types {
    PyObject *error = nullptr;
    PyObject *tag_not_found = nullptr;
    PyObject *record = nullptr;
    PyObject *problem = nullptr;
    PyObject *field = nullptr;
    PyObject *tag = nullptr;
};

module_types &types()
{
    static module_types t;
    return t;
}

template <class... Args> py::object make(PyObject *type, Args &&...args)
{
    return py::reinterpret_borrow<py::object>(type)(std::forward<Args>(args)...);
}

// Text of the core (messages, decoded records, file names) as Python text:
// bytes that are not UTF-8 read as "\xNN", as in the --json document.
py::str text_of(std::string_view text)
{
    return py::str(imgforge::valid_utf8(text));
}

template <class T> py::object none_or(const std::optional<T> &value)
{
    return value ? py::cast(*value) : py::object(py::none());
}

// The core's text without its "ERROR: " (or "WARNING: ") and final line end.
std::string message_of(std::string text, std::string_view prefix)
{
    if (text.starts_with(prefix))
        text.erase(0, prefix.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void set_error(PyObject *type, const imgforge::error &e)
{
    py::str message = text_of(message_of(e.text, "ERROR: "));
    py::object exc = make(type, message);
    exc.attr("status") = e.status;
    exc.attr("message") = message;
    PyErr_SetObject(type, exc.ptr());
}

[[noreturn]] void raise_tag_not_found(uint8_t tag, const char *operation)
{
    char text[64];
    std::snprintf(text, sizeof text, "failed to %s tag %02x: TAG_NOT_DEFINED", operation, tag);
    set_error(types().tag_not_found, imgforge::error{imgforge::EXIT_REFUSED, text});
    throw py::error_already_set();
}

// An image, the warnings the core wrote about it, and whether a call
// without the GIL is at work on it. The flag is only touched with the GIL
// held.
struct py_image {
    imgforge::image img;
    std::string warnings;
    bool busy = false;

    py_image() { img.env.warnings = imgforge::text_sink(warnings); }
    py_image(const py_image &) = delete;
    py_image &operator=(const py_image &) = delete;

    // The image, refused while another thread works on it.
    imgforge::image &ready()
    {
        if (busy)
            throw std::runtime_error("the image is in use by another thread");
        return img;
    }

    // Each warning line to Python's warnings module, as a UserWarning.
    void hand_warnings()
    {
        std::string text = std::exchange(warnings, {});
        for (size_t start = 0, end; start < text.size(); start = end + 1) {
            end = std::min(text.find('\n', start), text.size());
            std::string line =
                imgforge::valid_utf8(message_of(text.substr(start, end - start), "WARNING: "));
            if (!line.empty() && PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 1) < 0)
                throw py::error_already_set();
        }
    }
};

// Marks images in use for the length of a call without the GIL: another
// thread that reaches one of them meanwhile gets an exception, not a race.
class claim {
  public:
    explicit claim(std::initializer_list<py_image *> list) : images(list)
    {
        for (py_image *p : images)
            p->ready();
        for (py_image *p : images)
            p->busy = true;
    }
    ~claim()
    {
        for (py_image *p : images)
            p->busy = false;
    }
    claim(const claim &) = delete;
    claim &operator=(const claim &) = delete;

  private:
    // A copy: a list's array lives only as long as the expression that made it.
    std::vector<py_image *> images;
};

// Runs `work` without the GIL, then hands the core's warnings to Python.
template <class F> auto unlocked(std::initializer_list<py_image *> images, F work)
{
    using result = decltype(work());
    if constexpr (std::is_void_v<result>) {
        unlocked(images, [&] { return (work(), 0); });
    } else {
        std::optional<result> out;
        try {
            claim held(images);
            py::gil_scoped_release release;
            out.emplace(work());
        } catch (...) {
            for (py_image *p : images)
                p->hand_warnings();
            throw;
        }
        for (py_image *p : images)
            p->hand_warnings();
        return std::move(*out);
    }
}

template <class F> auto unlocked(py_image &self, F work)
{
    return unlocked({&self}, std::move(work));
}

// A new image that `work` makes without the GIL.
template <class F> std::unique_ptr<py_image> made(F work)
{
    auto self = std::make_unique<py_image>();
    unlocked(*self, [&] { work(self->img); });
    return self;
}

// A whole number of Python, refused unless it lies in [low, high].
int64_t int_in(const py::handle &value, int64_t low, int64_t high, const char *what)
{
    if (!PyLong_Check(value.ptr()) || PyBool_Check(value.ptr()))
        throw py::type_error(std::string(what) + " is an int");
    int overflow = 0;
    long long n = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow || n < low || n > high)
        imgforge::fail(imgforge::EXIT_USAGE,
                       "ERROR: " + std::string(what) + " " + py::str(value).cast<std::string>() +
                           " is not " + std::to_string(low) + " to " + std::to_string(high) + "\n");
    return n;
}

// A tag given as a number (1 to 254) or as a name in any letter case.
uint8_t tag_of(const py::handle &tag)
{
    if (py::isinstance<py::str>(tag))
        return imgforge::tag_named(tag.cast<std::string>());
    return uint8_t(int_in(tag, 1, 254, "tag"));
}

uint32_t size_of(const py::handle &size)
{
    return uint32_t(int_in(size, 0, UINT32_MAX, "flash size"));
}

// A path as the system takes it: str, bytes or os.PathLike.
std::string path_of(const py::handle &path)
{
    return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

// The bytes of an object with the buffer protocol, as one contiguous view.
class byte_view {
  public:
    explicit byte_view(const py::handle &data)
    {
        if (py::isinstance<py::str>(data) || PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE)) {
            PyErr_Clear();
            throw py::type_error("contiguous bytes, bytearray or memoryview expected");
        }
    }
    ~byte_view() { PyBuffer_Release(&view); }
    byte_view(const byte_view &) = delete;
    byte_view &operator=(const byte_view &) = delete;
    std::span<const uint8_t> bytes() const
    {
        return {static_cast<const uint8_t *>(view.buf), size_t(view.len)};
    }

  private:
    Py_buffer view{};
};

bool is_bytes_like(const py::handle &source)
{
    return !py::isinstance<py::str>(source) && PyObject_CheckBuffer(source.ptr());
}

py::bytes bytes_of(const std::vector<uint8_t> &bytes)
{
    return py::bytes(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

// A record with what the --json document says of it.
struct record_info {
    imgforge::record r;
    std::optional<std::string> decoded;
    std::optional<int64_t> value;
};

std::vector<record_info> record_infos(imgforge::image &img)
{
    std::vector<record_info> out;
    for (imgforge::record &r : imgforge::records(img)) {
        std::optional<std::string> decoded = imgforge::decoded_text(img, r);
        if (decoded)
            decoded = imgforge::valid_utf8(*decoded);
        std::optional<int64_t> value = imgforge::record_value(r);
        out.push_back({std::move(r), std::move(decoded), value});
    }
    return out;
}

py::object record_object(const record_info &i)
{
    const imgforge::tag_info *info = imgforge::find_tag_info(i.r.tag);
    std::optional<std::string> name;
    if (info)
        name = info->name;
    return make(types().record, i.r.offset, i.r.tag, none_or(name), i.r.data.size(), i.r.locked,
                bytes_of(i.r.data), none_or(i.decoded), none_or(i.value));
}

py::list records_of(py_image &self)
{
    std::vector<record_info> infos = unlocked(self, [&] { return record_infos(self.img); });
    py::list out;
    for (const record_info &i : infos)
        out.append(record_object(i));
    return out;
}

py::list problems_of(py_image &self)
{
    imgforge::check_report report = unlocked(self, [&] { return imgforge::check(self.img); });
    py::list out;
    for (const imgforge::problem &p : report.problems)
        out.append(make(types().problem, none_or(p.offset), text_of(p.text)));
    return out;
}

std::string json_of(py_image &self)
{
    return unlocked(self, [&] { return imgforge::json_document(self.img, false); });
}

py::object json_loads(const std::string &text)
{
    return py::module_::import("json").attr("loads")(py::str(text));
}

// The hardware word of an OTP image as it stood when asked for.
struct hw_view {
    uint32_t word;
    std::vector<imgforge::hw_field> fields;
};

hw_view hw_of(py_image &self)
{
    imgforge::image &img = self.ready();
    return {imgforge::hw_config(img), imgforge::hw_fields(img)};
}

py::dict fields_of(const hw_view &hw)
{
    py::dict out;
    for (const imgforge::hw_field &f : hw.fields)
        out[py::str(f.name)] = make(types().field, f.name, f.low, f.high, f.value, text_of(f.text));
    return out;
}

uint32_t field_value(const hw_view &hw, const std::string &name)
{
    for (const imgforge::hw_field &f : hw.fields)
        if (name == f.name)
            return f.value;
    throw py::key_error(name);
}

// -w: a field by name, NAME:VALUE, or the bits of a word.
void blow_arg(py_image &self, const py::handle &arg)
{
    imgforge::image &img = self.ready();
    if (py::isinstance<py::str>(arg))
        imgforge::blow(img, arg.cast<std::string>());
    else
        imgforge::blow_bits(img, uint32_t(int_in(arg, 0, UINT32_MAX, "hardware word")));
}

// --set TAG[:TYPE]=VALUE, the tag as its number.
std::string setting_of(const py::handle &tag, const py::handle &value,
                       const std::optional<std::string> &type)
{
    char number[3];
    std::snprintf(number, sizeof number, "%02x", tag_of(tag));
    std::string text = std::string(number) + (type ? ":" + *type : "") + "=";
    if (PyLong_Check(value.ptr()) && !PyBool_Check(value.ptr()))
        return text + py::str(value).cast<std::string>();
    if (py::isinstance<py::str>(value))
        return text + value.cast<std::string>();
    if (py::hasattr(value, "__fspath__"))
        return text + path_of(value);
    throw py::type_error("a value is an int, a str or an os.PathLike");
}

std::unique_ptr<py_image> load(const py::handle &source, bool otp, const py::handle &size)
{
    uint32_t flash_size = size_of(size);
    auto prepare = [otp, flash_size](imgforge::image &img) {
        if (otp)
            imgforge::make_otp(img);
        if (flash_size != imgforge::DEFAULT_FLASH_SIZE)
            imgforge::set_size(img, flash_size);
    };
    if (is_bytes_like(source)) {
        byte_view bytes(source);
        return made([&](imgforge::image &img) {
            prepare(img);
            imgforge::load_bytes(img, bytes.bytes(), "<bytes>");
        });
    }
    std::string path = path_of(source);
    return made([&](imgforge::image &img) {
        prepare(img);
        imgforge::load_file(img, path);
    });
}

std::unique_ptr<py_image> from_manifest(const py::handle &manifest)
{
    if (py::isinstance<py::dict>(manifest)) {
        std::string text = py::module_::import("json").attr("dumps")(manifest).cast<std::string>();
        return made([&](imgforge::image &img) {
            imgforge::apply_manifest_text(img, text, "<manifest>", ".");
        });
    }
    std::string path = path_of(manifest);
    return made([&](imgforge::image &img) { imgforge::apply_manifest_file(img, path); });
}

// A copy of the image as it stands: its bytes, form and size.
std::unique_ptr<py_image> copy_of(py_image &self)
{
    return unlocked(self, [&] {
        std::vector<uint8_t> bytes = imgforge::image_bytes(self.img, true);
        auto copy = std::make_unique<py_image>();
        if (self.img.otp)
            imgforge::make_otp(copy->img);
        else if (self.img.size != imgforge::DEFAULT_FLASH_SIZE)
            imgforge::set_size(copy->img, self.img.size);
        imgforge::load_bytes(copy->img, bytes, "<copy>");
        return copy;
    });
}

std::string repr_of(py_image &self)
{
    imgforge::image &img = self.ready();
    return std::string("<imgforge.Image ") + (img.otp ? "otp" : "flash") + ", " +
           std::to_string(img.size) + " bytes, " + std::to_string(imgforge::records(img).size()) +
           " records>";
}

py::list tag_list()
{
    py::list out;
    for (const imgforge::tag_entry &t : imgforge::tags())
        out.append(make(types().tag, t.tag, t.name, t.group, t.length));
    return out;
}

// Plain records of values are named tuples, with the meanings of their
// fields.
struct tuple_field {
    const char *name;
    const char *doc;
};

PyObject *named_tuple(py::module_ &m, const char *name, const char *doc,
                      std::initializer_list<tuple_field> fields)
{
    py::list names;
    for (const tuple_field &f : fields)
        names.append(f.name);
    py::object type = py::module_::import("collections")
                          .attr("namedtuple")(name, names, py::arg("module") = "imgforge");
    type.attr("__doc__") = doc;
    for (const tuple_field &f : fields)
        type.attr(f.name).attr("__doc__") = f.doc;
    m.attr(name) = type;
    return type.release().ptr();
}

void add_tuples(py::module_ &m)
{
    types().record = named_tuple(m, "Record", "A live record of an image, as --json describes it.",
                                 {{"offset", "Offset of the record's data in the image."},
                                  {"tag", "The tag, 1 to 254."},
                                  {"name", "The tag's name, or None for a tag the tool does "
                                           "not know."},
                                  {"length", "Length of the data in bytes."},
                                  {"locked", "Whether the record is locked."},
                                  {"data", "The record's data."},
                                  {"decoded", "What -p prints after the offset and name, or "
                                              "None."},
                                  {"value", "The one number the record holds, or None."}});
    types().problem = named_tuple(
        m, "Problem", "A problem that check() found.",
        {{"offset", "Offset of the record's data, or None."}, {"text", "What is wrong."}});
    types().field = named_tuple(m, "Field", "A field of the OTP hardware configuration word.",
                                {{"name", "The field's name, as blow() takes it."},
                                 {"low", "Its lowest bit."},
                                 {"high", "Its highest bit."},
                                 {"value", "Its value in the word."},
                                 {"text", "What the value means, or ''."}});
    types().tag = named_tuple(m, "Tag", "A tag the tool knows, as --tags lists it.",
                              {{"number", "The tag, 1 to 254."},
                               {"name", "Its name."},
                               {"group", "Its group: PARAM_ID, NVDS_TAG or platform."},
                               {"length", "Its length rule: 'N bytes', 'at most N bytes' or "
                                          "'any length'."}});
}

void add_errors(py::module_ &m)
{
    types().error = PyErr_NewExceptionWithDoc(
        "imgforge.Error",
        "A failure: .status is the exit status the tool would end with, .message its text.",
        PyExc_Exception, nullptr);
    if (!types().error)
        throw py::error_already_set();
    py::tuple bases = py::make_tuple(py::handle(types().error), py::handle(PyExc_KeyError));
    // str() is the message, not KeyError's quoted form of it.
    py::dict body;
    body["__str__"] = py::handle(PyExc_BaseException).attr("__str__");
    types().tag_not_found = PyErr_NewExceptionWithDoc(
        "imgforge.TagNotFound", "The image holds no live record of the tag (also a KeyError).",
        bases.ptr(), body.ptr());
    if (!types().tag_not_found)
        throw py::error_already_set();
    m.attr("Error") = py::handle(types().error);
    m.attr("TagNotFound") = py::handle(types().tag_not_found);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const imgforge::error &e) {
            set_error(types().error, e);
        }
    });
}

void add_making(py::class_<py_image> &c)
{
    c.def(py::init([](const py::handle &size) {
              uint32_t flash_size = size_of(size);
              return made(
                  [flash_size](imgforge::image &img) { imgforge::set_size(img, flash_size); });
          }),
          py::arg("size") = imgforge::DEFAULT_FLASH_SIZE,
          "An empty flash image of `size` bytes (as -f).");
    c.def_static(
        "otp", [] { return made([](imgforge::image &img) { imgforge::make_otp(img); }); },
        "An empty 4096-byte OTP image (as -i).");
    c.def_static("load", &load, py::arg("source"), py::arg("otp") = false,
                 py::arg("size") = imgforge::DEFAULT_FLASH_SIZE,
                 "An image read as -r reads a file: from a path (str or os.PathLike) or from "
                 "the bytes of a bytes, bytearray or memoryview; `otp` as -i, `size` as -f.");
    c.def_static("from_manifest", &from_manifest, py::arg("manifest"),
                 "An image built as --manifest builds it: from a dict of the JSON document "
                 "(its file paths start at the current folder) or from the path of its file.");
    c.def("copy", &copy_of, "A copy of the image: its bytes, form and size.");
}

void add_records(py::class_<py_image> &c)
{
    c.def("records", &records_of, "The live records in chain order, as Record tuples.");
    c.def(
        "__iter__", [](py_image &self) { return py::iter(records_of(self)); },
        "The live records in chain order, as Record tuples.");
    c.def(
        "__len__", [](py_image &self) { return imgforge::records(self.ready()).size(); },
        "The number of live records.");
    c.def(
        "__contains__",
        [](py_image &self, const py::handle &tag) {
            return imgforge::record_data(self.ready(), tag_of(tag)).has_value();
        },
        "Whether the tag has a live record.");
    c.def(
        "__getitem__",
        [](py_image &self, const py::handle &tag) {
            uint8_t t = tag_of(tag);
            std::optional<std::vector<uint8_t>> data = imgforge::record_data(self.ready(), t);
            if (!data)
                raise_tag_not_found(t, "get");
            return bytes_of(*data);
        },
        "The data of the tag's live record; TagNotFound without one.");
}

void add_reports(py::class_<py_image> &c)
{
    c.def("check", &problems_of,
          "The problems --check finds, as Problem tuples; empty when the image is sound.");
    c.def("to_json", &json_of, "The document --json writes.");
    c.def(
        "to_dict", [](py_image &self) { return json_loads(json_of(self)); },
        "The --json document as a dict.");
    c.def(
        "diff",
        [](py_image &self, py_image &other) {
            return json_loads(unlocked(
                {&self, &other}, [&] { return imgforge::diff_document(self.img, other.img); }));
        },
        py::arg("other"), "The comparison with an image of the same form, as --diff --json.");
    c.def("__repr__", &repr_of, "The form, the size and the number of records.");
}

void add_output(py::class_<py_image> &c)
{
    c.def(
        "__bytes__",
        [](py_image &self) {
            return bytes_of(unlocked(self, [&] { return imgforge::image_bytes(self.img, false); }));
        },
        "What -b writes: up to 4 bytes past the last record (the whole image in OTP form).");
    c.def(
        "save",
        [](py_image &self, const py::handle &path, bool full, bool sync) {
            std::string p = path_of(path);
            unlocked(self, [&] { imgforge::save(self.img, p, full, sync); });
        },
        py::arg("path"), py::arg("full") = false, py::arg("sync") = true,
        "Writes what -b writes (the whole flash with `full`, as -F) to a file, atomically, "
        "flushed to the disk before it replaces the file; with sync=False the system writes it "
        "back in its own time (many files and one os.sync() at the end).");
}

void add_editing(py::class_<py_image> &c)
{
    c.def(
        "put",
        [](py_image &self, const py::handle &tag, const py::handle &data) {
            uint8_t t = tag_of(tag);
            byte_view bytes(data);
            unlocked(self, [&] { imgforge::put(self.img, t, bytes.bytes()); });
        },
        py::arg("tag"), py::arg("data"),
        "Stores the data as the tag's record (as -t/-d); register writes (fc to fe) add one.");
    c.def(
        "set",
        [](py_image &self, const py::handle &tag, const py::handle &value,
           const std::optional<std::string> &type) {
            std::string setting = setting_of(tag, value, type);
            unlocked(self, [&] { imgforge::set(self.img, setting); });
        },
        py::arg("tag"), py::arg("value"), py::arg("type") = py::none(),
        "Stores a typed value as --set TAG[:TYPE]=VALUE does; types: hex, text, u8, u16, u32, "
        "bd_address, file.");
    c.def(
        "__delitem__",
        [](py_image &self, const py::handle &tag) {
            uint8_t t = tag_of(tag);
            imgforge::image &img = self.ready();
            if (!imgforge::record_data(img, t))
                raise_tag_not_found(t, "erase");
            imgforge::erase(img, t);
        },
        "Deletes the tag's record (as -e); TagNotFound without one.");
    c.def(
        "lock",
        [](py_image &self, const py::handle &tag) { imgforge::lock(self.ready(), tag_of(tag)); },
        py::arg("tag"), "Locks the tag's record (as -l).");
    c.def(
        "compact", [](py_image &self) { unlocked(self, [&] { imgforge::compact(self.img); }); },
        "Rewrites the image with its live records only (as --compact).");
}

void add_hw_config(py::class_<py_image> &c)
{
    py::class_<hw_view>(c, "HwConfig", "The hardware configuration word of an OTP image.")
        .def_readonly("word", &hw_view::word, "The 32-bit word.")
        .def_property_readonly("fields", &fields_of, "The fields by name, as Field tuples.")
        .def("__getitem__", &field_value, "The value of the field of that name.")
        .def(
            "__repr__",
            [](const hw_view &hw) {
                char text[48];
                std::snprintf(text, sizeof text, "<imgforge.Image.HwConfig 0x%08x>", hw.word);
                return std::string(text);
            },
            "The word in hex.");
    c.def_property_readonly("hw_config", &hw_of,
                            "The hardware configuration word (OTP form only) as it stands.");
    c.def("blow", &blow_arg, py::arg("arg"),
          "Blows bits of the hardware word as -w does: a field's name, 'NAME:VALUE', or an int "
          "of the bits.");
}

} // namespace

PYBIND11_MODULE(imgforge, m)
{
    m.doc() = "Build, edit and inspect NVDS images in flash and OTP form.";
    add_errors(m);
    add_tuples(m);
    py::class_<py_image> image(m, "Image",
                               "An NVDS image in flash or OTP form. An image is used by one thread "
                               "at a time; images in different threads work at once.");
    add_making(image);
    add_records(image);
    add_reports(image);
    add_output(image);
    add_editing(image);
    add_hw_config(image);
    m.def("tags", &tag_list, "The tags the tool knows, as Tag tuples.");
}

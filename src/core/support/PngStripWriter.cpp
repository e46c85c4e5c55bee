#include "support/PngStripWriter.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>

namespace tx {

struct PngStripWriter::Codec {
    Codec(const QString& path, LinkPolicy links) : file(path, links) {}
    ~Codec() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }

    AtomicFile file;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[256] = {};
    QString writeError;  // the first failed write; later output is dropped
    int width = 0;
    int rowsLeft = 0;

    static void error(png_structp p, png_const_charp text) {
        Codec& self = *static_cast<Codec*>(png_get_error_ptr(p));
        std::snprintf(self.message, sizeof self.message, "%s", text ? text : "PNG error");
        png_longjmp(p, 1);
    }
    static void warning(png_structp, png_const_charp) {}
    static void writeData(png_structp p, png_bytep data, png_size_t size) {
        Codec& self = *static_cast<Codec*>(png_get_io_ptr(p));
        if (self.writeError.isEmpty() &&
            !self.file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)))
            self.writeError = self.file.errorString();
    }
    static void flushData(png_structp) {}
};

PngStripWriter::PngStripWriter(QString path, LinkPolicy links) : m_path(std::move(path)), m_links(links) {}

PngStripWriter::~PngStripWriter() { cancel(); }

bool PngStripWriter::begin(int width, int height) {
    if (width <= 0 || height <= 0) return fail(QStringLiteral("the picture is empty"));
    m_codec = std::make_unique<Codec>(m_path, m_links);
    Codec& c = *m_codec;
    if (!c.file.open()) return fail(c.file.errorString());
    c.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &c, &Codec::error, &Codec::warning);
    if (!c.png) return fail(QStringLiteral("not enough memory"));
    c.info = png_create_info_struct(c.png);
    if (!c.info) return fail(QStringLiteral("not enough memory"));
    if (setjmp(png_jmpbuf(c.png))) return fail(QString::fromLocal8Bit(c.message));
    png_set_write_fn(c.png, &c, &Codec::writeData, &Codec::flushData);
    png_set_IHDR(c.png, c.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast deflate: a mosaic page is large and photographic; the higher levels save
    // a few per cent for several times the time.
    png_set_compression_level(c.png, 3);
    png_write_info(c.png, c.info);
    c.width = width;
    c.rowsLeft = height;
    return c.writeError.isEmpty() || fail(c.writeError);
}

bool PngStripWriter::write(const Picture& strip) {
    if (!m_codec || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Codec& c = *m_codec;
    if (strip.width() != c.width || strip.height() > c.rowsLeft)
        return fail(QStringLiteral("the strip does not fit the picture"));
    if (setjmp(png_jmpbuf(c.png))) return fail(QString::fromLocal8Bit(c.message));
    for (int y = 0; y < strip.height(); ++y) png_write_row(c.png, strip.scanLine(y));
    c.rowsLeft -= strip.height();
    return c.writeError.isEmpty() || fail(c.writeError);
}

bool PngStripWriter::finish() {
    if (!m_codec || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Codec& c = *m_codec;
    if (c.rowsLeft != 0) return fail(QStringLiteral("the picture is incomplete"));
    if (setjmp(png_jmpbuf(c.png))) return fail(QString::fromLocal8Bit(c.message));
    png_write_end(c.png, nullptr);
    if (!c.writeError.isEmpty()) return fail(c.writeError);
    if (!c.file.commit()) return fail(c.file.errorString());
    m_codec.reset();
    return true;
}

void PngStripWriter::cancel() {
    if (!m_codec) return;
    m_codec->file.cancel();
    m_codec.reset();
}

}  // namespace tx

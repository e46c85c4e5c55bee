#include "support/JpegStripWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace tx {

namespace {

constexpr std::size_t kOutputChunk = std::size_t{1} << 16;

}  // namespace

struct JpegStripWriter::Codec {
    explicit Codec(const QString& path, LinkPolicy links) : file(path, links) {}

    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf escape{};
    char message[JMSG_LENGTH_MAX] = {};
    bool created = false;
    bool started = false;
    AtomicFile file;
    QString writeError;  // the first failed write; later output is dropped
    std::vector<JOCTET> chunk = std::vector<JOCTET>(kOutputChunk);
    int rowsLeft = 0;
    std::vector<JSAMPROW> rows;  // kept here: nothing with a destructor lives across a longjmp

    static Codec& of(j_common_ptr c) { return *static_cast<Codec*>(c->client_data); }

    static void errorExit(j_common_ptr c) {
        Codec& self = of(c);
        (*c->err->format_message)(c, self.message);
        std::longjmp(self.escape, 1);
    }
    static void outputMessage(j_common_ptr) {}  // warnings are not printed

    static void initDestination(j_compress_ptr c) {
        Codec& self = of(reinterpret_cast<j_common_ptr>(c));
        c->dest->next_output_byte = self.chunk.data();
        c->dest->free_in_buffer = self.chunk.size();
    }
    void flush(std::size_t bytes) {
        if (writeError.isEmpty() && bytes > 0 &&
            !file.write(reinterpret_cast<const char*>(chunk.data()), static_cast<qint64>(bytes)))
            writeError = file.errorString();
    }
    static boolean emptyOutput(j_compress_ptr c) {
        Codec& self = of(reinterpret_cast<j_common_ptr>(c));
        self.flush(self.chunk.size());
        initDestination(c);
        return TRUE;
    }
    static void termDestination(j_compress_ptr c) {
        Codec& self = of(reinterpret_cast<j_common_ptr>(c));
        self.flush(self.chunk.size() - c->dest->free_in_buffer);
    }

    ~Codec() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

JpegStripWriter::JpegStripWriter(QString path, int quality, LinkPolicy links)
    : m_path(std::move(path)), m_quality(std::clamp(quality, 1, 100)), m_links(links) {}

JpegStripWriter::~JpegStripWriter() { cancel(); }

bool JpegStripWriter::begin(int width, int height) {
    if (width <= 0 || height <= 0) return fail(QStringLiteral("the picture is empty"));
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return fail(QStringLiteral("a JPEG picture is at most %1 pixels wide and high").arg(JPEG_MAX_DIMENSION));
    m_codec = std::make_unique<Codec>(m_path, m_links);
    Codec& c = *m_codec;
    if (!c.file.open()) return fail(c.file.errorString());

    c.cinfo.err = jpeg_std_error(&c.errors);
    c.errors.error_exit = &Codec::errorExit;
    c.errors.output_message = &Codec::outputMessage;
    c.cinfo.client_data = &c;
    if (setjmp(c.escape)) return fail(QString::fromLocal8Bit(c.message));
    jpeg_create_compress(&c.cinfo);
    c.created = true;
    c.destination.init_destination = &Codec::initDestination;
    c.destination.empty_output_buffer = &Codec::emptyOutput;
    c.destination.term_destination = &Codec::termDestination;
    c.cinfo.dest = &c.destination;

    c.cinfo.image_width = static_cast<JDIMENSION>(width);
    c.cinfo.image_height = static_cast<JDIMENSION>(height);
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.cinfo);
    // What the TurboJPEG encoder of the JPEG bridge sets for 4:2:0 at this quality.
    jpeg_set_quality(&c.cinfo, m_quality, TRUE);
    c.cinfo.dct_method = m_quality >= 96 ? JDCT_ISLOW : JDCT_FASTEST;
    jpeg_set_colorspace(&c.cinfo, JCS_YCbCr);
    c.cinfo.comp_info[0].h_samp_factor = 2;
    c.cinfo.comp_info[0].v_samp_factor = 2;
    for (int k = 1; k < 3; ++k) c.cinfo.comp_info[k].h_samp_factor = c.cinfo.comp_info[k].v_samp_factor = 1;
    jpeg_start_compress(&c.cinfo, TRUE);
    c.started = true;
    c.rowsLeft = height;
    return c.writeError.isEmpty() || fail(c.writeError);
}

bool JpegStripWriter::write(const Picture& strip) {
    if (!m_codec || !m_codec->started || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Codec& c = *m_codec;
    if (strip.width() != static_cast<int>(c.cinfo.image_width) || strip.height() > c.rowsLeft)
        return fail(QStringLiteral("the strip does not fit the picture"));
    c.rows.resize(static_cast<std::size_t>(strip.height()));
    for (int y = 0; y < strip.height(); ++y) c.rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(strip.scanLine(y));
    if (setjmp(c.escape)) return fail(QString::fromLocal8Bit(c.message));
    JDIMENSION done = 0;
    while (done < c.rows.size())
        done += jpeg_write_scanlines(&c.cinfo, c.rows.data() + done, static_cast<JDIMENSION>(c.rows.size() - done));
    c.rowsLeft -= strip.height();
    return c.writeError.isEmpty() || fail(c.writeError);
}

bool JpegStripWriter::finish() {
    if (!m_codec || !m_codec->started || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Codec& c = *m_codec;
    if (c.rowsLeft != 0) return fail(QStringLiteral("the picture is incomplete"));
    if (setjmp(c.escape)) return fail(QString::fromLocal8Bit(c.message));
    jpeg_finish_compress(&c.cinfo);
    c.started = false;
    if (!c.writeError.isEmpty()) return fail(c.writeError);
    if (!c.file.commit()) return fail(c.file.errorString());
    m_codec.reset();
    return true;
}

void JpegStripWriter::cancel() {
    if (!m_codec) return;
    m_codec->file.cancel();
    m_codec.reset();
}

}  // namespace tx

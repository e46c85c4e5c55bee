#include "support/BmpStripWriter.h"

#include <algorithm>

#include "support/BmpHeader.h"

namespace tx {

BmpStripWriter::BmpStripWriter(QString path, LinkPolicy links) : m_path(std::move(path)), m_links(links) {}

BmpStripWriter::~BmpStripWriter() { cancel(); }

QString BmpStripWriter::tooLargeReason() { return QStringLiteral("Picture too large for a BMP file"); }

bool BmpStripWriter::begin(int width, int height) {
    if (width <= 0 || height <= 0) return fail(QStringLiteral("Nothing to save: the picture is empty"));
    const auto layout = bmpLayout(width, height);
    if (!layout) return fail(tooLargeReason());

    m_file = std::make_unique<AtomicFile>(m_path, m_links);
    if (!m_file->open() || !m_file->write(reinterpret_cast<const char*>(layout->header.data()), 54)) return fail(m_file->errorString());
    m_width = width;
    m_height = height;
    m_rowBytes = layout->rowBytes;
    m_nextRow = 0;
    return true;
}

bool BmpStripWriter::write(const Picture& strip) {
    if (!m_file || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    if (strip.width() != m_width || strip.height() > m_height - m_nextRow)
        return fail(QStringLiteral("the strip does not fit the picture"));
    const int rows = strip.height();
    if (rows == 0) return true;
    // The strip's last row comes first in the file.
    m_rows.assign(static_cast<std::size_t>(m_rowBytes * rows), 0);
    for (int r = 0; r < rows; ++r) {
        auto* d = reinterpret_cast<std::uint8_t*>(m_rows.data() + (rows - 1 - r) * m_rowBytes);
        const std::uint8_t* s = strip.scanLine(r);
        for (int x = 0; x < m_width; ++x, d += 3, s += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    const std::int64_t firstFileRow = m_height - (m_nextRow + rows);
    if (!m_file->seek(54 + firstFileRow * m_rowBytes) ||
        !m_file->write(m_rows.data(), static_cast<qint64>(m_rows.size())))
        return fail(m_file->errorString());
    m_nextRow += rows;
    return true;
}

bool BmpStripWriter::finish() {
    if (!m_file || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    if (m_nextRow != m_height) return fail(QStringLiteral("the picture is incomplete"));
    if (!m_file->commit()) return fail(m_file->errorString());
    m_file.reset();
    m_rows = {};
    return true;
}

void BmpStripWriter::cancel() {
    if (m_file) m_file->cancel();
    m_file.reset();
}

}  // namespace tx

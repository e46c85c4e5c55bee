#pragma once
// JPEG written scanline by scanline with the settings of the JPEG bridge's encoder
// (4:2:0, the same quality and DCT), so a page streamed in strips is the same
// file as the page encoded whole.

#include <memory>

#include "support/AtomicFile.h"
#include "support/StripWriter.h"

namespace tx {

class JpegStripWriter : public StripWriter {
public:
    JpegStripWriter(QString path, int quality, LinkPolicy links = LinkPolicy::FollowToRegularFile);
    ~JpegStripWriter() override;

    bool begin(int width, int height) override;
    bool write(const Picture& strip) override;
    bool finish() override;
    void cancel() override;

    struct Codec;

private:
    QString m_path;
    int m_quality;
    LinkPolicy m_links;
    std::unique_ptr<Codec> m_codec;
};

}  // namespace tx

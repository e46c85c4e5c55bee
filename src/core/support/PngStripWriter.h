#pragma once
// Lossless PNG (8-bit RGB) written row by row with libpng.

#include <memory>

#include "support/AtomicFile.h"
#include "support/StripWriter.h"

namespace tx {

class PngStripWriter : public StripWriter {
public:
    explicit PngStripWriter(QString path, LinkPolicy links = LinkPolicy::FollowToRegularFile);
    ~PngStripWriter() override;

    bool begin(int width, int height) override;
    bool write(const Picture& strip) override;
    bool finish() override;
    void cancel() override;

    struct Codec;

private:
    QString m_path;
    LinkPolicy m_links;
    std::unique_ptr<Codec> m_codec;
};

}  // namespace tx

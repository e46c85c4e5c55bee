#pragma once
// 24-bit BMP written strip by strip: the same file as saveBmp() (rows bottom-up),
// each strip's rows placed at their offset as they arrive.

#include <memory>
#include <vector>

#include "support/AtomicFile.h"
#include "support/StripWriter.h"

namespace tx {

class BmpStripWriter : public StripWriter {
public:
    explicit BmpStripWriter(QString path, LinkPolicy links = LinkPolicy::FollowToRegularFile);
    ~BmpStripWriter() override;

    bool begin(int width, int height) override;
    bool write(const Picture& strip) override;
    bool finish() override;
    void cancel() override;

    // The reason begin() gives for a picture a BMP file cannot hold.
    static QString tooLargeReason();

private:
    QString m_path;
    LinkPolicy m_links;
    std::unique_ptr<AtomicFile> m_file;
    int m_width = 0;
    int m_height = 0;
    int m_nextRow = 0;
    std::int64_t m_rowBytes = 0;
    std::vector<char> m_rows;
};

}  // namespace tx

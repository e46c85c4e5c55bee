#include "viewer/PreviewQuestions.h"

namespace tx::viewer {

std::vector<PreviewQuestion> previewQuestions(int cellsX, int cellsY, int sourceWidth, int sourceHeight) {
    std::vector<PreviewQuestion> out;
    if (static_cast<double>(cellsX) * cellsY > 40000.0) out.push_back(PreviewQuestion::BigMosaic);
    if (static_cast<double>(sourceWidth) * sourceHeight > 1'000'000.0) out.push_back(PreviewQuestion::HugeSource);
    return out;
}

QLatin1String previewQuestionText(PreviewQuestion question) {
    return question == PreviewQuestion::BigMosaic ? kBigMosaicQuestion : kHugeSourceQuestion;
}

}  // namespace tx::viewer

#pragma once
// The two warnings before the source preview opens: a grid far bigger than a
// mosaic needs, and a source picture large enough to strain the machine.

#include <QLatin1String>
#include <vector>

namespace tx::viewer {

enum class PreviewQuestion { BigMosaic, HugeSource };

inline constexpr QLatin1String kBigMosaicQuestion{
    "The mosaic size is quite big.\r\nNormally your should not need more than 200x200 cells.\r\n"
    "Your system might crash during calculation.\r\n\r\nContinue anyway?"};
// The second line really ends in a blank.
inline constexpr QLatin1String kHugeSourceQuestion{
    "You imported a huge source image (>1 MegaPixel).\r\nYour system might crash during calculation. \r\n\r\n"
    "Continue anyway?"};

// The questions to ask, in order: more than 40000 cells, then more than one
// million source pixels. Products are formed without overflow.
std::vector<PreviewQuestion> previewQuestions(int cellsX, int cellsY, int sourceWidth, int sourceHeight);

QLatin1String previewQuestionText(PreviewQuestion question);

}  // namespace tx::viewer

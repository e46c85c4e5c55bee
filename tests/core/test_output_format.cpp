// The one rule that picks a mosaic's file format from its name.
#include <gtest/gtest.h>

#include "mosaic/OutputFormat.h"

using namespace tx;

TEST(OutputFormat, TheNameSaysTheFormat) {
    struct Case {
        const char* path;
        std::optional<OutputFormat> format;
        const char* problem;  // part of the message when refused
    } cases[] = {
        {"/home/u/m.jpg", OutputFormat::Jpeg, ""},
        {"m.JPEG", OutputFormat::Jpeg, ""},
        {"a.b/m.Bmp", OutputFormat::Bmp, ""},
        {"m.PNG", OutputFormat::Png, ""},
        {"/srv/web/m.Html", OutputFormat::Zoomable, ""},
        {"m.htm", std::nullopt, "\".htm\""},
        {"m.tif", std::nullopt, "cannot be saved as a \".tif\" file"},
        {"m.jpe", std::nullopt, "\".jpe\""},
        {"m.bmp.txt", std::nullopt, "\".txt\""},
        {"m", std::nullopt, "\"m\" has no extension"},
        {"m.", std::nullopt, "has no extension"},
        {"dir.jpg/m", std::nullopt, "has no extension"},
        {".jpg", std::nullopt, "has no extension"},
        {"", std::nullopt, "has no extension"},
    };
    for (const Case& c : cases) {
        QString problem;
        EXPECT_EQ(outputFormatFor(c.path, &problem), c.format) << c.path;
        EXPECT_TRUE(problem.contains(c.problem)) << c.path << ": " << problem.toStdString();
        if (!c.format) {
            EXPECT_TRUE(problem.endsWith("Please name a .jpg, .jpeg, .bmp, .png or .html file.")) << problem.toStdString();
        }
    }
}

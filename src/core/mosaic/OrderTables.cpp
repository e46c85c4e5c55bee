#include "mosaic/OrderTables.h"

#include "support/Effects.h"

namespace tx {

OrderTable buildDetailOrder(const Picture& cellImage) {
    const int w = cellImage.width();
    const int h = cellImage.height();
    Picture diff = cellImage;
    blit(diff, 1, 1, cellImage, 0, 0, -1, -1, Rop::Xor);
    FoxHSL(diff, 0.0f);
    diff.drawLine(0, 0, w, 0, 0);
    diff.drawLine(0, 0, 0, h, 0);

    OrderTable table;
    table.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) table.push_back({255 - blueOf(diff.pixel(x, y)), x, y});
    SortTable(table);
    return table;
}

OrderTable buildPageTable(const Plan& plan) {
    OrderTable table;
    table.reserve(static_cast<std::size_t>(plan.cellsX()) * plan.cellsY());
    for (int y = 0; y < plan.cellsY(); ++y)
        for (int x = 0; x < plan.cellsX(); ++x) table.push_back({plan.at(x, y), x, y});
    SortTable(table);
    return table;
}

}  // namespace tx

#pragma once
// The command line's extra mosaic outputs: --plan (the chosen tile of every cell)
// and --work-dir (scan.bmp, cells.bmp and, for smart rendering, order.csv).

#include <QStringList>
#include <optional>

#include "mosaic/MosaicObserver.h"

namespace tx::cli {

// "x,y,tile,file" and one row per cell, row by row; tile numbers from 1. With
// mirrored tiles a last column "mirrored" is 1 where the cell holds the mirror.
QByteArray planCsv(const Plan& plan, const QStringList& tiles, const MirrorPlan* mirrored = nullptr);
// "key,x,y" and one row per record in table order.
QByteArray orderCsv(const OrderTable& table);

class MosaicFiles : public MosaicObserver {
public:
    QString planPath;  // empty: not wanted
    QString workDir;

    void sourcePrepared(const Picture& scan, const Picture& cells, const OrderTable* order) override;
    void planChosen(const Plan& plan, const QStringList& tiles) override;
    void evenUseSolved(const EvenUseStats& stats) override { evenUse = stats; }

    std::optional<EvenUseStats> evenUse;
    void mirrorsChosen(const MirrorPlan& mirrored) override { m_mirrored = mirrored; }

    QStringList written;  // in the order written
    QStringList errors;   // "FILE: reason" for every file that could not be written

private:
    void write(const QString& path, const QByteArray& data);
    void writeBmp(const Picture& picture, const QString& path);
    MirrorPlan m_mirrored;
};

}  // namespace tx::cli

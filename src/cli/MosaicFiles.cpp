#include "MosaicFiles.h"

#include <QDir>

#include "support/FileHelpers.h"
#include "support/PictureFile.h"

namespace tx::cli {

namespace {

QString csvField(const QString& s) {
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
        return s;
    QString q = s;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

}  // namespace

QByteArray planCsv(const Plan& plan, const QStringList& tiles, const MirrorPlan* mirrored) {
    QByteArray out = mirrored ? "x,y,tile,file,mirrored\n" : "x,y,tile,file\n";
    for (int y = 0; y < plan.cellsY(); ++y)
        for (int x = 0; x < plan.cellsX(); ++x) {
            const int t = plan.at(x, y);
            const QString file = t >= 1 && t <= tiles.size() ? tiles[t - 1] : QString();
            out += QStringLiteral("%1,%2,%3,%4").arg(x).arg(y).arg(t).arg(csvField(file)).toUtf8();
            if (mirrored) out += mirrored->at(x, y) ? ",1" : ",0";
            out += '\n';
        }
    return out;
}

QByteArray orderCsv(const OrderTable& table) {
    QByteArray out = "key,x,y\n";
    for (const OrderRecord& r : table) out += QStringLiteral("%1,%2,%3\n").arg(r.key).arg(r.x).arg(r.y).toUtf8();
    return out;
}

void MosaicFiles::write(const QString& path, const QByteArray& data) {
    QString error;
    if (writeFileAtomically(path, data, &error, LinkPolicy::FollowToRegularFile))
        written << path;
    else
        errors << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
}

void MosaicFiles::writeBmp(const Picture& picture, const QString& path) {
    QString error;
    if (saveBmp(picture, path, &error, LinkPolicy::FollowToRegularFile))
        written << path;
    else
        errors << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error);
}

void MosaicFiles::sourcePrepared(const Picture& scan, const Picture& cells, const OrderTable* order) {
    if (workDir.isEmpty()) return;
    const QDir dir(workDir);
    writeBmp(scan, dir.filePath(QStringLiteral("scan.bmp")));
    writeBmp(cells, dir.filePath(QStringLiteral("cells.bmp")));
    if (order) write(dir.filePath(QStringLiteral("order.csv")), orderCsv(*order));
}

void MosaicFiles::planChosen(const Plan& plan, const QStringList& tiles) {
    if (!planPath.isEmpty()) write(planPath, planCsv(plan, tiles, m_mirrored.empty() ? nullptr : &m_mirrored));
}

}  // namespace tx::cli

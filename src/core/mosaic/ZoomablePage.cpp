#include "mosaic/ZoomablePage.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "support/DeepZoomGeometry.h"

namespace tx {

namespace {

QString withoutSuffix(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) return path;
    return path.left(path.size() - (name.size() - dot));
}

QString htmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// JSON that can sit inside a <script> element: no "<", ">" or "&" survives
// outside an escape, so no name can close the element.
QByteArray scriptSafe(const QByteArray& json) {
    QByteArray out;
    out.reserve(json.size());
    for (char c : json) {
        if (c == '<') out += "\\u003c";
        else if (c == '>') out += "\\u003e";
        else if (c == '&') out += "\\u0026";
        else out += c;
    }
    return out;
}

const char* const kScript = R"JS(
(function () {
  var data = JSON.parse(document.getElementById('mosaic').textContent);
  var info = document.getElementById('info');
  var body = document.body;
  var hint = info.textContent;
  if (!window.OpenSeadragon) {
    info.textContent = 'The viewer is missing: ' + data.files + 'openseadragon/openseadragon.min.js cannot be read.';
    body.setAttribute('data-viewer', 'missing');
    return;
  }
  var viewer = OpenSeadragon({
    id: 'viewer',
    prefixUrl: data.files + 'openseadragon/images/',
    tileSources: data.image,
    drawer: 'canvas',
    showNavigator: true,
    maxZoomPixelRatio: 4,
    gestureSettingsMouse: { clickToZoom: false, dblClickToZoom: true }
  });
  var pinned = null;

  function cellAt(position) {
    var p = viewer.viewport.viewerElementToImageCoordinates(position);
    var c = data.cells;
    var x = Math.floor(p.x / c.width), y = Math.floor(p.y / c.height);
    if (!(x >= 0 && y >= 0 && x < c.across && y < c.down)) return null;
    var k = y * c.across + x;
    var t = data.plan[k];
    return { x: x, y: y, name: t >= 0 ? data.names[t] : '', mirrored: data.mirrored ? data.mirrored[k] === 1 : false };
  }
  function describe(cell) {
    if (!cell) return hint;
    return 'Cell ' + cell.x + ', ' + cell.y + ': ' + (cell.name || '(no tile)') + (cell.mirrored ? ' (mirrored)' : '');
  }
  // An outline around the cell being described.
  var outline = document.createElement('div');
  outline.id = 'cell-outline';
  var outlined = false;
  function show(cell) {
    info.textContent = describe(cell);
    body.setAttribute('data-cell', cell ? cell.x + ',' + cell.y : '');
    outline.style.display = cell ? 'block' : 'none';
    if (!cell) return;
    var c = data.cells;
    var rect = viewer.viewport.imageToViewportRectangle(cell.x * c.width, cell.y * c.height, c.width, c.height);
    if (outlined) viewer.updateOverlay(outline, rect);
    else viewer.addOverlay(outline, rect);
    outlined = true;
  }
  window.tesselixCellAt = function (x, y) { return describe(cellAt(new OpenSeadragon.Point(x, y))); };

  new OpenSeadragon.MouseTracker({
    element: viewer.container,
    moveHandler: function (e) { if (!pinned) show(cellAt(e.position)); },
    leaveHandler: function () { if (!pinned) show(null); }
  });
  viewer.addHandler('canvas-click', function (e) {
    if (!e.quick) return;
    var cell = cellAt(e.position);
    pinned = pinned && cell && pinned.x === cell.x && pinned.y === cell.y ? null : cell;
    show(cell);
  });
  var tilesLoaded = 0;
  viewer.addHandler('tile-loaded', function () {
    body.setAttribute('data-tiles', String(++tilesLoaded));
    if (tilesLoaded === 1 && location.hash === '#selftest') setTimeout(pointAtCentre, 0);
  });
  viewer.addHandler('open', function () { body.setAttribute('data-viewer', 'open'); });
  // The browser check moves a synthetic pointer to the middle of the viewer.
  function pointAtCentre() {
    var r = viewer.container.getBoundingClientRect();
    var at = { clientX: r.left + r.width / 2, clientY: r.top + r.height / 2, pointerId: 1, pointerType: 'mouse',
               isPrimary: true, bubbles: true };
    ['pointerover', 'pointerenter', 'pointermove'].forEach(function (type) {
      viewer.container.dispatchEvent(new PointerEvent(type, at));
    });
    body.setAttribute('data-hover', info.textContent);
  }
  viewer.addHandler('open-failed', function (e) {
    body.setAttribute('data-viewer', 'failed');
    info.textContent = 'The picture cannot be opened: ' + e.message;
  });
})();
)JS";

}  // namespace

QString zoomableFilesFolder(const QString& path) { return withoutSuffix(path) + QStringLiteral("_files"); }

QString zoomableDziPath(const QString& htmlPath) { return withoutSuffix(htmlPath) + QStringLiteral(".dzi"); }

QByteArray zoomablePageHtml(const QString& htmlPath, int width, int height, const ZoomableCells& cells) {
    const QString title = QFileInfo(withoutSuffix(htmlPath)).fileName();
    const QString files =
        QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(zoomableFilesFolder(htmlPath)).fileName())) +
        QLatin1Char('/');

    QJsonObject size{{"Width", QString::number(width)}, {"Height", QString::number(height)}};
    QJsonObject image{{"xmlns", "http://schemas.microsoft.com/deepzoom/2008"},
                      {"Url", files},
                      {"Format", "jpg"},
                      {"Overlap", QString::number(kDeepZoomOverlap)},
                      {"TileSize", QString::number(kDeepZoomTileSize)},
                      {"Size", size}};
    QJsonArray plan;
    for (int t : cells.tileOfCell) plan.append(t);
    QJsonObject data{{"files", files},
                     {"image", QJsonObject{{"Image", image}}},
                     {"cells", QJsonObject{{"across", cells.across},
                                           {"down", cells.down},
                                           {"width", cells.cellWidth},
                                           {"height", cells.cellHeight}}},
                     {"names", QJsonArray::fromStringList(cells.names)},
                     {"plan", plan}};
    if (!cells.mirrored.empty()) {
        QJsonArray mirrored;
        for (bool m : cells.mirrored) mirrored.append(m ? 1 : 0);
        data.insert(QStringLiteral("mirrored"), mirrored);
    }

    QByteArray page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<title>" + htmlEscaped(title).toUtf8() + "</title>\n";
    page += "<style>\n"
            "html, body { margin: 0; height: 100%; background: #1e1e1e; color: #e8e8e8; font: 14px sans-serif; }\n"
            "#viewer { position: absolute; left: 0; top: 0; right: 0; bottom: 2em; }\n"
            "#info { position: absolute; left: 0; right: 0; bottom: 0; height: 2em; line-height: 2em; padding: 0 0.6em;"
            " background: #111; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n"
            "#cell-outline { box-sizing: border-box; border: 2px solid #ffd400; pointer-events: none; }\n"
            "</style>\n</head>\n<body>\n";
    page += "<div id=\"viewer\"></div>\n";
    page += "<div id=\"info\">Point at a tile to see its photo; click to keep it, double click to zoom.</div>\n";
    page += "<script src=\"" + htmlEscaped(files).toUtf8() + "openseadragon/openseadragon.min.js\"></script>\n";
    page += "<script type=\"application/json\" id=\"mosaic\">" +
            scriptSafe(QJsonDocument(data).toJson(QJsonDocument::Compact)) + "</script>\n";
    page += "<script>";
    page += kScript;
    page += "</script>\n</body>\n</html>\n";
    return page;
}

}  // namespace tx

// The wizard's option handlers: the size arithmetic between cells, tile size and
// output size, the scan-matrix fields, and the live previews.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <limits>

#include "app/WizardWindow.h"
#include "app/EvenUseBox.h"
#include "app/WizardPages.h"
#include "app/WizardPictures.h"
#include "mosaic/EvenUseSummary.h"
#include "mosaic/MosaicOptions.h"
#include "support/FileHelpers.h"
#include "support/NumberText.h"

namespace tx::gui {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// A field's number, NaN when it holds none (the arithmetic then has no result).
double valueOf(const QLineEdit* field) { return numberValue(field->text()).value_or(kNoValue); }
double valueOf(const QComboBox* box) { return numberValue(box->currentText()).value_or(kNoValue); }

SizeUnit unitOf(const QComboBox* box) {
    const int i = box->currentIndex();
    return i == 0 ? SizeUnit::Inch : i == 1 ? SizeUnit::Cm : SizeUnit::Pixels;
}

}  // namespace

void WizardWindow::setGuarded(QLineEdit* field, const QString& text) {
    const bool was = m_guard;
    m_guard = true;
    field->setText(text);
    m_guard = was;
}

bool WizardWindow::keepsProportions() const { return m_p13->Check11->isChecked() || !m_p13->Check11->isEnabled(); }

// ---- cells

void WizardWindow::cellsXChanged() {
    if (!m_guard) {
        const auto cellsX = asInteger(m_p1->CellsX->text());
        const bool link = m_p1->Check9->isChecked();
        if (cellsX && !m_source.isEmpty() && (link || m_p1->Check2->isChecked())) {
            const int cellsY = linkedCellsY(*cellsX, sourceWidth(), sourceHeight(), m_tileSize.width(),
                                            m_tileSize.height(), link);
            setGuarded(m_p1->CellsY, QString::number(cellsY));
        }
        updateTotalsFromTiles();
    }
    updatePreviewButton();
}

void WizardWindow::cellsYChanged() {
    if (!m_guard) {
        const auto cellsY = asInteger(m_p1->CellsY->text());
        const bool link = m_p1->Check9->isChecked();
        if (cellsY && !m_source.isEmpty() && (link || m_p1->Check2->isChecked())) {
            const int cellsX = linkedCellsX(*cellsY, sourceWidth(), sourceHeight(), m_tileSize.width(),
                                            m_tileSize.height(), link);
            setGuarded(m_p1->CellsX, QString::number(cellsX));
        }
        updateTotalsFromTiles();
    }
    updatePreviewButton();
}

void WizardWindow::updatePreviewButton() {
    switch (previewButtonState(asInteger(m_p1->CellsX->text()), asInteger(m_p1->CellsY->text()), m_sourceLoaded)) {
    case PreviewButton::Disable:
        m_p1->Command9->setEnabled(false);
        break;
    case PreviewButton::Enable:
        m_p1->Command9->setEnabled(true);
        break;
    case PreviewButton::Keep:
        break;
    }
}

// ---- tile size and output size

void WizardWindow::updateTotalsFromTiles() {
    if (m_guard) return;
    m_guard = true;
    const SizeInUnit total = outputSize(valueOf(m_p1->CellsX), valueOf(m_p1->CellsY), valueOf(m_p13->breite),
                                        valueOf(m_p13->hoehe), unitOf(m_p13->Combo4), valueOf(m_p13->Combo5));
    if (total.width) m_p13->breite_ges->setText(numberText(*total.width));
    if (total.height) m_p13->hoehe_ges->setText(numberText(*total.height));
    m_guard = false;
}

void WizardWindow::updateTilesFromTotals() {
    if (m_guard) return;
    m_guard = true;
    const SizeInUnit tile = tileSizeFromOutput(valueOf(m_p13->breite_ges), valueOf(m_p13->hoehe_ges),
                                               valueOf(m_p1->CellsX), valueOf(m_p1->CellsY), unitOf(m_p13->Combo4),
                                               valueOf(m_p13->Combo5));
    if (tile.width) m_p13->breite->setText(numberText(*tile.width));
    if (tile.height) m_p13->hoehe->setText(numberText(*tile.height));
    m_guard = false;
}

void WizardWindow::tileWidthChanged() {
    if (!m_guard && keepsProportions()) {
        if (const auto w = asInteger(m_p13->breite->text())) {
            if (const auto h = tileHeightForWidth(*w, m_tileSize.width(), m_tileSize.height()))
                setGuarded(m_p13->hoehe, numberText(*h));
        }
    }
    updateTotalsFromTiles();
}

void WizardWindow::tileHeightChanged() {
    if (!m_guard && keepsProportions()) {
        if (const auto h = asInteger(m_p13->hoehe->text())) {
            if (const auto w = tileWidthForHeight(*h, m_tileSize.width(), m_tileSize.height()))
                setGuarded(m_p13->breite, numberText(*w));
        }
    }
    updateTotalsFromTiles();
}

void WizardWindow::totalWidthChanged() {
    if (!m_guard && keepsProportions()) {
        if (const auto h = outputHeightForWidth(valueOf(m_p13->breite_ges), valueOf(m_p1->CellsX),
                                                valueOf(m_p1->CellsY), m_tileSize.width(), m_tileSize.height()))
            setGuarded(m_p13->hoehe_ges, numberText(*h));
    }
    updateTilesFromTotals();
}

void WizardWindow::totalHeightChanged() {
    if (!m_guard && keepsProportions()) {
        if (const auto w = outputWidthForHeight(valueOf(m_p13->hoehe_ges), valueOf(m_p1->CellsX),
                                                valueOf(m_p1->CellsY), m_tileSize.width(), m_tileSize.height()))
            setGuarded(m_p13->breite_ges, numberText(*w));
    }
    updateTilesFromTotals();
}

// ---- check boxes and lists

void WizardWindow::keepSizeClicked() {
    OutputPage* p = m_p13;
    const bool keep = p->Check5->isChecked();
    p->breite->setEnabled(!keep);
    if (keep) {
        p->breite->setText(QString::number(m_tileSize.width()));
        p->hoehe->setText(QString::number(m_tileSize.height()));
    }
    for (QWidget* w : {static_cast<QWidget*>(p->hoehe), static_cast<QWidget*>(p->Combo4),
                       static_cast<QWidget*>(p->breite_ges), static_cast<QWidget*>(p->hoehe_ges),
                       static_cast<QWidget*>(p->Check11)})
        w->setEnabled(!keep);
    if (unitOf(p->Combo4) != SizeUnit::Pixels) p->Combo5->setEnabled(!keep);
}

void WizardWindow::linkClicked() {
    cellsXChanged();
    m_p1->Check2->setEnabled(!m_p1->Check9->isChecked());
}

void WizardWindow::useAllTilesClicked() {
    const bool all = m_p1->Check6->isChecked();
    m_p1->number->setEnabled(!all);
    if (all) m_p1->number->setText(QString::number(m_tiles.size()));
}

void WizardWindow::unitChanged() {
    m_p13->Combo5->setEnabled(unitOf(m_p13->Combo4) != SizeUnit::Pixels);
    tileWidthChanged();
}

// ---- scan matrix

void WizardWindow::matrixXChanged() {
    const auto v = asInteger(m_p11->matrX->text());
    if (v && clampMatrixSteps(*v) != *v) {
        m_p11->matrX->setText(QString::number(clampMatrixSteps(*v)));  // runs this handler again
        return;
    }
    drawScanMatrixPreview();
    if (!v) return;
    const bool was = m_guard;
    m_guard = true;
    m_p11->VScroll3->setValue(*v);
    if (m_p11->Check8->isChecked()) m_p11->matrY->setText(QString::number(*v));
    m_guard = was;
}

void WizardWindow::matrixYChanged() {
    const auto v = asInteger(m_p11->matrY->text());
    if (v && clampMatrixSteps(*v) != *v) {
        m_p11->matrY->setText(QString::number(clampMatrixSteps(*v)));
        return;
    }
    drawScanMatrixPreview();
    if (!v) return;
    const bool was = m_guard;
    m_guard = true;
    m_p11->VScroll2->setValue(*v);
    m_guard = was;
}

void WizardWindow::lockClicked() {
    const bool locked = m_p11->Check8->isChecked();
    m_p11->matrY->setEnabled(!locked);
    m_p11->VScroll2->setEnabled(!locked);
    matrixXChanged();
}

// ---- sliders

void WizardWindow::saturationChanged() {
    m_p12->Label42->setText(QString::number(m_p12->Slider1->value() - 100) + QLatin1Char('%'));
    applySourceAdjustments();
}

void WizardWindow::brightnessChanged() {
    m_p12->Label48->setText(QString::number(m_p12->Slider4->value()) + QLatin1Char('%'));
    applySourceAdjustments();
}

void WizardWindow::distanceChanged() { m_p11->Label8->setText(QString::number(m_p11->Slider3->value()) + QStringLiteral(" cells")); }

void WizardWindow::blendChanged() {
    m_p13->Label27->setText(QString::number(m_p13->Slider2->value()) + QLatin1Char('%'));
    drawColourCorrectionPreview();
}

// ---- previews

void WizardWindow::drawScanMatrixPreview() {
    const auto mx = asInteger(m_p11->matrX->text());
    const auto my = asInteger(m_p11->matrY->text());
    if (!mx || !my) return;
    const Picture shown = scanMatrixPreview(m_sample, clampMatrixSteps(*mx), clampMatrixSteps(*my),
                                            m_p11->filter->isChecked(), m_p11->Picture17->contentsRect().size());
    m_p11->Picture17->setPixmap(toPixmap(shown));
}

void WizardWindow::showMatchingNote() { m_p11->matchingNote->setVisible(m_p12->perceptual->isChecked()); }

void WizardWindow::drawRenderOrderPreview() {
    m_renderTimer->stop();
    m_renderOrder = Picture(kRenderOrderSize, kRenderOrderSize, rgb(255, 255, 255));
    m_renderQueue.clear();
    const bool onPage = m_panels[4]->isVisible();
    // Even use chooses every cell at once: the grid fills in one go.
    const bool even = m_p11->evenUse->value().mode != EvenUseMode::Off;
    const bool smart = m_p11->render_smart->isChecked() && onPage && !even;
    if (smart) {
        bool drawn[kRenderOrderGrid][kRenderOrderGrid] = {};
        while (m_renderQueue.size() < kRenderOrderGrid * kRenderOrderGrid) {
            const int c = RandomInt(0, kRenderOrderGrid - 1), r = RandomInt(0, kRenderOrderGrid - 1);
            if (drawn[c][r]) continue;
            drawn[c][r] = true;
            m_renderQueue.append(c + kRenderOrderGrid * r);
        }
    } else {
        for (int i = 0; i < kRenderOrderGrid * kRenderOrderGrid; ++i) m_renderQueue.append(i);
    }
    if (!onPage || even) {
        while (!m_renderQueue.isEmpty()) renderOrderStep();
        return;
    }
    renderOrderStep();
    m_renderTimer->start();
}

void WizardWindow::renderOrderStep() {
    if (m_renderQueue.isEmpty()) {
        m_renderTimer->stop();
        return;
    }
    const int cell = m_renderQueue.takeFirst();
    const int c = cell % kRenderOrderGrid, r = cell / kRenderOrderGrid;
    m_renderOrder.fillRect(renderOrderCell(c, r), renderOrderColour(m_sample, c, r));
    const QSize box = m_p11->Picture3->contentsRect().size();
    m_p11->Picture3->setPixmap(toPixmap(m_renderOrder).scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation));
}

// The render order only orders the greedy choice; even use says instead what it
// will do with the cells and tiles of the job.
void WizardWindow::evenUseChanged() {
    const EvenUse use = m_p11->evenUse->value();
    const bool even = use.mode != EvenUseMode::Off;
    m_p11->render_norm->setEnabled(!even);
    m_p11->render_smart->setEnabled(!even);
    m_p11->evenNote->setText(evenUseSummary(use, cellsInUse(), tilesInUse()));
    m_p11->evenNote->setVisible(even);
    drawRenderOrderPreview();
}

int WizardWindow::cellsInUse() const {
    const auto x = asInteger(m_p1->CellsX->text()), y = asInteger(m_p1->CellsY->text());
    if (!x || !y || *x <= 0 || *y <= 0) return 0;
    return static_cast<int>(std::min<std::int64_t>(std::int64_t{*x} * *y, MosaicDefaults::kMostCells));
}

// As the job counts them: the library's tiles (at most 32767), fewer when
// "Only use" asks for fewer.
int WizardWindow::tilesInUse() const {
    int tiles = static_cast<int>(std::min<qsizetype>(m_tiles.size(), 32767));
    const auto number = asInteger(m_p1->number->text());
    if (number && *number > 0 && *number < tiles) tiles = *number;
    return tiles;
}

void WizardWindow::drawSourcePreview() {
    const QSize frame = m_p12->Picture19->size();
    m_sourceBase = sourcePreview(m_source, frame);
    if (m_sourceBase.isEmpty()) return;
    const int w = m_sourceBase.width(), h = m_sourceBase.height();
    m_p12->Picture21->setGeometry((frame.width() - w) / 2, (frame.height() - h) / 2, w, h);
    applySourceAdjustments();
}

void WizardWindow::applySourceAdjustments() {
    if (m_sourceBase.isEmpty()) return;
    m_p12->Picture21->setPixmap(toPixmap(adjustedPreview(m_sourceBase, m_p12->Slider1->value(),
                                                         m_p12->Slider4->value(), m_p12->grey->isChecked())));
}

void WizardWindow::drawColourCorrectionPreview() {
    static const Picture tile = sampleTile();
    static const Picture swatch = colourSwatch();
    const QSize box = m_p13->Picture10->contentsRect().size();
    m_p13->Picture10->setPixmap(
        toPixmap(colourCorrectionPreview(tile, swatch, m_p13->Slider2->value())).scaled(box, Qt::KeepAspectRatio));
}

}  // namespace tx::gui

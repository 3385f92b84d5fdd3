#include "notification/RemovedAppRowView.h"

#include "notification/FigmaPalette.h"

#include <QPainter>

RemovedAppRowView::RemovedAppRowView(QWidget* parent) : TableRowView(parent) {}

void RemovedAppRowView::setIsLastRow(bool isLastRow) {
    m_isLastRow = isLastRow;
    update();
}

void RemovedAppRowView::drawSelectionInRect(QPainter&, const QRectF&) {}

void RemovedAppRowView::drawSeparatorInRect(QPainter& painter, const QRectF& rect) {
    TableRowView::drawSeparatorInRect(painter, rect);
    if (m_isLastRow)
        return;
    const QRectF line(separatorLeft, height() - 1, width() - separatorLeft - separatorRightInset,
                      1);
    painter.fillRect(line, FigmaPalette::colorForFigmaColor(FigmaColor::stroke1));
}

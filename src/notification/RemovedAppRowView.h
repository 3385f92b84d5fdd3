#pragma once

#include "HVCocoaPackage/TableRowView.h"

// A row of the removed-applications list: never highlighted when selected, and
// underlined by a one-point line in "stroke_1" that starts at the row's text and
// stops short of the right edge, except under the last row.
class RemovedAppRowView : public TableRowView {
    Q_OBJECT

public:
    static constexpr qreal separatorLeft = 66;
    // The line ends this far before the row's right edge.
    static constexpr qreal separatorRightInset = 14;

    explicit RemovedAppRowView(QWidget* parent = nullptr);

    bool isLastRow() const { return m_isLastRow; }
    void setIsLastRow(bool isLastRow);

    void drawSelectionInRect(QPainter& painter, const QRectF& rect) override;
    void drawSeparatorInRect(QPainter& painter, const QRectF& rect) override;

private:
    bool m_isLastRow{false};
};

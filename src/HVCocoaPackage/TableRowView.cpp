#include "HVCocoaPackage/TableRowView.h"

#include <QPainter>
#include <QPalette>

TableRowView::TableRowView(QWidget* parent) : QWidget(parent) {}

void TableRowView::setCellView(QWidget* view) {
    if (view == m_cellView)
        return;
    if (m_cellView && m_cellView->parent() == this)
        m_cellView->hide();
    m_cellView = view;
    if (view) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
}

QWidget* TableRowView::takeCellView() {
    QWidget* view = m_cellView;
    m_cellView = nullptr;
    return view;
}

void TableRowView::setSelected(bool selected) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void TableRowView::drawSelectionInRect(QPainter& painter, const QRectF& rect) {
    painter.fillRect(rect, palette().color(QPalette::Highlight));
}

void TableRowView::drawSeparatorInRect(QPainter&, const QRectF&) {}

void TableRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_selected)
        drawSelectionInRect(painter, rect());
    drawSeparatorInRect(painter, rect());
}

void TableRowView::resizeEvent(QResizeEvent*) {
    if (m_cellView)
        m_cellView->setGeometry(rect());
}

#pragma once

#include <QPointer>
#include <QWidget>

// The view behind one row of a TableView: it holds the row's content view and
// draws the selection and the separator line. Subclasses change how those look.
class TableRowView : public QWidget {
    Q_OBJECT

public:
    explicit TableRowView(QWidget* parent = nullptr);

    // The content view, laid over the whole row; the row takes it as a child.
    QWidget* cellView() const { return m_cellView; }
    void setCellView(QWidget* view);
    // Gives up the content view without destroying it.
    QWidget* takeCellView();

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // Fills `rect` with the palette's highlight colour.
    virtual void drawSelectionInRect(QPainter& painter, const QRectF& rect);
    // Draws nothing: rows are separated by their own spacing unless a subclass draws a line.
    virtual void drawSeparatorInRect(QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> m_cellView;
    bool m_selected{false};
};

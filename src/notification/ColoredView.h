#pragma once

#include <QColor>
#include <QWidget>

// A view filled with its background colour.
class ColoredView : public QWidget {
    Q_OBJECT

public:
    explicit ColoredView(QWidget* parent = nullptr);

    const QColor& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backgroundColor{Qt::transparent};
};

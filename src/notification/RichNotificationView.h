#pragma once

#include <QWidget>

// The panel's background: a rounded shape with a one-point border in "stroke_1"
// around a "bg_10" interior. Outside the rounded corners it draws nothing, so the
// translucent window shows through.
class RichNotificationView : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal richNotificationCornerRadius = 14;
    static constexpr qreal borderWidth = 1;

    explicit RichNotificationView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

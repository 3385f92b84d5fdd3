#pragma once

#include <QAbstractButton>

// A small round button with a question mark, drawn in the palette's icon colour.
class HelpButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int diameter = 16;

    explicit HelpButton(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

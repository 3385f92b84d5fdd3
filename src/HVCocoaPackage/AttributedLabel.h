#pragma once

#include "HVCocoaPackage/AttributedString.h"

#include <QWidget>

// A label that shows styled text, wrapped to its width, from its top left corner.
class AttributedLabel : public QWidget {
    Q_OBJECT

public:
    explicit AttributedLabel(QWidget* parent = nullptr);

    const AttributedString& attributedText() const { return m_text; }
    void setAttributedText(const AttributedString& text);

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AttributedString m_text;
};

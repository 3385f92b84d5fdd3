#include "HVCocoaPackage/AttributedLabel.h"

#include <QPainter>
#include <QSizePolicy>
#include <QTextDocument>
#include <cmath>

AttributedLabel::AttributedLabel(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void AttributedLabel::setAttributedText(const AttributedString& text) {
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

QSize AttributedLabel::sizeHint() const {
    const auto document = m_text.makeDocument(-1);
    return {static_cast<int>(std::ceil(document->idealWidth())),
            static_cast<int>(std::ceil(document->size().height()))};
}

int AttributedLabel::heightForWidth(int width) const {
    return static_cast<int>(std::ceil(m_text.heightForWidth(width)));
}

void AttributedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_text.draw(painter, rect());
}

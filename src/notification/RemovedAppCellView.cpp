#include "notification/RemovedAppCellView.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "notification/AtributikaBridge.h"
#include "notification/ImageView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/TagParser.h"
#include "platform/Text.h"

#include <algorithm>

namespace {

AttributedString styled(const QString& text) {
    const AtributikaBridge applier =
        AtributikaBridge::textStyleApplier(FigmaTextStyle::helperDescription, FigmaColor::text7,
                                           TextAlignment::left, LineBreakMode::wordWrapping);
    // Names come from bundles in the Trash: whatever they hold is shown as written.
    return applier.convertString(TagParser::escape(text));
}

} // namespace

RemovedAppCellView::RemovedAppCellView(QWidget* parent)
    : QWidget(parent), m_iconImgView(new ImageView(this)),
      m_appNameLabel(new AttributedLabel(this)), m_sizeLabel(new AttributedLabel(this)) {}

void RemovedAppCellView::updateWithItem(const RemovedAppDisplayItem& item) {
    const QString name =
        QString::fromStdString(platform::Text::capitalized(item.name().toStdString()));
    m_appNameLabel->setAttributedText(styled(name));
    m_sizeLabel->setAttributedText(styled(item.size()));
    m_iconImgView->setImage(item.appIconImage());
    layoutSubviews();
}

void RemovedAppCellView::resizeEvent(QResizeEvent*) {
    layoutSubviews();
}

void RemovedAppCellView::layoutSubviews() {
    const int rowHeight = height();
    m_iconImgView->setGeometry(iconLeft, (rowHeight - iconSize) / 2, iconSize, iconSize);

    const int right = width() - rightInset;
    const int sizeWidth =
        m_sizeLabel->attributedText().isEmpty() ? 0 : m_sizeLabel->sizeHint().width();
    const int sizeHeight = m_sizeLabel->heightForWidth(sizeWidth);
    m_sizeLabel->setGeometry(right - sizeWidth, (rowHeight - sizeHeight) / 2, sizeWidth,
                             sizeHeight);

    const int nameRight = sizeWidth > 0 ? right - sizeWidth - spacing : right;
    const int nameWidth = std::max(nameRight - textLeft, 0);
    const int nameHeight = std::min(m_appNameLabel->heightForWidth(nameWidth), rowHeight);
    m_appNameLabel->setGeometry(textLeft, (rowHeight - nameHeight) / 2, nameWidth, nameHeight);
}

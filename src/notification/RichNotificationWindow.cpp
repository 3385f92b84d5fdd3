#include "notification/RichNotificationWindow.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "notification/ColoredView.h"
#include "notification/HelpButton.h"
#include "notification/ImageView.h"
#include "notification/RichNotificationView.h"
#include "notification/TextStyleData.h"
#include "notification/WatcherOfferNoCustomButton.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "notification/WindowSystem.h"

#include <algorithm>

namespace {

constexpr int kTitleSpacing = 4;
constexpr int kHelpInset = 12;

void loadButton(CustomButton& button) {
    button.setFont(TextStyleData::forStyle(FigmaTextStyle::semibold13).font());
    button.setAlignment(TextAlignment::center);
    button.setLineBreakMode(LineBreakMode::truncatingTail);
    button.setCursor(Qt::PointingHandCursor);
    button.setFocusPolicy(Qt::NoFocus);
    button.awakeFromNib();
}

} // namespace

RichNotificationWindow::RichNotificationWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::NoDropShadowWindowHint) {
    if (WindowSystem::isXWayland())
        setWindowFlag(Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The panel never becomes active, and the tooltip of a shortened name must show.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("RichNotificationWindow"));
    setWindowTitle(QString::fromLatin1(windowTitle));
    setWindowRole(QString::fromLatin1(windowRole));

    m_panel = new RichNotificationView(this);
    m_appIconImgView = new ImageView(m_panel);
    m_titleLabel = new AttributedLabel(m_panel);
    m_subtitleLabel = new AttributedLabel(m_panel);
    m_helpButton = new HelpButton(m_panel);
    m_topSeparator = new ColoredView(m_panel);
    m_appsContainer = new QWidget(m_panel);
    m_closeButton = new WatcherOfferNoCustomButton(m_panel);
    m_completeUninstallButton = new WatcherOfferYesCustomButton(m_panel);
    loadButton(*m_closeButton);
    loadButton(*m_completeUninstallButton);

    setFixedSize(fittingSize());
    layoutContent();
}

void RichNotificationWindow::setConstraints(const Constraints& constraints) {
    m_constraints = constraints;
    setFixedSize(fittingSize());
    layoutContent();
}

QSize RichNotificationWindow::fittingSize() const {
    const Constraints& c = m_constraints;
    return {c.windowWidthConstraint, headerHeight() + c.topSeparatorHeight +
                                         c.applistHeightConstraint + c.buttonsTopConstraint +
                                         buttonHeight + bottomMargin};
}

int RichNotificationWindow::titleWidth() const {
    // The title keeps clear of the help button.
    return m_constraints.windowWidthConstraint - kHelpInset - HelpButton::diameter - kTitleSpacing -
           textLeft;
}

int RichNotificationWindow::subtitleWidth() const {
    // The description may use the width up to the right margin of the buttons.
    const Constraints& c = m_constraints;
    return c.windowWidthConstraint - c.rightButtonRightConstraint - textLeft;
}

int RichNotificationWindow::textsHeight() const {
    return m_titleLabel->heightForWidth(titleWidth()) + kTitleSpacing +
           m_subtitleLabel->heightForWidth(subtitleWidth());
}

int RichNotificationWindow::headerHeight() const {
    const int least = m_constraints.windowHeightConstraint;
    return std::clamp(textsHeight() + 2 * kHelpInset, least, std::max(least, maxHeaderHeight));
}

bool RichNotificationWindow::textsFit() const {
    return textsHeight() + 2 * kHelpInset <=
           std::max(m_constraints.windowHeightConstraint, maxHeaderHeight);
}

void RichNotificationWindow::setLevel(WindowLevel level) {
    if (level == m_level)
        return;
    m_level = level;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, level != WindowLevel::normal);
    if (wasVisible)
        show();
}

void RichNotificationWindow::layoutContent() {
    const Constraints& c = m_constraints;
    const int width = c.windowWidthConstraint;
    const QSize size = fittingSize();
    if (this->size() != size)
        setFixedSize(size);
    m_panel->setGeometry(QRect(QPoint(), size));

    m_helpButton->setGeometry(width - kHelpInset - HelpButton::diameter, kHelpInset,
                              HelpButton::diameter, HelpButton::diameter);

    const int header = headerHeight();
    const int titleHeight = m_titleLabel->heightForWidth(titleWidth());
    const int subtitleHeight = m_subtitleLabel->heightForWidth(subtitleWidth());
    const int block = std::max(titleHeight + kTitleSpacing + subtitleHeight, iconSize);
    const int top = std::max((header - block) / 2, kHelpInset);
    // Whatever does not fit even the tallest header is cut off here.
    const int textsBottom = header - kHelpInset;
    const int subtitleTop = top + titleHeight + kTitleSpacing;
    m_titleLabel->setGeometry(textLeft, top, titleWidth(),
                              std::clamp(textsBottom - top, 0, titleHeight));
    m_subtitleLabel->setGeometry(textLeft, subtitleTop, subtitleWidth(),
                                 std::clamp(textsBottom - subtitleTop, 0, subtitleHeight));
    m_appIconImgView->setGeometry(iconLeft, top + (std::min(block, header) - iconSize) / 2,
                                  iconSize, iconSize);

    const int separatorTop = header;
    m_topSeparator->setGeometry(border, separatorTop, width - 2 * border, c.topSeparatorHeight);
    const int listTop = separatorTop + c.topSeparatorHeight;
    m_appsContainer->setGeometry(border, listTop, width - 2 * border, c.applistHeightConstraint);
    m_appsContainer->setVisible(c.applistHeightConstraint > 0);

    const int buttonsTop = listTop + c.applistHeightConstraint + c.buttonsTopConstraint;
    const int uninstallLeft = width - c.rightButtonRightConstraint - c.buttonsWidthConstraint;
    m_completeUninstallButton->setGeometry(uninstallLeft, buttonsTop, c.buttonsWidthConstraint,
                                           buttonHeight);
    m_closeButton->setGeometry(uninstallLeft - buttonSpacing - c.buttonsWidthConstraint, buttonsTop,
                               c.buttonsWidthConstraint, buttonHeight);
}

void RichNotificationWindow::resizeEvent(QResizeEvent*) {
    layoutContent();
    emit resized();
}

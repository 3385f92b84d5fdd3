#pragma once

#include <QWidget>

class AttributedLabel;
class ColoredView;
class HelpButton;
class ImageView;
class RichNotificationView;
class WatcherOfferNoCustomButton;
class WatcherOfferYesCustomButton;

// Whether the window floats above the windows of other applications.
enum class WindowLevel : int {
    normal = 0,
    floating = 3,
};

// The notification's window: a frameless tool window without taskbar entry that
// never takes the keyboard focus, transparent outside the rounded panel it shows.
//
// From top to bottom it holds the header (icon, title, description and the help
// button), a separator line, the area of the application list and the two buttons.
// The lengths that change with the list are its constraints; the window takes the
// size they add up to, with a header that grows for texts that need more room, up to
// maxHeaderHeight. Texts taller still are cut at the header's bottom: they never run
// into the list or the buttons.
class RichNotificationWindow : public QWidget {
    Q_OBJECT

public:
    struct Constraints {
        int applistHeightConstraint{0};
        int topSeparatorHeight{0};
        int windowWidthConstraint{401};
        // The header's height.
        int windowHeightConstraint{100};
        // The width of each button.
        int buttonsWidthConstraint{154};
        int rightButtonRightConstraint{15};
        int buttonsTopConstraint{4};

        bool operator==(const Constraints&) const = default;
    };

    static constexpr int buttonHeight = 28;
    // With one application the "Ignore" button then starts where the texts do.
    static constexpr int buttonSpacing = 12;
    static constexpr int bottomMargin = 7;
    // The list lies inside the panel's border; the header's icon is centred over the
    // list's icons and its texts line up with the list's names and separators.
    static constexpr int border = 1;
    static constexpr int iconSize = 48;
    static constexpr int iconLeft = 13;
    static constexpr int textLeft = border + 66;
    // Room for a title and a description of four lines each.
    static constexpr int maxHeaderHeight = 160;

    // Names by which the desktop, and scripts that drive it, find the panel; the
    // title never shows, since the window has no frame.
    static constexpr const char* windowTitle = "Sweepwise Notification";
    static constexpr const char* windowRole = "sweepwise-notification";

    explicit RichNotificationWindow(QWidget* parent = nullptr);

    RichNotificationView* panel() const { return m_panel; }
    AttributedLabel* titleLabel() const { return m_titleLabel; }
    AttributedLabel* subtitleLabel() const { return m_subtitleLabel; }
    ImageView* appIconImgView() const { return m_appIconImgView; }
    HelpButton* helpButton() const { return m_helpButton; }
    ColoredView* topSeparator() const { return m_topSeparator; }
    QWidget* appsContainer() const { return m_appsContainer; }
    WatcherOfferNoCustomButton* closeButton() const { return m_closeButton; }
    WatcherOfferYesCustomButton* completeUninstallButton() const {
        return m_completeUninstallButton;
    }

    const Constraints& constraints() const { return m_constraints; }
    void setConstraints(const Constraints& constraints);
    // The size the constraints and the header's texts add up to.
    QSize fittingSize() const;
    // The header's height: the constraint's, or more for texts that need it, up to
    // maxHeaderHeight.
    int headerHeight() const;
    // Whether the title and the description fit whole into the tallest header.
    bool textsFit() const;

    WindowLevel level() const { return m_level; }
    // Keeps a visible window on screen: changing the level re-creates the native window.
    void setLevel(WindowLevel level);

    // Lays the texts out again after they changed.
    void layoutContent();

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int titleWidth() const;
    int subtitleWidth() const;
    // The title, the gap and the description, stacked.
    int textsHeight() const;

    RichNotificationView* m_panel{nullptr};
    AttributedLabel* m_titleLabel{nullptr};
    AttributedLabel* m_subtitleLabel{nullptr};
    ImageView* m_appIconImgView{nullptr};
    HelpButton* m_helpButton{nullptr};
    ColoredView* m_topSeparator{nullptr};
    QWidget* m_appsContainer{nullptr};
    WatcherOfferNoCustomButton* m_closeButton{nullptr};
    WatcherOfferYesCustomButton* m_completeUninstallButton{nullptr};
    Constraints m_constraints;
    WindowLevel m_level{WindowLevel::normal};
};

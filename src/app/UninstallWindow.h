#pragma once

#include "removal/Uninstaller.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

// The window in which the user finishes an uninstall: every leftover of a watcher message,
// one section per application (its icon and name), each item with a checkbox, its path
// relative to the home folder, its group, its size and why it was offered. Items that may
// not move (refused by the check, gone, or the application already in the Trash) are
// shown without a checkbox, with the reason. "Move to Trash" moves the checked items and
// shows the report; "Put Back" then undoes it.
class UninstallWindow : public QDialog {
    Q_OBJECT

public:
    UninstallWindow(std::shared_ptr<const Uninstaller> uninstaller,
                    std::vector<Uninstaller::Item> items, QWidget* parent = nullptr);
    ~UninstallWindow() override;

    // Whether messages should open the window: a screen is there (DISPLAY,
    // WAYLAND_DISPLAY or a chosen Qt platform) and SWEEPWISE_NO_WINDOW is not set.
    static bool isWanted();
    static constexpr const char* kNoWindowVariable = "SWEEPWISE_NO_WINDOW";

    // Checks every leftover of `offered` on the global queue, then opens a window for them
    // on the main queue; it deletes itself when closed.
    static void open(const std::vector<std::shared_ptr<PathForRemove>>& offered);

    // For tests and the keyboard alike.
    int itemCount() const { return static_cast<int>(m_rows.size()); }
    bool isChecked(int index) const;
    void setChecked(int index, bool checked);
    std::uint64_t checkedBytes() const;
    // "<n> items checked, <size>", as shown; counted when the event loop next runs.
    QString totalText() const;
    const Uninstaller::Report& report() const { return m_report; }
    QString reportText() const;

public slots:
    void moveToTrash();
    void putBack();

private:
    void build();
    void updateTotal();
    // A section's box: checked, clear or partly, after its items.
    void syncSection(QTreeWidgetItem* section);
    void showReport(const QString& heading);

    std::shared_ptr<const Uninstaller> m_uninstaller;
    std::vector<Uninstaller::Item> m_items;
    // One tree row per item, in message order.
    std::vector<QTreeWidgetItem*> m_rows;
    Uninstaller::Report m_report;
    bool m_totalPending{false};
    bool m_syncing{false};

    QStackedWidget* m_pages{nullptr};
    QTreeWidget* m_tree{nullptr};
    QLabel* m_total{nullptr};
    QPushButton* m_move{nullptr};
    QTextBrowser* m_reportView{nullptr};
    QPushButton* m_putBack{nullptr};
    QPushButton* m_done{nullptr};
};

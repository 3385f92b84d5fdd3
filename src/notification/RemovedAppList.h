#pragma once

#include "HVCocoaPackage/TableViewDataSource.h"

#include <QWidget>
#include <memory>
#include <vector>

class RemovedAppDisplayItem;

// The list of the applications gathered in one notification: one 41-point row per
// item, in the order given, with the row separators of RemovedAppRowView.
class RemovedAppList : public QWidget, public TableViewDataSource {
    Q_OBJECT

public:
    using Items = std::vector<std::shared_ptr<const RemovedAppDisplayItem>>;

    static constexpr int rowHeight = 41;
    static constexpr const char* rowViewIdentifier = "rowView";
    static constexpr const char* cellIdentifier = "removedAppCell";

    // A new list filling `container` (through a layout without margins), which owns it.
    static RemovedAppList* addToContainerView(QWidget* container);

    explicit RemovedAppList(QWidget* parent = nullptr);
    ~RemovedAppList() override;

    const Items& items() const { return m_items; }
    TableView* tableView() const { return m_tableView; }

    // Replaces the items; the rows show them as soon as this returns.
    void updateWithItems(Items items);
    // Builds every row anew, for a change of appearance.
    void reloadAllRows();
    int appsCount() const { return static_cast<int>(m_items.size()); }

    int numberOfRowsInTableView(TableView& tableView) override;
    int heightOfRow(TableView& tableView, int row) override;
    TableRowView* rowViewForRow(TableView& tableView, int row) override;
    QWidget* viewForTableColumn(TableView& tableView, int row) override;

private:
    // Whether a row made for `shown` would look the same for `item`.
    static bool showSame(const RemovedAppDisplayItem* shown, const RemovedAppDisplayItem* item);

    Items m_items;
    TableView* m_tableView{nullptr};
};

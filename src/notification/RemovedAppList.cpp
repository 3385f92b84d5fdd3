#include "notification/RemovedAppList.h"

#include "HVCocoaPackage/TableView.h"
#include "notification/FigmaPalette.h"
#include "notification/RemovedAppCellView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppRowView.h"

#include <QVBoxLayout>

RemovedAppList* RemovedAppList::addToContainerView(QWidget* container) {
    auto* list = new RemovedAppList(container);
    auto* layout = container->layout();
    if (!layout) {
        layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    layout->addWidget(list);
    return list;
}

RemovedAppList::RemovedAppList(QWidget* parent)
    : QWidget(parent), m_tableView(new TableView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tableView);
    m_tableView->registerViewFactory(QString::fromLatin1(cellIdentifier),
                                     [] { return new RemovedAppCellView; });
    m_tableView->setDataSource(this);
}

RemovedAppList::~RemovedAppList() {
    if (m_tableView)
        m_tableView->setDataSource(nullptr);
}

void RemovedAppList::updateWithItems(Items items) {
    // The list stands on the panel's interior; the appearance may have changed.
    m_tableView->setEdgeFadeColor(FigmaPalette::colorForFigmaColor(FigmaColor::bg10));
    // Size reports and arrivals update the list many times over while it may hold a thousand
    // rows, so rows that show what they showed stay, and new items only add rows.
    const std::size_t before = m_items.size();
    if (items.size() < before || m_tableView->numberOfRows() != appsCount()) {
        m_items = std::move(items);
        m_tableView->reloadData();
        return;
    }
    std::vector<int> changed;
    for (std::size_t row = 0; row < before; ++row) {
        if (!showSame(m_items[row].get(), items[row].get()))
            changed.push_back(static_cast<int>(row));
    }
    m_items = std::move(items);
    for (const int row : changed)
        m_tableView->reloadDataForRow(row);
    if (m_items.size() == before)
        return;
    // The row that was last gets a separator now.
    if (auto* formerLast = qobject_cast<RemovedAppRowView*>(
            m_tableView->rowViewAtRow(static_cast<int>(before) - 1)))
        formerLast->setIsLastRow(false);
    m_tableView->noteNumberOfRowsChanged();
}

void RemovedAppList::reloadAllRows() {
    m_tableView->setEdgeFadeColor(FigmaPalette::colorForFigmaColor(FigmaColor::bg10));
    m_tableView->reloadData();
}

bool RemovedAppList::showSame(const RemovedAppDisplayItem* shown,
                              const RemovedAppDisplayItem* item) {
    if (shown == item)
        return true;
    if (!shown || !item)
        return false;
    return shown->name() == item->name() && shown->size() == item->size() &&
           shown->appIconImage().cacheKey() == item->appIconImage().cacheKey();
}

int RemovedAppList::numberOfRowsInTableView(TableView&) {
    return appsCount();
}

int RemovedAppList::heightOfRow(TableView&, int) {
    return rowHeight;
}

TableRowView* RemovedAppList::rowViewForRow(TableView& tableView, int row) {
    QWidget* reused = tableView.makeViewWithIdentifier(QString::fromLatin1(rowViewIdentifier));
    auto* rowView = qobject_cast<RemovedAppRowView*>(reused);
    if (!rowView) {
        delete reused;
        rowView = new RemovedAppRowView;
        rowView->setObjectName(QString::fromLatin1(rowViewIdentifier));
    }
    rowView->setIsLastRow(row == appsCount() - 1);
    return rowView;
}

QWidget* RemovedAppList::viewForTableColumn(TableView& tableView, int row) {
    auto* cell = qobject_cast<RemovedAppCellView*>(
        tableView.makeViewWithIdentifier(QString::fromLatin1(cellIdentifier)));
    if (cell && row >= 0 && row < appsCount() && m_items[static_cast<std::size_t>(row)])
        cell->updateWithItem(*m_items[static_cast<std::size_t>(row)]);
    return cell;
}

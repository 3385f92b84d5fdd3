#pragma once

class QWidget;
class TableRowView;
class TableView;

// Answers a TableView's questions about its rows; one column. Views handed out
// become the table's: it keeps them for reuse when it reloads.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    virtual int numberOfRowsInTableView(TableView& tableView) = 0;
    // In points; rows of a height of 0 or less get 1.
    virtual int heightOfRow(TableView& tableView, int row) = 0;
    // The row's background view; null for a plain TableRowView.
    virtual TableRowView* rowViewForRow(TableView& tableView, int row) = 0;
    // The row's content; null leaves the row empty.
    virtual QWidget* viewForTableColumn(TableView& tableView, int row) = 0;
};

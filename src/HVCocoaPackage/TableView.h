#pragma once

#include <QColor>
#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class TableRowView;
class TableViewDataSource;

// A scrolling list of one column whose rows are views made by a data source, in
// the manner of the platform's view-based tables: every reload hands the row and
// content views back to the table, and the data source asks for them again by
// identifier (the view's objectName) instead of making new ones each time.
//
// The table has no frame and no background of its own, and its scroll bar
// overlays the rows and shows only while the list moves; an edge fade can hint
// at rows further down instead. Clicking a row selects it.
class TableView : public QScrollArea {
    Q_OBJECT

public:
    using ViewFactory = std::function<QWidget*()>;

    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    TableViewDataSource* dataSource() const { return m_dataSource; }
    // The data source is not owned and must outlive the table or be reset first.
    void setDataSource(TableViewDataSource* dataSource);

    // How views with `identifier` are made when none is waiting for reuse: the
    // prototypes of the table's layout.
    void registerViewFactory(const QString& identifier, ViewFactory factory);

    // A view with `identifier` that is waiting for reuse, else a new one from the
    // registered factory; null when there is neither.
    QWidget* makeViewWithIdentifier(const QString& identifier);

    // Asks the data source for every row again.
    void reloadData();
    // Asks the data source for the content view of one row again; the row keeps its place,
    // its row view and the selection.
    void reloadDataForRow(int row);
    // Follows the data source's number of rows: rows added at the end are asked for, the
    // others stay as they are. A data source with fewer rows than the table reloads it all.
    void noteNumberOfRowsChanged();

    int numberOfRows() const { return static_cast<int>(m_rows.size()); }
    TableRowView* rowViewAtRow(int row) const;
    QWidget* viewAtRow(int row) const;

    // While rows lie below the visible ones, the bottom edge fades into this colour
    // (usually the background the table stands on). Transparent, the default, fades
    // nothing.
    void setEdgeFadeColor(const QColor& color);
    bool isEdgeFadeShown() const;

    int selectedRow() const { return m_selectedRow; }
    // -1 clears the selection; other rows outside the table are ignored.
    void selectRow(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class EdgeFade;

    void recycle(QWidget* view);
    // Asks the data source for row `index` and puts it after the table's last row.
    void appendRow(int index);
    void updateEdgeFade();

    TableViewDataSource* m_dataSource{nullptr};
    QWidget* m_content{nullptr};
    // Holds recycled views, hidden, until they are asked for again.
    QWidget* m_reusePool{nullptr};
    EdgeFade* m_edgeFade{nullptr};
    std::vector<QPointer<TableRowView>> m_rows;
    int m_contentHeight{0};
    // The content view of the row being reloaded, while it may be reused in place.
    QPointer<QWidget> m_reusableInPlace;
    std::map<QString, ViewFactory> m_factories;
    int m_selectedRow{-1};
};

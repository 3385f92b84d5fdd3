#include "HVCocoaPackage/TableView.h"

#include "HVCocoaPackage/TableRowView.h"
#include "HVCocoaPackage/TableViewDataSource.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

// Scroll bars that lie over the content and show while it scrolls, as the
// platform's lists have them, instead of taking a strip of the list's width.
class TransientScrollBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ScrollBar_Transient)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

constexpr int kEdgeFadeHeight = 18;

} // namespace

// A strip over the bottom of the visible rows, drawn from clear into the fade colour.
class TableView::EdgeFade : public QWidget {
public:
    explicit EdgeFade(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QColor color{Qt::transparent};

protected:
    void paintEvent(QPaintEvent*) override {
        QColor clear = color;
        clear.setAlpha(0);
        QLinearGradient fade(0, 0, 0, height());
        fade.setColorAt(0, clear);
        fade.setColorAt(1, color);
        QPainter(this).fillRect(rect(), fade);
    }
};

TableView::TableView(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);

    auto* style = new TransientScrollBarStyle;
    style->setParent(this);
    setStyle(style);
    verticalScrollBar()->setStyle(style);

    m_content = new QWidget;
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(1);
    setWidget(m_content);
    // setWidget gives the content an opaque background; rows lie on the table's parent.
    m_content->setAutoFillBackground(false);

    m_reusePool = new QWidget(this);
    m_reusePool->hide();

    m_edgeFade = new EdgeFade(viewport());
    m_edgeFade->hide();
    viewport()->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { updateEdgeFade(); });
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { updateEdgeFade(); });
}

TableView::~TableView() = default;

void TableView::setDataSource(TableViewDataSource* dataSource) {
    m_dataSource = dataSource;
}

void TableView::registerViewFactory(const QString& identifier, ViewFactory factory) {
    m_factories[identifier] = std::move(factory);
}

QWidget* TableView::makeViewWithIdentifier(const QString& identifier) {
    if (m_reusableInPlace && m_reusableInPlace->objectName() == identifier)
        return std::exchange(m_reusableInPlace, nullptr);
    for (QObject* child : m_reusePool->children()) {
        auto* view = qobject_cast<QWidget*>(child);
        if (view && view->objectName() == identifier) {
            view->setParent(nullptr);
            return view;
        }
    }
    const auto factory = m_factories.find(identifier);
    if (factory == m_factories.end() || !factory->second)
        return nullptr;
    QWidget* view = factory->second();
    if (view)
        view->setObjectName(identifier);
    return view;
}

void TableView::recycle(QWidget* view) {
    if (!view)
        return;
    view->hide();
    view->setParent(m_reusePool);
}

void TableView::reloadData() {
    auto* layout = static_cast<QVBoxLayout*>(m_content->layout());
    for (const QPointer<TableRowView>& row : m_rows) {
        if (!row)
            continue;
        layout->removeWidget(row);
        row->removeEventFilter(this);
        row->setSelected(false);
        recycle(row->takeCellView());
        recycle(row);
    }
    m_rows.clear();
    m_selectedRow = -1;

    m_contentHeight = 0;
    const int count = m_dataSource ? std::max(m_dataSource->numberOfRowsInTableView(*this), 0) : 0;
    for (int index = 0; index < count; ++index)
        appendRow(index);
    // The rows keep their heights and scroll rather than being squeezed into the
    // view, and they are in place at once, not only after the next layout pass.
    m_content->setMinimumHeight(m_contentHeight);
    layout->activate();
}

void TableView::appendRow(int index) {
    auto* layout = static_cast<QVBoxLayout*>(m_content->layout());
    TableRowView* row = m_dataSource->rowViewForRow(*this, index);
    if (!row)
        row = new TableRowView;
    const int height = std::max(m_dataSource->heightOfRow(*this, index), 1);
    m_contentHeight += height;
    row->setFixedHeight(height);
    row->setCellView(m_dataSource->viewForTableColumn(*this, index));
    row->installEventFilter(this);
    // Before the stretch that keeps the rows at the top.
    layout->insertWidget(index, row);
    row->show();
    m_rows.emplace_back(row);
}

// The row's own content view is the first one offered for reuse, where it is: in a window of
// many widgets every change of a widget's parent walks the window's focus chain.
void TableView::reloadDataForRow(int row) {
    TableRowView* rowView = rowViewAtRow(row);
    if (!rowView || !m_dataSource)
        return;
    QWidget* current = rowView->cellView();
    m_reusableInPlace = current;
    QWidget* view = m_dataSource->viewForTableColumn(*this, row);
    m_reusableInPlace = nullptr;
    if (view == current)
        return;
    recycle(rowView->takeCellView());
    rowView->setCellView(view);
}

void TableView::noteNumberOfRowsChanged() {
    const int count = m_dataSource ? std::max(m_dataSource->numberOfRowsInTableView(*this), 0) : 0;
    if (count < numberOfRows()) {
        reloadData();
        return;
    }
    if (count == numberOfRows())
        return;
    for (int index = numberOfRows(); index < count; ++index)
        appendRow(index);
    m_content->setMinimumHeight(m_contentHeight);
    m_content->layout()->activate();
}

void TableView::setEdgeFadeColor(const QColor& color) {
    m_edgeFade->color = color;
    m_edgeFade->update();
    updateEdgeFade();
}

bool TableView::isEdgeFadeShown() const {
    return !m_edgeFade->isHidden();
}

void TableView::updateEdgeFade() {
    const QScrollBar* scrollBar = verticalScrollBar();
    const int height = std::min(kEdgeFadeHeight, viewport()->height());
    m_edgeFade->setGeometry(0, viewport()->height() - height, viewport()->width(), height);
    m_edgeFade->raise();
    m_edgeFade->setVisible(m_edgeFade->color.alpha() > 0 &&
                           scrollBar->value() < scrollBar->maximum());
}

TableRowView* TableView::rowViewAtRow(int row) const {
    if (row < 0 || row >= numberOfRows())
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)];
}

QWidget* TableView::viewAtRow(int row) const {
    const TableRowView* rowView = rowViewAtRow(row);
    return rowView ? rowView->cellView() : nullptr;
}

void TableView::selectRow(int row) {
    if (row < -1 || row >= numberOfRows())
        return;
    if (TableRowView* previous = rowViewAtRow(m_selectedRow))
        previous->setSelected(false);
    m_selectedRow = row;
    if (TableRowView* current = rowViewAtRow(row))
        current->setSelected(true);
}

bool TableView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::Resize)
        updateEdgeFade();
    if (event->type() == QEvent::MouseButtonPress) {
        const auto found = std::find(m_rows.begin(), m_rows.end(), watched);
        if (found != m_rows.end())
            selectRow(static_cast<int>(found - m_rows.begin()));
    }
    return QScrollArea::eventFilter(watched, event);
}

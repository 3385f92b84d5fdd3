#include "app/UninstallWindow.h"

#include "notification/AppAppearanceManager.h"
#include "notification/WorkspaceIcon.h"
#include "platform/Environment.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/SuiteDefaults.h"
#include "search/AppDependencyGroup.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathBytes.h"
#include "shell/TrashFolders.h"
#include "shell/WatcherSettings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdlib>
#include <map>

namespace {

enum Column { kItemColumn, kGroupColumn, kSizeColumn, kWhyColumn };

QString fromPath(const std::string& path) {
    return QString::fromStdString(PathBytes::readableForm(path));
}

QString sizeText(std::uint64_t bytes) {
    return QString::fromStdString(NSStringFileSize::convertToStringFromFileSize(bytes));
}

// The path as the user knows it: "~/Library/Caches/..." inside the home folder.
QString shownPath(const std::string& path, const std::string& home) {
    if (path.size() > home.size() && path.starts_with(home) && path[home.size()] == '/')
        return "~" + fromPath(path.substr(home.size()));
    return fromPath(path);
}

// The application's name: its bundle's folder name as it was before the Trash took it.
QString applicationName(const std::string& bundlePath) {
    std::string name = platform::Path::lastComponent(
        TrashFolders::originalPathOf(bundlePath).value_or(bundlePath));
    if (name.ends_with(".app"))
        name.resize(name.size() - 4);
    return fromPath(name);
}

QString countText(int count) {
    return count == 1 ? QObject::tr("1 item") : QObject::tr("%1 items").arg(count);
}

QString escaped(const std::string& text) {
    return fromPath(text).toHtmlEscaped();
}

} // namespace

UninstallWindow::UninstallWindow(std::shared_ptr<const Uninstaller> uninstaller,
                                 std::vector<Uninstaller::Item> items, QWidget* parent)
    : QDialog(parent), m_uninstaller(std::move(uninstaller)), m_items(std::move(items)) {
    setWindowTitle(tr("Finish Uninstalling"));
    setObjectName("UninstallWindow");
    resize(820, 560);
    build();
}

UninstallWindow::~UninstallWindow() = default;

bool UninstallWindow::isWanted() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value && std::string(value) != "0";
    };
    if (set(kNoWindowVariable))
        return false;
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

void UninstallWindow::open(const std::vector<std::shared_ptr<PathForRemove>>& offered) {
    AppAppearanceManager::shared().prepareBeforeAppWindowAppears(
        platform::SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID()));
    // The check reads the disk (the installed applications, every path): off the main
    // thread; the window follows on it.
    platform::GlobalQueue::shared().async([offered] {
        auto uninstaller = std::make_shared<const Uninstaller>(Uninstaller::current());
        std::vector<Uninstaller::Item> plan = uninstaller->plan(offered);
        platform::MainQueue::shared().async([uninstaller, plan] {
            auto* window = new UninstallWindow(uninstaller, plan);
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->show();
            window->raise();
            window->activateWindow();
        });
    });
}

void UninstallWindow::build() {
    auto* layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);

    auto* choosing = new QWidget(m_pages);
    auto* choosingLayout = new QVBoxLayout(choosing);
    choosingLayout->setContentsMargins(0, 0, 0, 0);
    auto* intro = new QLabel(tr("These items were left behind by the applications you moved to "
                                "the Trash. The checked ones go to the Trash, from where they "
                                "can be put back."),
                             choosing);
    intro->setWordWrap(true);
    choosingLayout->addWidget(intro);

    m_tree = new QTreeWidget(choosing);
    m_tree->setColumnCount(4);
    m_tree->setHeaderLabels({tr("Item"), tr("Kind"), tr("Size"), tr("Why it is offered")});
    m_tree->setUniformRowHeights(true);
    m_tree->setRootIsDecorated(true);
    m_tree->header()->setSectionResizeMode(kItemColumn, QHeaderView::Interactive);
    m_tree->header()->resizeSection(kItemColumn, 380);
    m_tree->setIconSize(QSize(20, 20));
    choosingLayout->addWidget(m_tree, 1);

    const std::string home = platform::Environment::homeDirectory();
    std::map<std::string, QTreeWidgetItem*> sections;
    std::vector<QTreeWidgetItem*> order;
    m_rows.reserve(m_items.size());
    for (const Uninstaller::Item& item : m_items) {
        const std::string& identifier = item.offered->bundleId();
        QTreeWidgetItem*& section = sections[identifier];
        if (!section) {
            section = new QTreeWidgetItem();
            section->setText(kItemColumn, QString::fromStdString(identifier));
            section->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            section->setCheckState(kItemColumn, Qt::Unchecked);
            section->setIcon(kItemColumn,
                             QIcon(QPixmap::fromImage(WorkspaceIcon::genericApplicationIcon())));
            QFont bold = section->font(kItemColumn);
            bold.setBold(true);
            section->setFont(kItemColumn, bold);
            order.push_back(section);
        }
        if (item.offered->type() == static_cast<std::int32_t>(AppDependencyGroup::Binaries)) {
            section->setText(kItemColumn, applicationName(item.path()));
            if (std::optional<QImage> icon = WorkspaceIcon::bundleIcon(item.path()))
                section->setIcon(kItemColumn, QIcon(QPixmap::fromImage(*icon)));
        }

        auto* row = new QTreeWidgetItem(section);
        row->setText(kItemColumn, shownPath(item.path(), home));
        row->setToolTip(kItemColumn, fromPath(item.path()));
        row->setText(kGroupColumn,
                     QString::fromLatin1(appDependencyGroupValue(item.offered->type())));
        row->setText(kSizeColumn, item.offered->isSizeCalculated()
                                      ? sizeText(item.offered->getSize())
                                      : QStringLiteral("—"));
        row->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        const QString reason = QString::fromStdString(item.offered->reason());
        if (item.state == Uninstaller::Item::State::ToMove) {
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            row->setCheckState(kItemColumn, Qt::Checked);
            row->setText(kWhyColumn, reason);
            row->setToolTip(kWhyColumn, reason);
        } else {
            // Shown, never moved: no checkbox, the reason in place of why it was offered.
            row->setFlags(Qt::ItemIsSelectable);
            const QString why = item.state == Uninstaller::Item::State::Refused
                                    ? tr("Stays: %1").arg(QString::fromStdString(item.why))
                                    : QString::fromStdString(item.why);
            row->setText(kWhyColumn, why);
            row->setToolTip(kWhyColumn, reason.isEmpty() ? why : why + "\n" + reason);
        }
        m_rows.push_back(row);
    }
    m_tree->addTopLevelItems(QList<QTreeWidgetItem*>(order.begin(), order.end()));
    for (QTreeWidgetItem* section : order) {
        section->setExpanded(true);
        syncSection(section);
    }
    // A section's box changes all its items at once: the total is counted once after.
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* changed, int column) {
        if (column != kItemColumn || m_syncing)
            return;
        m_syncing = true;
        if (!changed->parent()) {
            const Qt::CheckState state = changed->checkState(kItemColumn);
            for (int index = 0; index < changed->childCount(); ++index) {
                QTreeWidgetItem* row = changed->child(index);
                if (row->data(kItemColumn, Qt::CheckStateRole).isValid())
                    row->setCheckState(kItemColumn, state);
            }
        } else {
            syncSection(changed->parent());
        }
        m_syncing = false;
        if (m_totalPending)
            return;
        m_totalPending = true;
        QTimer::singleShot(0, this, [this] {
            m_totalPending = false;
            updateTotal();
        });
    });

    m_total = new QLabel(choosing);
    choosingLayout->addWidget(m_total);
    auto* buttons = new QDialogButtonBox(choosing);
    m_move = buttons->addButton(tr("Move to Trash"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_move->setDefault(true);
    m_move->setAutoDefault(true);
    connect(m_move, &QPushButton::clicked, this, &UninstallWindow::moveToTrash);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    choosingLayout->addWidget(buttons);
    m_pages->addWidget(choosing);

    auto* reporting = new QWidget(m_pages);
    auto* reportingLayout = new QVBoxLayout(reporting);
    reportingLayout->setContentsMargins(0, 0, 0, 0);
    m_reportView = new QTextBrowser(reporting);
    reportingLayout->addWidget(m_reportView, 1);
    auto* after = new QDialogButtonBox(reporting);
    m_putBack = after->addButton(tr("Put Back"), QDialogButtonBox::ActionRole);
    // Made the default only with its page: a dialog has one default button.
    m_done = after->addButton(QDialogButtonBox::Close);
    connect(m_putBack, &QPushButton::clicked, this, &UninstallWindow::putBack);
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    reportingLayout->addWidget(after);
    m_pages->addWidget(reporting);

    m_tree->setFocus();
    updateTotal();
}

void UninstallWindow::syncSection(QTreeWidgetItem* section) {
    int checked = 0;
    int checkable = 0;
    for (int index = 0; index < section->childCount(); ++index) {
        QTreeWidgetItem* row = section->child(index);
        if (!row->data(kItemColumn, Qt::CheckStateRole).isValid())
            continue;
        ++checkable;
        checked += row->checkState(kItemColumn) == Qt::Checked;
    }
    if (checkable == 0) {
        // Nothing of this application can move: no box to tick.
        section->setData(kItemColumn, Qt::CheckStateRole, QVariant());
        section->setFlags(Qt::ItemIsEnabled);
        return;
    }
    section->setCheckState(kItemColumn, checked == 0           ? Qt::Unchecked
                                        : checked == checkable ? Qt::Checked
                                                               : Qt::PartiallyChecked);
}

bool UninstallWindow::isChecked(int index) const {
    QTreeWidgetItem* row = m_rows.at(static_cast<std::size_t>(index));
    return row->data(kItemColumn, Qt::CheckStateRole).isValid() &&
           row->checkState(kItemColumn) == Qt::Checked;
}

void UninstallWindow::setChecked(int index, bool checked) {
    QTreeWidgetItem* row = m_rows.at(static_cast<std::size_t>(index));
    if (row->data(kItemColumn, Qt::CheckStateRole).isValid())
        row->setCheckState(kItemColumn, checked ? Qt::Checked : Qt::Unchecked);
}

std::uint64_t UninstallWindow::checkedBytes() const {
    std::uint64_t bytes = 0;
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        if (isChecked(static_cast<int>(index)) && m_items[index].offered->isSizeCalculated())
            bytes += m_items[index].offered->getSize();
    }
    return bytes;
}

QString UninstallWindow::totalText() const {
    return m_total->text();
}

void UninstallWindow::updateTotal() {
    int count = 0;
    for (std::size_t index = 0; index < m_rows.size(); ++index)
        count += isChecked(static_cast<int>(index));
    m_total->setText(tr("%1 checked, %2").arg(countText(count), sizeText(checkedBytes())));
    m_move->setEnabled(count > 0);
}

void UninstallWindow::moveToTrash() {
    std::vector<bool> chosen(m_items.size());
    for (std::size_t index = 0; index < m_items.size(); ++index)
        chosen[index] = isChecked(static_cast<int>(index));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_report = m_uninstaller->run(m_items, chosen);
    QApplication::restoreOverrideCursor();
    if (!m_report.failure.empty())
        showReport(tr("Nothing was moved: %1").arg(QString::fromStdString(m_report.failure)));
    else
        showReport(tr("Moved %1 to the Trash, %2 freed.")
                       .arg(countText(int(m_report.moved.size())), sizeText(m_report.freed)));
    m_putBack->setEnabled(!m_report.moved.empty());
}

void UninstallWindow::putBack() {
    if (m_report.journal.empty())
        return;
    m_report = Uninstaller::putBack(m_report.journal);
    showReport(tr("Put back %1.").arg(countText(int(m_report.moved.size()))));
    m_putBack->setEnabled(false);
}

QString UninstallWindow::reportText() const {
    return m_reportView->toPlainText();
}

void UninstallWindow::showReport(const QString& heading) {
    QString html = "<h3>" + heading.toHtmlEscaped() + "</h3>";
    if (!m_report.moved.empty()) {
        html += "<ul>";
        for (const auto& item : m_report.moved)
            html += "<li>" + escaped(item.original) + " (" + sizeText(item.size) + ")</li>";
        html += "</ul>";
    }
    if (!m_report.stayed.empty()) {
        html += "<p><b>" + tr("Stayed where they were:") + "</b></p><ul>";
        for (const auto& left : m_report.stayed)
            html += "<li>" + escaped(left.path) + " — " + escaped(left.why) + "</li>";
        html += "</ul>";
    }
    if (!m_report.passed.empty()) {
        html += "<p><b>" + tr("Nothing to do:") + "</b></p><ul>";
        for (const auto& left : m_report.passed)
            html += "<li>" + escaped(left.path) + " — " + escaped(left.why) + "</li>";
        html += "</ul>";
    }
    m_reportView->setHtml(html);
    m_pages->setCurrentIndex(1);
    m_done->setDefault(true);
    m_done->setFocus();
}

#include "gui/ipmac_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/table_look.h"
#include "gui/table_source.h"
#include "settings/shared_settings.h"

namespace qv {
namespace {

// The several-IP tree as the tables' menu sees it: only Copy works on it, on the selected node.
class TreeSource final : public MenuSource {
public:
    explicit TreeSource(QTreeWidget& tree) : m_tree(tree) {}
    Kind kind() const override { return Kind::Tree; }
    QAbstractItemView* view() const override { return &m_tree; }
    bool hasSelection() const override { return m_tree.currentItem() != nullptr; }
    MenuTarget target() const override {
        const QTreeWidgetItem* node = m_tree.currentItem();
        if (node == nullptr) {
            return {};
        }
        std::optional<std::string> parent;
        if (node->parent() != nullptr) {
            parent = node->parent()->text(0).toStdString();
        }
        return treeNodeTarget(node->text(0).toStdString(), parent);
    }
    // The node's text alone, without a line end.
    std::string copyText() const override {
        return hasSelection() ? m_tree.currentItem()->text(0).toStdString() : std::string();
    }

private:
    QTreeWidget& m_tree;
};

} // namespace

IpMacPage::IpMacPage(StationTables stations, SharedSettings& settings,
                     std::function<void()> saveCleared, QWidget* parent)
    : QWidget(parent), m_stations(stations), m_settings(settings),
      m_saveCleared(std::move(saveCleared)), m_model(stations), m_list(new QTableView(this)),
      m_tree(new QTreeWidget(this)),
      m_multipleView(new QCheckBox(tr("Show only hw-interfaces with several IP addresses"), this)),
      m_status(new QLabel(this)) {
    setObjectName("tsIPMAC");
    m_list->setObjectName("lvIPMAC");
    m_list->setModel(&m_model);
    setReportLook(*m_list, {150, 150, 150, 150}, true);
    m_tree->setObjectName("tvIPMAC");
    m_tree->setHeaderHidden(true);
    m_tree->setIndentation(19);
    keepSelectionVisibleWithoutFocus(*m_tree);
    m_tree->hide();
    m_multipleView->setObjectName("cbShowIPMACMultipleView");
    m_status->setObjectName("sbIPMAC");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_multipleView);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list);
    layout->addWidget(m_tree);
    layout->addLayout(bottom);
    connect(m_multipleView, &QCheckBox::clicked, this, &IpMacPage::cbShowIPMACMultipleViewClick);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_model.columnClicked(column);
        RefreshIPMACTable();
    });

    m_listSource = std::make_unique<TableSource>(MenuSource::Kind::IpMac, *m_list);
    m_listSource->targetOfRow = [this](int row) {
        const auto station = m_model.record(row);
        return station ? stationTarget(*station) : MenuTarget{};
    };
    m_listSource->deleteRows = [this](const std::vector<int>& rows) {
        m_model.deleteRows(rows);
        RefreshIPMACTable();
        m_list->clearSelection();
    };
    m_listSource->clear = [this] {
        m_saveCleared();
        RefreshIPMACTable();
    };
    m_treeSource = std::make_unique<TreeSource>(*m_tree);
}

IpMacPage::~IpMacPage() {
    if (m_menu) {
        m_menu->detach(*m_listSource);
        m_menu->detach(*m_treeSource);
    }
}

void IpMacPage::attachMenu(TableMenu& menu) {
    m_menu = &menu;
    menu.attach(*m_listSource);
    menu.attach(*m_treeSource);
}

void IpMacPage::showSettings() {
    m_multipleView->setChecked(m_settings.flag(&Settings::IPMACMultipleView));
    RefreshIPMACTable();
}

bool IpMacPage::multipleViewChecked() const {
    return m_multipleView->isChecked();
}

QString IpMacPage::statusText() const {
    return QString("Total number of records: %1")
        .arg(m_multipleView->isChecked() ? m_roots : m_model.rowCount());
}

void IpMacPage::fillTree() {
    m_tree->clear();
    const auto groups = severalIpGroups(m_stations, m_model.sortColumn(), m_model.descending());
    for (const MacGroup& group : groups) {
        auto* root = new QTreeWidgetItem(m_tree, {QString::fromStdString(group.mac)});
        for (const std::string& ip : group.ips) {
            new QTreeWidgetItem(root, {QString::fromStdString(ip)});
        }
    }
    m_roots = static_cast<int>(groups.size());
    m_tree->expandAll();
}

void IpMacPage::RefreshIPMACTable() {
    if (m_multipleView->isChecked()) {
        fillTree();
        m_list->hide();
        m_tree->show();
    } else {
        m_model.refresh();
        m_tree->hide();
        m_list->show();
    }
    m_status->setText(statusText());
}

void IpMacPage::cbShowIPMACMultipleViewClick() {
    m_settings.setFlag(&Settings::IPMACMultipleView, m_multipleView->isChecked());
    RefreshIPMACTable();
    emit viewChanged();
}

} // namespace qv

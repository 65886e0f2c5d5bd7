#include "gui/arp_log_page.h"

#include <QLabel>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/svg_pixmap.h"
#include "gui/table_look.h"
#include "gui/table_source.h"
#include "settings/shared_settings.h"

namespace qv {
namespace {

QToolButton* toolButton(const char* name, const char* picture, const QString& hint,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(svgPixmap(picture, QSize(16, 16))));
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setAutoRaise(true);
    return button;
}

} // namespace

ArpLogPage::ArpLogPage(ArpLogRing& liveLog, SharedSettings& settings, QWidget* parent)
    : QWidget(parent), m_liveLog(liveLog), m_settings(settings),
      m_lockedLog(std::make_unique<ArpLogRing>()),
      m_detailedModel(ArpLogModel::Form::Detailed, liveLog),
      m_simpleModel(ArpLogModel::Form::Simple, liveLog),
      m_simpleView(toolButton("tbARPLogSimpleView", ":/icons/button-view.svg",
                              tr("Change view style"), this)),
      m_pause(toolButton("tbPause", ":/icons/button-lock.svg", tr("Lock/Unlock current ARP log"),
                         this)),
      m_detailed(new QTableView(this)), m_simple(new QTableView(this)), m_status(new QLabel(this)) {
    setObjectName("tsARPLog");
    auto* bar = new QToolBar(this);
    bar->setObjectName("tbLogs");
    bar->addWidget(m_simpleView);
    bar->addSeparator();
    bar->addWidget(m_pause);
    m_detailed->setObjectName("lvARPLog");
    m_detailed->setModel(&m_detailedModel);
    setReportLook(*m_detailed, {120, 60, 100, 110, 100, 110});
    m_simple->setObjectName("lvARPLog2");
    m_simple->setModel(&m_simpleModel);
    setReportLook(*m_simple, {120, 480});
    m_simple->hide();
    m_status->setObjectName("sbARPLog");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_detailed);
    layout->addWidget(m_simple);
    layout->addWidget(m_status);
    connect(m_simpleView, &QToolButton::clicked, this, &ArpLogPage::tbARPLogSimpleViewClick);
    connect(m_pause, &QToolButton::clicked, this, &ArpLogPage::tbPauseClick);

    m_detailedSource = std::make_unique<TableSource>(MenuSource::Kind::ArpLog, *m_detailed);
    m_simpleSource = std::make_unique<TableSource>(MenuSource::Kind::ArpLog, *m_simple);
    m_detailedSource->targetOfRow = [this](int row) {
        const auto packet = m_detailedModel.entry(row);
        return packet ? packetTarget(*packet) : MenuTarget{};
    };
    m_simpleSource->targetOfRow = [this](int row) {
        const auto packet = m_simpleModel.entry(row);
        return packet ? packetTarget(*packet) : MenuTarget{};
    };
}

ArpLogPage::~ArpLogPage() {
    if (m_menu) {
        m_menu->detach(*m_detailedSource);
        m_menu->detach(*m_simpleSource);
    }
}

void ArpLogPage::attachMenu(TableMenu& menu) {
    m_menu = &menu;
    menu.attach(*m_detailedSource);
    menu.attach(*m_simpleSource);
}

void ArpLogPage::showSettings() {
    m_simpleView->setChecked(m_settings.flag(&Settings::ARPLogSimpleView));
    m_pause->setChecked(m_locked);
    RefreshARPTable();
}

bool ArpLogPage::simpleViewPressed() const {
    return m_simpleView->isChecked();
}

QTableView* ArpLogPage::shownList() const {
    return m_simpleView->isChecked() ? m_simple : m_detailed;
}

void ArpLogPage::showCurrentList() {
    m_detailed->setVisible(!m_simpleView->isChecked());
    m_simple->setVisible(m_simpleView->isChecked());
}

void ArpLogPage::scrollToNewest() {
    for (QTableView* list : {m_detailed, m_simple}) {
        if (list->model()->rowCount() > 0) {
            list->scrollToBottom();
        }
    }
}

QString ArpLogPage::statusText() const {
    return QString("Total number of ARP: %1 (only last %2 seconds)")
        .arg(m_detailedModel.rowCount())
        .arg(ARP_LOG_WINDOW_SECONDS);
}

void ArpLogPage::RefreshARPTable() {
    showCurrentList();
    if (!m_locked) {
        m_detailedModel.setLog(m_liveLog);
        m_simpleModel.setLog(m_liveLog);
        scrollToNewest();
    }
    m_status->setText(statusText());
}

// Locking copies the whole live log in one step under its guard, so the copy's slots, write
// position and count belong to one moment; unlocking lets the next refresh follow the live log.
void ArpLogPage::tbPauseClick() {
    if (m_locked) {
        m_locked = false;
    } else {
        m_liveLog.lock().copyTo(*m_lockedLog);
        m_detailedModel.setLog(*m_lockedLog);
        m_simpleModel.setLog(*m_lockedLog);
        showCurrentList();
        m_status->setText(statusText());
        scrollToNewest();
        m_locked = true;
    }
    m_pause->setChecked(m_locked);
}

// The view is a setting of its own: it takes effect at once and is saved with the others. The
// rows selected in the list shown are selected in the other.
void ArpLogPage::tbARPLogSimpleViewClick() {
    const bool simple = !m_settings.flag(&Settings::ARPLogSimpleView);
    m_settings.setFlag(&Settings::ARPLogSimpleView, simple);
    m_simpleView->setChecked(simple);
    QTableView* from = simple ? m_detailed : m_simple;
    QTableView* to = simple ? m_simple : m_detailed;
    QItemSelection selection;
    for (const QModelIndex& index : from->selectionModel()->selectedRows()) {
        if (index.row() < to->model()->rowCount()) {
            selection.select(to->model()->index(index.row(), 0),
                             to->model()->index(index.row(), to->model()->columnCount() - 1));
        }
    }
    to->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    RefreshARPTable();
    to->setFocus();
    emit viewChanged();
}

} // namespace qv

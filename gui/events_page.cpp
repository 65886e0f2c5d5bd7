#include "gui/events_page.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "events/event_journal.h"
#include "events/flood_watch.h"
#include "gui/events_model.h"
#include "gui/gui_event_list.h"
#include "gui/svg_pixmap.h"
#include "gui/table_look.h"
#include "gui/table_source.h"
#include "tables/event_filter.h"

namespace qv {

EventsPage::EventsPage(EventsModel& model, GuiEventList& eventList, EventJournal& journal,
                       QWidget* parent)
    : QWidget(parent), m_model(model), m_eventList(eventList), m_journal(journal),
      m_list(new QTableView(this)), m_status(new QLabel(this)) {
    setObjectName("tsEvents");
    m_list->setObjectName("lvEvents");
    m_list->setModel(&m_model);
    setReportLook(*m_list, {120, 140, 320});
    m_status->setObjectName("sbEvents");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolBar());
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        showNewest();
        updateStatus();
    });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        showNewest();
        updateStatus();
    });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &EventsPage::updateStatus);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &EventsPage::lvEventsSelectItem);

    m_source = std::make_unique<TableSource>(MenuSource::Kind::Events, *m_list);
    m_source->targetOfRow = [this](int row) { return eventTarget(m_model.entry(row).Details); };
    m_source->deleteRows = [this](const std::vector<int>& rows) { deleteRows(rows); };
    m_source->clear = [this] { clearAll(); };
    updateStatus();
}

EventsPage::~EventsPage() {
    if (m_menu) {
        m_menu->detach(*m_source);
    }
}

QWidget* EventsPage::buildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName("ToolBar2");
    m_enableFilter = new QToolButton(bar);
    m_enableFilter->setObjectName("tbEnableFilter");
    m_enableFilter->setIcon(QIcon(svgPixmap(":/icons/button-filter.svg", QSize(16, 16))));
    m_enableFilter->setToolTip(tr("Show custom events"));
    m_enableFilter->setCheckable(true);
    m_enableFilter->setAutoRaise(true);
    m_gotoNext = new QToolButton(bar);
    m_gotoNext->setObjectName("tbGotoNext");
    m_gotoNext->setIcon(QIcon(svgPixmap(":/icons/button-next.svg", QSize(16, 16))));
    m_gotoNext->setToolTip(tr("Go to next custom event"));
    m_gotoNext->setAutoRaise(true);
    m_gotoNext->setEnabled(false);
    m_filter = new QComboBox(bar);
    m_filter->setObjectName("cbFilter");
    m_filter->setEditable(true);
    m_filter->setInsertPolicy(QComboBox::NoInsert);
    m_filter->setFixedWidth(223);
    bar->addWidget(m_enableFilter);
    bar->addWidget(m_gotoNext);
    bar->addSeparator();
    bar->addWidget(m_filter);
    connect(m_enableFilter, &QToolButton::clicked, this, &EventsPage::tbEnableFilterClick);
    connect(m_gotoNext, &QToolButton::clicked, this, &EventsPage::tbGotoNextClick);
    connect(m_filter, &QComboBox::editTextChanged, this, &EventsPage::cbFilterChange);
    connect(m_filter, &QComboBox::activated, this, &EventsPage::cbFilterChange);
    return bar;
}

// The newest entry is scrolled into view when the list is loaded or grows; a list not on screen
// has no geometry to scroll in, so it scrolls once it is shown.
void EventsPage::showNewest() {
    m_newestPending = !m_list->isVisible();
    if (!m_newestPending) {
        m_list->scrollToBottom();
    }
}

void EventsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_newestPending) {
        m_newestPending = false;
        QTimer::singleShot(0, m_list, [list = m_list] { list->scrollToBottom(); });
    }
}

void EventsPage::showSettings() {
    m_enableFilter->setChecked(m_showCustomEvents);
}

void EventsPage::attachMenu(TableMenu& menu) {
    m_menu = &menu;
    menu.attach(*m_source);
}

void EventsPage::cbFilterChange() {
    m_gotoNext->setEnabled(!m_filter->currentText().isEmpty());
    m_model.setMarking(m_showCustomEvents, m_filter->currentText());
}

void EventsPage::tbEnableFilterClick() {
    m_showCustomEvents = !m_showCustomEvents;
    m_enableFilter->setChecked(m_showCustomEvents);
    cbFilterChange();
}

// The search starts below the first selected row and wraps round, ending on that row itself.
void EventsPage::tbGotoNextClick() {
    const auto selected = m_source->selectedRows();
    const int start = selected.empty() ? -1 : selected.front();
    const int rows = m_model.rowCount();
    for (int step = 1; step <= rows; ++step) {
        const int row = (start + step) % rows;
        if (m_model.matches(row)) {
            m_list->clearSelection();
            m_list->selectionModel()->select(m_model.index(row, 0), QItemSelectionModel::Select |
                                                                        QItemSelectionModel::Rows);
            m_list->scrollTo(m_model.index(row, 0));
            return;
        }
    }
    QMessageBox::information(nullptr, "Information",
                             "Can not find the text \"" + m_filter->currentText() + "\"");
}

// The suggestions of the row whose selection changed: a newly selected row's, or the one row a
// user unselected; none when the whole selection was cleared at once.
void EventsPage::lvEventsSelectItem(const QItemSelection& selected,
                                    const QItemSelection& deselected) {
    updateStatus();
    int row = -1;
    if (!selected.indexes().isEmpty()) {
        row = selected.indexes().front().row();
    } else if (deselected.indexes().size() <= m_model.columnCount() &&
               !deselected.indexes().isEmpty()) {
        row = deselected.indexes().front().row();
    }
    const std::string current = m_filter->currentText().toStdString();
    const bool given = row >= 0 && row < m_model.rowCount();
    const EventEntry entry = given ? m_model.entry(row) : EventEntry{};
    const auto suggestions =
        filterSuggestions(current, given ? &entry.Type : nullptr, given ? &entry.Details : nullptr);
    const QSignalBlocker blocker(m_filter);
    m_filter->clear();
    for (const std::string& text : suggestions) {
        m_filter->addItem(QString::fromStdString(text));
    }
    m_filter->setEditText(QString::fromStdString(current));
}

QString EventsPage::statusText() const {
    const auto selected = m_source->selectedRows();
    QString text =
        selected.empty()
            ? QString("Total number of events: %1").arg(m_model.rowCount())
            : QString("Total number of events: %1; Selected records: %2; Currect record: %3")
                  .arg(m_model.rowCount())
                  .arg(selected.size())
                  .arg(selected.front() + 1);
    if (m_flood) {
        text +=
            "; An ARP flood is going on"; // the rest in the tooltip: the line is one window wide
    }
    return text;
}

void EventsPage::setFlood(bool goingOn) {
    if (m_flood != goingOn) {
        m_flood = goingOn;
        updateStatus();
    }
}

void EventsPage::updateStatus() {
    m_status->setText(statusText());
    m_status->setToolTip(m_flood ? QString::fromStdString(floodMessage()) : QString());
}

// The journal is held while the list takes every step handed to it and is rewritten, so an event
// that arrives meanwhile is neither lost from the file nor shown twice.
// A rewrite that fails is said to the user by the journal's owner.
void EventsPage::deleteRows(const std::vector<int>& rows) {
    static_cast<void>(m_journal.RewriteEventsTable([&] {
        m_eventList.applyPending();
        m_model.removeRows(rows);
        return m_model.entries();
    }));
}

void EventsPage::clearAll() {
    static_cast<void>(m_journal.RewriteEventsTable([&] {
        m_eventList.applyPending();
        m_model.replaceAll({});
        return std::vector<EventEntry>{};
    }));
}

} // namespace qv

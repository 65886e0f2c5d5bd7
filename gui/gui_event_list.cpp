#include "gui/gui_event_list.h"

#include "gui/events_model.h"

namespace qv {

GuiEventList::GuiEventList(EventsModel& model, QObject* parent) : QObject(parent), m_model(model) {}

void GuiEventList::appendEvent(const EventEntry& entry, const Event& event) {
    if (event.summarized > 0) {
        m_flood.summaryWritten(event.stamp);
    }
    m_steps.append(entry);
    schedule();
}

void GuiEventList::replaceEvents(std::vector<EventEntry> entries) {
    m_steps.replace(std::move(entries));
    schedule();
}

void GuiEventList::journalFailure(const std::string& message) {
    const QString text = QString::fromStdString(message);
    QMetaObject::invokeMethod(
        this, [this, text] { emit failed(text); }, Qt::QueuedConnection);
}

// One queued call serves every step that arrives before it runs.
void GuiEventList::schedule() {
    if (!m_scheduled.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scheduled = false;
                applyPending();
            },
            Qt::QueuedConnection);
    }
}

void GuiEventList::applyPending() {
    m_model.apply(m_steps.take());
}

} // namespace qv

#include "gui/gui_event_list.h"

#include "gui/events_model.h"

namespace qv {

GuiEventList::GuiEventList(EventsModel& model, QObject* parent) : QObject(parent), m_model(model) {}

void GuiEventList::appendEvent(const EventEntry& entry) {
    QMetaObject::invokeMethod(
        &m_model, [model = &m_model, entry] { model->append(entry); }, Qt::QueuedConnection);
}

void GuiEventList::replaceEvents(std::vector<EventEntry> entries) {
    QMetaObject::invokeMethod(
        &m_model,
        [model = &m_model, entries = std::move(entries)]() mutable {
            model->replaceAll(std::move(entries));
        },
        Qt::QueuedConnection);
}

void GuiEventList::journalFailure(const std::string& message) {
    const QString text = QString::fromStdString(message);
    QMetaObject::invokeMethod(
        this, [this, text] { emit failed(text); }, Qt::QueuedConnection);
}

} // namespace qv

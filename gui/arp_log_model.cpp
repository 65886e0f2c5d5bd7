#include "gui/arp_log_model.h"

#include "gui/row_colours.h"

namespace qv {
namespace {

const char* const DETAILED[] = {"Date/Time",  "Type",      "Sender IP",
                                "Sender MAC", "Target IP", "Target MAC"};
const char* const SIMPLE[] = {"Date/Time", "Details"};

} // namespace

ArpLogModel::ArpLogModel(Form form, ArpLogRing& log, QObject* parent)
    : QAbstractTableModel(parent), m_form(form), m_log(&log) {}

int ArpLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.count();
}

int ArpLogModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_form == Form::Detailed ? static_cast<int>(ARP_DETAIL_COLUMNS)
                                    : static_cast<int>(ARP_SIMPLE_COLUMNS);
}

std::optional<ArpLogEntry> ArpLogModel::entry(int row) const {
    return m_rows.entry(m_log->lock(), row);
}

QVariant ArpLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::BackgroundRole) {
        return rowBackground(index.row());
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const auto packet = entry(index.row());
    if (!packet) {
        return QString();
    }
    return texts(m_rows.sequenceOf(index.row()), *packet).value(index.column());
}

const QStringList& ArpLogModel::texts(std::uint64_t sequence, const ArpLogEntry& packet) const {
    const auto kept = m_texts.find(sequence);
    if (kept != m_texts.end()) {
        return kept->second;
    }
    if (m_texts.size() >= KEPT_TEXTS) {
        m_texts.clear();
    }
    QStringList made;
    const auto add = [&made](const auto& texts) {
        for (const std::string& text : texts) {
            made.append(QString::fromStdString(text));
        }
    };
    if (m_form == Form::Detailed) {
        add(arpDetailTexts(packet));
    } else {
        add(arpSimpleTexts(packet));
    }
    return m_texts.emplace(sequence, std::move(made)).first->second;
}

QVariant ArpLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount()) {
        return {};
    }
    return tr(m_form == Form::Detailed ? DETAILED[section] : SIMPLE[section]);
}

void ArpLogModel::setLog(ArpLogRing& log) {
    if (m_log != &log) {
        m_log = &log;
        m_texts.clear();
    }
    follow();
}

// Rows of packets trimmed away go before rows of new packets come, so a selection stays on its
// packets.
void ArpLogModel::follow() {
    ArpLogRows next = m_rows;
    const ArpLogRows::Change change = next.follow(m_log->lock());
    if (change.replaced) {
        m_texts.clear();
        beginResetModel();
        m_rows = next;
        endResetModel();
        return;
    }
    if (change.removedAtTop > 0) {
        beginRemoveRows({}, 0, change.removedAtTop - 1);
        m_rows.dropTop(change.removedAtTop);
        endRemoveRows();
    }
    if (change.addedAtBottom > 0) {
        const int first = m_rows.count();
        beginInsertRows({}, first, first + change.addedAtBottom - 1);
        m_rows.addBottom(change.addedAtBottom);
        endInsertRows();
    }
}

} // namespace qv

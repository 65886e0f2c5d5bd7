#pragma once

#include <unordered_map>

#include <QAbstractTableModel>
#include <QStringList>

#include "tables/arp_log_rows.h"

namespace qv {

// One of the two forms of the ARP log list over a log (the live one or the locked copy): the
// detailed form with six columns, or the simple one with the date and one sentence. Rows follow
// their packets (see ArpLogRows); a row's packet is copied under the log's guard when the view
// paints it, so a row never shows half of an append, and its texts are made once per packet,
// outside the guard, and kept while the packet is shown (a packet never changes).
class ArpLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class Form { Detailed, Simple };

    ArpLogModel(Form form, ArpLogRing& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows another log (the locked copy, or the live log again).
    void setLog(ArpLogRing& log);
    // Brings the rows to the packets the log holds now.
    void follow();
    // The packet of a row as it is painted, or nothing.
    std::optional<ArpLogEntry> entry(int row) const;

    // The packets whose texts are kept, at most (a view shows a few dozen); they are forgotten
    // all at once past it, or when the rows follow other packets altogether.
    static constexpr std::size_t KEPT_TEXTS = 1024;

private:
    const QStringList& texts(std::uint64_t sequence, const ArpLogEntry& packet) const;

    Form m_form;
    ArpLogRing* m_log;
    ArpLogRows m_rows;
    mutable std::unordered_map<std::uint64_t, QStringList> m_texts; // by sequence number
};

} // namespace qv
